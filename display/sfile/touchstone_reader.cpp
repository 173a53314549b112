#include "display/sfile/touchstone_reader.h"

#include "display/calib/correction.h"
#include "link/text_rules.h"

#include <cmath>
#include <cstdio>

namespace {

std::string BaseName(const std::string& fileName) {
    const size_t sep = fileName.find_last_of("\\/");
    std::string name = sep == std::string::npos ? fileName : fileName.substr(sep + 1);
    const size_t dot = name.find('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string Extension(const std::string& fileName) {
    return txt::Upper(fileName.size() >= 3 ? fileName.substr(fileName.size() - 3) : fileName);
}

constexpr const char* kRestNotRead = "; the rest of the file is not read";

/// Fills the four notations of one S-parameter from the pair as the file
/// writes it; false when a notation would not be finite.
bool StorePair(SBlock& block, touchstone::Format format, const std::array<double, 2>& v) {
    switch (format) {
    case touchstone::Format::RI:
        return StoreRi(block, {v[0], v[1]});
    case touchstone::Format::DB:
        return StoreMa(block, DbToMa({v[0], DegToRad(v[1])}));
    case touchstone::Format::MA:
        break;
    }
    return StoreMa(block, {v[0], DegToRad(v[1])});
}

/// Fills one table point; false when a value cannot be held.
bool StorePoint(SdataPoint& pt, const touchstone::Point& p, const touchstone::Options& o) {
    bool ok = true;
    for (size_t k = 0; k < 4; ++k) {
        if (o.resistance == 50) {
            ok = StorePair(pt.S[k], o.format, p.raw[k]) && ok;
        } else {
            // Converted to the analyser's 50 ohms by the reader.
            ok = StoreRi(pt.S[k], p.s[k]) && ok;
        }
    }
    return ok;
}

/// Puts what the reader read into the table and its header.
TouchstoneStatus StoreFile(const touchstone::File& file, const std::string& fileName,
                                 SdataTable& table, SdataHeadRec& head) {
    TouchstoneStatus status;
    bool note = false;  // the message is a note; a stop replaces it
    const auto tell = [&](int line, const std::string& text, bool isNote) {
        if (!status.message.empty() && (isNote || !note))
            return;
        status.line = line;
        status.message = text;
        note = isNote;
    };
    static const char* const names[4] = {"S11", "S21", "S12", "S22"};
    for (const std::string& which : file.declared)
        for (int k = 0; k < 4; ++k)
            if (which == names[k])
                head.State(k) = kSFromFile;
    for (const std::string& c : file.comments)
        head.Info += c + "\r";
    head.Unit = file.options.unit;
    head.Sform = file.options.formatText;
    if (file.options.resistance != 50 && !file.points.empty()) {
        char r[32];
        std::snprintf(r, sizeof r, "%g", file.options.resistance);
        tell(0, fileName + ": the values are referred to " + r +
                    " ohms in the file and shown at 50 ohms", true);
    }

    int n = 0;
    int32_t previous = 0;
    bool stopped = false;
    const auto stop = [&](int line, const std::string& what) {
        stopped = true;
        tell(line, touchstone::Describe(fileName, {line, what + kRestNotRead}), false);
    };
    for (const touchstone::Point& p : file.points) {
        if (p.freqHz >= 1e8) {
            stop(p.line, "frequencies from 100 MHz on are not read");
            break;
        }
        const double tenths = txt::RoundHalfEven(p.freqHz * 10);
        if (tenths <= 0 && n == 0) {
            tell(p.line, touchstone::Describe(fileName, {p.line, "the point at 0 Hz is left out"}),
                 true);
            continue;
        }
        if (tenths <= previous) {
            stop(p.line, "the frequency does not increase");
            break;
        }
        if (n >= kSdataPoints) {
            stop(p.line, "more than " + std::to_string(kSdataPoints) + " points");
            break;
        }
        SdataPoint& pt = table[n];
        pt.Qrg = static_cast<int32_t>(tenths);  // 1 .. 999999999
        if (!StorePoint(pt, p, file.options)) {
            stop(p.line, "a value is too large to be shown");
            break;
        }
        previous = pt.Qrg;
        head.Length = static_cast<int16_t>(++n);
    }
    if (!stopped && !file.ok()) {
        if (file.error.line == 0 && file.points.empty())
            tell(0, touchstone::Describe(fileName, file.error), false);
        else
            stop(file.error.line, file.error.text);
    }
    return status;
}

} // namespace

TouchstoneStatus ParseTouchstone(std::string_view content, const std::string& fileName,
                                 SdataTable& table, SdataHeadRec& head) {
    TouchstoneStatus status;
    const std::string ext = Extension(fileName);
    head.Fileext = ext;
    touchstone::Settings settings;
    // Enough to tell that the table is full (a point at 0 Hz is left out).
    settings.maxPoints = kSdataPoints + 2;
    if (ext == "S1P") {
        head.S11 = kSFromFile;
        head.S21 = head.S12 = head.S22 = kSAbsent;
        settings.ports = 1;
    } else if (ext == "S2P") {
        head.S11 = head.S21 = head.S12 = head.S22 = kSFromFile;
        settings.ports = 2;
    } else if (ext == "DUT") {
        head.S11 = head.S21 = head.S12 = head.S22 = kSAbsent;
    } else {
        status.ok = false;
        status.message = std::string(kWrongExtension);
        return status;
    }
    head.Filename = BaseName(fileName);
    head.Length = 0;  // no point of an earlier file may show through
    const touchstone::File file = touchstone::Parse(content, settings);
    return StoreFile(file, fileName, table, head);
}

TouchstoneStatus ReadTouchstone(const std::string& fileName, SdataTable& table,
                                SdataHeadRec& head) {
    const std::string ext = Extension(fileName);
    if (ext != "S1P" && ext != "S2P" && ext != "DUT")
        return ParseTouchstone("", fileName, table, head);  // sets Fileext, reports the extension
    std::string content, error;
    if (!touchstone::ReadFile(fileName, content, error))
        return {false, 0, error};
    return ParseTouchstone(content, fileName, table, head);
}
