#include "display/app/calibration.h"

#include "display/app/master_session.h"

#include <QTimer>

Calibration::Calibration(MasterSession& session)
    : m_(session),
      link_(session),
      procedure_(session.state(), session.calib(), link_),
      scan_(session.state()) {
    scan_.setMount([this](std::string_view fixture) {
        if (procedure_.autoMount())
            link_.VnaMount(fixture);
    });
    m_.setCalibration(this);
}

void Calibration::CalibrationEndScan() {
    if (procedure_.EndStep())
        QTimer::singleShot(0, &context_, [this] { procedure_.CalAuto(); });
}

Calibration::~Calibration() { m_.setCalibration(nullptr); }

bool Calibration::Simulated() const {
    const QStringList& o = m_.options().serverOptions;
    const qsizetype i = o.indexOf("--driver");
    if (i >= 0 && i + 1 < o.size())
        return o[i + 1].trimmed().toLower().startsWith("sim");
    return m_.config().Driver == DriverKind::Sim;
}
