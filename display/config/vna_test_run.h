#pragma once
// Runs the "Test VNA" check (VnaCheck) on the link's events: keeps the row
// timer, asks its owner to restart the sweep, and tells the result. QtCore
// only; the owner connects the rows and state reports of the link to Row
// and State, and RestartScan to the sweep's NewScan.

#include "display/config/vna_check.h"

#include <QObject>
#include <QString>
#include <QTimer>

class VnaTestRun : public QObject {
    Q_OBJECT
public:
    explicit VnaTestRun(QObject* parent = nullptr);

    /// Starts a check (see VnaCheck::Begin); a check already running starts
    /// again. Emits RestartScan when the sweep is to run from row 0, and
    /// Finished at once when the check cannot run.
    void Start(bool linkUp, const QString& stopped, int speed, int settleMs);
    bool running() const { return check_.verdict() == VnaCheck::Verdict::Running; }
    const VnaCheck& check() const { return check_; }
    /// The row timer (tests fire it by calling Timeout).
    const QTimer& timer() const { return timer_; }

public slots:
    void Row(qint16 table, qint16 idx, qint32 data);
    void State(qint16 code);
    void Timeout();

signals:
    void RestartScan();
    /// The check is under way: the report so far.
    void Progress(const QString& report);
    void Finished(bool passed, const QString& report);

private:
    void After(VnaCheck::Verdict verdict);

    VnaCheck check_;
    QTimer timer_;
};
