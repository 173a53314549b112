#include "link/cli_srv.h"
#include "link/local_names.h"
#include "link/presence.h"

#include <QFile>
#include <QLocalSocket>
#include <QMutex>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>

#include <gtest/gtest.h>

#include <functional>

using lnk::CliSrv;

namespace {

// The other program: a CliSrv on its own thread with its own event loop, so
// that a send from the test thread really waits for it.
class Peer : public QThread {
public:
    using Handler = std::function<void(CliSrv&, const QByteArray&)>;
    Peer(QString own, QString peer, QString dir, Handler h = {})
        : own_(std::move(own)), peer_(std::move(peer)), dir_(std::move(dir)), h_(std::move(h)) {
        start();
        ready_.acquire();
    }
    ~Peer() override { Stop(); }
    void Stop() {
        quit();
        wait();
    }
    QList<QByteArray> received() {
        QMutexLocker l(&m_);
        return got_;
    }
    bool opened() const { return opened_; }

protected:
    void run() override {
        CliSrv s(own_, peer_, dir_);
        opened_ = s.Open();
        QObject::connect(&s, &CliSrv::MsgData, &s, [&](const QByteArray& t) {
            if (h_)
                h_(s, t);
            QMutexLocker l(&m_);
            got_.append(t);
        });
        ready_.release();
        exec();
    }

private:
    QString own_, peer_, dir_;
    Handler h_;
    QSemaphore ready_;
    QMutex m_;
    QList<QByteArray> got_;
    bool opened_ = false;
};

QByteArray Word(quint32 v) {
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

} // namespace

TEST(CliSrv, DeliversSynchronouslyUpTo254Characters) {
    QTemporaryDir dir;
    // A slow receive routine: the send must still return only after it.
    Peer server("VNAIO", "Display", dir.path(), [](CliSrv&, const QByteArray&) {
        QThread::msleep(20);
    });
    ASSERT_TRUE(server.opened());
    CliSrv display("Display", "VNAIO", dir.path());
    ASSERT_TRUE(display.Open());

    EXPECT_EQ(display.SendMsgData("0005  1  #"), CliSrv::Send::Delivered);
    EXPECT_EQ(server.received(), QList<QByteArray>{"0005  1  #"});

    const QByteArray longest(254, 'a');
    EXPECT_EQ(display.SendMsgData(longest), CliSrv::Send::Delivered);
    ASSERT_EQ(server.received().size(), 2);
    EXPECT_EQ(server.received().at(1), longest);

    // Longer texts are refused whole, nothing is sent.
    EXPECT_EQ(display.SendMsgData(QByteArray(255, 'b')), CliSrv::Send::TooLong);
    EXPECT_EQ(display.SendMsgData(QByteArray(100000, 'b')), CliSrv::Send::TooLong);
    // A zero character cuts the text.
    EXPECT_EQ(display.SendMsgData(QByteArray("ab\0cd #", 7)), CliSrv::Send::Delivered);
    ASSERT_EQ(server.received().size(), 3);
    EXPECT_EQ(server.received().at(2), "ab");
    EXPECT_EQ(display.SendMsgData(""), CliSrv::Send::Delivered);
    EXPECT_EQ(server.received().size(), 4);
}

TEST(CliSrv, SendsFromInsideHandlersDoNotDeadlock) {
    QTemporaryDir dir;
    QList<CliSrv::Send> replies;
    // The server answers every text from inside its receive routine.
    Peer server("VNAIO", "Display", dir.path(), [&](CliSrv& s, const QByteArray& t) {
        replies.append(s.SendMsgData("re:" + t));
    });
    CliSrv display("Display", "VNAIO", dir.path());
    ASSERT_TRUE(display.Open());
    QList<QByteArray> got;
    QObject::connect(&display, &CliSrv::MsgData, [&](const QByteArray& t) {
        got.append(t);
        if (t == "re:ping") { // one level deeper: send again from inside
            EXPECT_EQ(display.SendMsgData("deep"), CliSrv::Send::Delivered);
        }
    });

    EXPECT_EQ(display.SendMsgData("ping"), CliSrv::Send::Delivered);
    // Everything happened before the outer send returned.
    EXPECT_EQ(got, (QList<QByteArray>{"re:ping", "re:deep"}));
    EXPECT_EQ(server.received(), (QList<QByteArray>{"deep", "ping"}));
    server.Stop();
    EXPECT_EQ(replies, (QList<CliSrv::Send>{CliSrv::Send::Delivered, CliSrv::Send::Delivered}));
}

TEST(CliSrv, NoPeerLosesTheTextAndAPeerThatLeavesIsNoticed) {
    QTemporaryDir dir;
    CliSrv display("Display", "VNAIO", dir.path());
    ASSERT_TRUE(display.Open());
    EXPECT_EQ(display.SendMsgData("0006  #"), CliSrv::Send::NoPeer);
    EXPECT_FALSE(display.ConnectPeer());

    auto server = std::make_unique<Peer>("VNAIO", "Display", dir.path());
    EXPECT_TRUE(display.ConnectPeer());
    QSignalSpy gone(&display, &CliSrv::PeerGone);
    server.reset(); // the peer program ends
    EXPECT_TRUE(gone.wait(5000));
    EXPECT_FALSE(display.peerConnected());
    EXPECT_EQ(display.SendMsgData("0006  #"), CliSrv::Send::NoPeer);

    // Closing our own side is not the peer leaving.
    Peer again("VNAIO", "Display", dir.path());
    EXPECT_TRUE(display.ConnectPeer());
    display.Close();
    QCoreApplication::processEvents();
    EXPECT_EQ(gone.count(), 1);
}

// A peer whose receive routine hangs: the send gives up after the time
// limit, the peer counts as gone, and a peer that comes back is served again.
// A peer that keeps sending its own texts while it works is alive, however
// long its answer takes.
TEST(CliSrv, ASendToAPeerThatStopsAnsweringReturns) {
    QTemporaryDir dir;
    QSemaphore release;
    Peer server("VNAIO", "Display", dir.path(), [&](CliSrv& s, const QByteArray& t) {
        if (t == "hang")
            release.acquire();
        if (t == "busy") {
            for (int i = 0; i < 3; ++i) {
                QThread::msleep(CliSrv::kAnswerTimeoutMs * 2 / 5);
                s.SendMsgData("working");
            }
        }
    });
    CliSrv display("Display", "VNAIO", dir.path());
    ASSERT_TRUE(display.Open());
    QList<QByteArray> got;
    QObject::connect(&display, &CliSrv::MsgData, [&](const QByteArray& t) { got.append(t); });
    QSignalSpy gone(&display, &CliSrv::PeerGone);

    EXPECT_EQ(display.SendMsgData("0006  #"), CliSrv::Send::Delivered);
    EXPECT_EQ(display.SendMsgData("hang"), CliSrv::Send::NoAnswer);
    EXPECT_EQ(gone.count(), 1);
    EXPECT_FALSE(display.peerConnected());
    release.release();

    EXPECT_EQ(display.SendMsgData("busy"), CliSrv::Send::Delivered);
    EXPECT_EQ(got, (QList<QByteArray>{"working", "working", "working"}));
    EXPECT_EQ(display.SendMsgData("0005  0  #"), CliSrv::Send::Delivered);
    EXPECT_EQ(server.received(),
              (QList<QByteArray>{"0006  #", "hang", "busy", "0005  0  #"}));
    EXPECT_EQ(gone.count(), 1);
}

TEST(CliSrv, ForeignRecordsAreRefusedWithoutHarm) {
    QTemporaryDir dir;
    Peer server("VNAIO", "Display", dir.path());
    const QString path = lnk::ChannelPath("VNAIO", dir.path());

    // A byte count beyond the 255-byte buffer: the connection is dropped.
    QLocalSocket raw;
    raw.connectToServer(path);
    ASSERT_TRUE(raw.waitForConnected(2000));
    raw.write(Word(3) + Word(1) + Word(300) + QByteArray(300, 'x'));
    raw.flush();
    EXPECT_TRUE(raw.state() == QLocalSocket::UnconnectedState || raw.waitForDisconnected(5000));

    // An identifier other than 3 is answered but not delivered.
    QLocalSocket raw2;
    raw2.connectToServer(path);
    ASSERT_TRUE(raw2.waitForConnected(2000));
    raw2.write(Word(5) + Word(9) + Word(3) + QByteArray("ab\0", 3));
    ASSERT_TRUE(raw2.waitForReadyRead(5000));
    EXPECT_EQ(raw2.readAll(), Word(9));

    // Megabytes of junk: the connection is dropped, memory stays bounded.
    QLocalSocket raw3;
    raw3.connectToServer(path);
    ASSERT_TRUE(raw3.waitForConnected(2000));
    const QByteArray junk(1024 * 1024, 'x');
    for (int i = 0; i < 8 && raw3.state() == QLocalSocket::ConnectedState; ++i) {
        raw3.write(junk);
        raw3.waitForBytesWritten(2000);
    }
    EXPECT_TRUE(raw3.state() == QLocalSocket::UnconnectedState || raw3.waitForDisconnected(5000));

    // The proper peer is still served.
    CliSrv display("Display", "VNAIO", dir.path());
    EXPECT_EQ(display.SendMsgData("0006  #"), CliSrv::Send::Delivered);
    EXPECT_EQ(server.received(), QList<QByteArray>{"0006  #"});
}

TEST(CliSrv, ChannelBelongsToOneLiveProgram) {
    QTemporaryDir dir;
    Peer server("VNAIO", "Display", dir.path());
    CliSrv second("VNAIO", "Display", dir.path());
    QString error;
    EXPECT_FALSE(second.Open(&error));
    EXPECT_TRUE(error.contains("in use")) << error.toStdString();

    // A channel left behind by a program that died is taken over.
    const QString stale = lnk::ChannelPath("Display", dir.path());
    QFile f(stale);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    CliSrv display("Display", "VNAIO", dir.path());
    EXPECT_TRUE(display.Open(&error)) << error.toStdString();
}

TEST(ProgramPresence, TellsWhetherAProgramRuns) {
    QTemporaryDir dir;
    EXPECT_FALSE(lnk::ProgramPresence::IsRunning("BrindleV1", dir.path()));
    {
        lnk::ProgramPresence p("BrindleV1", dir.path());
        EXPECT_TRUE(p.Announce());
        EXPECT_TRUE(lnk::ProgramPresence::IsRunning("BrindleV1", dir.path()));
        EXPECT_FALSE(lnk::ProgramPresence::IsRunning("tavrel13", dir.path()));
        lnk::ProgramPresence second("BrindleV1", dir.path());
        QString error;
        EXPECT_FALSE(second.Announce(&error));
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_FALSE(lnk::ProgramPresence::IsRunning("BrindleV1", dir.path()));
}
