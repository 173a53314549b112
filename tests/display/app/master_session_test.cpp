// The main window's logic: start-up sequence and server command line, the
// running-server warning, incoming link text, the measured S-parameter with
// and without the switch option.
#include "display/app/master_session.h"
#include "display/calib/calib_table.h"
#include "display/graph/skala.h"
#include "display/measure/point_list.h"
#include "link/cli_srv.h"
#include "link/messages.h"
#include "link/presence.h"
#include "tests/display/app/wait_until.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

int argc = 1;
char arg0[] = "master_session_test";
char* argv[] = {arg0, nullptr};
void App() {
    if (!QCoreApplication::instance())  // another test file of the program may have made it
        new QCoreApplication(argc, argv);
}

struct RecordingView : MainWindowView, GraphView {
    QStringList calls;
    QStringList messages;
    bool red = false;
    void Message(const QString& t) override {
        messages << t;
        calls << "Message";
    }
    void SetCaption(const QString& c) override { calls << "Caption:" + c; }
    void Status(const QString& t) override { calls << "Status:" + t; }
    void ConfigDoneRed(bool r) override { red = r; }
    void Messurechange(int16_t s) override { calls << QString("Smessure:%1").arg(s); }
    void NewQrg(int32_t a, int32_t b) override { calls << QString("NewQrg:%1-%2").arg(a).arg(b); }
    void VnaMessureCaption(const QString&) override {}
    void makelive(int16_t) override {}
    void Refscreen() override {}
};

struct Rig {
    std::unique_ptr<MeasureState> s = std::make_unique<MeasureState>();
    std::unique_ptr<CalibTable> cal = std::make_unique<CalibTable>();
    MasterSession m{*s, *cal};
    RecordingView view;
    QList<QByteArray> sent;
    QTemporaryDir dir;
    Rig() {
        App();
        // Channels and program presence of our own: tests running at the same
        // time must not see each other's programs.
        qputenv("XDG_RUNTIME_DIR", dir.path().toLocal8Bit());
        QObject::connect(&m, &MasterSession::CommandText,
                         [this](const QByteArray& t) { sent << t; });
        m.setMainWindow(&view);
        m.setGraph(&view);
    }
    void WriteFile(const QString& name, const QByteArray& text) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    /// A stand-in for the server that writes its arguments to args.txt and waits.
    QString FakeServer() {
        const QString path = dir.filePath("fake_server");
        WriteFile("fake_server", "#!/bin/sh\necho \"$@\" > \"$(dirname \"$0\")/args.txt\"\n"
                                 "sleep 20\n");
        QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
        return path;
    }
    int Count(const char* prefix) const {
        int n = 0;
        for (const auto& t : sent)
            n += t.startsWith(prefix) ? 1 : 0;
        return n;
    }
};

} // namespace

TEST(MasterStartup, SequenceCommandLineAndFirstScan) {
    Rig r;
    r.WriteFile("tavrel.Cfg", "Port=0x378\nClk=150.0 MHz\nProtocol=TCPIP\nTCPIPPort=0\n"
                              "Driver=PPDEV:/dev/parport1\n");
    StartOptions o;
    o.workDir = r.dir.path();
    o.serverPath = r.FakeServer();
    r.m.setOptions(o);
    ASSERT_TRUE(r.m.Startup()) << r.m.lastError().toStdString();

    // The title first, then (no calibration file) the status, the scales' range.
    ASSERT_FALSE(r.view.calls.isEmpty());
    EXPECT_EQ(r.view.calls.front(), "Caption:" + r.m.title());
    EXPECT_TRUE(r.m.title().startsWith("Tavrel for Kestin VNA By Marvik     Version"));
    EXPECT_EQ(r.view.calls.filter("Status:No calibration file").size(), 1);
    EXPECT_EQ(r.view.calls.filter("NewQrg:500000-600500000").size(), 1);
    EXPECT_EQ(r.view.calls.back(), "Smessure:1");
    EXPECT_TRUE(r.view.messages.isEmpty());

    // The server's argument: port, clock, TCP port, no blanks between.
    const QString arg = r.m.ServerArgument();
    EXPECT_EQ(arg, QString("&H378,150.0,%1").arg(r.m.tcpPort()));
    EXPECT_NE(r.m.tcpPort(), 0);
    ASSERT_TRUE(WaitUntil([&] { return QFile::exists(r.dir.filePath("args.txt")); }));
    QFile args(r.dir.filePath("args.txt"));
    ASSERT_TRUE(WaitUntil([&] { return args.size() > 0; }));
    ASSERT_TRUE(args.open(QIODevice::ReadOnly));
    EXPECT_EQ(args.readAll().trimmed(), (arg + " --driver ppdev:/dev/parport1").toUtf8());

    // The first scan: the frequency scale's range, speed 0, time 20, 24 bits,
    // and the configured user bytes (B1..B4 are 1 unless the file says else).
    ASSERT_GE(r.sent.size(), 2);
    EXPECT_EQ(r.sent[0], "0001  0  100  500000  600500000  0  20  24  0  1  1  1  1 ");
    EXPECT_EQ(r.sent[1], "0005  0 ");
    EXPECT_EQ(r.s->Smessure, 1);
    EXPECT_TRUE(r.s->ScaleInitDone);
    EXPECT_EQ(r.m.Scales(4).Nail(), 5);
    EXPECT_EQ(r.m.Scales(2).max(), 11);
    EXPECT_TRUE(r.m.Scales(0).Reverse());
    EXPECT_FALSE(r.m.linkUp());  // the fake server never connects
    r.m.Shutdown();
}

TEST(MasterStartup, MissingFilesAndARunningServerAreToldOnce) {
    Rig r;
    lnk::ProgramPresence other("BrindleV1");
    ASSERT_TRUE(other.Announce());
    StartOptions o;
    o.workDir = r.dir.path();
    o.serverPath = r.FakeServer();
    r.m.setOptions(o);
    ASSERT_TRUE(r.m.Startup());
    EXPECT_EQ(r.view.messages,
              QStringList({"Cant find tavrel.Cfg ",
                           "Please Close the - BrindleV1- program, and press OK"}));
    EXPECT_FALSE(r.s->CalMastData);
    // Defaults: the local link, so the third field is DDE.
    EXPECT_EQ(r.m.ServerArgument(), "&H278,148.344,DDE");
    r.m.Shutdown();
}

TEST(MasterStartup, ServerNotFoundIsReported) {
    Rig r;
    StartOptions o;
    o.workDir = r.dir.path();
    o.programDir = r.dir.path();
    r.m.setOptions(o);
    EXPECT_FALSE(r.m.Startup());
    EXPECT_TRUE(r.m.lastError().contains("Cannot find the server program brindlev1"));
    EXPECT_EQ(r.view.messages.filter("Cannot find").size(), 1);
}

TEST(MasterStartup, AFailedStartLeavesTheSweepFieldsWorkingAndNothingWaiting) {
    Rig r;
    StartOptions o;
    o.workDir = r.dir.path();
    o.programDir = r.dir.path();  // no server anywhere
    r.m.setOptions(o);
    ASSERT_FALSE(r.m.Startup());
    // The sweep fields were filled and take what the user types.
    r.m.sweep().QStart_Change("2M");
    EXPECT_EQ(r.m.Scales(4).min(), 20000000);
    r.m.sweep().QEnd_Change("30M");
    EXPECT_EQ(r.m.Scales(4).max(), 300000000);
    // The local channel "Display" is closed again: a server coming up now
    // finds nothing to reach, and nothing looks for it.
    lnk::CliSrv server("VNAIO", "Display");
    ASSERT_TRUE(server.Open());
    EXPECT_FALSE(server.ConnectPeer());
    WaitUntil([] { return false; }, 400);  // several periods of a poll, were one running
    EXPECT_EQ(r.view.calls.filter("Link to the server up").size(), 0);
    EXPECT_FALSE(r.m.linkUp());
}

TEST(MasterLink, IncomingTextIsFramedAndFiled) {
    Rig r;
    QList<VnaDataRec> recs;
    int ends = 0;
    QObject::connect(&r.m, &MasterSession::RecordIn, [&](const VnaDataRec& x) { recs << x; });
    QObject::connect(&r.m, &MasterSession::ScanEnded, [&] { ++ends; });
    // Two messages in one piece, the second cut before its "#".
    const std::string a = msg::DataReady(0, 1, 500000, 8, -1234, 1, 2, 24, 20, 0, 0, 0, 0, 0);
    r.m.arrivalproc(QByteArray::fromStdString(a + "1002 "));
    ASSERT_EQ(recs.size(), 1);
    EXPECT_EQ(recs[0].Data, -1234);
    EXPECT_EQ(r.s->OffsetValue, -1234);  // row 1 is the reference reading
    EXPECT_EQ(ends, 0);
    r.m.arrivalproc("#");
    EXPECT_EQ(ends, 1);
    // A leading blank before "#": an empty code, dropped; unknown codes too.
    r.m.arrivalproc(" #1004  5 #2  #");
    EXPECT_EQ(recs.size(), 1);
    EXPECT_EQ(r.s->VnaDataNext, 1);
    // A measured point: in-phase then quadrature reading.
    r.m.arrivalproc(QByteArray::fromStdString(
        msg::DataReady(0, 2, 10000000, 0, 1000, 2, 0, 24, 20, 0, 0, 0, 0, 0) +
        msg::DataReady(0, 3, 10000000, 8, 2000, 3, 0, 24, 20, 0, 0, 0, 0, 0)));
    ASSERT_EQ(recs.size(), 3);
    const int16_t p = FindQrg(*r.s, 10000000);
    ASSERT_GE(p, 2);
    EXPECT_TRUE(r.s->QrgPoints[p].MessRealPresent && r.s->QrgPoints[p].MessImagPresent);
    EXPECT_EQ(r.s->Sdata[0][p].Qrg, 10000000);
}

TEST(MasterMessure, WithTheSwitchOptionEveryRowGetsTheSwitchWord) {
    Rig r;
    VnaConfig c = r.m.config();
    c.SparmSw = true;
    r.m.setConfig(c);
    r.s->Smessure = 0;  // S11
    r.s->ControlBytes[0] = 4;
    r.m.VnaMessure_Click();
    EXPECT_EQ(r.s->Smessure, 1);
    EXPECT_EQ(r.s->ControlBytes[0], 0);  // S21: both switches off
    EXPECT_FALSE(r.s->PortSwapActive);
    ASSERT_EQ(r.sent.size(), 204);
    EXPECT_EQ(r.sent[0], "0003  0  0  B0  0");
    EXPECT_EQ(r.sent[203], "0003  0  203  B0  0");
    r.sent.clear();
    r.m.VnaMessure_Click();  // S12: port swap
    EXPECT_EQ(r.s->ControlBytes[0], 8);
    EXPECT_TRUE(r.s->PortSwapActive);
    EXPECT_EQ(r.Count("0003"), 204);
    r.m.VnaMessure_Click();  // S22: both
    EXPECT_EQ(r.s->ControlBytes[0], 12);
    EXPECT_FALSE(r.view.red);
    EXPECT_EQ(r.Count("0006"), 0);  // scanning goes on
}

TEST(MasterMessure, WithoutTheSwitchOptionTheScanStopsUntilConfigDone) {
    Rig r;
    r.s->Smessure = 1;
    r.s->PortSwapActive = true;
    r.m.VnaMessure_Click();
    EXPECT_EQ(r.s->Smessure, 2);
    EXPECT_FALSE(r.s->PortSwapActive);
    EXPECT_EQ(r.view.calls.filter("Smessure:2").size(), 1);
    ASSERT_EQ(r.sent, QList<QByteArray>({"0006 "}));
    EXPECT_TRUE(r.view.red);
    r.m.ConfigDone_Click();
    EXPECT_EQ(r.sent.back(), "0005  0 ");
    EXPECT_FALSE(r.view.red);
    r.sent.clear();
    r.m.ConfigDone_Click();  // not red: nothing
    EXPECT_TRUE(r.sent.isEmpty());
    EXPECT_EQ(MasterSession::MessureCaption(3), "Configuration S22");
}

TEST(MasterWindows, AnEventNoWindowTakesIsCountedNotLost) {
    App();
    auto s = std::make_unique<MeasureState>();
    auto cal = std::make_unique<CalibTable>();
    MasterSession m(*s, *cal);
    // No window registered: a measured point is filed all the same, and
    // every report meant for a window is counted.
    m.arrivalproc(QByteArray::fromStdString(
        msg::DataReady(0, 2, 10000000, 0, 1000, 2, 0, 24, 20, 0, 0, 0, 0, 0) +
        msg::DataReady(0, 3, 10000000, 8, 2000, 3, 0, 24, 20, 0, 0, 0, 0, 0)));
    EXPECT_GE(FindQrg(*s, 10000000), 2);
    EXPECT_EQ(m.unheard(WindowViews::kMakelive), 1);
    EXPECT_EQ(m.unheard(WindowViews::kMakesmithlive), 1);
    EXPECT_EQ(m.unheard(WindowViews::kShowri), 1);
    EXPECT_EQ(m.unheard(WindowViews::kShowTable), 2);
    EXPECT_EQ(m.unheard(WindowViews::kScanCalAfterCorrect), 1);
    m.VnaMessure_Click();
    EXPECT_EQ(m.unheard(WindowViews::kMessurechange), 1);
    EXPECT_EQ(m.unheard(WindowViews::kMessureCaption), 1);

    // A graph registered takes its events; the Smith chart's stay counted.
    struct Graph : GraphView {
        QList<int16_t> live;
        QList<int16_t> measured;
        void NewQrg(int32_t, int32_t) override {}
        void Messurechange(int16_t x) override { measured << x; }
        void makelive(int16_t p) override { live << p; }
        void Refscreen() override {}
    } graph;
    m.setGraph(&graph);
    m.arrivalproc(QByteArray::fromStdString(
        msg::DataReady(0, 4, 20000000, 0, 1000, 2, 0, 24, 20, 0, 0, 0, 0, 0) +
        msg::DataReady(0, 5, 20000000, 8, 2000, 3, 0, 24, 20, 0, 0, 0, 0, 0)));
    EXPECT_EQ(graph.live, QList<int16_t>({FindQrg(*s, 20000000)}));
    EXPECT_EQ(m.unheard(WindowViews::kMakelive), 1);
    EXPECT_EQ(m.unheard(WindowViews::kMakesmithlive), 2);
    m.VnaMessure_Click();
    EXPECT_EQ(graph.measured, QList<int16_t>({3}));
    EXPECT_EQ(m.unheard(WindowViews::kMessurechange), 1);
    m.setGraph(nullptr);
}

TEST(MasterLink, AnalyserFaultReportsShowInTheStatusBar) {
    Rig r;
    // 95: the converter does not answer; 96: it answers again.
    r.m.arrivalproc("1000  95 #");
    ASSERT_FALSE(r.view.calls.isEmpty());
    EXPECT_EQ(r.view.calls.back(),
              "Status:the analyser does not answer: is it switched on and connected?");
    r.m.arrivalproc("1000  96 #");
    EXPECT_EQ(r.view.calls.back(), "Status:");
    // Other state reports change nothing; 96 without a fault shown neither.
    const int n = static_cast<int>(r.view.calls.size());
    r.m.arrivalproc("1000  88 #1000  96 #");
    EXPECT_EQ(r.view.calls.size(), n);
}
