#include "touchstone/touchstone_reader.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace touchstone {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr std::size_t kMaxFileBytes = 64u << 20;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

bool DecimalIsPoint() {
    char* end = nullptr;
    const char* probe = "0.5";
    return std::strtod(probe, &end) == 0.5 && *end == '\0';
}

void CommaForPoint(std::string& token) {
    const std::size_t dot = token.find('.');
    if (dot != std::string::npos)
        token[dot] = ',';
}

bool Finite(Cplx z) { return std::isfinite(z.real()) && std::isfinite(z.imag()); }

bool Separator(char c) {
    return c == ' ' || c == '\t' || c == ',' || c == '\r' || c == '\v' || c == '\f';
}

/// The items of a line: blanks, tabs and commas separate them.
void Items(std::string_view text, std::vector<std::string_view>& out) {
    out.clear();
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && Separator(text[i]))
            ++i;
        std::size_t j = i;
        while (j < text.size() && !Separator(text[j]))
            ++j;
        if (j > i)
            out.push_back(text.substr(i, j - i));
        i = j;
    }
}

std::string Quoted(std::string_view item) { return "\"" + std::string(item.substr(0, 40)) + "\""; }

std::string Number(double x) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%g", x);
    return buf;
}

/// Collects the file line by line.
class Reader {
public:
    explicit Reader(const Settings& settings) : settings_(settings), point_(DecimalIsPoint()) {
        file_.ports = settings.ports == 1 || settings.ports == 2 ? settings.ports : 0;
    }

    File Run(std::string_view text) {
        if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark)
            text.remove_prefix(kByteOrderMark.size());
        int number = 0;
        std::size_t pos = 0;
        while (pos < text.size()) {
            std::size_t eol = text.find('\n', pos);
            if (eol == std::string_view::npos)
                eol = text.size();
            std::string_view line = text.substr(pos, eol - pos);
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            pos = eol + 1;
            Line(++number, line);
        }
        if (!stopped_ && !pending_.empty())
            Incomplete();
        if (!stopped_ && file_.points.empty())
            file_.error = {0, "no data points"};
        return std::move(file_);
    }

private:
    void Stop(int line, std::string text) {
        if (stopped_)
            return;
        stopped_ = true;
        file_.error = {line, std::move(text)};
    }

    void Incomplete() {
        const std::size_t per = file_.ports == 1 ? 3 : 9;
        Stop(pendingLine_, "incomplete data point: " + std::to_string(per) +
                               " values expected, " + std::to_string(pending_.size()) + " found");
    }

    void Line(int number, std::string_view line) {
        const std::size_t b = line.find_first_not_of(" \t");
        if (b == std::string_view::npos)
            return;
        const std::string_view body = line.substr(b);
        if (body[0] == '!') {
            if (body.size() > 1 && body[1] == '!') {
                std::string rest(body);
                NextToken(rest);
                file_.declared.push_back(Upper(NextToken(rest)));
            } else {
                file_.comments.emplace_back(line);
            }
            return;
        }
        if (stopped_)
            return;
        Items(body.substr(0, body.find('!')), items_);
        if (items_.empty())
            return;
        if (items_[0][0] == '#')
            return OptionLine(number, items_);
        if (items_[0][0] == '[')
            return Stop(number, "Touchstone 2 keywords are not supported");
        values_.clear();
        for (std::string_view item : items_) {
            double v = 0;
            if (!Value(item, v))
                return Stop(number, Quoted(item) + " is not a number");
            values_.push_back(v);
        }
        DataLine(number, values_);
    }

    void OptionLine(int number, const std::vector<std::string_view>& items) {
        if (file_.options.seen || !file_.points.empty() || !pending_.empty())
            return Stop(number, "option line must come once, before the data");
        Options& o = file_.options;
        o.seen = true;
        std::vector<std::string> opts;
        if (items[0].size() > 1)
            opts.push_back(Upper(items[0].substr(1)));
        for (std::size_t i = 1; i < items.size(); ++i)
            opts.push_back(Upper(items[i]));
        for (std::size_t i = 0; i < opts.size(); ++i) {
            const std::string& w = opts[i];
            if (w == "HZ" || w == "KHZ" || w == "MHZ" || w == "GHZ") {
                o.unit = w;
                o.unitHz = w == "GHZ" ? 1e9 : w == "MHZ" ? 1e6 : w == "KHZ" ? 1e3 : 1;
            } else if (w == "S") {
            } else if (w == "Y" || w == "Z" || w == "H" || w == "G") {
                return Stop(number, "only S-parameters are supported (the file holds " + w +
                                        "-parameters)");
            } else if (w == "MA" || w == "DB" || w == "RI") {
                o.formatText = w;
                o.format = w == "MA" ? Format::MA : w == "DB" ? Format::DB : Format::RI;
            } else if (w == "R") {
                double r = 0;
                if (i + 1 >= opts.size() || !Value(opts[i + 1], r) || r <= 0)
                    return Stop(number, "bad reference resistance");
                o.resistance = r;
                ++i;
            } else {
                return Stop(number, "unknown option " + Quoted(w));
            }
        }
    }

    void DataLine(int number, const std::vector<double>& values) {
        if (inNoise_)
            return NoiseLine(number, values);
        if (pending_.empty()) {
            // The noise block of a two-port begins at a frequency that does
            // not continue the S-parameters, with five numbers a line.
            if (file_.ports == 2 && !file_.points.empty() && values.size() == 5 &&
                values[0] * file_.options.unitHz <= file_.points.back().freqHz) {
                inNoise_ = true;
                return NoiseLine(number, values);
            }
            if (file_.ports == 0) {
                if (values.size() == 3)
                    file_.ports = 1;
                else if (values.size() == 9)
                    file_.ports = 2;
                else
                    return Stop(number, "expected 3 (one-port) or 9 (two-port) numbers, found " +
                                            std::to_string(values.size()));
            }
            pendingLine_ = number;
        }
        const std::size_t per = file_.ports == 1 ? 3 : 9;
        if (pending_.size() + values.size() > per) {
            if (!pending_.empty())
                return Incomplete();
            return Stop(number, std::to_string(values.size()) + " values on the line, " +
                                    std::to_string(per) + " values expected");
        }
        pending_.insert(pending_.end(), values.begin(), values.end());
        if (pending_.size() == per) {
            Finish();
            pending_.clear();
        }
    }

    void Finish() {
        const int line = pendingLine_;
        const Options& o = file_.options;
        Point p;
        p.line = line;
        p.freqHz = pending_[0] * o.unitHz;
        if (!std::isfinite(p.freqHz) || p.freqHz < 0)
            return Stop(line, "bad frequency " + Number(pending_[0]));
        if (!file_.points.empty() && p.freqHz <= file_.points.back().freqHz)
            return Stop(line, "frequencies must increase");
        if (file_.points.size() >= settings_.maxPoints)
            return Stop(line, "more than " + std::to_string(settings_.maxPoints) + " points");
        const int pairs = file_.ports == 1 ? 1 : 4;
        for (int k = 0; k < pairs; ++k) {
            const double a = pending_[1 + 2 * k], c = pending_[2 + 2 * k];
            p.raw[k] = {a, c};
            if (o.format == Format::MA && a < 0)
                return Stop(line, "negative magnitude " + Number(a));
            const double rad = c * kPi / 180;
            p.s[k] = o.format == Format::RI   ? Cplx(a, c)
                     : o.format == Format::DB ? std::polar(std::pow(10.0, a / 20), rad)
                                              : std::polar(a, rad);
            if (!Finite(p.s[k]))
                return Stop(line, "value out of range");
        }
        if (o.resistance != 50) {
            if (file_.ports == 1) {
                const double r = (50 - o.resistance) / (50 + o.resistance);
                p.s[0] = (p.s[0] - r) / (1.0 - r * p.s[0]);
            } else {
                p.s = Renormalize(p.s, o.resistance, 50);
            }
            for (const Cplx& z : p.s)
                if (!Finite(z))
                    return Stop(line, "value out of range at 50 ohms");
        }
        file_.points.push_back(p);
    }

    void NoiseLine(int number, const std::vector<double>& v) {
        if (v.size() != 5)
            return Stop(number, "noise parameters: 5 values expected, " +
                                    std::to_string(v.size()) + " found");
        NoisePoint n;
        n.line = number;
        n.freqHz = v[0] * file_.options.unitHz;
        if (!std::isfinite(n.freqHz) || n.freqHz < 0)
            return Stop(number, "bad frequency " + Number(v[0]));
        if (!file_.noise.empty() && n.freqHz <= file_.noise.back().freqHz)
            return Stop(number, "frequencies must increase");
        if (v[2] < 0)
            return Stop(number, "negative magnitude " + Number(v[2]));
        n.nfMinDb = v[1];
        n.gammaOpt = std::polar(v[2], v[3] * kPi / 180);
        n.rn = v[4];
        if (!Finite(n.gammaOpt))
            return Stop(number, "value out of range");
        file_.noise.push_back(n);
    }

    /// A finite number that is the whole item (digits, sign, point,
    /// exponent; no names such as "nan" or "inf", no hexadecimal).
    bool Value(std::string_view item, double& v) const {
        if (item.empty() || item.find_first_not_of("0123456789+-.eE") != std::string_view::npos)
            return false;
        std::string text(item);  // short texts stay in the string itself
        if (!point_)
            CommaForPoint(text);
        char* end = nullptr;
        v = std::strtod(text.c_str(), &end);
        return end != text.c_str() && *end == '\0' && std::isfinite(v);
    }

    Settings settings_;
    bool point_;
    File file_;
    std::vector<std::string_view> items_;  // of the line being read
    std::vector<double> values_;           // of the line being read
    std::vector<double> pending_;          // numbers of the point being collected
    int pendingLine_ = 0;
    bool inNoise_ = false;
    bool stopped_ = false;
};

} // namespace

File Parse(std::string_view text, const Settings& settings) { return Reader(settings).Run(text); }

bool ReadFile(const std::string& path, std::string& text, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "Cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    text.clear();
    char buf[65536];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
        text.append(buf, static_cast<std::size_t>(in.gcount()));
        if (text.size() > kMaxFileBytes) {
            error = "Cannot read " + path + ": the file is larger than 64 MB";
            return false;
        }
    }
    if (in.bad()) {
        error = "Cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

File Load(const std::string& path, const Settings& settings) {
    std::string text;
    File f;
    if (!ReadFile(path, text, f.error.text))
        return f;
    return Parse(text, settings);
}

int PortsFromName(std::string_view fileName) {
    const std::size_t dot = fileName.find_last_of('.');
    if (dot == std::string_view::npos)
        return 0;
    const std::string ext = Upper(fileName.substr(dot));
    return ext == ".S1P" ? 1 : ext == ".S2P" ? 2 : 0;
}

std::string Describe(const std::string& name, const Issue& issue) {
    if (issue.line > 0)
        return name + ", line " + std::to_string(issue.line) + ": " + issue.text;
    if (issue.text.find(name) != std::string::npos)
        return issue.text;
    return name + ": " + issue.text;
}

std::array<Cplx, 4> Renormalize(const std::array<Cplx, 4>& s, double from, double to) {
    if (from == to)
        return s;
    // S' = (S - r I)(I - r S)^-1 with r = (to - from) / (to + from).
    const double r = (to - from) / (to + from);
    const Cplx s11 = s[0], s21 = s[1], s12 = s[2], s22 = s[3];
    const Cplx m11 = s11 - r, m12 = s12, m21 = s21, m22 = s22 - r;
    const Cplx n11 = 1.0 - r * s11, n12 = -r * s12, n21 = -r * s21, n22 = 1.0 - r * s22;
    const Cplx det = n11 * n22 - n12 * n21;
    const Cplx i11 = n22 / det, i12 = -n12 / det, i21 = -n21 / det, i22 = n11 / det;
    return {m11 * i11 + m12 * i21, m21 * i11 + m22 * i21, m11 * i12 + m12 * i22,
            m21 * i12 + m22 * i22};
}

std::string NextToken(std::string& line) {
    const std::size_t b = line.find_first_not_of(' ');
    if (b == std::string::npos) {
        line.clear();
        return "";
    }
    line.erase(0, b);
    const std::size_t blank = line.find(' ');
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
    if (!DecimalIsPoint())
        CommaForPoint(token);
}

} // namespace touchstone
