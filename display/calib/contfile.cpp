#include "display/calib/contfile.h"

#include "display/calib/text_file.h"
#include "link/text_rules.h"

#include <array>

namespace {

struct Entry {
    int32_t f;
    int16_t W;
};

ContfileResult Failure(const std::string& fileName, int line, const std::string& what) {
    ContfileResult r;
    r.ok = false;
    r.line = line;
    r.message = fileName + ", line " + std::to_string(line) + ": " + what;
    return r;
}

} // namespace

ContfileResult ParseContfile(std::string_view content, const std::string& fileName,
                             bool noSetup, ScanTableTarget& target) {
    std::array<Entry, kCalPoints> entries{};
    int count = 0;
    int16_t W = 0;
    std::string title;
    ContfileResult fault;
    ForEachLine(content, [&](int number, std::string_view line) {
        if (line.empty())
            return true;
        switch (line.front()) {
        case '+': {
            const txt::NumberScan n = txt::ScanNumber(line.substr(1));
            const auto f = n.digits ? txt::ToInt32(n.value) : std::nullopt;
            if (!f) {
                fault = Failure(fileName, number, "no frequency that fits in \"" +
                                                      std::string(line) + "\"");
                return false;
            }
            if (count == kCalPoints) {
                fault = Failure(fileName, number,
                                "more than " + std::to_string(kCalPoints) + " frequencies");
                return false;
            }
            entries[count++] = {*f, W};
            return true;
        }
        case 'W': {
            const size_t eq = line.find('=');
            const txt::NumberScan n =
                txt::ScanNumber(eq == std::string_view::npos ? line : line.substr(eq + 1));
            const auto w = n.digits ? txt::ToInt16(n.value) : std::nullopt;
            if (!w) {
                fault = Failure(fileName, number,
                                "no time that fits in \"" + std::string(line) + "\"");
                return false;
            }
            W = *w;
            return true;
        }
        case 'T':
            title = std::string(line.substr(1));
            return true;
        default:
            return true;  // "D", "H", "I" and anything else
        }
    });
    if (!fault.ok)
        return fault;
    if (!noSetup && count == 0) {
        // An empty calibration scan would run nothing and file nothing.
        ContfileResult r;
        r.ok = false;
        r.message = fileName + ": no calibration frequencies (no \"+\" line)";
        return r;
    }

    ContfileResult r;
    r.title = title;
    r.waitTime = W;
    if (!noSetup) {
        for (int i = 0; i < count; ++i)
            target.vnaSetUpEntry(1, static_cast<int16_t>(i), entries[i].f, 0, entries[i].W, 24, 0,
                                 0, 0, 0, 0, 0);
        r.points = static_cast<int16_t>(count);
        target.vnaMarkEnd(1, r.points);
    }
    return r;
}

ContfileResult ReadContfile(const std::string& fileName, bool noSetup, ScanTableTarget& target) {
    std::string content, error;
    if (!ReadWholeFile(fileName, content, error, 1u << 20)) {
        ContfileResult r;
        r.ok = false;
        r.message = error;
        return r;
    }
    return ParseContfile(content, fileName, noSetup, target);
}
