#include "sim/port_trace.h"

#include <cerrno>
#include <cstring>

namespace sim {

PortTrace::~PortTrace() { Close(); }

bool PortTrace::Open(const std::string& path, std::string& error) {
    Close();
    file_ = std::fopen(path.c_str(), "w");
    if (!file_) {
        error = "Cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    std::setvbuf(file_, nullptr, _IOFBF, 1 << 16);
    started_ = false;
    failed_ = false;
    return true;
}

std::string PortTrace::Line(int64_t ns, bool write, char reg, uint8_t value) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%lld %c %c %02X", static_cast<long long>(ns), write ? 'W' : 'R',
                  reg, static_cast<unsigned>(value));
    return buf;
}

void PortTrace::Record(int64_t t, bool write, char reg, uint8_t value) {
    if (!file_) return;
    if (!started_) {
        origin_ = t;
        started_ = true;
    }
    if (std::fprintf(file_, "%lld %c %c %02X\n", static_cast<long long>(t - origin_),
                     write ? 'W' : 'R', reg, static_cast<unsigned>(value)) < 0)
        failed_ = true;
}

bool PortTrace::Close() {
    if (!file_) return !failed_;
    if (std::fclose(file_) != 0) failed_ = true;
    file_ = nullptr;
    return !failed_;
}

} // namespace sim
