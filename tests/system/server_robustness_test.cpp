// 10 000 random and malformed messages, mixed with valid ones, sent to the
// real server over TCP: it keeps scanning and still obeys valid commands.
#include "server_rig.h"

#include <gtest/gtest.h>

#include <QFile>

#include <random>

#include <signal.h>

using namespace systest;

namespace {

// Messages that would legitimately stop the scan or end the server are not
// sent (the test is about surviving the rest): Stopscan, pause, "99",
// NewScan of table 1 (which random edits may leave without rows).
bool Harmless(const std::string& body) {
    const msg::Fields f = msg::SplitFields(body);
    const int code = msg::CodeOf(f);
    if (code == msg::kStopscan || code == msg::kStopTcp || code == msg::kClose)
        return false;
    if (code == msg::kNewScan && txt::Val(f[1]) != 0)
        return false;
    // Edits of table 0 could skip every row; the random ones go to table 1.
    if (code >= msg::kSetUpScan && code <= msg::kMarkEnd && txt::Val(f[1]) == 0)
        return false;
    return true;
}

class Generator {
public:
    explicit Generator(uint32_t seed) : rng_(seed) {}

    std::string Message() {
        std::string body;
        do {
            body = Body();
        } while (!Harmless(body));
        return body + "#";
    }

private:
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    std::string Number() {
        static const char* const odd[] = {"", "-", "x", "1e9", "99999999999", "-40000",
                                          "40000", "&HFFFF", "&O777", "2.5", "1.#", "0x10",
                                          "3000000000", "-2147483649", "NaN", "+"};
        switch (Pick(3)) {
        case 0: return odd[Pick(16)];
        case 1: return txt::N(std::uniform_int_distribution<int>(-40000, 40000)(rng_));
        default: return txt::N(Pick(1200));
        }
    }
    std::string Bytes(int n) {
        std::string s;
        for (int i = 0; i < n; ++i) {
            char c = char(Pick(256));
            if (c == '#')
                c = ' ';
            s += c;
        }
        return s;
    }
    std::string Body() {
        static const char* const names[] = {"adcspeed", "rf", "RFPH", "lo", "LOPH", "Tag",
                                            "VNATime", "ADCBits", "Phase", "Skip", "End", "B0",
                                            "B1", "B2", "B3", "B4", "bogus", ""};
        static const char* const fixtures[] = {"THRU", "OPEND", "OPEN", "SHORT", "LOAD",
                                               "DUT", "short", "NONE", ""};
        switch (Pick(10)) {
        case 0: return Bytes(Pick(300));                    // random bytes, zeros included
        case 1: return std::string(size_t(Pick(3000)), ' ');  // blanks only
        case 2: {                                             // a command with odd fields
            std::string s = "000" + std::to_string(1 + Pick(5));
            const int n = Pick(16);
            for (int i = 0; i < n; ++i)
                s += (i == 0 ? " 1" : " " + Number());
            return s;
        }
        case 3: {                                             // an edit of table 1
            return msg::EditEntry(1, int16_t(Pick(1300)), names[Pick(18)],
                                  std::uniform_int_distribution<int>(-70000, 70000)(rng_));
        }
        case 4: {                                             // more than 101 fields
            std::string s = "0003  1  2  B0  7";
            for (int i = Pick(400); i > 0; --i)
                s += " " + Number();
            return s;
        }
        case 5: return std::to_string(Pick(2000)) + " " + Bytes(Pick(20)); // any code
        case 6: return msg::Mount(fixtures[Pick(9)]);
        case 7:                                               // valid commands
            switch (Pick(4)) {
            case 0: return msg::SetUpEntry(1, int16_t(Pick(600)), 1000000 + Pick(600000000),
                                           int16_t(Pick(4)), int16_t(Pick(30)), 24, 0,
                                           int16_t(Pick(256)), 0, 0, 0, 0);
            case 1: return msg::MarkEnd(1, int16_t(Pick(600)));
            case 2: return msg::StartTcp();
            default: return msg::SetUpScan(1, int16_t(1 + Pick(300)), 1000000, 60000000,
                                           int16_t(Pick(4)), 0, 24, 4, 0, 0, 0, 0);
            }
        case 8: return std::string(size_t(2000 + Pick(4000)), char('0' + Pick(10))); // overlong
        default: {                                            // a cut-off report or command
            std::string s = msg::DataReady(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13);
            return s.substr(0, size_t(Pick(int(s.size()))));
        }
        }
    }

    std::mt19937 rng_;
};

} // namespace

TEST(ServerRobustness, SurvivesTenThousandMalformedMessagesAndStillObeys) {
    QTemporaryDir dir;
    TcpDisplay display;
    Server server(dir.path(), display.protocol());
    ASSERT_TRUE(display.WaitConnected());
    ASSERT_GE(display.WaitReport(0, [](const Report& r) { return r.data(); }), 0);

    Generator gen(20240611);
    std::mt19937 cut(7);
    const size_t before = display.CountData();
    std::string pending;
    constexpr int kMessages = 10000;
    for (int m = 0; m < kMessages; ++m) {
        pending += gen.Message();
        // Pieces of random length: messages split and run together.
        if (pending.size() > 512 || m == kMessages - 1) {
            while (!pending.empty()) {
                const size_t n = std::min(pending.size(), size_t(1 + cut() % 700));
                display.Send(pending.substr(0, n));
                pending.erase(0, n);
            }
            QCoreApplication::processEvents(); // keep reading the reports
        }
        ASSERT_TRUE(server.running()) << "server ended at message " << m;
    }
    // Still scanning: rows keep coming after the barrage.
    const size_t afterBarrage = display.CountData();
    EXPECT_TRUE(WaitFor([&] { return display.CountData() > afterBarrage + 100; }, 20000))
        << "server running: " << server.running() << ", last report: "
        << (display.reports.empty() ? std::string("none") : display.reports.back().text);
    EXPECT_GT(afterBarrage, before);

    // And still obeying: a 10-step sweep at speed 1 with B0 = 4, then an edit.
    const size_t from = display.reports.size();
    display.Send(msg::WithTerminator(msg::SetUpScan(0, 10, 1000000, 11000000, 1, 0, 24, 4, 0, 0, 0, 0)));
    display.Send(msg::WithTerminator(msg::NewScan(0)));
    // (The two commands may be handled at different yields: rows of the new
    // table can come before its row 0.)
    const int i = display.WaitReport(from, [](const Report& r) {
        return r.data() && r.row() == 0 && r.num(7) == 1;
    });
    ASSERT_GE(i, 0);
    // The first whole sweep of the new table: rows 0..23.
    int end = display.WaitReport(size_t(i), [](const Report& r) { return r.code() == msg::kEndScan; });
    ASSERT_GT(end, i);
    end = display.WaitReport(size_t(end + 1), [](const Report& r) { return r.code() == msg::kEndScan; });
    ASSERT_GT(end, i);
    const auto sweep = display.SweepBefore(end);
    ASSERT_EQ(sweep.size(), 24u);
    for (size_t k = 0; k < sweep.size(); ++k) {
        EXPECT_EQ(sweep[k]->row(), int(k));
        EXPECT_EQ(sweep[k]->num(7), 1);
    }
    display.Send(msg::WithTerminator(msg::EditEntry(0, 4, "B0", 9)));
    EXPECT_GE(display.WaitReport(size_t(end), [](const Report& r) {
        return r.data() && r.row() == 4 && r.num(10) == 9;
    }), 0);
    display.Send(msg::StopText());
    EXPECT_TRUE(server.WaitEnded(5000));
    EXPECT_EQ(server.process().exitCode(), 0);
}

// A display program that stops reading fills the connection; the server
// then waits for room instead of queueing without bound, without calling the
// wait a socket error, and meanwhile still takes the end text or a signal.
TEST(ServerBackpressure, AFullConnectionStillTakesCommandsAndEnds) {
    for (const bool bySignal : {false, true}) {
        SCOPED_TRACE(bySignal ? "SIGTERM" : "end text");
        QTemporaryDir dir;
        QTcpServer listener;
        ASSERT_TRUE(listener.listen(QHostAddress::LocalHost, 0));
        Server server(dir.path(), std::to_string(listener.serverPort()), {}, true, true);
        ASSERT_TRUE(WaitFor([&] { return listener.hasPendingConnections(); }, 10000));
        QTcpSocket* c = listener.nextPendingConnection();
        c->setReadBufferSize(1024); // takes no more than that from the system: never read
        const auto send = [c](const std::string& text) {
            c->write(text.data(), qint64(text.size()));
            c->flush();
        };
        // The fastest sweep there is, in virtual time: megabytes a second.
        send(msg::WithTerminator(msg::SetUpScan(0, 100, 490000, 600000000, 0, 0, 24, 255, 255,
                                                255, 255, 255)));
        send(msg::WithTerminator(msg::NewScan(0)));
        // Full when the server's processor time stops growing: it is waiting.
        const auto cpu = [&] {
            QFile f(QStringLiteral("/proc/%1/schedstat").arg(server.process().processId()));
            return f.open(QIODevice::ReadOnly) ? f.readAll().split(' ').value(0).toLongLong() : -1;
        };
        qint64 before = -2;
        ASSERT_TRUE(WaitFor([&] {
            const qint64 now = cpu();
            const bool still = now >= 0 && now - before < 20'000'000; // under 20 ms in 300 ms
            before = now;
            WaitFor([] { return false; }, 300);
            return still;
        }, 30000)) << "the server never waited for the connection";
        ASSERT_TRUE(server.running());
        WaitFor([] { return false; }, 500);
        EXPECT_FALSE(server.errorOutput().contains("error")) << server.errorOutput().toStdString();
        if (bySignal)
            ::kill(pid_t(server.process().processId()), SIGTERM);
        else
            send(msg::StopText());
        ASSERT_TRUE(server.WaitEnded(5000)) << "the server did not end while its connection was full";
        EXPECT_EQ(server.process().exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(server.process().exitCode(), 0);
    }
}
