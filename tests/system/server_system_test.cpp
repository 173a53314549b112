// brindlev1 as a separate process in virtual time, driven over TCP (plain,
// and with TLS and the link key) and over the local link as the display
// program drives it.
#include "server_rig.h"

#include "link/presence.h"

#include <gtest/gtest.h>

#include <memory>

using namespace systest;

namespace {

enum class Link { Tcp, Tls, Local };

class ServerSystem : public ::testing::TestWithParam<Link> {
protected:
    void SetUp() override {
        QStringList extra;
        if (GetParam() == Link::Tcp) {
            display = std::make_unique<TcpDisplay>();
        } else if (GetParam() == Link::Tls) {
            const QString key = MakeKey(dir, "link.key");
            display = std::make_unique<TlsDisplay>(*lnk::LoadKeyFile(key, nullptr));
            extra << "--key" << key;
        } else {
            display = std::make_unique<LocalDisplay>(dir.path());
        }
        server = std::make_unique<Server>(dir.path(), display->protocol(), extra);
        ASSERT_TRUE(server->running());
        if (GetParam() == Link::Tcp) {
            ASSERT_TRUE(static_cast<TcpDisplay&>(*display).WaitConnected());
        } else if (GetParam() == Link::Tls) {
            ASSERT_TRUE(static_cast<TlsDisplay&>(*display).WaitConnected());
        }
        ASSERT_GE(display->WaitReport(0, [](const Report& r) { return r.data(); }), 0)
            << "no report from the server";
    }
    void TearDown() override {
        server.reset(); // kills it if a test left it running
        display.reset();
    }
    void Send(const std::string& command) { display->Send(msg::WithTerminator(command)); }

    QTemporaryDir dir;
    std::unique_ptr<Display> display;
    std::unique_ptr<Server> server;
};

// The default table of setphys: SetUpScan(0, 100, 490000, 600000000, 3, 20,
// 24, 255 x5): entry k at 490000 + (k-1) * 5995100, entry 0 the reference.
std::string ExpectedDefaultRow(int row, int32_t dat) {
    const int k = row / 2;
    const int32_t f = int32_t(txt::RoundHalfEven(490000 + k * 5995100.0 - 5995100.0));
    std::string s = msg::DataReady(0, int16_t(row), f, int16_t(row % 2 ? 8 : 0), dat,
                                   int16_t(row), 3, 24, int16_t(k == 0 ? 40 : 20), 255, 255,
                                   255, 255, 255);
    s.pop_back(); // the "#"
    return s;
}

} // namespace

TEST_P(ServerSystem, ReportsTheDefaultTableRowByRowByteExact) {
    // From the first row 0 on: rows 0..203 in order, "1002 #" after the
    // last, then the next sweep from row 0; rate reports in between.
    const int first = display->WaitReport(0, [](const Report& r) { return r.data() && r.row() == 0; });
    ASSERT_GE(first, 0);
    int end2 = -1;
    ASSERT_TRUE(WaitFor([&] {
        int ends = 0;
        for (size_t i = size_t(first); i < display->reports.size(); ++i)
            if (display->reports[i].code() == msg::kEndScan && ++ends == 2) {
                end2 = int(i);
                return true;
            }
        return false;
    }, 30000));
    int expectedRow = 0, rates = 0, ends = 0;
    for (int i = first; i <= end2; ++i) {
        const Report& r = display->reports[size_t(i)];
        switch (r.code()) {
        case msg::kDataReady: {
            ASSERT_EQ(r.text, ExpectedDefaultRow(expectedRow, r.num(5))) << "report " << i;
            ASSERT_TRUE(txt::FieldToInt32(r.field(5))) << r.text;
            expectedRow = expectedRow == 203 ? -1 : expectedRow + 1;
            break;
        }
        case msg::kEndScan:
            ASSERT_EQ(r.text, "1002 ");
            ASSERT_EQ(expectedRow, -1) << "end of scan not right after row 203";
            expectedRow = 0;
            ++ends;
            break;
        case msg::kRateinfo: {
            const auto rat = txt::FieldToInt16(r.field(1));
            ASSERT_TRUE(rat) << r.text;
            std::string want = msg::Rateinfo(*rat);
            want.pop_back();
            EXPECT_EQ(r.text, want);
            ++rates;
            break;
        }
        default:
            FAIL() << "unexpected report " << r.text;
        }
    }
    EXPECT_EQ(ends, 2);
    EXPECT_GE(rates, 2 * 20); // one every ten rows
}

TEST_P(ServerSystem, CommandsChangeWhatIsMeasured) {
    // SetUpScan with 10 steps (speed 1, B0 4): rows 0..23 per sweep. Over
    // the local link the loop may measure rows of the new table before the
    // NewScan arrives; from the new table's row 0 on the sweep is whole.
    size_t from = display->reports.size();
    Send(msg::SetUpScan(0, 10, 1000000, 11000000, 1, 0, 24, 4, 0, 0, 0, 0));
    Send(msg::NewScan(0));
    auto isNew = [](const Report& r) { return r.data() && r.row() == 0 && r.num(7) == 1; };
    int i = display->WaitReport(from, isNew);
    ASSERT_GE(i, 0);
    // A second end of scan: the sweep before it is surely whole.
    int end = display->WaitReport(size_t(i), [](const Report& r) { return r.code() == msg::kEndScan; });
    ASSERT_GT(end, i);
    end = display->WaitReport(size_t(end + 1), [](const Report& r) { return r.code() == msg::kEndScan; });
    ASSERT_GT(end, i);
    const auto sweep = display->SweepBefore(end);
    ASSERT_EQ(sweep.size(), 24u);
    for (size_t k = 0; k < sweep.size(); ++k) {
        const Report& r = *sweep[k];
        EXPECT_EQ(r.row(), int(k));
        EXPECT_EQ(r.num(7), 1);  // speed
        EXPECT_EQ(r.num(10), 4); // B0
        EXPECT_EQ(r.num(3), int(txt::RoundHalfEven(1000000 + (r.row() / 2 - 1) * 1000000.0)));
    }

    // An edit of B0 shows in the next reports of that row.
    from = display->reports.size();
    Send(msg::EditEntry(0, 6, "B0", 12));
    EXPECT_GE(display->WaitReport(from, [](const Report& r) {
        return r.data() && r.row() == 6 && r.num(10) == 12;
    }), 0);

    // A stop stops: no more rows.
    Send(msg::Stopscan());
    EXPECT_TRUE(display->WaitQuiet(500, 10000));

    // NewScan 1 scans table 1 (set up first), from row 0.
    from = display->reports.size();
    Send(msg::SetUpScan(1, 3, 5000000, 8000000, 2, 0, 24, 8, 1, 2, 3, 4));
    Send(msg::NewScan(1));
    i = display->WaitReport(from, [](const Report& r) { return r.data(); });
    ASSERT_GE(i, 0);
    const Report& r = display->reports[size_t(i)];
    EXPECT_EQ(r.ta(), 1);
    EXPECT_EQ(r.row(), 0);
    end = display->WaitReport(size_t(i), [](const Report& x) { return x.code() == msg::kEndScan; });
    ASSERT_GT(end, i);
    int rows = 0;
    for (int k = i; k < end; ++k)
        if (display->reports[size_t(k)].data()) {
            EXPECT_EQ(display->reports[size_t(k)].ta(), 1);
            EXPECT_EQ(display->reports[size_t(k)].num(14), 4); // B4
            ++rows;
        }
    EXPECT_EQ(rows, 10);
    EXPECT_TRUE(server->running());
}

TEST_P(ServerSystem, CloseTextEndsTheServerWithinASecond) {
    display->Send(msg::StopText()); // "99#"
    ASSERT_TRUE(server->WaitEnded(1000));
    EXPECT_EQ(server->process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(server->process().exitCode(), 0);
}

TEST_P(ServerSystem, TheDisplayGoingAwayEndsTheServer) {
    display->Hangup();
    ASSERT_TRUE(server->WaitEnded(5000));
    EXPECT_EQ(server->process().exitCode(), 0);
}

TEST_P(ServerSystem, ARunningServerIsVisibleToTheUser) {
    EXPECT_TRUE(lnk::ProgramPresence::IsRunning("BrindleV1", dir.path()));
    display->Send(msg::StopText());
    ASSERT_TRUE(server->WaitEnded(5000));
    EXPECT_FALSE(lnk::ProgramPresence::IsRunning("BrindleV1", dir.path()));
}

std::string LinkName(const ::testing::TestParamInfo<Link>& p) {
    return p.param == Link::Tcp ? "Tcp" : p.param == Link::Tls ? "TcpWithTls" : "LocalLink";
}

INSTANTIATE_TEST_SUITE_P(Links, ServerSystem, ::testing::Values(Link::Tcp, Link::Tls, Link::Local),
                         LinkName);

TEST(ServerStart, APortThatCannotBeOpenedIsAnErrorNamingTheDevice) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral(BRINDLEV1),
            {"&H378,148.3419,1", "--no-window", "--driver", "ppdev:/dev/no-such-parport"});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_NE(p.exitCode(), 0);
    const QString out = QString::fromLocal8Bit(p.readAll());
    EXPECT_TRUE(out.contains("/dev/no-such-parport")) << out.toStdString();
    EXPECT_TRUE(out.contains("No such file or directory")) << out.toStdString();

    QProcess bad;
    bad.setProcessChannelMode(QProcess::MergedChannels);
    bad.start(QStringLiteral(BRINDLEV1), {"--no-window", "--noise", "sometimes", "a,b,1"});
    ASSERT_TRUE(bad.waitForFinished(10000));
    EXPECT_EQ(bad.exitCode(), 2);
    EXPECT_TRUE(bad.readAll().contains("--noise"));
}

TEST(ServerStart, NoDisplayProgramToReachEndsAServerWithoutWindow) {
    QTemporaryDir dir;
    // TCP: nobody listens on the port.
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    const std::string port = std::to_string(probe.serverPort());
    probe.close();
    Server tcp(dir.path(), port);
    ASSERT_TRUE(tcp.WaitEnded(10000));
    EXPECT_NE(tcp.process().exitCode(), 0);
    // Local link: no "Display" channel.
    Server local(dir.path(), "DDE");
    ASSERT_TRUE(local.WaitEnded(10000));
    EXPECT_NE(local.process().exitCode(), 0);
}

TEST(ServerStart, ASecondServerCannotTakeTheLocalChannel) {
    QTemporaryDir dir;
    LocalDisplay display(dir.path());
    Server first(dir.path(), "DDE");
    ASSERT_GE(display.WaitReport(0, [](const Report& r) { return r.data(); }), 0);
    Server second(dir.path(), "DDE");
    ASSERT_TRUE(second.WaitEnded(10000));
    EXPECT_NE(second.process().exitCode(), 0);
    EXPECT_TRUE(first.running());
}

TEST(ServerStart, WithoutADisplayItRunsWindowlessAndPrintsNothing) {
    QTemporaryDir dir;
    TcpDisplay display;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(v);
    env.insert("XDG_RUNTIME_DIR", dir.path());
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral(BRINDLEV1),
            {"&H378,148.3419," + QString::fromStdString(display.protocol()), "--virtual-time"});
    ASSERT_TRUE(display.WaitConnected());
    ASSERT_GE(display.WaitReport(0, [](const Report& r) { return r.code() == msg::kEndScan; }), 0);
    display.Send(msg::StopText());
    ASSERT_TRUE(WaitFor([&] { return p.state() == QProcess::NotRunning; }, 5000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_EQ(p.readAll(), QByteArray());
}
