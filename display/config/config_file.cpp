#include "display/config/config_file.h"

#include "link/text_rules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>

namespace {

constexpr std::array<const char*, 3> kPortValues{"278", "378", "3BC"};
constexpr std::array<const char*, 3> kTypeValues{"VNA1", "VNA1SOREL", "VNA1LT2440"};
constexpr std::array<const char*, 3> kTypeLines{
    "Typ=VNA1       Kestin Version 1 Standard",
    "Typ=VNA1SOREL      Kestin Version 1 With Sorel ADC Clocking",
    "Typ=VNA1LT2440     Kestin Version 1 With LT2440 ADC"};
constexpr const char* kSwitchText = " Switch ";

template <size_t N>
int IndexOf(const std::array<const char*, N>& values, const std::string& v) {
    for (size_t i = 0; i < N; ++i)
        if (v == values[i])
            return static_cast<int>(i);
    return -1;
}

// The raw values of one reading, as Getpar leaves them.
struct RawValues {
    std::string port, clk, typ;
    std::array<std::string, 4> adcsp;
    std::string protocol, tcpipPort, remote, help, spar, driver, simDut;
    std::string remoteServer, keyFile;
    std::string extSorel;
    std::array<std::string, 4> extBytes;
};

constexpr std::array<const char*, 4> kExtByteKeys{"ExtCalHead=", "ExtAtten=", "ExtControl=",
                                                  "ExtReflect="};

// Applies one non-comment line: the keys in their fixed order.
void ApplyLine(std::string_view line, RawValues& r) {
    r.port = Getpar(line, "Port=0x", r.port);
    r.clk = Getpar(line, "Clk=", r.clk);
    r.typ = Getpar(line, "Typ=", r.typ);
    r.adcsp[0] = Getpar(line, "ADCSP0=", r.adcsp[0]);
    r.adcsp[1] = Getpar(line, "ADCSP1=", r.adcsp[1]);
    r.adcsp[2] = Getpar(line, "ADCSP2=", r.adcsp[2]);
    r.adcsp[3] = Getpar(line, "ADCSP3=", r.adcsp[3]);
    r.protocol = Getpar(line, "Protocol=", r.protocol);
    r.tcpipPort = Getpar(line, "TCPIPPort=", r.tcpipPort);
    r.remote = Getpar(line, "TCPRemote=", r.remote);
    r.help = Getpar(line, "HELP=", r.help, true);
    r.spar = Getpar(line, "SPAR=", r.spar);
    r.driver = Getpar(line, "Driver=", r.driver, true);
    r.simDut = Getpar(line, "SimDut=", r.simDut, true);
    r.remoteServer = Getpar(line, "RemoteServer=", r.remoteServer);
    r.keyFile = Getpar(line, "KeyFile=", r.keyFile, true);
    r.extSorel = Getpar(line, "ExtSorel=", r.extSorel);
    for (size_t i = 0; i < 4; ++i)
        r.extBytes[i] = Getpar(line, kExtByteKeys[i], r.extBytes[i]);
}

// A whole number from 0 to `max`, or `current` for any other text.
int WholeIn(const std::string& text, int max, int current) {
    const std::optional<int16_t> v = txt::FieldToInt16(text);
    return v && *v >= 0 && *v <= max && text.find('.') == std::string::npos ? *v : current;
}

// "SIM", "PPDEV", "PPDEV:device" or "DIRECT" (keyword in any case); false
// for anything else.
bool ParseDriver(const std::string& value, DriverKind& kind, std::string& device) {
    const size_t colon = value.find(':');
    const std::string word = txt::Upper(value.substr(0, colon));
    const std::string rest = colon == std::string::npos ? std::string() : value.substr(colon + 1);
    if (word == "SIM") {
        kind = DriverKind::Sim;
        device.clear();
    } else if (word == "PPDEV") {
        kind = DriverKind::Ppdev;
        device = rest;
    } else if (word == "DIRECT") {
        kind = DriverKind::Direct;
        device.clear();
    } else {
        return false;
    }
    return true;
}

} // namespace

VnaConfig VnaConfig::Defaults(const std::string& builtInHelp) {
    VnaConfig c;
    c.Helppage = builtInHelp;
    c.VisHelppage = builtInHelp;
    return c;
}

namespace {

// The first place of `key` in `upperLine` that is not inside a quoted value
// (a double quote right after "=" up to its closing quote, backslash escapes
// inside); npos when there is none.
size_t FindKey(std::string_view upperLine, std::string_view key) {
    bool quoted = false;
    for (size_t i = 0; i < upperLine.size(); ++i) {
        const char ch = upperLine[i];
        if (quoted) {
            if (ch == '\\')
                ++i;
            else if (ch == '"')
                quoted = false;
            continue;
        }
        if (upperLine.compare(i, key.size(), key) == 0)
            return i;
        if (ch == '"' && i > 0 && upperLine[i - 1] == '=')
            quoted = true;
    }
    return std::string_view::npos;
}

// The text of a quoted value that begins after its opening quote: up to the
// closing quote (or the end), escapes undone.
std::string Unquote(std::string_view rest) {
    std::string v;
    for (size_t i = 0; i < rest.size(); ++i) {
        char ch = rest[i];
        if (ch == '"')
            break;
        if (ch == '\\' && i + 1 < rest.size()) {
            ch = rest[++i];
            if (ch == 'n' || ch == 'N')  // N: a value read in upper case
                ch = '\n';
            else if (ch == 'r' || ch == 'R')
                ch = '\r';
        }
        v.push_back(ch);
    }
    return v;
}

} // namespace

std::string Getpar(std::string_view line, std::string_view key, std::string_view current,
                   bool keepCase) {
    // ASCII upper-casing keeps every character at its place, so the value can
    // be cut from the original line at the position found in the upper-cased one.
    const std::string upperLine = txt::Upper(line);
    const std::string upperKey = txt::Upper(key);
    const size_t at = upperKey.empty() ? std::string::npos : FindKey(upperLine, upperKey);
    if (at == std::string::npos)
        return std::string(current);
    const std::string_view rest =
        std::string_view(keepCase ? std::string_view(line) : std::string_view(upperLine))
            .substr(at + upperKey.size());
    if (!rest.empty() && rest.front() == '"')
        return Unquote(rest.substr(1));
    std::string value(rest);
    const size_t tab = value.find('\t');
    if (tab != std::string::npos)
        value.resize(tab);
    const size_t blank = value.find(' ');
    if (blank != std::string::npos)
        value.resize(blank);
    return value;
}

std::string CfgQuote(std::string_view value) {
    // "=" too: unquoted, a value holding "Port=0x" would also be read as
    // the port line.
    if (value.find_first_of(" \t\"\r\n=") == std::string_view::npos)
        return std::string(value);
    std::string q = "\"";
    for (const char ch : value) {
        switch (ch) {
        case '"': q += "\\\""; break;
        case '\\': q += "\\\\"; break;
        case '\r': q += "\\r"; break;
        case '\n': q += "\\n"; break;
        default: q.push_back(ch);
        }
    }
    q.push_back('"');
    return q;
}

VnaConfig ReadCfgText(std::string_view text, const VnaConfig& current,
                      const std::string& builtInHelp) {
    RawValues r;
    r.port = "278";
    r.clk = current.VnaTClock;
    r.typ = "VNA1SOREL";
    r.adcsp = current.LT2440SRP;
    r.protocol = "DDE";
    r.tcpipPort = current.TCPIPPORT;
    r.help = builtInHelp;
    r.driver = "SIM";
    r.simDut = current.SimDut;
    r.extSorel = std::to_string(current.ExtSorel);
    for (size_t i = 0; i < 4; ++i)
        r.extBytes[i] = std::to_string(current.ExtBytes[i]);

    // Lines end at LF, CR or CR LF, so files from any platform read alike and
    // no value carries a line-end character.
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && (line.front() == '*' || line.front() == ' '))
            continue;
        ApplyLine(line, r);
    }

    VnaConfig c = current;
    const int port = IndexOf(kPortValues, r.port);
    if (port >= 0) {
        c.Portno = port;
        c.VNAPort = std::string("&H") + kPortValues[port];
    }
    c.VnaTClock = r.clk;
    c.VNAClock = r.clk;
    const int type = IndexOf(kTypeValues, r.typ);
    if (type >= 0)
        c.VNAType = type;
    c.LT2440SRP = r.adcsp;
    c.DDEProt = r.protocol == "DDE";
    c.TCPIPPORT = r.tcpipPort;
    c.TCPRemote = r.remote == "YES";
    c.Helppage = r.help;
    c.VisHelppage = r.help;
    c.SparmSw = r.spar == "Y";
    c.SwitchOption = c.SparmSw ? kSwitchText : "";
    ParseDriver(r.driver, c.Driver, c.DriverDevice);
    c.SimDut = r.simDut;
    c.RemoteServer = r.remoteServer == "YES";
    c.KeyFile = r.keyFile;
    c.ExtSorel = WholeIn(r.extSorel, 3, current.ExtSorel);
    for (size_t i = 0; i < 4; ++i)
        c.ExtBytes[i] = WholeIn(r.extBytes[i], 255, current.ExtBytes[i]);
    return c;
}

CfgLoad initCFG(const QString& dir, const VnaConfig& current, const std::string& builtInHelp) {
    CfgLoad out;
    out.cfg = current;
    const QString path = QDir(dir).filePath(QString::fromLatin1(kCfgFileName));
    QFile file(path);
    if (!file.exists()) {
        out.fileMissing = true;
        return out;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        out.error = "Cannot read " + path.toStdString() + ": " + file.errorString().toStdString();
        return out;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        out.error = "Cannot read " + path.toStdString() + ": " + file.errorString().toStdString();
        return out;
    }
    out.cfg = ReadCfgText(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())),
                          current, builtInHelp);
    return out;
}

std::string CfgText(const VnaConfig& c, const std::string& builtInHelp) {
    std::string t;
    auto line = [&t](std::string_view s) {
        t.append(s);
        t.push_back('\n');
    };
    line("* **************************************");
    line("* Configuration for TAVREL Server Task");
    line("* Setup Port");
    if (c.Portno >= 0 && c.Portno < 3)
        line(std::string("Port=0x") + kPortValues[c.Portno]);
    line("*");
    line("* Setup Master clock");
    line("Clk=" + CfgQuote(c.VnaTClock));
    line("* **************************************");
    line("*Typ=VNA1       Kestin Version 1 Standard");
    line("*Typ=VNA1SOREL      Kestin Version 1 With Sorel ADC Clocking");
    line("*Typ=VNA1LT2440     Kestin Version 1 With LT2440 ADC");
    line("*****************************************");
    if (c.DDEProt) {
        line("Protocol=DDE");
        line("*Protocol=TCPIP");
    } else {
        line("*Protocol=DDE");
        line("Protocol=TCPIP");
    }
    // An active line, so that the port reads back (files with the port as a
    // comment still read as before: the text box default).
    line("TCPIPPort=" + CfgQuote(c.TCPIPPORT));
    line(c.TCPRemote ? "TCPRemote=YES" : "*TCPRemote=YES");
    if (c.VNAType >= 0 && c.VNAType < 3)
        line(kTypeLines[c.VNAType]);
    line("**");
    line("** ***********************************************");
    line("** LT2440 Speed control");
    // No blank before "=": the keys must match for the values to read back.
    for (int i = 0; i < 4; ++i)
        line("ADCSP" + std::to_string(i) + "=" + CfgQuote(c.LT2440SRP[i]));
    line("** *************************************************");
    line("** External Control (x94 circuit)");
    line("** EXT");
    line("*EXT");
    line("** ***************************************************");
    line("** Select option installed");
    line(c.SwitchOption == kSwitchText ? "SPAR=Y" : "*SPAR=N");
    line("*CHD");
    line("*SOREL");
    line("HELP=" + CfgQuote(c.VisHelppage.empty() ? builtInHelp : c.VisHelppage));
    line("** ***************************************************");
    line("** Port driver of the instrument server:");
    line("**   SIM            the simulated analyser (no hardware needed)");
    line("**   PPDEV:DEVICE   Linux parallel-port device, e.g. PPDEV:/dev/parport0");
    line("**   DIRECT         direct port I/O (x86, needs root)");
    switch (c.Driver) {
    case DriverKind::Ppdev:
        line("Driver=" + CfgQuote(c.DriverDevice.empty() ? "PPDEV" : "PPDEV:" + c.DriverDevice));
        break;
    case DriverKind::Direct:
        line("Driver=DIRECT");
        break;
    case DriverKind::Sim:
        line("Driver=SIM");
        break;
    }
    line("** The server on another machine connects to this program (YES), or this");
    line("** program starts the server itself (NO); the link key file, needed when");
    line("** other machines may connect (RemoteServer=YES or TCPRemote=YES)");
    line(c.RemoteServer ? "RemoteServer=YES" : "RemoteServer=NO");
    line("KeyFile=" + CfgQuote(c.KeyFile));
    line("** Device under test of the simulated analyser: a built-in name or a");
    line("** Touchstone file (empty: the simulator's default)");
    line("SimDut=" + CfgQuote(c.SimDut));
    line("** External control bytes: B0 bits 0-1 (Sorel clock, 0..3); B1 calibration");
    line("** head, B2 attenuator, B3 control, B4 reflection (0..255 each)");
    line("ExtSorel=" + std::to_string(c.ExtSorel));
    for (size_t i = 0; i < 4; ++i)
        line(kExtByteKeys[i] + std::to_string(c.ExtBytes[i]));
    return t;
}

std::string SaveCfg(const QString& dir, const VnaConfig& cfg, const std::string& builtInHelp) {
    const QString path = QDir(dir).filePath(QString::fromLatin1(kCfgFileName));
    QSaveFile file(path);
    const std::string text = CfgText(cfg, builtInHelp);
    if (!file.open(QIODevice::WriteOnly)) {
        return "Cannot write " + path.toStdString() + ": " + file.errorString().toStdString();
    }
    if (file.write(text.data(), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size()) ||
        !file.commit()) {
        return "Cannot write " + path.toStdString() + ": " + file.errorString().toStdString();
    }
    return {};
}

std::string BuiltInHelppage(const QString& programDir) {
    const QString manual = QStringLiteral("docs/manual.md");
    if (!programDir.isEmpty()) {
        const QDir d(programDir);
        // Beside a build (bin/ under the tree) or an installed program
        // (bin/ beside share/doc/vna-suite/).
        for (const QString& rel : {manual, QStringLiteral("../") + manual,
                                   QStringLiteral("../../") + manual,
                                   QStringLiteral("../share/doc/vna-suite/manual.md")}) {
            const QFileInfo fi(d.filePath(rel));
            if (fi.isFile())
                return QUrl::fromLocalFile(fi.canonicalFilePath()).toString(QUrl::FullyEncoded).toStdString();
        }
    }
    const QString source = QStringLiteral(VNA_SOURCE_DIR "/") + manual;
    return QUrl::fromLocalFile(QDir::cleanPath(source)).toString(QUrl::FullyEncoded).toStdString();
}

std::string DriverOption(const VnaConfig& cfg) {
    switch (cfg.Driver) {
    case DriverKind::Ppdev:
        return cfg.DriverDevice.empty() ? "ppdev" : "ppdev:" + cfg.DriverDevice;
    case DriverKind::Direct:
        return "direct";
    case DriverKind::Sim:
        break;
    }
    return "sim";
}
