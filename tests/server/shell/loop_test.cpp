// The shell with its scan loop running, in-process: a test listener on a
// loopback port stands for the display program. Everything runs on this
// thread inside the loop's yields; a watchdog ends the server if a stage
// never comes, so a fault fails the test instead of hanging it.
#include "shell_rig.h"

#include "link/messages.h"
#include "link/text_rules.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using shelltest::ShellRig;

namespace {

struct Report {
    int code = 0;
    int ta = -1;
    int row = -1;
};

// The display side: accepts the server's connection, splits the reports and
// calls `onReport` for each.
struct Display {
    QTcpServer listener;
    QTcpSocket* conn = nullptr;
    msg::FrameBuffer rx;
    std::vector<Report> reports;
    std::function<void(const Report&)> onReport;

    Display() {
        listener.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&listener, &QTcpServer::newConnection, [this] {
            conn = listener.nextPendingConnection();
            QObject::connect(conn, &QTcpSocket::readyRead, [this] { Read(); });
        });
    }
    std::string port() const { return std::to_string(listener.serverPort()); }
    void Send(const char* text) {
        conn->write(text);
        conn->flush();
    }
    void Read() {
        const QByteArray d = conn->readAll();
        rx.Append(std::string_view(d.constData(), size_t(d.size())));
        std::string m;
        while (rx.Next(m)) {
            const msg::Fields f = msg::SplitFields(m);
            Report r;
            r.code = msg::CodeOf(f);
            if (r.code == msg::kDataReady) {
                r.ta = int(txt::Val(f[1]));
                r.row = int(txt::Val(f[2]));
            }
            reports.push_back(r);
            if (onReport)
                onReport(r);
        }
    }
};

} // namespace

TEST(ShellLoop, StopNewScanAndRestartFromTheEventLoop) {
    Display display;
    ShellRig rig(display.port());
    auto& sh = *rig.shell;
    ASSERT_TRUE(sh.Form_Load());
    QSignalSpy ended(&sh, &shell::ServerShell::Ended);
    bool watchdog = false;
    QTimer::singleShot(30000, &sh, [&] { watchdog = true; sh.Form_Unload(); });

    int stage = 0;
    std::vector<Report> table1, afterRestart;
    bool table0AfterSwitch = false;
    QTimer poll;
    display.onReport = [&](const Report& r) {
        if (stage == 0 && r.code == msg::kDataReady && r.ta == 0 && r.row == 10) {
            // A new table 1, then stop and new scan of table 1 in one piece.
            display.Send("0001  1  3  1000000  2000000  3  0  24  0  0  0  0  0  #0006 #0005  1 #");
            stage = 1;
        } else if (stage == 1) {
            if (r.code == msg::kDataReady && r.ta == 1)
                table1.push_back(r);
            else if (r.code == msg::kDataReady && !table1.empty())
                table0AfterSwitch = true;
            if (r.code == msg::kEndScan && !table1.empty()) {
                display.Send("0006 #");
                stage = 2;
                // Once the loop has really ended (seen from the top of the
                // event loop), a NewScan must start it again.
                poll.setInterval(1);
                QObject::connect(&poll, &QTimer::timeout, [&] {
                    if (stage == 2 && !sh.loopActive()) {
                        poll.stop();
                        stage = 3;
                        display.Send("0005  0 #");
                    }
                });
                poll.start();
            }
        } else if (stage == 3 && r.code == msg::kDataReady &&
                   (r.ta == 0 || !afterRestart.empty())) {
            // Table-1 reports sent before the stop may still be on their way.
            afterRestart.push_back(r);
            if (afterRestart.size() == 3) {
                display.Send("99#");
                stage = 4;
            }
        }
    };
    EXPECT_TRUE(ended.wait(40000));
    EXPECT_FALSE(watchdog);
    EXPECT_EQ(stage, 4);
    // Table 1 ran from row 0 to its end (entries 0..4, rows 0..9), in order.
    ASSERT_EQ(table1.size(), 10u);
    for (size_t i = 0; i < table1.size(); ++i)
        EXPECT_EQ(table1[i].row, int(i));
    EXPECT_FALSE(table0AfterSwitch);
    ASSERT_EQ(afterRestart.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(afterRestart[i].ta, 0);
        EXPECT_EQ(afterRestart[i].row, int(i));
    }
    EXPECT_FALSE(sh.loopActive());
    EXPECT_EQ(ended.at(0).at(0).toInt(), 0);
}

TEST(ShellLoop, TheDisplayClosingTheConnectionEndsTheServer) {
    Display display;
    ShellRig rig(display.port());
    auto& sh = *rig.shell;
    ASSERT_TRUE(sh.Form_Load());
    QSignalSpy ended(&sh, &shell::ServerShell::Ended);
    bool watchdog = false;
    QTimer::singleShot(30000, &sh, [&] { watchdog = true; sh.Form_Unload(); });
    display.onReport = [&](const Report& r) {
        if (r.code == msg::kDataReady && r.row == 3 && display.conn->isOpen())
            display.conn->close();
    };
    EXPECT_TRUE(ended.wait(40000));
    EXPECT_FALSE(watchdog);
    EXPECT_TRUE(sh.status().Command1 == " Connected" || sh.status().Command1.startsWith("Table"));
    EXPECT_FALSE(sh.loopActive());
}

TEST(ShellLoop, PausedSendingDropsReportsUntilResumed) {
    Display display;
    ShellRig rig(display.port());
    auto& sh = *rig.shell;
    ASSERT_TRUE(sh.Form_Load());
    QSignalSpy ended(&sh, &shell::ServerShell::Ended);
    QTimer::singleShot(30000, &sh, [&] { sh.Form_Unload(); });
    constexpr int kRows = 1004; // entries 0..501 of the table below
    auto distance = [](int from, int to) { return (to - from + kRows) % kRows; };
    int stage = 0;
    int pausedRow = -1, resumeRow = -1;
    std::vector<int> rows;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        const int row = sh.engine().ReadRow();
        if (stage == 2 && sh.SendPaused()) {
            pausedRow = row;
            stage = 3;
        } else if (stage == 3 && distance(pausedRow, row) > 100) {
            resumeRow = row;
            display.Send("0008 #");
            stage = 4;
            poll.stop();
        }
    });
    display.onReport = [&](const Report& r) {
        if (r.code != msg::kDataReady)
            return;
        if (stage == 0) {
            // A long table 1 (entries 0..501), started from row 0.
            display.Send("0001  1  500  1000000  600000000  3  0  24  0  0  0  0  0  #0005  1 #");
            stage = 1;
        } else if (stage == 1 && r.ta == 1 && r.row == 4) {
            display.Send("0007 #");
            stage = 2;
            poll.start(1);
        } else if (stage >= 2) {
            rows.push_back(r.row);
            if (stage == 4 && rows.size() > 2 &&
                distance(rows[rows.size() - 2], rows.back()) != 1) {
                display.Send("99#"); // the first report after the gap
                stage = 5;
            }
        }
    };
    EXPECT_TRUE(ended.wait(40000));
    EXPECT_EQ(stage, 5);
    // Reports sent before the pause took effect may arrive late, but they
    // follow each other row by row; the rows measured while paused (more
    // than 100, possibly over several rounds of the table) are missing:
    // exactly one break in the sequence.
    int gaps = 0;
    for (size_t i = 1; i < rows.size(); ++i)
        gaps += distance(rows[i - 1], rows[i]) != 1;
    EXPECT_EQ(gaps, 1) << "paused at row " << pausedRow << ", resumed at row " << resumeRow;
}
