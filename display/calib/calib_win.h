#pragma once
// CalibWin, the calibration window ("Basic Calibration"): the check boxes
// the plan is built from, Redo and Done, the prompt, the progress of the
// running step, and the calibration and control files with their buttons.
// It only shows; the plan runs in CalibProcedure.

#include "display/calib/calib_procedure.h"

#include <QString>
#include <QWidget>

#include <array>
#include <functional>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;

class CalibWin : public QWidget, public CalibView {
    Q_OBJECT
public:
    /// The file dialog's question: title, filter, whether it saves, and the
    /// folder it starts in; the chosen file, or empty when cancelled.
    using FileChooser =
        std::function<QString(const QString& title, const QString& filter, bool save,
                              const QString& dir)>;

    /// `workDir`: where the dialogs start and where the default control file
    /// "MastCalib.CC" and calibration file "Master.CD" are looked for.
    CalibWin(CalibProcedure& procedure, const QString& workDir, QWidget* parent = nullptr);

    /// Ticks the Sped boxes by instrument type: all four for types 1 (the
    /// Sorel clocking variant) and 2 (the LT2440 converter), else Sped(0).
    void InitSpeeds(int VNAType);
    /// On the simulated analyser the standards can be mounted automatically
    /// (AutoMount, ticked by default); elsewhere the tick is off and disabled.
    void setSimulated(bool simulated);
    /// The file names and titles shown after a calibration file was read
    /// elsewhere (start-up).
    void ShowCalibrationFile(const QString& fileName, const QString& title);
    /// Replaces the file dialog (tests).
    void setFileChooser(FileChooser chooser) { chooser_ = std::move(chooser); }

    /// The plan's check boxes as they are ticked now.
    PlanChoice Choice() const;

    // ---- CalibView ----
    void CalibMessage(const std::string& text) override;
    void ShowCalibDone(bool shown) override;
    void MarkSpeed(int speed) override;
    void CalProgress(int value) override;
    void MastCalTitle(const std::string& title) override;
    void MastConttitle(const std::string& title) override;
    void Refused(const std::string& message) override;

public slots:
    void RedoGlobal_Click();
    void CalibDone_Click();
    void CalLoad_Click();
    void CalSav_Click();
    void MastChg_Click();

signals:
    /// A file could not be used; the main window tells the user.
    void Message(const QString& text);
    /// The window was shown or hidden (the menu entry's tick follows).
    void VisibilityChanged(bool shown);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QString Choose(const QString& title, const QString& filter, bool save);
    void ShowFileName(QLabel* label, const QString& path);

    CalibProcedure& p_;
    QString workDir_;
    FileChooser chooser_;
    QCheckBox* S_Swi_Cal_;
    QCheckBox* RefCal_;
    QCheckBox* TranCal_;
    std::array<QCheckBox*, 4> Sped_{};
    QCheckBox* AutoMount_;
    QPushButton* RedoGlobal_;
    QPushButton* CalibDone_;
    QLabel* CalibMessage_;
    QProgressBar* CalProgress_;
    QLabel* MastCalTitle_;
    QLabel* MastConttitle_;
    QLabel* CalMastFile_;
    QLabel* CalMastCont_;
};
