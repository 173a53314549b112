#pragma once
// Master, the display program's main window: a frame of child windows
// (configuration, diagnostic window; the graphs, the Smith chart, the
// display settings and the calibration window plug in the same way), the
// menus, and the strip of sweep controls. It only shows: the logic lives in
// MasterSession and SweepControl. It registers itself and its child windows
// with the session while it lives.

#include "display/app/main_window_view.h"

#include <QMainWindow>

#include <array>
#include <memory>

class MasterSession;
class GraphView;
struct GraphSettings;
class MarkerTable;
class QrgGraf;
class DspSet;
class SmithGraf;
class SmithView;
class FrmDebug;
class VnaControl;
class QAction;
class QLabel;
class QLineEdit;
class QMdiArea;
class QMdiSubWindow;
class QPushButton;
class QRadioButton;
class QSettings;

class Master : public QMainWindow, public MainWindowView {
    Q_OBJECT
public:
    explicit Master(MasterSession& session, QWidget* parent = nullptr);
    ~Master() override;

    /// Shows what the start-up read (configuration, sweep fields).
    void AfterStartup();

    FrmDebug* frmDebug() const { return debug_; }
    VnaControl* vnaControl() const { return control_; }
    /// The frequency graph QRGGRAF, one shared instance.
    QrgGraf* qrgGraf() const { return qrgGraf_; }
    /// The display settings window DspSet, one shared instance.
    DspSet* dspSet() const { return dspSet_; }
    /// The Smith chart SmithGraf, one shared instance created on first use
    /// (nullptr before).
    SmithGraf* smithGraf() const { return smithGraf_; }
    /// Creates the Smith chart on first use and shows it.
    SmithGraf* ShowSmith();

    // ---- MainWindowView ----
    void Message(const QString& text) override;
    void SetCaption(const QString& caption) override;
    void Status(const QString& text) override;
    void VnaMessureCaption(const QString& caption) override;
    void ConfigDoneRed(bool red) override;

    /// Reads the lasting display choices and window places from `file`
    /// (QSettings, INI) and keeps the name: they are written back there when
    /// the window closes. Problems are shown in the status bar, never fatal.
    void RestoreSettings(const QString& file);
    /// Writes the lasting choices to the file given to RestoreSettings (if any).
    void SaveSettings();

    /// Message boxes are shown modally unless switched off (tests).
    void setModalMessages(bool on) { modal_ = on; }

public slots:
    void MenuConW_Click();
    void Command2_Click();
    void MnuArr_Click(int index);
    void NmuHelp_Click();
    void DoSavSparm_Click();
    /// Configuration → Restore default settings.
    void MnuDefaults_Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void RestoreSlotFiles(QSettings& q);
    void BuildMenus();
    void BuildDspSet();
    QWidget* BuildControlStrip();
    void SyncFields();
    void SyncCaptions();
    QMdiSubWindow* AddChild(QWidget* w);

    MasterSession& m_;
    QMdiArea* mdi_;
    FrmDebug* debug_;
    VnaControl* control_;
    QMdiSubWindow* debugSub_ = nullptr;
    QMdiSubWindow* controlSub_ = nullptr;
    // The graphs' display choices and the marker table, shared by the graph windows.
    std::unique_ptr<GraphSettings> graphSettings_;
    std::unique_ptr<MarkerTable> markers_;
    QrgGraf* qrgGraf_ = nullptr;
    QMdiSubWindow* qrgSub_ = nullptr;
    std::unique_ptr<GraphView> graphView_;
    DspSet* dspSet_ = nullptr;
    QMdiSubWindow* dspSub_ = nullptr;
    SmithGraf* smithGraf_ = nullptr;
    QMdiSubWindow* smithSub_ = nullptr;
    std::unique_ptr<SmithView> smithView_;
    QAction* MenuConW_ = nullptr;
    QAction* SpeedSelect_ = nullptr;
    QAction* TimeSlct_ = nullptr;
    std::array<QLineEdit*, 4> fields_{};
    std::array<QPushButton*, 7> tulBut_{};
    std::array<QRadioButton*, 3> scaMo_{};
    QPushButton* LCommand1_ = nullptr;
    QPushButton* LCommand3_ = nullptr;
    QPushButton* QrgInfo_ = nullptr;
    QPushButton* VnaMessure_ = nullptr;
    QPushButton* ConfigDone_ = nullptr;
    QLabel* statusLabel_ = nullptr;
    bool modal_ = true;
    QString settingsFile_;
};
