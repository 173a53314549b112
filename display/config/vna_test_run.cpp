#include "display/config/vna_test_run.h"

VnaTestRun::VnaTestRun(QObject* parent) : QObject(parent) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &VnaTestRun::Timeout);
}

void VnaTestRun::Start(bool linkUp, const QString& stopped, int speed, int settleMs) {
    timer_.stop();
    const VnaCheck::Verdict v = check_.Begin(linkUp, stopped.toStdString(), speed, settleMs);
    if (v == VnaCheck::Verdict::Running) {
        emit Progress(QString::fromStdString(check_.Report()));
        timer_.start(check_.rowLimitMs());
        emit RestartScan();
        return;
    }
    After(v);
}

void VnaTestRun::Row(qint16 table, qint16 idx, qint32 data) {
    if (!running() || table != 0)
        return;
    timer_.start(check_.rowLimitMs());
    After(check_.Row(table, idx, data));
}

void VnaTestRun::State(qint16 code) {
    if (running())
        After(check_.State(code));
}

void VnaTestRun::Timeout() {
    if (running())
        After(check_.Timeout());
}

void VnaTestRun::After(VnaCheck::Verdict verdict) {
    if (verdict == VnaCheck::Verdict::Running)
        return;
    timer_.stop();
    emit Finished(verdict == VnaCheck::Verdict::Passed, QString::fromStdString(check_.Report()));
}
