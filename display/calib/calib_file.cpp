#include "display/calib/calib_file.h"

#include "display/calib/text_file.h"
#include "link/text_rules.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <vector>

namespace {

// A fault found while reading; carries the line.
struct Fault {
    int line;
    std::string what;
};

// One data line: the text between its quotes (the whole line when it is
// not quoted), with the number of the physical line it came from.
struct DataLine {
    int number;
    std::string_view text;
};

std::string_view Unquote(std::string_view line) {
    std::string_view t = txt::Trim(line);
    if (t.empty() || t.front() != '"')
        return t;
    t.remove_prefix(1);
    const size_t q = t.find('"');
    return q == std::string_view::npos ? t : t.substr(0, q);
}

bool Blank(std::string_view s) { return txt::Trim(s).empty(); }

// Field extraction: every request first drops the text up to and including
// the next "/", then looks at what remains.
class Fields {
public:
    explicit Fields(const DataLine& line) : line_(line), rest_(line.text) {}

    // A whole number that fits int32, strictly: only blanks may follow it
    // up to the next "/".
    int32_t Number(const char* what) {
        const size_t slash = rest_.find('/');
        if (slash == std::string_view::npos)
            throw Fault{line_.number, std::string("missing ") + what};
        rest_.remove_prefix(slash + 1);
        const std::string_view field = rest_.substr(0, rest_.find('/'));
        if (Blank(field))
            throw Fault{line_.number, std::string("missing ") + what};
        const txt::NumberScan n = txt::ScanNumber(field);
        if (!n.digits || !Blank(field.substr(n.end)))
            throw Fault{line_.number, std::string(what) + " \"" +
                                          std::string(txt::Trim(field)) + "\" is not a number"};
        const auto v = txt::ToInt32(n.value);
        if (!v)
            throw Fault{line_.number, std::string(what) + " " + std::string(txt::Trim(field)) +
                                          " is out of range"};
        return *v;
    }

    int16_t Number16(const char* what) {
        const int32_t v = Number(what);
        if (v < INT16_MIN || v > INT16_MAX)
            throw Fault{line_.number, std::string(what) + " " + std::to_string(v) +
                                          " is out of range"};
        return static_cast<int16_t>(v);
    }

    // The text up to the next "/" (all of it when there is none).
    std::string_view Text() {
        const size_t slash = rest_.find('/');
        if (slash != std::string_view::npos)
            rest_.remove_prefix(slash + 1);
        return rest_.substr(0, rest_.find('/'));
    }

    // True when fields with content follow the current one.
    bool MoreFields() const {
        size_t slash = rest_.find('/');
        while (slash != std::string_view::npos) {
            const std::string_view after = rest_.substr(slash + 1);
            const size_t next = after.find('/');
            if (!Blank(after.substr(0, next)))
                return true;
            slash = next == std::string_view::npos ? next : slash + 1 + next;
        }
        return false;
    }

private:
    DataLine line_;
    std::string_view rest_;
};

std::string NumberText(double x) {
    if (!std::isfinite(x) || x == 0)
        return " 0";
    const std::string t = txt::DecimalText(x);
    return x < 0 ? t : " " + t;
}

// The title as the file carries it: characters that would end the field or
// the line become blanks, and the blanks the reader trims are left off, so
// the text written is the text read back.
std::string CleanTitle(const std::string& title) {
    std::string t = title;
    std::replace_if(
        t.begin(), t.end(), [](char c) { return c == '/' || c == '"' || c == '\r' || c == '\n'; },
        ' ');
    return std::string(txt::Trim(t));
}

void ParseInto(const std::vector<DataLine>& lines, CalibTable& t, std::string& switchOption) {
    size_t next = 0;
    const auto take = [&](const char* what) -> const DataLine& {
        if (next >= lines.size()) {
            const int last = lines.empty() ? 0 : lines.back().number;
            throw Fault{last, std::string("the file ends before ") + what};
        }
        return lines[next++];
    };

    Fields head(take("the title line"));
    t.title = std::string(txt::Trim(head.Text()));
    const int32_t maxinuse = head.Number("Maxinuse");
    if (maxinuse >= kCalPoints)
        throw Fault{lines[0].number, "more than " + std::to_string(kCalPoints) +
                                         " points per table (Maxinuse " +
                                         std::to_string(maxinuse) + ")"};
    if (maxinuse < 0)
        throw Fault{lines[0].number, "negative Maxinuse " + std::to_string(maxinuse)};
    if (head.MoreFields())
        throw Fault{lines[0].number, "unexpected fields after Maxinuse"};
    t.Maxinuse = static_cast<int16_t>(maxinuse);

    for (int s = 0; s < kCalSpeeds; ++s) {
        SpeedTable& st = t.speed[s];
        const std::string tableWhat = "speed table " + std::to_string(s);
        const DataLine& tl = take(tableWhat.c_str());
        Fields f(tl);
        st.CalAux = f.Number16("CalAux");
        st.CalTime = f.Number16("CalTime");
        st.CalOffsetValue = f.Number("CalOffsetValue");
        st.Calibrated = f.Text().find("True") != std::string_view::npos;
        switchOption = std::string(f.Text());
        if (f.MoreFields())
            throw Fault{tl.number, "unexpected fields on the line of " + tableWhat};
        const bool withSwitch = switchOption == kSwitchMarker;
        const int slots = withSwitch ? kCalSlots : kCalSlotsNoSwitch;
        for (int p = 0; p <= t.Maxinuse; ++p) {
            const std::string pointWhat = "point " + std::to_string(p) + " of " + tableWhat;
            const DataLine& pl = take(pointWhat.c_str());
            Fields pf(pl);
            CalPoint& cp = st.points[p];
            cp.QRG = pf.Number("frequency");
            for (int k = 0; k < slots; ++k) {
                const double re = pf.Number("real part");
                const double im = pf.Number("imaginary part");
                cp.slot[k] = {re, im};
            }
            if (pf.MoreFields())
                throw Fault{pl.number, "more values than " + std::to_string(slots) +
                                           " slots on the line of " + pointWhat};
        }
    }
    if (next < lines.size())
        throw Fault{lines[next].number,
                    "more lines than Maxinuse " + std::to_string(t.Maxinuse) + " announces"};
}

} // namespace

CalibFileStatus ParseCalibrationData(std::string_view content, const std::string& fileName,
                                     CalibTable& table, std::string& SwitchOption) {
    std::vector<DataLine> lines;
    ForEachLine(content, [&](int number, std::string_view line) {
        if (!Blank(line))
            lines.push_back({number, Unquote(line)});
        return true;
    });
    // Read into a copy; the table in memory changes only when all is well.
    auto work = std::make_unique<CalibTable>(table);
    std::string switchOption = SwitchOption;
    try {
        ParseInto(lines, *work, switchOption);
    } catch (const Fault& f) {
        CalibFileStatus st;
        st.ok = false;
        st.line = f.line;
        st.message = fileName + ", line " + std::to_string(f.line) + ": " + f.what;
        return st;
    }
    table = *work;
    SwitchOption = switchOption;
    return {};
}

CalibFileStatus ReadCalibrationFile(const std::string& fileName, CalibTable& table,
                                    std::string& SwitchOption) {
    std::string content, error;
    if (!ReadWholeFile(fileName, content, error, 16u << 20))
        return {false, 0, error};
    return ParseCalibrationData(content, fileName, table, SwitchOption);
}

std::string CalibrationFileText(const CalibTable& table, bool withSwitch) {
    const int maxinuse = std::clamp<int>(table.Maxinuse, 0, kCalPoints - 1);
    const int slots = withSwitch ? kCalSlots : kCalSlotsNoSwitch;
    std::string out;
    const auto line = [&out](const std::string& text) {
        out += '"';
        out += text;
        out += "\"\r\n";
    };
    line(" / " + CleanTitle(table.title) + " / " + txt::N(maxinuse));
    for (const SpeedTable& st : table.speed) {
        std::string tl = "/ " + txt::N(st.CalAux) + " / " + txt::N(st.CalTime) + " / " +
                         txt::N(st.CalOffsetValue) + " / " + (st.Calibrated ? "True" : "False");
        if (withSwitch)
            tl += " / Switch ";
        line(tl);
        for (int p = 0; p <= maxinuse; ++p) {
            const CalPoint& cp = st.points[p];
            std::string pl = " / " + txt::N(cp.QRG) + " / ";
            for (int k = 0; k < slots; ++k)
                pl += " " + NumberText(cp.slot[k].real()) + " / " + " " +
                      NumberText(cp.slot[k].imag()) + " / ";
            line(pl);
        }
    }
    return out;
}

CalibFileStatus WriteCalibrationFile(const std::string& fileName, const CalibTable& table,
                                     std::string_view SwitchOption) {
    std::string error;
    if (!WriteFileAtomically(fileName, CalibrationFileText(table, SwitchOption == kSwitchMarker),
                             error))
        return {false, 0, error};
    return {};
}
