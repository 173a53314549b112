#include "display/sfile/touchstone_reader.h"

#include "display/calib/correction.h"
#include "display/calib/text_file.h"
#include "link/text_rules.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

namespace {

// The value of a number token in the current locale; nothing unless the
// whole token is one finite number.
std::optional<double> TokenValue(std::string token) {
    LocaliseDecimal(token);
    if (token.empty())
        return std::nullopt;
    char* end = nullptr;
    const double v = std::strtod(token.c_str(), &end);
    if (end == token.c_str() || *end != '\0' || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::string BaseName(const std::string& fileName) {
    const size_t sep = fileName.find_last_of("\\/");
    std::string name = sep == std::string::npos ? fileName : fileName.substr(sep + 1);
    const size_t dot = name.find('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string Where(const std::string& fileName, int line) {
    return fileName + ", line " + std::to_string(line) + ": ";
}

} // namespace

std::string NextToken(std::string& line) {
    const size_t b = line.find_first_not_of(' ');
    if (b == std::string::npos) {
        line.clear();
        return "";
    }
    line.erase(0, b);
    const size_t blank = line.find(' ');
    std::string token;
    if (blank == std::string::npos) {
        token.swap(line);
    } else {
        token = line.substr(0, blank);
        line.erase(0, blank + 1);
    }
    return token;
}

void LocaliseDecimal(std::string& token) {
    char* end = nullptr;
    const char* probe = "0.5";
    const bool pointLocale = std::strtod(probe, &end) == 0.5 && *end == '\0';
    if (pointLocale)
        return;
    const size_t dot = token.find('.');
    if (dot != std::string::npos)
        token[dot] = ',';
}

TouchstoneStatus ParseTouchstone(std::string_view content, const std::string& fileName,
                                 SdataTable& table, SdataHeadRec& head) {
    TouchstoneStatus status;
    const std::string ext = txt::Upper(fileName.size() >= 3 ? fileName.substr(fileName.size() - 3)
                                                            : fileName);
    head.Fileext = ext;
    int required = 0;  // values per data line after the frequency
    if (ext == "S1P") {
        head.S11 = kSFromFile;
        head.S21 = head.S12 = head.S22 = kSAbsent;
        required = 2;
    } else if (ext == "S2P") {
        head.S11 = head.S21 = head.S12 = head.S22 = kSFromFile;
        required = 8;
    } else if (ext == "DUT") {
        head.S11 = head.S21 = head.S12 = head.S22 = kSAbsent;
    } else {
        status.ok = false;
        status.message = std::string(kWrongExtension);
        return status;
    }
    head.Filename = BaseName(fileName);
    head.Length = 0;  // no point of an earlier file may show through
    // The Touchstone defaults hold until an option line says otherwise.
    double multiplier = 1e9;
    head.Unit = "GHZ";
    head.Sform = "MA";
    int n = 0;
    int32_t previous = 0;
    bool stop = false;
    const auto stopWith = [&](int line, const std::string& what) {
        stop = true;
        if (status.message.empty()) {
            status.line = line;
            status.message = Where(fileName, line) + what;
        }
    };

    ForEachLine(content, [&](int number, std::string_view raw) {
        std::string line(raw);
        std::replace(line.begin(), line.end(), '\t', ' ');
        const size_t b = line.find_first_not_of(' ');
        if (b == std::string::npos)
            return true;
        line.erase(0, b);
        if (line[0] == '#') {
            std::string rest = line.substr(1);
            for (std::string tok = NextToken(rest); !tok.empty(); tok = NextToken(rest)) {
                tok = txt::Upper(tok);
                if (tok == "GHZ" || tok == "MHZ" || tok == "KHZ" || tok == "HZ") {
                    multiplier = tok == "GHZ" ? 1e9 : tok == "MHZ" ? 1e6 : tok == "KHZ" ? 1e3 : 1;
                    head.Unit = tok;
                } else if (tok == "MA" || tok == "DB" || tok == "RI") {
                    head.Sform = tok;
                }
            }
            return true;
        }
        if (line[0] == '!') {
            if (line.size() > 1 && line[1] == '!') {
                std::string rest = line;
                NextToken(rest);
                const std::string which = txt::Upper(NextToken(rest));
                static const char* const names[4] = {"S11", "S21", "S12", "S22"};
                for (int k = 0; k < 4; ++k)
                    if (which == names[k])
                        head.State(k) = kSFromFile;
            } else {
                head.Info += std::string(raw) + "\r";
            }
            return true;
        }
        if (stop)
            return true;
        // A data line; a comment may follow the values.
        line = line.substr(0, line.find('!'));
        const std::string ftok = NextToken(line);
        const std::optional<double> v = TokenValue(ftok);
        if (!v) {
            stopWith(number, "\"" + ftok + "\" is not a frequency; the rest of the file is not read");
            return true;
        }
        const double hz = *v * multiplier;
        if (hz >= 1e8) {
            stopWith(number, "frequencies from 100 MHz on are not read");
            return true;
        }
        // Compared before the conversion: a negative frequency may be far
        // outside 32 bits.
        const double tenths = txt::RoundHalfEven(hz * 10);
        if (tenths <= previous) {
            stopWith(number, "the frequency does not increase; the rest of the file is not read");
            return true;
        }
        const int32_t f = static_cast<int32_t>(tenths);  // 1 .. 999999999
        if (n >= kSdataPoints) {
            stopWith(number, "more than " + std::to_string(kSdataPoints) +
                                 " points; the rest of the file is not read");
            return true;
        }
        std::array<double, 8> val{};
        int count = 0;
        for (std::string tok = NextToken(line); !tok.empty(); tok = NextToken(line)) {
            const std::optional<double> x = TokenValue(tok);
            if (!x || count == 8) {
                stopWith(number, x ? "more than nine values on a line; the rest of the file is not read"
                                   : "\"" + tok + "\" is not a number; the rest of the file is not read");
                return true;
            }
            val[count++] = *x;
        }
        if (count < required) {
            stopWith(number, std::to_string(required + 1) +
                                 " values expected; the rest of the file is not read");
            return true;
        }
        SdataPoint& pt = table[n];
        pt.Qrg = f;
        for (int k = 0; k < 4; ++k) {
            const double a = val[2 * k], c = val[2 * k + 1];
            if (head.Sform == "RI")
                StoreRi(pt.S[k], {a, c});
            else if (head.Sform == "DB")
                StoreMa(pt.S[k], DbToMa({a, DegToRad(c)}));
            else
                StoreMa(pt.S[k], {a, DegToRad(c)});
        }
        previous = f;
        head.Length = static_cast<int16_t>(++n);
        return true;
    });
    return status;
}

TouchstoneStatus ReadTouchstone(const std::string& fileName, SdataTable& table,
                                SdataHeadRec& head) {
    const std::string ext =
        txt::Upper(fileName.size() >= 3 ? fileName.substr(fileName.size() - 3) : fileName);
    if (ext != "S1P" && ext != "S2P" && ext != "DUT")
        return ParseTouchstone("", fileName, table, head);  // sets Fileext, reports the extension
    std::string content, error;
    if (!ReadWholeFile(fileName, content, error, 16u << 20))
        return {false, 0, error};
    return ParseTouchstone(content, fileName, table, head);
}
