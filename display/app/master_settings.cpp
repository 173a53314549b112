// The main window's lasting settings: the display choices, the file slots'
// Touchstone files and the windows' places, read at start and written at the
// end (the file is LastingSettingsFile()).
#include "display/app/master_window.h"

#include "display/app/master_session.h"
#include "display/app/sweep_control.h"
#include "display/graph/lasting_settings.h"
#include "display/graph/widgets/dsp_set_window.h"
#include "display/graph/widgets/qrg_graf.h"

#include <QDir>
#include <QFileInfo>
#include <QMdiSubWindow>
#include <QSettings>

namespace {

// The sub-windows whose places last, by their object names.
constexpr const char kSmithWindow[] = "SmithGrafWindow";
constexpr const char* kPlacedWindows[] = {"QRGGRAFWindow", "DspSetWindow", "VnaControlWindow",
                                          "FrmDebugWindow", kSmithWindow};

} // namespace

void Master::RestoreSettings(const QString& file) {
    settingsFile_ = file;
    if (file.isEmpty() || !QFileInfo::exists(file))
        return;
    QSettings q(file, QSettings::IniFormat);
    bool locked = qrgGraf_->frequencyLocked();
    const int16_t size = m_.state().VnaScanSize;
    DisplayChoices c{*graphSettings_, m_.state(), qrgGraf_->plot().scales(), locked, *markers_};
    const QStringList warnings = LoadDisplayChoices(q, c);
    for (const QString& w : warnings)
        qWarning("%s", qPrintable(w));
    if (!warnings.isEmpty())
        Status(warnings.first());
    if (!IsDisplayChoicesFile(q))
        return;
    dspSet_->Sync();
    dspSet_->model().initdivisions();
    qrgGraf_->SettingsChanged(locked);
    if (locked)
        m_.sweep().GetQRGLimits();  // a locked graph follows the sweep, not the saved range
    if (m_.state().VnaScanSize != size) {
        // The sweep already sent has the old size: send the restored one.
        const int16_t restored = m_.state().VnaScanSize;
        m_.state().VnaScanSize = size;
        dspSet_->model().RadioScan_Click(dspSet_->model().scanOptionOf(restored));
        dspSet_->Sync();
    }
    qrgGraf_->UpdateMarkerTable();
    RestoreSlotFiles(q);
    q.beginGroup("windows");
    if (q.contains("main"))
        restoreGeometry(q.value("main").toByteArray());
    // The Smith chart is made when first shown: made now if it was open.
    if (q.value(QString(kSmithWindow) + "_shown").toBool())
        ShowSmith();
    for (const char* name : kPlacedWindows)
        if (auto* sub = findChild<QMdiSubWindow*>(name); sub && q.contains(QString(name) + "_rect")) {
            const QRect r = q.value(QString(name) + "_rect").toRect();
            if (r.isValid() && r.width() < 10000 && r.height() < 10000)
                sub->setGeometry(r);
            sub->setVisible(q.value(QString(name) + "_shown").toBool());
        }
    q.endGroup();
}

// The files read into the file slots are read again; one that is gone or
// no longer readable leaves its slot empty and says so.
void Master::RestoreSlotFiles(QSettings& q) {
    q.beginGroup("slots");
    for (int slot = DspSetModel::kFirstFileSlot; slot < DspSetModel::kSlots; ++slot) {
        const QString file = q.value(QString("file_%1").arg(slot)).toString();
        if (file.isEmpty())
            continue;
        QString message;
        if (!QFileInfo::exists(file))
            message = "the file is gone";
        else if (dspSet_->LoadSlotFile(slot, file, message))
            continue;
        const QString text = QString("The file %1 of slot %2 in the last run could not be read "
                                     "again (%3); the slot is empty.")
                                 .arg(file)
                                 .arg(slot)
                                 .arg(message);
        qWarning("%s", qPrintable(text));
        Status(text);
    }
    q.endGroup();
}

void Master::SaveSettings() {
    if (settingsFile_.isEmpty())
        return;
    QDir().mkpath(QFileInfo(settingsFile_).absolutePath());
    QSettings q(settingsFile_, QSettings::IniFormat);
    bool locked = qrgGraf_->frequencyLocked();
    SaveDisplayChoices(q, DisplayChoices{*graphSettings_, m_.state(), qrgGraf_->plot().scales(), locked, *markers_});
    q.beginGroup("slots");
    for (int slot = DspSetModel::kFirstFileSlot; slot < DspSetModel::kSlots; ++slot)
        q.setValue(QString("file_%1").arg(slot), dspSet_->model().source(slot).path);
    q.endGroup();
    q.beginGroup("windows");
    q.setValue("main", saveGeometry());
    for (const char* name : kPlacedWindows)
        if (auto* sub = findChild<QMdiSubWindow*>(name)) {
            q.setValue(QString(name) + "_rect", sub->geometry());
            q.setValue(QString(name) + "_shown", !sub->isHidden());
        }
    q.endGroup();
    q.sync();
    if (q.status() != QSettings::NoError)
        qWarning("The settings could not be written to %s", qPrintable(settingsFile_));
}

void Master::MnuDefaults_Click() {
    bool locked = qrgGraf_->frequencyLocked();
    DisplayChoices c{*graphSettings_, m_.state(), qrgGraf_->plot().scales(), locked, *markers_};
    DefaultDisplayChoices(c);
    dspSet_->Sync();
    dspSet_->model().initdivisions();
    qrgGraf_->SettingsChanged(locked);
    m_.sweep().GetQRGLimits();
    qrgGraf_->UpdateMarkerTable();
    Status("The display settings are back at their defaults.");
}

