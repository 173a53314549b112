// brindlev1 on a simulated analyser with each fault (--sim-fault): the
// converter never becomes ready or the status line reads busy for good. The
// server tells the display program once ("1000  95 #"), keeps answering, and
// "99#" or a signal still ends it at once. The times measured below are a
// generous bound on a process ending, not a speed figure.
#include "server_rig.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <tuple>

#include <signal.h>

using namespace systest;

namespace {

enum class End { CloseText, Term, Int, Hup };

using FaultCase = std::tuple<const char*, End>;

class ServerFault : public ::testing::TestWithParam<FaultCase> {};

int Count(const Display& d, int code, int value) {
    int n = 0;
    for (const Report& r : d.reports)
        n += r.code() == code && r.num(1) == value;
    return n;
}

TEST_P(ServerFault, TellsTheDisplayOnceAndStillEndsWithinASecond) {
    const auto [fault, end] = GetParam();
    QTemporaryDir dir;
    TcpDisplay display;
    // Real time, as with a broken analyser: the fault is due after ten
    // conversion times (100 ms at the default table's speed 3).
    Server server(dir.path(), display.protocol(), {"--sim-fault", fault}, false);
    ASSERT_TRUE(display.WaitConnected());
    const int notice = display.WaitReport(0, [](const Report& r) {
        return r.code() == msg::kStateinfo && r.num(1) == 95;
    });
    ASSERT_GE(notice, 0) << "no fault notice";
    EXPECT_EQ(display.reports[size_t(notice)].text, "1000  95 ");
    EXPECT_EQ(display.CountData(), 0u); // nothing was measured
    // Still waiting, still answering; and not telling again.
    display.Send(msg::WithTerminator(msg::SetUpScan(0, 10, 1000000, 2000000, 2, 1, 24, 4, 0, 0, 0, 0)));
    display.Send(msg::WithTerminator(msg::NewScan(0)));
    WaitFor([] { return false; }, 600);
    ASSERT_TRUE(server.running());
    EXPECT_EQ(Count(display, msg::kStateinfo, 95), 1);
    EXPECT_EQ(Count(display, msg::kStateinfo, 96), 0);

    QElapsedTimer t;
    t.start();
    const qint64 pid = server.process().processId();
    switch (end) {
    case End::CloseText: display.Send(msg::StopText()); break;
    case End::Term: ::kill(pid_t(pid), SIGTERM); break;
    case End::Int: ::kill(pid_t(pid), SIGINT); break;
    case End::Hup: ::kill(pid_t(pid), SIGHUP); break;
    }
    ASSERT_TRUE(server.WaitEnded(5000));
    EXPECT_LT(t.elapsed(), 1000);
    EXPECT_EQ(server.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(server.process().exitCode(), 0);
}

std::string CaseName(const ::testing::TestParamInfo<FaultCase>& p) {
    std::string f = std::get<0>(p.param);
    for (char& c : f)
        if (c == '-')
            c = '_';
    static const char* const ends[] = {"CloseText", "Sigterm", "Sigint", "Sighup"};
    return f + "_" + ends[int(std::get<1>(p.param))];
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ServerFault,
    ::testing::Values(FaultCase{"dead", End::CloseText}, FaultCase{"dead", End::Term},
                      FaultCase{"unplugged", End::CloseText}, FaultCase{"unplugged", End::Term},
                      FaultCase{"stuck-busy", End::CloseText}, FaultCase{"stuck-busy", End::Term},
                      FaultCase{"dead", End::Int}, FaultCase{"unplugged", End::Hup}),
    CaseName);

TEST(ServerFaultLocal, TheNoticeCrossesTheLocalLinkAndTheChannelIsFreedAtTheEnd) {
    QTemporaryDir dir;
    {
        LocalDisplay display(dir.path());
        Server server(dir.path(), "DDE", {"--sim-fault", "dead"});
        ASSERT_GE(display.WaitReport(0, [](const Report& r) {
            return r.code() == msg::kStateinfo && r.num(1) == 95;
        }), 0);
        ::kill(pid_t(server.process().processId()), SIGTERM);
        ASSERT_TRUE(server.WaitEnded(5000));
        EXPECT_EQ(server.process().exitCode(), 0);
    }
    // A new server takes the channel over and measures.
    LocalDisplay display(dir.path());
    Server server(dir.path(), "DDE");
    EXPECT_GE(display.WaitReport(0, [](const Report& r) { return r.data(); }), 0);
}

TEST(ServerFaultOption, IsCheckedAndExplained) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral(BRINDLEV1), {"&H378,148.3419,1", "--no-window", "--sim-fault", "broken"});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 2);
    EXPECT_TRUE(p.readAll().contains("--sim-fault broken: use dead, unplugged or stuck-busy"));

    QProcess help;
    help.start(QStringLiteral(BRINDLEV1), {"--help"});
    ASSERT_TRUE(help.waitForFinished(10000));
    const QByteArray text = help.readAllStandardOutput();
    EXPECT_TRUE(text.contains("--sim-fault")) << text.toStdString();
    EXPECT_TRUE(text.contains("stuck-busy")) << text.toStdString();
}

TEST(ServerPortText, ANonNumberOrALowBaseIsRefusedBeforeAnyAccess) {
    for (const char* text : {"0x378", "LPT1", "&H20"}) {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        // A trace file would record any access: none may be made.
        QTemporaryDir dir;
        const QString trace = dir.filePath("trace.txt");
        p.start(QStringLiteral(BRINDLEV1), {QString(text) + ",148.3419,1", "--no-window",
                                            "--virtual-time", "--trace", trace});
        ASSERT_TRUE(p.waitForFinished(10000));
        EXPECT_EQ(p.exitCode(), 2) << text;
        const QString out = QString::fromLocal8Bit(p.readAll());
        EXPECT_TRUE(out.contains(QString("\"") + text + "\"")) << out.toStdString();
        EXPECT_FALSE(QFile::exists(trace)) << text;
    }
}

} // namespace
