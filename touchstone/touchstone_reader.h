#pragma once
// The one Touchstone reader of the suite: one- and two-port S-parameter
// files (version 1.x) as this program and other programs write them. The
// simulated analyser's device files and the display program's S-data
// tables both read through here, so a file means the same in both.
// Standard C++ only.
//
// What is read:
//   - an optional UTF-8 byte-order mark;
//   - "!" comments, whole lines (kept) or after the values; "!!" lines
//     (kept apart: the display's DUT files name their parameters there);
//   - one option line "# <unit> S <MA|DB|RI> R <ohms>", in any letter case
//     and any order, GHz, MA and 50 ohms for what it leaves out; it must
//     come before the data; Y, Z, H and G parameters are refused;
//   - data: blanks, tabs or commas between numbers; one point per line or
//     a point continued over several lines, but never two points on one
//     line; frequencies increasing;
//   - the noise-parameter block of a two-port file: the lines after the
//     last S-parameter point that begin again at a lower (or equal)
//     frequency and carry five numbers each.
// Reading stops at the first thing that cannot be read; the points before
// it are kept and `error` says where and why. A negative magnitude, a
// value that is not a number and a value too large for a double are such
// things: nothing is silently stored as 0.

#include <array>
#include <complex>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace touchstone {

using Cplx = std::complex<double>;

/// How the two numbers of a value pair are to be read.
enum class Format { MA, DB, RI };

/// The settings of the option line (or their defaults).
struct Options {
    bool seen = false;          ///< the file has an option line
    double unitHz = 1e9;        ///< the frequency unit in Hz
    std::string unit = "GHZ";   ///< the unit as written, upper case
    Format format = Format::MA;
    std::string formatText = "MA";
    double resistance = 50;     ///< reference resistance, ohms
};

/// One frequency point. `raw` holds the value pairs exactly as written
/// (file order S11, S21, S12, S22; a one-port file fills raw[0] only); `s`
/// the same values as complex numbers referred to 50 ohms (zero where the
/// file has no value).
struct Point {
    double freqHz = 0;
    int line = 0;  ///< the line the point begins on
    std::array<std::array<double, 2>, 4> raw{};
    std::array<Cplx, 4> s{};
};

/// One line of the noise-parameter block of a two-port file.
struct NoisePoint {
    double freqHz = 0;
    double nfMinDb = 0;  ///< minimum noise figure, dB
    Cplx gammaOpt{};     ///< optimum source reflection (as written, MA)
    double rn = 0;       ///< effective noise resistance, normalised
    int line = 0;
};

/// A problem and the 1-based line it is about (0: the file as a whole).
struct Issue {
    int line = 0;
    std::string text;
};

struct File {
    int ports = 0;  ///< 1 or 2 (0 when no data line told)
    Options options;
    std::vector<std::string> comments;  ///< whole "!" lines as written (no "!!")
    std::vector<std::string> declared;  ///< second item of each "!!" line, upper case
    std::vector<Point> points;          ///< increasing frequency
    std::vector<NoisePoint> noise;      ///< increasing frequency
    Issue error;                        ///< empty text: read to the end
    bool ok() const { return error.text.empty(); }
};

struct Settings {
    /// 1 or 2; 0 lets the first data line tell (3 or 9 numbers).
    int ports = 0;
    /// Reading stops with an error after this many points.
    std::size_t maxPoints = 1'000'000;
};

/// Reads Touchstone text. A file with no points at all (and no other
/// error) gets the error "no data points".
File Parse(std::string_view text, const Settings& settings);

/// Reads a file whole (at most 64 MB). False with "Cannot open NAME:
/// reason" (or "Cannot read ...") in `error`.
bool ReadFile(const std::string& path, std::string& text, std::string& error);

/// ReadFile and Parse; a file that cannot be read gets that message as an
/// error of line 0.
File Load(const std::string& path, const Settings& settings);

/// The port count an extension gives: .s1p 1, .s2p 2, anything else 0
/// (letter case ignored).
int PortsFromName(std::string_view fileName);

/// The message for the user: "NAME, line N: text", or "NAME: text" for an
/// issue of the whole file (a text that already names the file, as a
/// failed open does, is returned as it is).
std::string Describe(const std::string& name, const Issue& issue);

/// Re-refers a two-port's S-parameters (order S11, S21, S12, S22) from
/// `from` ohms to `to` ohms on both ports.
std::array<Cplx, 4> Renormalize(const std::array<Cplx, 4>& s, double from, double to);

/// Takes the first blank-separated token off `line`: leading blanks are
/// removed; "" when nothing remains; the whole rest when it holds no blank
/// (the line becomes ""); otherwise the text before the first blank, which
/// is removed together with that blank.
std::string NextToken(std::string& line);

/// Makes a number token with a "." decimal point readable by the C
/// library's conversion in the current locale: when "0.5" does not convert
/// to 0.5 the locale's separator is ",", and the first "." becomes ",".
void LocaliseDecimal(std::string& token);

} // namespace touchstone
