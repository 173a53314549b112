#pragma once
// The port trace: one line per register access, "1234 W D 45": nanoseconds
// since the trace began, W(rite) or R(ead), the register (D data, S status,
// C control), the value as two hex digits. For fault finding on real
// hardware and in tests.

#include <cstdint>
#include <cstdio>
#include <string>

namespace sim {

class PortTrace {
public:
    PortTrace() = default;
    PortTrace(const PortTrace&) = delete;
    PortTrace& operator=(const PortTrace&) = delete;
    ~PortTrace();

    /// Opens (truncates) the file; false with "Cannot open FILE: reason".
    bool Open(const std::string& path, std::string& error);
    bool isOpen() const { return file_ != nullptr; }
    /// `t` is the caller's time in ns; the first record defines time 0.
    void Record(int64_t t, bool write, char reg, uint8_t value);
    /// Flushes and closes; false when writing failed (disk full...).
    bool Close();

    static std::string Line(int64_t ns, bool write, char reg, uint8_t value);

private:
    std::FILE* file_ = nullptr;
    bool started_ = false;
    bool failed_ = false;
    int64_t origin_ = 0;
};

} // namespace sim
