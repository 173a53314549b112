#pragma once
// The display program's configuration file "tavrel.Cfg": the settings with
// their defaults, the reader (initCFG, Getpar) and the writer of the
// commented template. No widgets: the configuration window shows what the
// reader returns and hands its state to the writer.
//
// File rules: one setting per line (lines end at LF, CR or CR LF); a line starting with "*" or a blank is a
// comment; in any other line each key is looked for anywhere, ignoring case,
// and its value is the text after it up to the first tab or blank. The last
// line holding a key wins. Values are compared in upper case; addresses and
// paths (HELP, the device of Driver, SimDut, KeyFile) keep their case.
//
// A value that holds a blank, a tab, a quote or "=" is written in double quotes,
// with backslash escapes for a quote, a backslash and the line ends inside
// (SimDut="/home/me/My Filters/bpf.s2p"). Unquoted values read as they
// always did; a key inside a quoted value is not a key.

#include <QMetaType>
#include <QString>

#include <array>
#include <string>
#include <string_view>

/// The port back end the instrument server is started with.
enum class DriverKind { Sim, Ppdev, Direct };

/// Every setting the configuration window shows. Option indexes are -1 when
/// no option of the group is selected.
struct VnaConfig {
    int Portno = 0;                      ///< 0 = 278, 1 = 378, 2 = 3BC
    std::string VNAPort = "&H278";       ///< first field of the server command line
    std::string VnaTClock = "148.344";   ///< clock text box (MHz)
    std::string VNAClock = "148.344";    ///< second field of the server command line
    int VNAType = 1;                     ///< 0 VNA1, 1 VNA1SOREL, 2 VNA1LT2440
    std::array<std::string, 4> LT2440SRP{"8", "10", "2", "0"};  ///< speed texts, fast to slow
    bool DDEProt = true;                 ///< window-message link; false: TCPIPProt
    std::string TCPIPPORT = "54321";     ///< TCP port text box
    bool TCPRemote = false;              ///< accept connections from other hosts
    std::string Helppage;                ///< help address in use
    std::string VisHelppage;             ///< help text box
    bool SparmSw = false;                ///< S-parameter test-set switch fitted
    std::string SwitchOption;            ///< " Switch " when SparmSw, else ""
    DriverKind Driver = DriverKind::Sim;
    std::string DriverDevice;            ///< ppdev device path; empty: the back end's default
    std::string SimDut;                  ///< simulated device under test: a name or a file
    /// The instrument server runs on another machine and connects to us:
    /// listen on every interface with the key, start no server of our own.
    bool RemoteServer = false;
    /// The link key file (relative: in the working directory); required
    /// whenever the TCP listener takes connections from other machines.
    std::string KeyFile;
    /// "Sorel Clock Bit 0-1" of "External Control Byte 0": bits 0..1 of B0.
    int ExtSorel = 0;
    /// "External Control Byte 1-3": B1 "Calibration Head", B2 "Attenuator",
    /// B3 "Control", B4 "Reflection"; 0..255 each. 1 is what every sweep
    /// has always carried.
    std::array<int, 4> ExtBytes{1, 1, 1, 1};

    /// The defaults, with the given built-in help address.
    static VnaConfig Defaults(const std::string& builtInHelp);
};

Q_DECLARE_METATYPE(VnaConfig)

/// What initCFG read.
struct CfgLoad {
    VnaConfig cfg;
    bool fileMissing = false;  ///< show "Cant find tavrel.Cfg "; cfg is the input, unchanged
    std::string error;         ///< the file exists but cannot be read (cfg unchanged)
};

inline constexpr const char* kCfgFileName = "tavrel.Cfg";
inline constexpr const char* kCfgMissingText = "Cant find tavrel.Cfg ";

/// The value of `key` in `line`, or `current` when the key is not in the
/// line. The key is found ignoring case; the value is the rest of the line
/// after it, cut before the first tab, then before the first blank; it is
/// upper-cased unless `keepCase`. A value that begins with a double quote
/// runs to the closing quote, escapes undone (an unclosed quote: to the end
/// of the line). Text inside a quoted value is not searched for the key.
std::string Getpar(std::string_view line, std::string_view key, std::string_view current,
                   bool keepCase = false);

/// Reads configuration text over `current`: the keyed values start from the
/// fixed defaults (port 278, type VNA1SOREL, protocol DDE, not remote, no
/// remote server, no key file, `builtInHelp`, no switch, driver SIM) and
/// from the texts in `current`
/// (clock, speeds, TCP port, SimDut); unrecognised port, type and driver
/// values leave those settings as they are in `current`. Never fails.
VnaConfig ReadCfgText(std::string_view text, const VnaConfig& current,
                      const std::string& builtInHelp);

/// initCFG: reads "tavrel.Cfg" in `dir` over `current`. A missing or
/// unreadable file leaves `current` as it is and says so.
CfgLoad initCFG(const QString& dir, const VnaConfig& current, const std::string& builtInHelp);

/// The file text the Save button writes: the commented template with every
/// setting as an active line that reads back.
std::string CfgText(const VnaConfig& cfg, const std::string& builtInHelp);

/// Writes CfgText to "tavrel.Cfg" in `dir` through a temporary file beside
/// it; an existing file is replaced only when the whole text was written.
/// Returns an empty text, or the message naming the file and the reason.
std::string SaveCfg(const QString& dir, const VnaConfig& cfg, const std::string& builtInHelp);

/// A value as the file holds it: unchanged when it holds no blank, tab,
/// double quote, "=" or line end; otherwise in double quotes with \" \\ \r \n
/// escaped.
std::string CfgQuote(std::string_view value);

/// The built-in help address: the user manual docs/manual.md as a file URL,
/// looked for beside `programDir` (the program's folder, its parent and the
/// parent's parent) and otherwise in the source tree the program was built from.
std::string BuiltInHelppage(const QString& programDir = QString());

/// The server option text of the driver: "sim", "ppdev", "ppdev:DEVICE" or "direct".
std::string DriverOption(const VnaConfig& cfg);
