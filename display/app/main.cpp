// tavrel13: the display program of the VNA suite. With --batch it runs the
// start-up and a measurement without windows and writes a Touchstone file.

#include "display/app/batch_calibrate.h"
#include "display/app/batch_run.h"
#include "display/app/calibration.h"
#include "display/app/calibration_windows.h"
#include "display/app/diagnostic_dump.h"
#include "display/app/master_session.h"
#include "display/app/master_window.h"
#include "display/app/work_dir.h"
#include "display/calib/calib_dump.h"
#include "display/calib/calib_table.h"
#include "display/graph/lasting_settings.h"
#include "display/measure/measure_state.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <cstdio>
#include <memory>

namespace {

struct Parsed {
    bool batch = false;
    bool makeCal = false;
    bool dump = false;
    BatchOptions batchOptions;
    CalibrateOptions calOptions;
    StartOptions start;
    bool ownWorkDir = false; ///< --work-dir given: start.workDir is to be made ready
    QString error;
};

Parsed Parse(const QStringList& arguments) {
    QCommandLineParser p;
    p.setApplicationDescription(
        "tavrel13, the display program of the VNA suite.\n"
        "Without --batch it opens the main window, starts the server brindlev1 and shows\n"
        "the measurement live. With --batch it measures without windows and writes a\n"
        "Touchstone file (progress on the error stream; exit status 0 on success, 2 bad\n"
        "option or unusable key file, 3 server not found or ended, 4 link not up in time,\n"
        "5 no complete sweep, 6 file not written). With --remote-server it starts no server\n"
        "but waits for one started on another machine with brindlev1 --display.\n"
        "The configuration tavrel.Cfg and the calibration Master.cd are read from the\n"
        "current directory, or from the folder of --work-dir.");
    p.addHelpOption();
    p.addVersionOption();
    const QCommandLineOption batch("batch", "Measure without windows and write a file.");
    const QCommandLineOption start("start", "Start frequency (1M, 500K).", "F", "1M");
    const QCommandLineOption end("end", "End frequency (60M).", "F", "60M");
    const QCommandLineOption points("points", "Frequency steps: 50, 100, 200 or 400.", "N", "100");
    const QCommandLineOption speed("speed", "Converter speed 0..3.", "S", "0");
    const QCommandLineOption time("time", "Settling time: 1, 2, 4, 8, 10, 15, 20.", "T", "20");
    const QCommandLineOption measure("measure", "S11, S21, S12, S22 or all.", "S", "S21");
    const QCommandLineOption cal("cal", "Calibration file instead of the default one.", "FILE");
    const QCommandLineOption sweeps("sweeps", "Complete sweeps to take; the last is written.",
                                    "N", "1");
    const QCommandLineOption out("out", "Touchstone file to write.", "FILE", "measurement.s2p");
    const QCommandLineOption plot("plot", "With --batch: also draw the frequency graph of the "
                                          "measurement into FILE (.png, .svg or .pdf).",
                                  "FILE");
    const QCommandLineOption smith("smith", "With --batch: also draw the Smith chart of the "
                                            "measurement into FILE (.png, .svg or .pdf): reflection "
                                            "on the Smith grid, transmission on polar rings.",
                                   "FILE");
    const QCommandLineOption plotSize("plot-size", "Size of the --plot and --smith pictures in pixels.", "WxH",
                                      "1200x800");
    const QCommandLineOption linkTimeout(
        "link-timeout", "Seconds to wait for the link (default 15; 60 for a remote server).",
        "S");
    const QCommandLineOption remoteServer(
        "remote-server",
        "The server runs on another machine (brindlev1 --display THIS-HOST[:PORT] --key FILE): "
        "start none here, listen on every interface for it with the link key, and wait for it "
        "(also RemoteServer=YES in tavrel.Cfg).");
    const QCommandLineOption key("key",
                                 "The link key file (made by brindlev1 --make-key FILE; only "
                                 "you may read it); wins over KeyFile= in tavrel.Cfg. Needed "
                                 "whenever other machines may connect.",
                                 "FILE");
    const QCommandLineOption sweepTimeout("sweep-timeout",
                                          "Seconds to wait per sweep (default: from the "
                                          "speed, time and points).",
                                          "S", "0");
    const QCommandLineOption server("server", "The server program (default: brindlev1 beside "
                                              "this program, then in the current directory).",
                                    "PATH");
    const QCommandLineOption driver("driver", "Server port driver: sim, ppdev[:DEVICE], direct "
                                              "(default: from tavrel.Cfg).",
                                    "D");
    const QCommandLineOption dut("dut", "Simulated device: a name or a Touchstone file.", "DUT");
    const QCommandLineOption virtualTime("virtual-time", "Simulated analyser in virtual time.");
    const QCommandLineOption seed("seed", "Noise seed of the simulated analyser.", "N");
    const QCommandLineOption noise("noise", "Noise of the simulated analyser: on or off.",
                                   "on|off");
    const QCommandLineOption trace("trace", "Write the server's port trace to FILE.", "FILE");
    const QCommandLineOption simFault(
        "sim-fault",
        "A fault of the simulated analyser, passed to the server: dead (the converter never "
        "becomes ready), unplugged (every status read gives 0xFF) or stuck-busy (the ready "
        "line stays busy).",
        "FAULT");
    const QCommandLineOption makeCal("make-cal",
                                     "With --batch: calibrate the simulated analyser and write "
                                     "the calibration data file FILE instead of measuring.",
                                     "FILE");
    const QCommandLineOption control("cc", "With --make-cal: the calibration control file.",
                                     "FILE", "MastCalib.CC");
    const QCommandLineOption calSpeeds("cal-speeds", "With --make-cal: the speeds to calibrate.",
                                       "LIST", "0,1,2,3");
    const QCommandLineOption dump("dump", "With --batch: write the diagnostic dump \"Tavrel13 "
                                          "Dumpfile.txt\" into the current directory at the end.");
    const QCommandLineOption calTitle("cal-title", "With --make-cal: the calibration's title.",
                                      "TEXT", "Simulated analyser");
    const QCommandLineOption workDir(
        "work-dir",
        "Work in DIR, or, when DIR is left out, in " + DefaultWorkDir() +
            ": created on first use with the shipped configuration and calibration; files "
            "there are never overwritten; relative file names are taken in DIR. Without the "
            "option the program works in the current directory.",
        "DIR");
    p.addOptions({workDir, batch, start, end, points, speed, time, measure, cal, sweeps, out, plot,
                  smith, plotSize, linkTimeout, remoteServer, key, sweepTimeout, server, driver,
                  dut, virtualTime,
                  seed, noise, trace, simFault, makeCal, control, calSpeeds, calTitle, dump});

    Parsed r;
    if (!p.parse(arguments)) {
        r.error = p.errorText();
        return r;
    }
    if (p.isSet("help")) {
        std::fputs(qPrintable(p.helpText()), stdout);
        std::exit(0);
    }
    if (p.isSet("version")) {
        std::printf("tavrel13 %s\n", qPrintable(QCoreApplication::applicationVersion()));
        std::exit(0);
    }
    if (!p.positionalArguments().isEmpty()) {
        r.error = "unexpected argument " + p.positionalArguments().first();
        return r;
    }
    r.batch = p.isSet(batch);
    auto number = [&](const QCommandLineOption& o, double& v) {
        bool ok = false;
        v = p.value(o).toDouble(&ok);
        if (!ok)
            r.error = "--" + o.names().first() + " needs a number, not " + p.value(o);
    };
    double d = 0;
    BatchOptions& b = r.batchOptions;
    b.start = p.value(start);
    b.end = p.value(end);
    number(points, d), b.points = static_cast<int>(d);
    number(speed, d), b.speed = static_cast<int>(d);
    number(time, d), b.time = static_cast<int>(d);
    number(sweeps, d), b.sweeps = static_cast<int>(d);
    if (p.isSet(linkTimeout)) {
        number(linkTimeout, b.linkTimeout);
        if (r.error.isEmpty() && b.linkTimeout <= 0)
            r.error = "--link-timeout needs a number of seconds above 0";
    }
    number(sweepTimeout, b.sweepTimeout);
    b.measure = p.value(measure);
    b.out = p.value(out);
    b.plot = p.value(plot);
    b.smith = p.value(smith);
    b.plotSize = p.value(plotSize);

    StartOptions& s = r.start;
    r.ownWorkDir = p.isSet(workDir);
    s.workDir = !r.ownWorkDir               ? QDir::currentPath()
                : p.value(workDir).isEmpty() ? DefaultWorkDir()
                                             : QDir(p.value(workDir)).absolutePath();
    s.programDir = QCoreApplication::applicationDirPath();
    s.serverPath = p.value(server);
    s.calFile = p.value(cal);
    s.remoteServer = p.isSet(remoteServer);
    s.keyFile = p.value(key);
    if (p.isSet(driver))
        s.serverOptions << "--driver" << p.value(driver);
    if (p.isSet(dut))
        s.serverOptions << "--dut" << p.value(dut);
    if (p.isSet(virtualTime))
        s.serverOptions << "--virtual-time";
    if (p.isSet(seed))
        s.serverOptions << "--seed" << p.value(seed);
    if (p.isSet(noise))
        s.serverOptions << "--noise" << p.value(noise);
    if (p.isSet(trace))
        s.serverOptions << "--trace" << p.value(trace);
    if (p.isSet(simFault)) {
        const QString fault = p.value(simFault);
        if (fault != "dead" && fault != "unplugged" && fault != "stuck-busy")
            r.error = "--sim-fault takes dead, unplugged or stuck-busy, not " + fault;
        s.serverOptions << "--sim-fault" << fault;
    }
    s.serverWindow = !r.batch;
    b.start_ = s;

    r.makeCal = p.isSet(makeCal);
    r.dump = p.isSet(dump);
    if (r.dump && !r.batch)
        r.error = "--dump goes with --batch (the window has its Dump button)";
    if (r.makeCal && !r.batch)
        r.error = "--make-cal goes with --batch";
    CalibrateOptions& c = r.calOptions;
    c.out = p.value(makeCal);
    c.controlFile = p.value(control);
    c.title = p.value(calTitle);
    c.linkTimeout = b.linkTimeout;
    c.stepTimeout = b.sweepTimeout;
    c.speeds.clear();
    for (const QString& part : p.value(calSpeeds).split(',', Qt::SkipEmptyParts)) {
        bool ok = false;
        const int v = part.trimmed().toInt(&ok);
        if (!ok || v < 0 || v > 3) {
            r.error = "--cal-speeds takes speeds 0..3 separated by commas";
            break;
        }
        c.speeds.push_back(static_cast<int16_t>(v));
    }
    c.start_ = s;
    return r;
}

// "--work-dir" takes its folder only when one follows: "--work-dir --batch"
// is the option without a folder (the program takes no other arguments).
QStringList WithOptionalWorkDir(QStringList arguments) {
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        if ((a == "--work-dir" || a == "-work-dir") &&
            (i + 1 == arguments.size() || arguments.at(i + 1).startsWith('-')))
            arguments[i] = "--work-dir=";
    }
    return arguments;
}

bool WantsBatch(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray a(argv[i]);
        if (a == "--batch" || a == "-batch" || a == "--help" || a == "-h" || a == "--version" ||
            a == "-v")
            return true;
    }
    return false;
}

/// A batch that draws a picture (--plot, --smith) needs fonts: a GUI application on
/// the offscreen platform, so it still runs without a display.
bool WantsPicture(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (QByteArray(argv[i]).startsWith("--plot") || QByteArray(argv[i]).startsWith("--smith"))
            return true;
    return false;
}

} // namespace

int main(int argc, char** argv) {
    // The batch mode and the help need no display.
    std::unique_ptr<QCoreApplication> app;
    if (WantsBatch(argc, argv) && WantsPicture(argc, argv)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else if (WantsBatch(argc, argv)) {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    else {
        app = std::make_unique<QApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName("tavrel13");
    QCoreApplication::setApplicationVersion(VNA_VERSION);

    QTextStream err(stderr);
    const Parsed parsed = Parse(WithOptionalWorkDir(QCoreApplication::arguments()));
    if (!parsed.error.isEmpty()) {
        err << "tavrel13: " << parsed.error << " (see --help)\n";
        return kBatchUsage;
    }
    if (parsed.ownWorkDir) {
        const QString dir = parsed.start.workDir;
        const QString data = ShippedDataDir(QCoreApplication::applicationDirPath());
        QStringList copied;
        QString problem = PrepareWorkDir(dir, data, &copied);
        if (problem.isEmpty() && !QDir::setCurrent(dir))
            problem = "cannot change into the working directory " + dir;
        if (!problem.isEmpty()) {
            err << "tavrel13: " << problem << "\n";
            return kBatchUsage;
        }
        if (!copied.isEmpty())
            err << "tavrel13: " << dir << " made ready with " << copied.join(", ") << " from "
                << data << "\n";
        else if (data.isEmpty() && !QFileInfo::exists(QDir(dir).filePath("tavrel.Cfg")))
            err << "tavrel13: no shipped defaults found to put into " << dir << "\n";
        err.flush();
    }

    // The program's state: one object, handed to everything by reference.
    auto state = std::make_unique<MeasureState>();
    auto cal = std::make_unique<CalibTable>();
    MasterSession session(*state, *cal);
    Calibration calibration(session);  // the session's calibration window

    if (parsed.batch) {
        BatchView view(err);
        session.setMainWindow(&view);
        int rc;
        if (parsed.makeCal) {
            BatchCalibrate calibrate(session, calibration, parsed.calOptions, err);
            rc = calibrate.Run();
        } else {
            BatchRun run(session, parsed.batchOptions, err);
            rc = run.Run();
        }
        if (parsed.dump) {
            const QString e =
                WriteDiagnosticDump(session, calibration.procedure(), parsed.start.workDir);
            if (!e.isEmpty()) {
                err << "tavrel13: the diagnostic dump was not written: " << e << "\n";
                if (rc == kBatchOk)
                    rc = kBatchWrite;
            } else {
                err << "tavrel13: diagnostic dump written to " << kDumpFileName << "\n";
            }
        }
        session.Shutdown();
        session.setMainWindow(nullptr);
        return rc;
    }

    session.setOptions(parsed.start);
    Master master(session);  // registers itself and its child windows
    CalibrationWindows calibWindows(master, session, calibration);
    master.show();
    if (!session.Startup()) {
        master.Status(session.lastError());
    }
    master.AfterStartup();
    calibWindows.AfterStartup();
    master.RestoreSettings(LastingSettingsFile());
    const int rc = app->exec();
    session.Shutdown();
    return rc;
}
