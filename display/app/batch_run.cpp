#include "display/app/batch_run.h"

#include "display/measure/qt_text.h"
#include "display/graph/qrg_picture.h"
#include "display/graph/skala.h"
#include "display/graph/smith_picture.h"
#include "display/measure/formatting.h"
#include "display/measure/point_list.h"
#include "display/sfile/touchstone_writer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <set>

double RowSeconds(int speed, int timeMs) {
    // Conversion times of the four speeds (upper figures), settling, port.
    constexpr double kConversionS[4] = {0.140, 0.045, 0.025, 0.015};
    return kConversionS[std::clamp(speed, 0, 3)] + timeMs / 1000.0 + 0.005;
}

QString CheckBatchOptions(const BatchOptions& o, int32_t* startOut, int32_t* endOut,
                          std::vector<int16_t>* params) {
    const int32_t start = ParseFreq(o.start.toStdString());
    const int32_t end = ParseFreq(o.end.toStdString());
    if (!QrgInRange(start))
        return "--start " + o.start + " is not a frequency from 40K to 61M (give a unit: 1M, 500K).";
    if (!QrgInRange(end))
        return "--end " + o.end + " is not a frequency from 40K to 61M (give a unit: 60M).";
    if (end <= start)
        return "--end must lie above --start.";
    if (o.points != 50 && o.points != 100 && o.points != 200 && o.points != 400)
        return "--points must be 50, 100, 200 or 400.";
    if (o.speed < 0 || o.speed > 3)
        return "--speed must be 0, 1, 2 or 3.";
    if (std::find(SweepControl::kTimes.begin(), SweepControl::kTimes.end(), o.time) ==
        SweepControl::kTimes.end())
        return "--time must be 1, 2, 4, 8, 10, 15 or 20.";
    if (o.sweeps < 1)
        return "--sweeps must be at least 1.";
    std::vector<int16_t> p;
    const QString m = o.measure.toUpper();
    if (m == "ALL")
        p = {0, 1, 2, 3};
    else if (m == "S11")
        p = {0};
    else if (m == "S21")
        p = {1};
    else if (m == "S12")
        p = {2};
    else if (m == "S22")
        p = {3};
    else
        return "--measure must be S11, S21, S12, S22 or all.";
    if (o.out.isEmpty())
        return "--out needs a file name.";
    for (const auto& [option, file] : {std::pair<QString, QString>{"--plot", o.plot}, {"--smith", o.smith}}) {
        const QString suffix = QFileInfo(file).suffix().toLower();
        if (!file.isEmpty() && suffix != "png" && suffix != "svg" && suffix != "pdf")
            return option + " needs a file ending in .png, .svg or .pdf.";
    }
    if (QSize size; !ParsePictureSize(o.plotSize, size))
        return "--plot-size must be WIDTHxHEIGHT, each 200..10000 (e.g. 1200x800).";
    if (startOut)
        *startOut = start;
    if (endOut)
        *endOut = end;
    if (params)
        *params = p;
    return {};
}

BatchJob::BatchJob(MasterSession& session, QTextStream& err) : m_(session), err_(err) {
    connect(&m_, &MasterSession::ServerEnded, this, [this](int code, const QString& e) {
        serverEnded_ = true;
        serverError_ = e.isEmpty() ? QString("exit status %1").arg(code) : e;
    });
}

bool BatchJob::WaitFor(const std::function<bool()>& done, double seconds) {
    QDeadlineTimer deadline(static_cast<qint64>(seconds * 1000));
    QEventLoop loop;
    QTimer tick;
    tick.setInterval(20);
    QObject::connect(&tick, &QTimer::timeout, &loop, &QEventLoop::quit);
    tick.start();
    while (!done()) {
        if (deadline.hasExpired() || serverEnded_)
            return done();
        loop.exec();
    }
    return true;
}

void BatchJob::Fail(const QString& otherwise) {
    err_ << "tavrel13: " << (serverEnded_ ? "the server ended: " + serverError_ : otherwise)
         << "\n";
    err_.flush();
}

int BatchJob::StartAndConnect(const StartOptions& options, double linkTimeout) {
    m_.setOptions(options);
    const bool started = m_.Startup();
    const LinkPlan& plan = m_.linkPlan();
    if (!started) {
        if (!m_.lastErrorShown())
            err_ << "tavrel13: " << m_.lastError() << "\n";
        // Without a usable key nothing could ever connect: the key file is
        // as wrong as a bad option.
        return plan.failed() ? kBatchUsage : kBatchServer;
    }
    if (linkTimeout <= 0)
        linkTimeout = plan.remoteServer ? 60 : 15;
    if (plan.remoteServer) {
        err_ << QString("tavrel13: waiting up to %1 s for the server to connect (start it on "
                        "its machine with brindlev1 --display THIS-HOST:%2 --key FILE)\n")
                    .arg(linkTimeout)
                    .arg(m_.tcpPort());
        if (!options.serverOptions.isEmpty())
            err_ << "tavrel13: the server runs elsewhere: " << options.serverOptions.join(' ')
                 << " not used\n";
    } else {
        err_ << "tavrel13: server started, waiting for the link\n";
    }
    err_.flush();
    if (!WaitFor([this] { return m_.linkUp(); }, linkTimeout)) {
        Fail(QString(plan.remoteServer ? "no server connected within %1 s"
                                       : "the link to the server did not come up within %1 s")
                 .arg(linkTimeout));
        return serverEnded_ ? kBatchServer : kBatchLink;
    }
    return kBatchOk;
}

BatchRun::BatchRun(MasterSession& session, BatchOptions options, QTextStream& err)
    : BatchJob(session, err), o_(std::move(options)) {
    clock_.start();
}

double BatchRun::SweepSeconds() const {
    if (o_.sweepTimeout > 0)
        return o_.sweepTimeout;
    const double rows = (o_.points + 2) * 2.0;
    return 30 + 3 * rows * RowSeconds(o_.speed, o_.time);
}

int BatchRun::TakeSweep(int16_t smessure, const std::set<int32_t>& freqs) {
    // Every live point of the sweep that just ended with both its readings;
    // points left from an earlier table are not part of it.
    const MeasureState& s = m_.state();
    int taken = 0;
    for (int16_t p = NextLive(s, kLowerEnd); p != kUpperEnd; p = NextLive(s, p)) {
        const QrgPoint& q = s.QrgPoints[p];
        if (!q.MessRealPresent || !q.MessImagPresent || !freqs.count(q.Qrg))
            continue;
        const SBlock& b = s.Sdata[s.Livestable][p].S[static_cast<size_t>(smessure)];
        auto& row = result_[q.Qrg];
        row[static_cast<size_t>(2 * smessure)] = b.MA.real();
        row[static_cast<size_t>(2 * smessure + 1)] = b.MA.imag() * 180 / kPi;
        ++taken;
    }
    return taken;
}

int BatchRun::MeasureOne(int16_t smessure) {
    MeasureState& s = m_.state();
    m_.SetMeasured(smessure);
    const int16_t B0 = s.ControlBytes[0];
    const QString name = MasterSession::MessureCaption(smessure).mid(14);
    // A sweep of this table starts with row 2 at the start frequency and this
    // switch word, speed and time; rows of the table before it, still on
    // their way, do not count.
    bool started = false;
    int rows = 0, complete = 0;
    std::set<int32_t> freqs;  // frequencies of the sweep under way
    auto onRecord = [&](const VnaDataRec& r) {
        if (r.table != 0)
            return;
        if (!started && r.idx == 2 && r.Phase == 0 && r.Qrg == start_ && r.B[0] == B0 &&
            r.Speed == s.SpeedSelected && r.Time == s.FilterTime) {
            // The first point of the new sweep: drop what earlier tables left.
            started = true;
            InitLiv(s);
        }
        if (started) {
            if (!firstPointShown_ && r.idx >= 2) {
                firstPointShown_ = true;
                err_ << "tavrel13: first point stored after "
                     << QString::number(clock_.elapsed() / 1000.0, 'f', 3) << " s\n";
                err_.flush();
            }
            ++rows;
            if (r.idx >= 2)
                freqs.insert(r.Qrg);
        }
    };
    auto c1 = connect(&m_, &MasterSession::RecordArriving, this, onRecord);
    int taken = 0;
    auto c2 = connect(&m_, &MasterSession::ScanEnded, this, [&] {
        if (!started || complete >= o_.sweeps)
            return;
        ++complete;
        err_ << "tavrel13: " << name << " sweep " << complete << "/" << o_.sweeps << ": " << rows
             << " rows\n";
        err_.flush();
        rows = 0;
        if (complete == o_.sweeps)
            taken = TakeSweep(smessure, freqs);  // before the next sweep overwrites it
        freqs.clear();
    });
    // Listening before the commands go out: over the local link the first
    // rows of the new table can arrive while the commands are delivered.
    m_.vnaSetUpScan(0, s.VnaScanSize, start_, end_, s.SpeedSelected, s.FilterTime, 24, B0,
                    s.ControlBytes[1], s.ControlBytes[2], s.ControlBytes[3], s.ControlBytes[4]);
    m_.vnaNewScan(0);
    const bool ok = WaitFor([&] { return complete >= o_.sweeps; }, SweepSeconds() * o_.sweeps);
    disconnect(c1);
    disconnect(c2);
    if (!ok)
        return serverEnded_ ? kBatchServer : kBatchNoData;
    if (taken == 0)
        return kBatchNoData;
    return kBatchOk;
}

int BatchRun::Run() {
    std::vector<int16_t> params;
    const QString bad = CheckBatchOptions(o_, &start_, &end_, &params);
    if (!bad.isEmpty()) {
        err_ << "tavrel13: " << bad << "\n";
        return kBatchUsage;
    }
    if (const int rc = StartAndConnect(o_.start_, o_.linkTimeout); rc != kBatchOk)
        return rc;
    MeasureState& s = m_.state();
    s.VnaScanSize = static_cast<int16_t>(o_.points);
    s.SpeedSelected = static_cast<int16_t>(o_.speed);
    s.FilterTime = static_cast<int16_t>(o_.time);
    m_.Scales(MasterSession::kFreqScale).setMax(end_);
    m_.Scales(MasterSession::kFreqScale).setMin(start_);
    if (!s.CalMastData)
        err_ << "tavrel13: no calibration loaded: the values written are uncalibrated\n";

    for (int16_t p : params) {
        const int rc = MeasureOne(p);
        if (rc != kBatchOk) {
            Fail("no complete sweep of " + MasterSession::MessureCaption(p).mid(14) +
                 " arrived in time");
            return rc;
        }
    }

    TouchstoneWriter w;
    const QString info = QString("Batch measurement %1 %2 to %3, %4 points, speed %5, time %6")
                             .arg(o_.measure, o_.start, o_.end)
                             .arg(o_.points + 1)
                             .arg(o_.speed)
                             .arg(o_.time);
    w.WriteTouchstoneHeader(o_.out.toStdString(), info.toStdString());
    for (const auto& [qrg, row] : result_)
        w.WriteTouchstoneLine(qrg, row);
    std::string error;
    if (!w.Close(error)) {
        err_ << "tavrel13: " << Q(error) << "\n";
        return kBatchWrite;
    }
    err_ << "tavrel13: wrote " << result_.size() << " points to " << o_.out << "\n";
    if (!o_.plot.isEmpty()) {
        QSize size;
        ParsePictureSize(o_.plotSize, size);
        const QString e = SaveSweepPicture(o_.plot, size, result_, params, start_, end_,
                                           "Frequency Graf  " + info);
        if (!e.isEmpty()) {
            err_ << "tavrel13: " << e << "\n";
            return kBatchWrite;
        }
        err_ << "tavrel13: drew the graph into " << o_.plot << "\n";
    }
    if (!o_.smith.isEmpty()) {
        QSize size;
        ParsePictureSize(o_.plotSize, size);
        const QString e = SaveSweepSmith(o_.smith, size, result_, params, start_, end_, "Smith Chart  " + info);
        if (!e.isEmpty()) {
            err_ << "tavrel13: " << e << "\n";
            return kBatchWrite;
        }
        err_ << "tavrel13: drew the Smith chart into " << o_.smith << "\n";
    }
    return kBatchOk;
}
