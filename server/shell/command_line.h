#pragma once
// The server's command line: one argument of three comma-separated fields
// (port, clock, protocol) as the display program builds it, followed by
// options that choose the port back end and how the server runs.

#include "server/port/port_io.h"

#include <QString>
#include <QStringList>

#include <string>
#include <string_view>

namespace shell {

/// The three fields of the display program's argument.
struct ServerArgument {
    std::string PortText;     ///< port base as text, e.g. "&H378"
    std::string ClockText;    ///< synthesizer clock in MHz, e.g. "148.3419"
    std::string ProtocolText; ///< "DDE" or the TCP port number as text

    /// Exactly "DDE" (case matters: "dde" is TCP port 0).
    bool UseWindowMessages() const { return ProtocolText == "DDE"; }
};

/// Splits the argument: PortText is the text before the first ","; the
/// rest is split at its first "," into ClockText and ProtocolText. Without
/// a second "," ClockText is the whole rest and ProtocolText stays empty;
/// without any "," only PortText is set.
ServerArgument ParseArgument(std::string_view text);

/// Everything the command line says.
struct ServerOptions {
    ServerArgument argument;
    /// --driver, --dut, --virtual-time, --seed, --noise, --sim-fault,
    /// --trace, and the base the port text names.
    port::PortOptions port;
    bool noWindow = false;    ///< --no-window
    bool showNormal = false;  ///< --show-normal: window not minimised
    bool help = false;        ///< --help
    /// --make-key FILE: write a new key file and end (no argument needed).
    QString makeKey;
    /// --display HOST[:PORT]: the machine the display program runs on
    /// (default 127.0.0.1) and the port it listens on (0: the argument's
    /// third field).
    QString displayHost = QStringLiteral("127.0.0.1");
    quint16 displayPort = 0;
    /// --stay: outlive the display program and connect again.
    bool stay = false;
    /// --key FILE: the link key; the link is then TLS.
    QString keyFile;
    QString error;            ///< set when the command line is not usable
};

/// "localhost" or a loopback address (127.0.0.0/8, ::1). Other names count
/// as other machines (no name lookup).
bool IsLoopbackHost(const QString& host);

/// Parses the arguments after the program name. A port text that names no
/// port base (port::ParseBase) is an error too.
ServerOptions ParseOptions(const QStringList& arguments);

/// The --help text.
QString UsageText();

} // namespace shell
