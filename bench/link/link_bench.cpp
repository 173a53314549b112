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
//                       the plain link, minus 1: what the encryption adds
// Per-report costs of building and reading a report are in the table above
// the figures.

#include "link/link_key.h"
#include "link/messages.h"
#include "link/vna.h"
#include "link/winsock.h"
#include "server/engine/sim_harness.h"
#include "server/shell/server_shell.h"

#include <QCoreApplication>
#include <QDir>
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
#include <memory>
#include <vector>
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

// Processor time of all threads of process `pid`, in seconds, to the
// nanosecond (the scheduler's own account, not the 10 ms clock ticks).
double ProcessCpuSeconds(qint64 pid) {
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    double sum = 0;
    bool any = false;
    for (const QString& tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile f(tasks.filePath(tid + "/schedstat"));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        sum += double(f.readAll().split(' ').value(0).toLongLong()) * 1e-9;
        any = true;
    }
    return any ? sum : -1;
}

double ThreadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// The real brindlev1 connected to a listener of ours over TCP, with the
// benchmark sweep set up on table 0. Sweeps are started and stopped by
// command, so that windows of the server's work can alternate with windows
// of the engine alone.
class ServerSession {
public:
    explicit ServerSession(const QString& server) {
        listener_.listen(QHostAddress::LocalHost, 0);
        proc_.setProcessChannelMode(QProcess::ForwardedChannels);
        proc_.start(server, {QStringLiteral("&H378,148.3419,%1").arg(listener_.serverPort()),
                             "--no-window", "--virtual-time", "--noise", "off"});
        if (!proc_.waitForStarted(10000) || !listener_.waitForNewConnection(10000))
            return;
        c_ = listener_.nextPendingConnection();
        // The server puts its start-up table on table 0 when its loop first
        // starts; the benchmark's table goes in after that, with the loop
        // stopped.
        QElapsedTimer guard;
        guard.start();
        while (rows_ == 0 && guard.elapsed() < 10000)
            Read(100);
        Send(msg::Stopscan());
        while (Read(100)) {
        }
        Send(msg::SetUpScan(0, 100, 490000, 600000000, kSpeed, kSettle, 24, 255, 255, 255, 255,
                            255));
    }
    ~ServerSession() {
        if (c_) {
            Send("99");
            proc_.waitForFinished(5000);
        }
    }
    bool ok() const { return c_ != nullptr; }

    struct Window {
        long rows = 0;
        double seconds = 0, cpu = 0;
    };
    // Starts the sweep, lets the first rows pass, then counts the rows that
    // arrive during `seconds` and the server's processor time meanwhile;
    // stops the sweep and drains what is still on the way.
    Window Measure(double seconds) {
        Send(msg::NewScan(0));
        rows_ = 0;
        QElapsedTimer guard;
        guard.start();
        while (rows_ < 2000 && guard.elapsed() < 10000)
            Read(100);
        Window w;
        const long rows0 = rows_;
        const double cpu0 = ProcessCpuSeconds(proc_.processId());
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < qint64(seconds * 1000))
            Read(50);
        w.cpu = ProcessCpuSeconds(proc_.processId()) - cpu0;
        w.seconds = double(t.nsecsElapsed()) * 1e-9;
        w.rows = rows_ - rows0;
        Send(msg::Stopscan());
        while (Read(100)) {
        }
        return w;
    }

private:
    void Send(const std::string& text) {
        const std::string wire = msg::WithTerminator(text);
        c_->write(wire.data(), qint64(wire.size()));
        c_->flush();
    }
    // False when nothing arrived within `ms`.
    bool Read(int ms) {
        if (!c_->waitForReadyRead(ms))
            return false;
        const QByteArray d = c_->readAll();
        rx_.Append(std::string_view(d.constData(), size_t(d.size())));
        while (rx_.Next(m_))
            if (m_.compare(0, 4, "1001") == 0)
                ++rows_;
        return true;
    }

    QTcpServer listener_;
    QProcess proc_;
    QTcpSocket* c_ = nullptr;
    msg::FrameBuffer rx_;
    std::string m_;
    long rows_ = 0;
};

// The engine alone on the simulated analyser, same table and settings as the
// server's, for `seconds` of processor time at a time.
class EngineAlone {
public:
    EngineAlone() {
        harness::RigOptions o;
        o.noise = o.drift = false;
        rig_ = std::make_unique<harness::SimRig>(o);
        rig_->vna().setPriorityHook(shell::CachedPriority()); // as in the server
        rig_->vna().SetUpScan(0, 100, 490000, 600000000, kSpeed, kSettle, 24, 255, 255, 255, 255,
                              255);
        rig_->Run(0, 1);
    }
    // Processor seconds per row over whole sweeps lasting about `seconds`.
    double CpuPerRow(double seconds, long* rowsOut) {
        const double c0 = ThreadCpuSeconds();
        long rows = 0;
        while (ThreadCpuSeconds() - c0 < seconds)
            rows += long(rig_->Run(0, 1).size());
        *rowsOut += rows;
        return (ThreadCpuSeconds() - c0) / double(rows);
    }

private:
    std::unique_ptr<harness::SimRig> rig_;
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

// Runs events until `done` holds or `ms` have passed.
void RunEventsUntil(const std::function<bool()>& done, qint64 ms) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

// The real brindlev1 connected to the display program's listener class
// (lnk::Winsock) on this side: with a key the server gets --key and the link
// is TLS, without one it is plain. Sweeps are started and stopped by
// command, so that windows of the two links can alternate.
class WinsockSession {
public:
    WinsockSession(const QString& server, const QString& keyFile, const QByteArray& key) {
        listener_.setKey(key);
        QObject::connect(&listener_, &lnk::Winsock::ConnectionRequest, &listener_,
                         [this](int id) { listener_.Accept(id); });
        QObject::connect(&listener_, &lnk::Winsock::DataArrival, &listener_, [this] {
            const QByteArray d = listener_.GetData();
            rx_.Append(std::string_view(d.constData(), size_t(d.size())));
            while (rx_.Next(m_))
                rows_ += m_.compare(0, 4, "1001") == 0;
        });
        if (!listener_.Listen())
            return;
        QStringList args{QStringLiteral("&H378,148.3419,%1").arg(listener_.localPort()),
                         "--no-window", "--virtual-time", "--noise", "off"};
        if (!key.isEmpty())
            args << "--key" << keyFile;
        proc_.setProcessChannelMode(QProcess::ForwardedChannels);
        proc_.start(server, args);
        if (proc_.waitForStarted(10000))
            RunEventsUntil([this] { return ok(); }, 10000);
        // As in ServerSession: the table after the server's start-up table.
        RunEventsUntil([this] { return rows_ > 0; }, 10000);
        Send(msg::Stopscan());
        Drain();
        Send(msg::SetUpScan(0, 100, 490000, 600000000, kSpeed, kSettle, 24, 255, 255, 255, 255,
                            255));
    }
    ~WinsockSession() {
        Send("99");
        RunEventsUntil([this] { return proc_.state() == QProcess::NotRunning; }, 5000);
    }
    bool ok() const { return listener_.State() == lnk::Winsock::kConnected; }

    // As ServerSession::Measure: rows and server CPU during `seconds` of a
    // running sweep.
    ServerSession::Window Measure(double seconds) {
        Send(msg::NewScan(0));
        rows_ = 0;
        RunEventsUntil([this] { return rows_ >= 2000; }, 10000);
        ServerSession::Window w;
        const long rows0 = rows_;
        const double cpu0 = ProcessCpuSeconds(proc_.processId());
        QElapsedTimer t;
        t.start();
        RunEventsUntil([] { return false; }, qint64(seconds * 1000));
        w.cpu = ProcessCpuSeconds(proc_.processId()) - cpu0;
        w.seconds = double(t.nsecsElapsed()) * 1e-9;
        w.rows = rows_ - rows0;
        Send(msg::Stopscan());
        Drain();
        return w;
    }

private:
    void Send(const std::string& text) {
        listener_.SendData(QByteArray::fromStdString(msg::WithTerminator(text)));
        listener_.Flush();
    }
    // Runs events until 100 ms pass without a row: the stopped sweep's last
    // rows are in.
    void Drain() {
        long before = -1;
        while (before != rows_) {
            before = rows_;
            RunEventsUntil([] { return false; }, 100);
        }
    }

    lnk::Winsock listener_;
    QProcess proc_;
    msg::FrameBuffer rx_;
    std::string m_;
    long rows_ = 0;
};

// link.rows_per_s_tls and link.tls_cost_ratio: windows of the plain link and
// of TLS in turn, both through the same listener class; the cost is the
// median of the pairs' ratios.
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
    WinsockSession plain(server, keyFile, {}), tls(server, keyFile, *key);
    if (!plain.ok() || !tls.ok()) {
        std::printf("# link.rows_per_s_tls: brindlev1 (%s) did not connect\n", qPrintable(server));
        return false;
    }
    constexpr int kPairs = 11;
    constexpr double kWindow = 0.2;
    std::vector<double> ratios, plainUs, tlsUs;
    long rows = 0;
    double bestRate = 0, bestPlainRate = 0;
    for (int k = 0; k < kPairs; ++k) {
        const ServerSession::Window p = plain.Measure(kWindow), t = tls.Measure(kWindow);
        if (p.rows == 0 || t.rows == 0 || p.cpu <= 0 || t.cpu <= 0) {
            std::printf("# link.rows_per_s_tls: brindlev1 delivered no rows\n");
            return false;
        }
        rows += t.rows;
        bestRate = std::max(bestRate, double(t.rows) / t.seconds);
        bestPlainRate = std::max(bestPlainRate, double(p.rows) / p.seconds);
        plainUs.push_back(p.cpu / double(p.rows) * 1e6);
        tlsUs.push_back(t.cpu / double(t.rows) * 1e6);
        ratios.push_back(tlsUs.back() / plainUs.back());
    }
    const auto [low, high] = std::minmax_element(ratios.begin(), ratios.end());
    std::printf("# link.rows_per_s_tls: as link.rows_per_s_tcp with --key (TLS 1.2 ECDHE-PSK) "
                "and the display program's listener class on this side, best of %d windows of "
                "%.1f s (%ld rows in all); the plain link through it: %.0f rows/s\n"
                "link.rows_per_s_tls: %.0f\n",
                kPairs, kWindow, rows, bestPlainRate, bestRate);
    std::printf("# link.tls_cost_ratio: server CPU per row with TLS over that with the plain link "
                "through the same listener, minus 1; median of %d alternating pairs of windows "
                "(TLS %.3f us, plain %.3f us per row, medians; ratios %.3f .. %.3f)\n"
                "link.tls_cost_ratio: %.3f\n",
                kPairs, Median(tlsUs), Median(plainUs), *low - 1.0, *high - 1.0,
                Median(ratios) - 1.0);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();

    const QString server = QCoreApplication::applicationDirPath() + "/brindlev1";
    ServerSession session(server);
    if (!session.ok()) {
        std::printf("# link: brindlev1 (%s) did not connect\n", qPrintable(server));
        return 1;
    }
    // The processor's speed drifts on a shared or power-managed machine: a
    // short run after an idle spell is faster than a long one under load. So
    // the server's windows alternate with the engine's, each a fraction of a
    // second, and the cost is the median of the pairs' ratios.
    constexpr int kPairs = 31;
    constexpr double kWindow = 0.2;
    EngineAlone engine;
    std::vector<double> ratios, engineUs, serverUs;
    long engineRows = 0, serverRows = 0;
    double bestRate = 0;
    for (int k = 0; k < kPairs; ++k) {
        const double e = engine.CpuPerRow(kWindow, &engineRows);
        const ServerSession::Window w = session.Measure(kWindow);
        if (w.rows == 0 || w.cpu <= 0) {
            std::printf("# link: brindlev1 delivered no rows\n");
            return 1;
        }
        serverRows += w.rows;
        bestRate = std::max(bestRate, double(w.rows) / w.seconds);
        const double s = w.cpu / double(w.rows);
        engineUs.push_back(e * 1e6);
        serverUs.push_back(s * 1e6);
        ratios.push_back(s / e);
    }
    std::printf("# link.rows_per_s_tcp: brindlev1 over TCP on 127.0.0.1, virtual time, noise off, "
                "default sweep speed %d settling %d ms, best of %d windows of %.1f s (%ld rows in "
                "all)\n",
                kSpeed, kSettle, kPairs, kWindow, serverRows);
    std::printf("link.rows_per_s_tcp: %.0f\n", bestRate);
    std::printf("# link.cost_ratio: server CPU per row with the TCP link over the engine's alone on "
                "the same table, minus 1; median of %d alternating pairs of windows (server %.3f "
                "us, engine %.3f us per row, medians; ratios %.3f .. %.3f)\n",
                kPairs, Median(serverUs), Median(engineUs),
                *std::min_element(ratios.begin(), ratios.end()) - 1.0,
                *std::max_element(ratios.begin(), ratios.end()) - 1.0);
    std::printf("link.cost_ratio: %.3f\n", Median(ratios) - 1.0);
    if (!ReportTls(server))
        return 1;
    return 0;
}
