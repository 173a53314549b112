#include "server/shell/command_line.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

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
    QCommandLineOption help{{"h", "help"}, "Show this help."};

    Parser() {
        p.setApplicationDescription(
            "BrindleV1, the instrument server of the VNA suite. The display program starts it "
            "with one argument PORT,CLOCK,PROTOCOL: the port base (e.g. &H378 or 888; a whole "
            "number from &H100 to &HFFFD, the port the back end opens), the synthesizer clock "
            "in MHz (e.g. 148.3419), and DDE for the local link or the TCP port number the "
            "display program listens on (on 127.0.0.1).");
        p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        p.addOptions(
            {driver, dut, virtualTime, seed, noise, simFault, trace, noWindow, showNormal, help});
        p.addPositionalArgument("PORT,CLOCK,PROTOCOL", "The display program's argument.");
    }
};

bool ValidDriver(const QString& d) {
    return d == "sim" || d == "direct" || d == "ppdev" ||
           (d.startsWith("ppdev:") && d.size() > 6);
}

} // namespace

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
