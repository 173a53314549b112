#include "display/app/calibration_windows.h"

#include "display/app/calibration.h"
#include "display/app/diagnostic_dump.h"
#include "display/app/master_session.h"
#include "display/app/master_window.h"
#include "display/measure/qt_text.h"
#include "display/calib/calib_dump.h"
#include "display/calib/calib_win.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>

CalibrationWindows::CalibrationWindows(Master& master, MasterSession& session,
                                       Calibration& calibration)
    : QObject(&master), w_(master), m_(session), c_(calibration) {
    win_ = new CalibWin(c_.procedure(), m_.options().workDir);
    auto* mdi = w_.findChild<QMdiArea*>("MdiArea");
    sub_ = mdi->addSubWindow(win_);
    sub_->setObjectName("CalibWinWindow");
    sub_->setAttribute(Qt::WA_DeleteOnClose, false);
    connect(win_, &CalibWin::Message, &w_, &Master::Message);

    MenuCal_ = w_.findChild<QAction*>("MenuCal");
    if (MenuCal_) {
        MenuCal_->setEnabled(true);
        MenuCal_->setCheckable(true);
        connect(MenuCal_, &QAction::triggered, this, &CalibrationWindows::MenuCal_Click);
        connect(win_, &CalibWin::VisibilityChanged, MenuCal_, &QAction::setChecked);
    }
    ScanCalib_ = w_.findChild<QPushButton*>("ScanCalib");
    ScanCalRdy_ = w_.findChild<QPushButton*>("ScanCalRdy");
    if (ScanCalib_ && ScanCalRdy_) {
        ScanCalib_->setEnabled(true);
        ScanCalRdy_->setEnabled(true);
        ScanCalRdy_->hide();
        connect(ScanCalib_, &QPushButton::clicked, this, [this] { c_.scan().ScanCalib_Click(); });
        connect(ScanCalRdy_, &QPushButton::clicked, this, [this] { c_.scan().ScanCalRdy_Click(); });
        c_.scan().setView(this);
    }
    if (auto* dump = w_.findChild<QPushButton*>("DUMDUM")) {
        dump->setEnabled(true);
        connect(dump, &QPushButton::clicked, this, &CalibrationWindows::DUMDUM_Click);
    }
    // Shown at start-up, like the other child windows.
    sub_->show();
}

CalibrationWindows::~CalibrationWindows() {
    c_.scan().setView(nullptr);
    c_.procedure().setView(nullptr);
}

void CalibrationWindows::AfterStartup() {
    win_->InitSpeeds(m_.config().VNAType);
    win_->setSimulated(c_.Simulated());
    const QString file =
        m_.options().calFile.isEmpty() ? m_.DefaultCalFile() : m_.options().calFile;
    if (m_.state().CalMastData)
        win_->ShowCalibrationFile(file, Q(m_.calib().title));
}

void CalibrationWindows::MenuCal_Click() {
    const bool show = !sub_->isVisible();
    sub_->setVisible(show);
    if (show)
        win_->show();
    if (MenuCal_)
        MenuCal_->setChecked(show);
}

void CalibrationWindows::DUMDUM_Click() {
    const QString dir = m_.options().workDir;
    const QString err = WriteDiagnosticDump(m_, c_.procedure(), dir);
    if (!err.isEmpty())
        w_.Message("The diagnostic dump was not written: " + err);
    else
        w_.Status("Diagnostic dump written to " + QDir(dir).filePath(kDumpFileName));
}

void CalibrationWindows::ShowScanCalib(bool shown) { ScanCalib_->setVisible(shown); }

void CalibrationWindows::ShowScanCalRdy(bool shown, const std::string& caption) {
    if (shown)
        ScanCalRdy_->setText(Q(caption));
    ScanCalRdy_->setVisible(shown);
}
