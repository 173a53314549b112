// The session against the real server on the simulated analyser (virtual
// time), over both links: what the live list holds once the user's first
// sweep has come in.
#include "display/app/master_session.h"
#include "display/calib/calib_table.h"
#include "display/graph/skala.h"
#include "display/measure/point_list.h"
#include "tests/display/app/wait_until.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

int argc = 1;
char arg0[] = "session_system_test";
char* argv[] = {arg0, nullptr};

struct Quiet : MainWindowView {
    void Message(const QString&) override {}
    void SetCaption(const QString&) override {}
    void Status(const QString&) override {}
    void VnaMessureCaption(const QString&) override {}
    void ConfigDoneRed(bool) override {}
};

class SessionSystem : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        static QCoreApplication* app = new QCoreApplication(argc, argv);
        (void)app;
        // Channels and presence of this test's own.
        QDir(dir.path()).mkdir("runtime");
        QFile::setPermissions(dir.filePath("runtime"), QFileDevice::ReadOwner |
                                                           QFileDevice::WriteOwner |
                                                           QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", dir.filePath("runtime").toLocal8Bit());
        QFile::copy(VNA_SOURCE_DIR "/data/Master.cd", dir.filePath("Master.cd"));
        QFile cfg(dir.filePath("tavrel.Cfg"));
        ASSERT_TRUE(cfg.open(QIODevice::WriteOnly));
        cfg.write(GetParam() ? "Protocol=DDE\n" : "Protocol=TCPIP\nTCPIPPort=0\n");
    }
    QTemporaryDir dir;
};

} // namespace

TEST_P(SessionSystem, AfterTheFirstUserSweepEveryLivePointIsOneOfTheUsersPoints) {
    auto s = std::make_unique<MeasureState>();
    auto cal = std::make_unique<CalibTable>();
    MasterSession m(*s, *cal);
    Quiet quiet;
    m.setMainWindow(&quiet);
    StartOptions o;
    o.workDir = dir.path();
    o.serverPath = BRINDLEV1_PATH;
    o.serverWindow = false;
    o.serverOptions << "--virtual-time";
    m.setOptions(o);
    ASSERT_TRUE(m.Startup()) << m.lastError().toStdString();
    const int32_t start = m.Scales(4).min(), end = m.Scales(4).max();
    const int32_t step = (end - start) / s->VnaScanSize;

    // The user's first sweep: from its first measured row (the start
    // frequency, the user's switch word, speed and time) to its end.
    bool begun = false, done = false;
    QObject::connect(&m, &MasterSession::RecordArriving, [&](const VnaDataRec& r) {
        if (r.table == 0 && r.idx == 2 && r.Phase == 0 && r.Qrg == start &&
            r.B[0] == s->ControlBytes[0] && r.Speed == s->SpeedSelected &&
            r.Time == s->FilterTime)
            begun = true;
    });
    QObject::connect(&m, &MasterSession::ScanEnded, [&] { done = done || begun; });
    ASSERT_TRUE(WaitUntil([&] { return done; }, 60000)) << "no complete user sweep";

    int points = 0;
    for (int16_t p = NextLive(*s, kLowerEnd); p != kUpperEnd; p = NextLive(*s, p)) {
        const int32_t f = s->QrgPoints[p].Qrg;
        EXPECT_TRUE(f >= start && f <= end && (f - start) % step == 0)
            << "live point at " << f << " is not in the sweep " << start << ".." << end;
        ++points;
    }
    EXPECT_EQ(points, s->VnaScanSize + 1);
    m.Shutdown();
}

INSTANTIATE_TEST_SUITE_P(Links, SessionSystem, ::testing::Values(true, false),
                         [](const auto& p) { return p.param ? "LocalLink" : "Tcp"; });
