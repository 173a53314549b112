// Link benchmarks:
//  link.rows_per_s_tcp  rows per second delivered by the real brindlev1
//                       process over TCP to a listener, virtual time, noise
//                       off, default sweep at speed 0 with zero settling
//  link.cost_ratio      the server's CPU time per row with the link, over the
//                       engine's own CPU time per row on the same table (the
//                       simulator rig, no link), minus 1: what the link adds
//                       (target below 0.10)
//  link.rows_per_s_tls  as link.rows_per_s_tcp, the server started with --key
//                       and the listener doing the TLS handshake with the key
//  link.tls_cost_ratio  the server's CPU time per row with TLS over that with
//                       the plain TCP link, minus 1: what the encryption adds
// Per-report costs of building and reading a report are in the table above
// the figures.

#include "link/link_key.h"
#include "link/messages.h"
#include "link/vna.h"
#include "link/winsock.h"
#include "server/engine/sim_harness.h"
#include "server/shell/server_shell.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {

constexpr int16_t kSpeed = 0, kSettle = 0;

void BM_DataReadyText(benchmark::State& state) {
    int16_t row = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            msg::DataReady(0, row, 123456789, 8, -1234567, row, 0, 24, 0, 255, 255, 255, 255, 255));
        row = int16_t((row + 1) % 204);
    }
}
BENCHMARK(BM_DataReadyText);

void BM_ReceiveReport(benchmark::State& state) {
    vna v;
    int n = 0;
    QObject::connect(&v, &vna::DataReady, [&n] { ++n; });
    const std::string s = msg::DataReady(0, 5, 123456789, 8, -1234567, 5, 0, 24, 0, 255, 255,
                                         255, 255, 255);
    const QByteArray report(s.data(), qsizetype(s.size()));
    for (auto _ : state)
        v.ReceiveData(report);
    benchmark::DoNotOptimize(n);
}
BENCHMARK(BM_ReceiveReport);

double ProcessCpuSeconds(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = f.readAll();
    // Fields after the command name in parentheses: utime and stime are
    // fields 14 and 15 of the line.
    const QList<QByteArray> rest = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (rest.size() < 13)
        return -1;
    return double(rest[11].toLongLong() + rest[12].toLongLong()) / double(::sysconf(_SC_CLK_TCK));
}

double ThreadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

struct TcpFigures {
    double rowsPerSecond = 0, cpuPerRow = 0;
    long rows = 0;
    double seconds = 0, serverCpu = 0;
};

// Starts brindlev1, switches it to the benchmark sweep and counts the rows
// it delivers during `seconds`.
TcpFigures MeasureTcp(const QString& server, double seconds) {
    TcpFigures out;
    QTcpServer listener;
    listener.listen(QHostAddress::LocalHost, 0);
    QProcess proc;
    proc.setProcessChannelMode(QProcess::ForwardedChannels);
    proc.start(server, {QStringLiteral("&H378,148.3419,%1").arg(listener.serverPort()),
                        "--no-window", "--virtual-time", "--noise", "off"});
    if (!proc.waitForStarted(10000) || !listener.waitForNewConnection(10000))
        return out;
    QTcpSocket* c = listener.nextPendingConnection();
    const std::string setup =
        msg::WithTerminator(msg::SetUpScan(0, 100, 490000, 600000000, kSpeed, kSettle, 24, 255,
                                           255, 255, 255, 255)) +
        msg::WithTerminator(msg::NewScan(0));
    c->write(setup.data(), qint64(setup.size()));
    c->flush();

    msg::FrameBuffer rx;
    std::string m;
    long rows = 0;
    int ends = 0;
    auto drain = [&] {
        const QByteArray d = c->readAll();
        rx.Append(std::string_view(d.constData(), size_t(d.size())));
        while (rx.Next(m)) {
            if (m.compare(0, 4, "1001") == 0)
                ++rows;
            else if (m.compare(0, 4, "1002") == 0)
                ++ends;
        }
    };
    // Two whole sweeps first: the new table is surely running after them.
    QElapsedTimer warm;
    warm.start();
    while (ends < 3 && warm.elapsed() < 20000)
        if (c->waitForReadyRead(1000))
            drain();
    rows = 0;
    const double cpu0 = ProcessCpuSeconds(proc.processId());
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < qint64(seconds * 1000))
        if (c->waitForReadyRead(100))
            drain();
    out.seconds = double(t.nsecsElapsed()) * 1e-9;
    out.serverCpu = ProcessCpuSeconds(proc.processId()) - cpu0;
    out.rows = rows;
    out.rowsPerSecond = double(rows) / out.seconds;
    out.cpuPerRow = rows > 0 ? out.serverCpu / double(rows) : 0;
    c->write("99#");
    c->flush();
    proc.waitForFinished(5000);
    return out;
}

// The engine alone on the simulated analyser, same table and settings.
double EngineCpuPerRow(long* rowsOut) {
    harness::RigOptions o;
    o.noise = o.drift = false;
    harness::SimRig rig(o);
    rig.vna().setPriorityHook(shell::CachedPriority()); // as in the server
    rig.vna().SetUpScan(0, 100, 490000, 600000000, kSpeed, kSettle, 24, 255, 255, 255, 255, 255);
    rig.Run(0, 1);
    const double c0 = ThreadCpuSeconds();
    long rows = 0;
    for (int k = 0; k < 150; ++k)
        rows += long(rig.Run(0, 1).size());
    *rowsOut = rows;
    return (ThreadCpuSeconds() - c0) / double(rows);
}

// Runs events until `done` holds or `ms` have passed.
void RunEventsUntil(const std::function<bool()>& done, qint64 ms) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

// Counts the data reports and ends of scan in what arrives.
struct RowCounter {
    msg::FrameBuffer rx;
    std::string m;
    long rows = 0;
    int ends = 0;
    void Take(const QByteArray& d) {
        rx.Append(std::string_view(d.constData(), size_t(d.size())));
        while (rx.Next(m))
            rows += m.compare(0, 4, "1001") == 0, ends += m.compare(0, 4, "1002") == 0;
    }
};

// As MeasureTcp, with the display program's listener (lnk::Winsock) on this
// side; with a key brindlev1 gets --key and the link is TLS, without one it
// is plain.
TcpFigures MeasureWinsock(const QString& server, const QString& keyFile, const QByteArray& key,
                      double seconds) {
    TcpFigures out;
    lnk::Winsock listener;
    listener.setKey(key);
    QObject::connect(&listener, &lnk::Winsock::ConnectionRequest, &listener,
                     [&listener](int id) { listener.Accept(id); });
    RowCounter count;
    QObject::connect(&listener, &lnk::Winsock::DataArrival, &listener,
                     [&] { count.Take(listener.GetData()); });
    if (!listener.Listen())
        return out;
    QProcess proc;
    proc.setProcessChannelMode(QProcess::ForwardedChannels);
    QStringList args{QStringLiteral("&H378,148.3419,%1").arg(listener.localPort()), "--no-window",
                     "--virtual-time", "--noise", "off"};
    if (!key.isEmpty())
        args << "--key" << keyFile;
    proc.start(server, args);
    auto up = [&] { return listener.State() == lnk::Winsock::kConnected; };
    if (!proc.waitForStarted(10000))
        return out;
    RunEventsUntil(up, 10000);
    if (!up())
        return out;
    listener.SendData(QByteArray::fromStdString(
        msg::WithTerminator(msg::SetUpScan(0, 100, 490000, 600000000, kSpeed, kSettle, 24, 255,
                                           255, 255, 255, 255)) +
        msg::WithTerminator(msg::NewScan(0))));
    listener.Flush();
    RunEventsUntil([&] { return count.ends >= 3; }, 20000); // the new table surely runs
    count.rows = 0;
    const double cpu0 = ProcessCpuSeconds(proc.processId());
    QElapsedTimer t;
    t.start();
    RunEventsUntil([] { return false; }, qint64(seconds * 1000));
    out.seconds = double(t.nsecsElapsed()) * 1e-9;
    out.serverCpu = ProcessCpuSeconds(proc.processId()) - cpu0;
    out.rows = count.rows;
    out.rowsPerSecond = double(out.rows) / out.seconds;
    out.cpuPerRow = out.rows > 0 ? out.serverCpu / double(out.rows) : 0;
    listener.SendData("99#");
    listener.Flush();
    RunEventsUntil([&] { return proc.state() == QProcess::NotRunning; }, 5000);
    return out;
}

// link.rows_per_s_tls and link.tls_cost_ratio: the plain link and TLS in
// turn, both through the same listener, three rounds, each figure the best
// of its rounds.
bool ReportTls(const QString& server) {
    QTemporaryDir dir;
    const QString keyFile = dir.filePath("link.key");
    QString error;
    std::optional<QByteArray> key;
    if (lnk::MakeKeyFile(keyFile, &error))
        key = lnk::LoadKeyFile(keyFile, &error);
    if (!key) {
        std::printf("# link.rows_per_s_tls: %s\n", qPrintable(error));
        return false;
    }
    TcpFigures plain, tls;
    auto best = [](TcpFigures& b, const TcpFigures& t) {
        if (b.rows == 0 || t.cpuPerRow < b.cpuPerRow)
            b.cpuPerRow = t.cpuPerRow;
        b.rowsPerSecond = std::max(b.rowsPerSecond, t.rowsPerSecond);
        b.rows += t.rows;
    };
    for (int round = 0; round < 3; ++round) {
        const TcpFigures p = MeasureWinsock(server, keyFile, {}, 1.5);
        const TcpFigures t = MeasureWinsock(server, keyFile, *key, 1.5);
        if (p.rows == 0 || t.rows == 0) {
            std::printf("# link.rows_per_s_tls: brindlev1 (%s) delivered no rows\n", qPrintable(server));
            return false;
        }
        best(plain, p);
        best(tls, t);
    }
    std::printf("# link.rows_per_s_tls: as link.rows_per_s_tcp with --key (TLS 1.2 ECDHE-PSK), "
                "the display program's listener class on this side, best of 3 runs of 1.5 s "
                "(%ld rows in all); the plain link through it: %.0f rows/s\n",
                tls.rows, plain.rowsPerSecond);
    std::printf("link.rows_per_s_tls: %.0f\n", tls.rowsPerSecond);
    std::printf("# link.tls_cost_ratio: server CPU per row with TLS %.3f us, over the plain link "
                "%.3f us (measured in turn with it, %ld rows), best of 3 each\n",
                tls.cpuPerRow * 1e6, plain.cpuPerRow * 1e6, plain.rows);
    std::printf("link.tls_cost_ratio: %.3f\n", tls.cpuPerRow / plain.cpuPerRow - 1.0);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();

    const QString server = QCoreApplication::applicationDirPath() + "/brindlev1";
    // The machine may be shared: three rounds, each figure the best of its
    // rounds (interference only ever makes a figure worse).
    double engine = 1e30;
    long engineRows = 0;
    TcpFigures tcp;
    for (int round = 0; round < 3; ++round) {
        long n = 0;
        engine = std::min(engine, EngineCpuPerRow(&n));
        engineRows += n;
        const TcpFigures t = MeasureTcp(server, 1.5);
        if (t.rows == 0) {
            std::printf("# link: brindlev1 (%s) delivered no rows\n", qPrintable(server));
            return 1;
        }
        if (tcp.rows == 0 || t.cpuPerRow < tcp.cpuPerRow)
            tcp.cpuPerRow = t.cpuPerRow, tcp.serverCpu = t.serverCpu;
        if (t.rowsPerSecond > tcp.rowsPerSecond)
            tcp.rowsPerSecond = t.rowsPerSecond, tcp.seconds = t.seconds;
        tcp.rows += t.rows;
    }
    std::printf("# link.rows_per_s_tcp: brindlev1 over TCP on 127.0.0.1, virtual time, noise off, "
                "default sweep speed %d settling %d ms, best of 3 runs of 1.5 s (%ld rows in all)\n",
                kSpeed, kSettle, tcp.rows);
    std::printf("link.rows_per_s_tcp: %.0f\n", tcp.rowsPerSecond);
    std::printf("# link.cost_ratio: server CPU per row with the TCP link %.3f us, engine alone on "
                "the same table %.3f us (%ld rows), best of 3 each\n",
                tcp.cpuPerRow * 1e6, engine * 1e6, engineRows);
    std::printf("link.cost_ratio: %.3f\n", tcp.cpuPerRow / engine - 1.0);
    if (!ReportTls(server))
        return 1;
    return 0;
}
