#pragma once
// Cross-process rig: the real brindlev1 started as a separate process in
// virtual time, and a stand-in for the display program on either link (a
// TCP listener on 127.0.0.1, or the local channel "Display"). Every wait is
// on a condition with a bounded timeout.

#include "link/cli_srv.h"
#include "link/link_key.h"
#include "link/messages.h"
#include "link/text_rules.h"
#include "link/winsock.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace systest {

/// One report as received, "#" not included. Kept small: a run in virtual
/// time receives hundreds of thousands.
struct Report {
    std::string text;
    int code_ = -1, ta_ = -1, row_ = -1;

    explicit Report(std::string t) : text(std::move(t)) {
        const msg::Fields f = msg::SplitFields(text);
        code_ = msg::CodeOf(f);
        ta_ = int(txt::Val(f[1]));
        row_ = int(txt::Val(f[2]));
    }
    int code() const { return code_; }
    bool data() const { return code_ == msg::kDataReady; }
    int ta() const { return ta_; }
    int row() const { return row_; }
    /// Field i as text and as a number.
    std::string field(int i) const { return msg::SplitFields(text)[size_t(i)]; }
    int num(int i) const { return int(txt::Val(field(i))); }
};

/// Runs events until `done` holds or `ms` have passed. Unlike QTest::qWaitFor
/// it never sleeps between events: over the local link every report waits
/// for this side to handle it.
inline bool WaitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    QTimer wake; // wakes the wait below now and then to look at the clock
    wake.start(5);
    while (!done()) {
        if (t.elapsed() > ms)
            return done();
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

/// The display program's side of the link: collects reports, sends
/// commands (with the closing " #" added by the caller's text).
class Display {
public:
    virtual ~Display() = default;
    virtual void Send(const std::string& text) = 0;
    virtual bool linked() const = 0;
    virtual void Hangup() = 0;
    /// The argument's third field for this link.
    virtual std::string protocol() const = 0;

    std::vector<Report> reports;
    std::function<void(const Report&)> onReport;

    /// Waits until `pred` holds for a report received from `from` on;
    /// returns its index, or -1 on timeout.
    int WaitReport(size_t from, const std::function<bool(const Report&)>& pred, int ms = 20000) {
        size_t i = from;
        int found = -1;
        WaitFor([&] {
            for (; i < reports.size(); ++i)
                if (pred(reports[i])) {
                    found = int(i);
                    return true;
                }
            return false;
        }, ms);
        return found;
    }
    /// True when no data report arrives for `quietMs` (within `ms` in all).
    bool WaitQuiet(int quietMs, int ms) {
        QElapsedTimer total;
        total.start();
        while (total.elapsed() < ms) {
            const size_t before = CountData();
            QElapsedTimer t;
            t.start();
            WaitFor([&] { return CountData() != before; }, quietMs);
            if (CountData() == before)
                return true;
        }
        return false;
    }
    /// The data reports of the sweep that ends at report `end` (an EndScan):
    /// from the last row 0 before it. (A table changed under the running
    /// loop, or a NewScan arriving in mid-sweep, leaves partial sweeps
    /// before; a whole one runs from row 0 to the EndScan.)
    std::vector<const Report*> SweepBefore(int end) const {
        std::vector<const Report*> sweep;
        int start = end;
        while (start > 0 && !(reports[size_t(start - 1)].data() && reports[size_t(start - 1)].row() == 0))
            --start;
        for (int k = start - 1; k >= 0 && k < end; ++k)
            if (reports[size_t(k)].data())
                sweep.push_back(&reports[size_t(k)]);
        return sweep;
    }
    size_t CountData() const {
        size_t n = 0;
        for (const Report& r : reports)
            n += r.data();
        return n;
    }

protected:
    void Take(const QByteArray& piece) {
        rx_.Append(std::string_view(piece.constData(), size_t(piece.size())));
        std::string m;
        while (rx_.Next(m)) {
            reports.emplace_back(m);
            if (onReport)
                onReport(reports.back());
        }
    }

private:
    msg::FrameBuffer rx_;
};

class TcpDisplay final : public Display {
public:
    TcpDisplay() {
        listener_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&listener_, &QTcpServer::newConnection, [this] {
            conn_ = listener_.nextPendingConnection();
            QObject::connect(conn_, &QTcpSocket::readyRead, [this] { Take(conn_->readAll()); });
        });
    }
    std::string protocol() const override { return std::to_string(listener_.serverPort()); }
    bool WaitConnected(int ms = 10000) { return WaitFor([this] { return conn_ != nullptr; }, ms); }
    void Send(const std::string& text) override {
        if (!conn_)
            return;
        conn_->write(text.data(), qint64(text.size()));
        conn_->flush();
    }
    bool linked() const override { return conn_ && conn_->state() == QAbstractSocket::ConnectedState; }
    void Hangup() override {
        if (conn_)
            conn_->close();
        listener_.close();
    }
    QTcpSocket* connection() { return conn_; }

private:
    QTcpServer listener_;
    QTcpSocket* conn_ = nullptr;
};

/// The display program's listener with the link key (TLS): accepts every
/// connection that passes the handshake, a new one replacing the old; keeps
/// the addresses of the peers it refused.
class TlsDisplay final : public Display {
public:
    /// `port` 0: a free port.
    explicit TlsDisplay(const QByteArray& key, quint16 port = 0) {
        w_.setKey(key);
        w_.setLocalPort(port);
        QObject::connect(&w_, &lnk::Winsock::ConnectionRequest, [this](int id) {
            if (w_.State() != lnk::Winsock::kClosed)
                w_.Close();
            w_.Accept(id);
            ++connections;
        });
        QObject::connect(&w_, &lnk::Winsock::DataArrival, [this] { Take(w_.GetData()); });
        QObject::connect(&w_, &lnk::Winsock::Refused,
                         [this](const QString& address, const QString&) { refused.push_back(address); });
        w_.Listen();
    }
    std::string protocol() const override { return std::to_string(w_.localPort()); }
    quint16 port() const { return w_.localPort(); }
    bool WaitConnected(int ms = 10000) {
        return WaitFor([this] { return w_.State() == lnk::Winsock::kConnected; }, ms);
    }
    void Send(const std::string& text) override {
        w_.SendData(text.data(), qint64(text.size()));
        w_.Flush();
    }
    bool linked() const override { return w_.State() == lnk::Winsock::kConnected; }
    /// Closes the connection and stops listening: the display program ends.
    void Hangup() override {
        w_.Close();
        w_.StopListening();
    }

    int connections = 0;
    std::vector<QString> refused;

private:
    lnk::Winsock w_;
};

/// A new link key file in `dir`.
inline QString MakeKey(const QTemporaryDir& dir, const QString& name) {
    const QString path = dir.filePath(name);
    lnk::MakeKeyFile(path, nullptr);
    return path;
}

class LocalDisplay final : public Display {
public:
    explicit LocalDisplay(const QString& dir) : link_("Display", "VNAIO", dir) {
        link_.Open();
        QObject::connect(&link_, &lnk::CliSrv::MsgData, [this](const QByteArray& t) { Take(t); });
    }
    std::string protocol() const override { return "DDE"; }
    void Send(const std::string& text) override {
        last_ = link_.SendMsgData(QByteArray(text.data(), qsizetype(text.size())));
    }
    bool linked() const override { return link_.peerConnected(); }
    void Hangup() override { link_.Close(); }
    lnk::CliSrv::Send lastSend() const { return last_; }

private:
    lnk::CliSrv link_;
    lnk::CliSrv::Send last_ = lnk::CliSrv::Send::NoPeer;
};

/// brindlev1 as a child process; `channelDir` is its XDG_RUNTIME_DIR (the
/// local link's channels live there).
class Server {
public:
    /// `virtualTime` false: the simulator in real time, as with hardware.
    /// `keepErrors`: its error output is kept for errorOutput() instead of
    /// passed on.
    Server(const QString& channelDir, const std::string& protocol, const QStringList& extra = {},
           bool virtualTime = true, bool keepErrors = false) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", channelDir);
        proc_.setProcessEnvironment(env);
        proc_.setProcessChannelMode(keepErrors ? QProcess::ForwardedOutputChannel
                                               : QProcess::ForwardedChannels);
        QStringList args{"&H378,148.3419," + QString::fromStdString(protocol), "--no-window",
                         "--noise", "off"};
        if (virtualTime)
            args << "--virtual-time";
        proc_.start(QStringLiteral(BRINDLEV1), args + extra);
        proc_.waitForStarted(10000);
    }
    ~Server() {
        if (proc_.state() != QProcess::NotRunning) {
            proc_.kill();
            proc_.waitForFinished(5000);
        }
    }
    QProcess& process() { return proc_; }
    /// What it wrote to its error output so far (with `keepErrors`).
    QString errorOutput() {
        errors_ += QString::fromLocal8Bit(proc_.readAllStandardError());
        return errors_;
    }
    bool running() const { return proc_.state() == QProcess::Running; }
    /// Waits (processing events) until the process has ended.
    bool WaitEnded(int ms) {
        return WaitFor([this] { return proc_.state() == QProcess::NotRunning; }, ms);
    }

private:
    QProcess proc_;
    QString errors_;
};

} // namespace systest
