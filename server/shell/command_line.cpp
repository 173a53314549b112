#include "server/shell/command_line.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QHostAddress>

#include "sim/analyser.h"

#include <optional>

namespace shell {

ServerArgument ParseArgument(std::string_view text) {
    ServerArgument a;
    const size_t first = text.find(',');
    a.PortText = std::string(text.substr(0, first));
    if (first == std::string_view::npos)
        return a;
    const std::string_view rest = text.substr(first + 1);
    const size_t second = rest.find(',');
    a.ClockText = std::string(rest.substr(0, second));
    if (second != std::string_view::npos)
        a.ProtocolText = std::string(rest.substr(second + 1));
    return a;
}

namespace {

struct Parser {
    QCommandLineParser p;
    QCommandLineOption driver{"driver",
                              "Port back end: sim (the simulated analyser, default), "
                              "ppdev[:DEVICE] (Linux parallel-port device, default "
                              "/dev/parport0) or direct (direct I/O, x86, needs root).",
                              "sim|ppdev[:DEVICE]|direct", "sim"};
    QCommandLineOption dut{"dut",
                           "Simulator: the device under test behind the \"DUT\" fixture, a "
                           "built-in name (bpf10m7, lpf30m, att10, cable, rlc) or an S1P/S2P file.",
                           "NAME|FILE"};
    QCommandLineOption virtualTime{"virtual-time",
                                   "Simulator: virtual time (fast and repeatable) instead of the "
                                   "physical times of port accesses and conversions."};
    QCommandLineOption seed{"seed", "Simulator: seed of the noise and the offset drift.", "N"};
    QCommandLineOption noise{"noise",
                             "Simulator: on (default) or off; off is an ideal analyser with no "
                             "noise and no drift.",
                             "on|off"};
    QCommandLineOption simFault{"sim-fault",
                                "Simulator: show a fault, to try out how the server and the "
                                "display program cope with a broken analyser: dead (the converter "
                                "never becomes ready), unplugged (every status read gives 0xFF), "
                                "stuck-busy (the converter's ready line is held busy). The server "
                                "stays controllable and reports \"the analyser does not answer\".",
                                "dead|unplugged|stuck-busy"};
    QCommandLineOption trace{"trace", "Write every port register access to FILE.", "FILE"};
    QCommandLineOption noWindow{"no-window",
                                "Run without the status window (also the case where there is "
                                "no display); only errors are printed."};
    QCommandLineOption showNormal{"show-normal",
                                  "Show the status window normally instead of minimised."};
    QCommandLineOption display{"display",
                               "Connect to the display program on HOST (a name or an address; "
                               "[ADDRESS]:PORT for IPv6) instead of this machine, on PORT or "
                               "else the port of the argument. A HOST other than localhost or "
                               "a loopback address needs --key.",
                               "HOST[:PORT]"};
    QCommandLineOption stay{"stay",
                            "Run as a service: when the display program goes away (or sends "
                            "99), stop scanning, set the port's outputs to their resting "
                            "levels and connect again every 3 s until a display program "
                            "accepts; end only on a signal."};
    QCommandLineOption key{"key",
                           "Encrypt and authenticate the link with TLS and the pre-shared key "
                           "in FILE (made with --make-key, the same file on both machines, "
                           "readable by its owner only). A display program without the key "
                           "is refused.",
                           "FILE"};
    QCommandLineOption makeKey{"make-key",
                               "Write a new link key to FILE (mode 0600, never overwriting a "
                               "file) and end. Copy the file to the other machine.",
                               "FILE"};
    QCommandLineOption help{{"h", "help"}, "Show this help."};

    Parser() {
        p.setApplicationDescription(
            "BrindleV1, the instrument server of the VNA suite. The display program starts it "
            "with one argument PORT,CLOCK,PROTOCOL: the port base (e.g. &H378 or 888; a whole "
            "number from &H100 to &HFFFD, the port the back end opens), the synthesizer clock "
            "in MHz (e.g. 148.3419), and DDE for the local link or the TCP port number the "
            "display program listens on (on 127.0.0.1 unless --display names another "
            "machine).\n\nExit status: 0 ended normally, 1 the port, the link or the key file "
            "could not be used, 2 the command line is not usable.");
        p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        p.addOptions({driver, dut, virtualTime, seed, noise, simFault, trace, noWindow, showNormal,
                      display, stay, key, makeKey, help});
        p.addPositionalArgument("PORT,CLOCK,PROTOCOL", "The display program's argument.");
    }
};

bool ValidDriver(const QString& d) {
    return d == "sim" || d == "direct" || d == "ppdev" ||
           (d.startsWith("ppdev:") && d.size() > 6);
}

// HOST, HOST:PORT, [ADDRESS]:PORT or an IPv6 address alone; port 0 when
// none is given. False when the text names no host or no usable port.
bool SplitDisplay(const QString& text, QString& host, quint16& port) {
    QString portText;
    if (text.startsWith('[')) {
        const qsizetype close = text.indexOf(']');
        if (close < 0)
            return false;
        host = text.mid(1, close - 1);
        const QString rest = text.mid(close + 1);
        if (!rest.isEmpty() && !rest.startsWith(':'))
            return false;
        portText = rest.mid(1);
        if (rest.startsWith(':') && portText.isEmpty())
            return false;
    } else if (text.count(':') == 1) {
        host = text.section(':', 0, 0);
        portText = text.section(':', 1);
        if (portText.isEmpty())
            return false;
    } else {
        host = text;
    }
    port = 0;
    if (!portText.isEmpty()) {
        bool ok = false;
        const uint v = portText.toUInt(&ok);
        if (!ok || v < 1 || v > 65535)
            return false;
        port = quint16(v);
    }
    return !host.trimmed().isEmpty() && host == host.trimmed();
}

} // namespace

bool IsLoopbackHost(const QString& host) {
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress a(host);
    return !a.isNull() && a.isLoopback();
}

ServerOptions ParseOptions(const QStringList& arguments) {
    ServerOptions o;
    Parser ps;
    if (!ps.p.parse(QStringList{"brindlev1"} + arguments)) {
        o.error = ps.p.errorText();
        return o;
    }
    if (ps.p.isSet(ps.help)) {
        o.help = true;
        return o;
    }
    if (ps.p.isSet(ps.makeKey)) {
        o.makeKey = ps.p.value(ps.makeKey);
        if (o.makeKey.isEmpty())
            o.error = QStringLiteral("--make-key: name the key file to write");
        return o;
    }
    const QStringList positional = ps.p.positionalArguments();
    if (positional.size() != 1) {
        o.error = positional.isEmpty()
                      ? QStringLiteral("the argument PORT,CLOCK,PROTOCOL is missing")
                      : QStringLiteral("one argument PORT,CLOCK,PROTOCOL expected, got %1")
                            .arg(positional.size());
        return o;
    }
    o.argument = ParseArgument(positional.front().toLocal8Bit().toStdString());

    const QString driver = ps.p.value(ps.driver);
    if (!ValidDriver(driver)) {
        o.error = QStringLiteral("--driver %1: use sim, ppdev, ppdev:DEVICE or direct").arg(driver);
        return o;
    }
    o.port.driver = driver.toStdString();
    if (ps.p.isSet(ps.dut))
        o.port.dut = ps.p.value(ps.dut).toLocal8Bit().toStdString();
    o.port.virtualTime = ps.p.isSet(ps.virtualTime);
    if (ps.p.isSet(ps.seed)) {
        bool ok = false;
        o.port.seed = ps.p.value(ps.seed).toULongLong(&ok);
        if (!ok) {
            o.error = QStringLiteral("--seed %1: a whole number 0 or more expected")
                          .arg(ps.p.value(ps.seed));
            return o;
        }
    }
    if (ps.p.isSet(ps.noise)) {
        const QString n = ps.p.value(ps.noise);
        if (n != "on" && n != "off") {
            o.error = QStringLiteral("--noise %1: use on or off").arg(n);
            return o;
        }
        o.port.noise = o.port.drift = (n == "on");
    }
    if (ps.p.isSet(ps.simFault)) {
        const QString f = ps.p.value(ps.simFault);
        const std::optional<sim::Fault> fault = sim::FaultOf(f.toStdString());
        if (!fault) {
            o.error = QStringLiteral("--sim-fault %1: use dead, unplugged or stuck-busy").arg(f);
            return o;
        }
        o.port.fault = *fault;
    }
    if (ps.p.isSet(ps.trace))
        o.port.trace = ps.p.value(ps.trace).toLocal8Bit().toStdString();
    o.noWindow = ps.p.isSet(ps.noWindow);
    o.showNormal = ps.p.isSet(ps.showNormal);
    o.stay = ps.p.isSet(ps.stay);
    o.keyFile = ps.p.value(ps.key);
    if (ps.p.isSet(ps.key) && o.keyFile.isEmpty()) {
        o.error = QStringLiteral("--key: name the key file");
        return o;
    }
    if (ps.p.isSet(ps.display) &&
        !SplitDisplay(ps.p.value(ps.display), o.displayHost, o.displayPort)) {
        o.error = QStringLiteral("--display %1: use HOST, HOST:PORT or [ADDRESS]:PORT with a port "
                                 "from 1 to 65535")
                      .arg(ps.p.value(ps.display));
        return o;
    }
    if (o.argument.UseWindowMessages() && (ps.p.isSet(ps.display) || o.stay || ps.p.isSet(ps.key))) {
        o.error = QStringLiteral("--display, --stay and --key are for the TCP link; the argument "
                                 "asks for the local link (DDE)");
        return o;
    }
    if (!IsLoopbackHost(o.displayHost) && o.keyFile.isEmpty()) {
        o.error = QStringLiteral("--display %1 is another machine: the link would cross the "
                                 "network unencrypted and unauthenticated. Give the link key "
                                 "with --key FILE (make one with brindlev1 --make-key FILE and "
                                 "copy it to both machines)")
                      .arg(o.displayHost);
        return o;
    }
    // The port text last: nothing touches a port it does not name.
    std::string why;
    const std::optional<uint16_t> base = port::ParseBase(o.argument.PortText, why);
    if (!base) {
        o.error = QString::fromStdString(why);
        return o;
    }
    o.port.base = *base;
    return o;
}

QString UsageText() { return Parser().p.helpText(); }

} // namespace shell
