// brindlev1 reaching a display program with the link key (TLS), refusing
// what it must refuse, and, with --stay, outliving its display programs.
#include "server_rig.h"

#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace systest;

namespace {

QByteArray Key(const QString& path) { return *lnk::LoadKeyFile(path, nullptr); }

// Runs brindlev1 with `args` to its end; its exit code and what it printed.
std::pair<int, QString> RunToEnd(const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral(BRINDLEV1), args);
    if (!p.waitForFinished(10000)) {
        p.kill();
        p.waitForFinished();
        return {-1, "did not end"};
    }
    return {p.exitCode(), QString::fromLocal8Bit(p.readAll())};
}

// The last `n` lines of the port trace.
QStringList TraceTail(const QString& path, int n) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QStringList lines = QString::fromLatin1(f.readAll()).split('\n', Qt::SkipEmptyParts);
    return lines.mid(std::max<qsizetype>(0, lines.size() - n));
}

// Access and value of a trace line ("1234 W D 45" -> "W D 45").
QString Access(const QString& line) { return line.section(' ', 1); }

} // namespace

TEST(RemoteServer, AServerWithAnotherKeyIsRefusedAndTheListenerKeepsWaiting) {
    QTemporaryDir dir;
    const QString right = MakeKey(dir, "right.key"), wrong = MakeKey(dir, "wrong.key");
    TlsDisplay display(Key(right));

    // Another key: refused in the handshake; no report ever arrives, and a
    // server without a window and without --stay ends saying why.
    Server intruder(dir.path(), display.protocol(), {"--key", wrong}, true, true);
    ASSERT_TRUE(intruder.WaitEnded(15000));
    EXPECT_EQ(intruder.process().exitCode(), 1);
    EXPECT_TRUE(intruder.errorOutput().contains("refused")) << intruder.errorOutput().toStdString();
    ASSERT_EQ(display.refused.size(), 1u);
    EXPECT_EQ(display.refused[0], "127.0.0.1");
    // A plain server (no key) is refused too.
    Server plain(dir.path(), display.protocol(), {}, true, true);
    ASSERT_TRUE(WaitFor([&] { return display.refused.size() == 2; }, 15000));
    EXPECT_EQ(display.connections, 0);
    EXPECT_TRUE(display.reports.empty());

    // The listener still takes the server with the right key.
    Server good(dir.path(), display.protocol(), {"--key", right});
    ASSERT_TRUE(display.WaitConnected());
    EXPECT_GE(display.WaitReport(0, [](const Report& r) { return r.code() == msg::kEndScan; }), 0);
    EXPECT_EQ(display.connections, 1);
}

TEST(RemoteServer, AStayingServerWaitsForItsDisplayAndScansForTheNextOne) {
    QTemporaryDir dir;
    const QString key = MakeKey(dir, "link.key"), trace = dir.filePath("port.trace");
    QTcpServer probe; // a free port nobody listens on yet
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 port = probe.serverPort();
    probe.close();
    // Real time: the trace stays small.
    Server server(dir.path(), std::to_string(port),
                  {"--stay", "--key", key, "--display", "localhost", "--trace", trace}, false, true);

    // Started before any display program: it keeps trying.
    EXPECT_FALSE(server.WaitEnded(1000));
    auto first = std::make_unique<TlsDisplay>(Key(key), port);
    ASSERT_TRUE(first->WaitConnected(10000)) << server.errorOutput().toStdString();
    ASSERT_GE(first->WaitReport(0, [](const Report& r) { return r.data(); }), 0);

    // The display program goes away: the server stays.
    first->Hangup();
    ASSERT_TRUE(WaitFor([&] { return server.errorOutput().contains("port at rest"); }, 5000))
        << server.errorOutput().toStdString();
    EXPECT_TRUE(server.running());
    first.reset();

    // The next one on the same port gets it within a few seconds and has
    // its own table scanned.
    TlsDisplay second(Key(key), port);
    ASSERT_TRUE(second.WaitConnected(10000)) << server.errorOutput().toStdString();
    second.Send(msg::WithTerminator(msg::SetUpScan(0, 2, 1000000, 3000000, 3, 0, 24, 4, 0, 0, 0, 0)) +
                msg::WithTerminator(msg::NewScan(0)));
    const int row = second.WaitReport(0, [](const Report& r) { return r.data() && r.num(10) == 4; });
    ASSERT_GE(row, 0) << server.errorOutput().toStdString();
    const int end = second.WaitReport(size_t(row), [](const Report& r) { return r.code() == msg::kEndScan; });
    ASSERT_GT(end, row);
    for (const Report* r : second.SweepBefore(end)) {
        EXPECT_EQ(r->num(10), 4); // B0 of the new table
        EXPECT_LE(r->row(), 7);
    }

    // "99#" from a display program that ends does not end a service either.
    second.Send(msg::StopText());
    EXPECT_FALSE(server.WaitEnded(1500));
    ASSERT_TRUE(server.running());
    EXPECT_EQ(server.errorOutput().count("port at rest"), 2) << server.errorOutput().toStdString();
    // A signal ends it; the last the port saw is the resting levels.
    server.process().terminate();
    ASSERT_TRUE(server.WaitEnded(5000));
    EXPECT_EQ(server.process().exitCode(), 0);
    const QStringList tail = TraceTail(trace, 2);
    ASSERT_EQ(tail.size(), 2);
    EXPECT_EQ(Access(tail[0]), "W D 00");
    EXPECT_EQ(Access(tail[1]), "W C 01");
}

TEST(RemoteServer, KeysAndHostsItCannotUseAreRefusedAtTheStart) {
    QTemporaryDir dir;
    const QString key = MakeKey(dir, "link.key");
    const QString arg = "&H378,148.3419,54321";
    for (int mode : {0644, 0640}) {
        ::chmod(QFile::encodeName(key).constData(), mode_t(mode));
        const auto [code, out] = RunToEnd({arg, "--no-window", "--key", key});
        EXPECT_EQ(code, 1) << mode;
        EXPECT_TRUE(out.contains(key) && out.contains("chmod 600")) << out.toStdString();
    }
    const auto [missingCode, missing] = RunToEnd({arg, "--no-window", "--key", dir.filePath("no.key")});
    EXPECT_EQ(missingCode, 1);
    EXPECT_TRUE(missing.contains(dir.filePath("no.key"))) << missing.toStdString();

    // Another machine without a key: refused before anything starts.
    const auto [remoteCode, remote] = RunToEnd({arg, "--no-window", "--display", "192.0.2.7"});
    EXPECT_EQ(remoteCode, 2);
    EXPECT_TRUE(remote.contains("192.0.2.7") && remote.contains("--key FILE")) << remote.toStdString();

    // --make-key writes a private key file once.
    const QString made = dir.filePath("made.key");
    EXPECT_EQ(RunToEnd({"--make-key", made}).first, 0);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(made).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    const QByteArray before = Key(made);
    const auto [againCode, again] = RunToEnd({"--make-key", made});
    EXPECT_EQ(againCode, 1);
    EXPECT_TRUE(again.contains("exists")) << again.toStdString();
    EXPECT_EQ(Key(made), before);
}
