#pragma once
// VnaControl, the configuration window: shows the settings of "tavrel.Cfg"
// in its frames and writes them back. Every edit is told at once
// (ConfigChanged) so that the program works with what the window shows;
// settings that only the next start can use say so beside them. Load reads
// the file into the window (ConfigLoaded), Save writes the commented
// template. The window holds no settings of its own: config() reads them
// off the controls, setConfig() puts them on. "Test VNA" and "ShowState"
// ask the program (TestVnaRequested, ShowStateChanged) and show what it
// answers (ShowTestResult).

#include "display/config/config_file.h"
#include "display/config/user_bytes.h"

#include <QString>
#include <QWidget>

#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

class VnaControl : public QWidget {
    Q_OBJECT
public:
    /// `dir` is the folder of "tavrel.Cfg"; `builtInHelp` the help address
    /// used when the help text box is empty.
    VnaControl(QString dir, std::string builtInHelp, QWidget* parent = nullptr);

    /// Shows `cfg`; tells nobody (no ConfigChanged).
    void setConfig(const VnaConfig& cfg);
    VnaConfig config() const;
    void setDir(const QString& dir) { dir_ = dir; }

    /// ShowState can be used (false: the server runs without its window,
    /// the tooltip says so).
    void setShowStateAvailable(bool available);

    /// How a Test VNA run stands, for ShowTestResult.
    enum class TestState { Running, Passed, Failed };

public slots:
    /// Reads the file into the window; "Cant find tavrel.Cfg " when it is missing.
    void LoadCfg_Click();
    /// Writes the file; a failure is told with the file and the reason.
    void SavCfg_Click();
    void SparmSw_Click();
    void TestVNA_Click();
    void ShowState_Click();
    /// Shows the Test VNA report (one finding per line).
    void ShowTestResult(const QString& report, VnaControl::TestState state);
    /// Shows the user bytes B0..B4 the scans carry (B0 bits 2-3: the switch
    /// bits of the measured S-parameter).
    void ShowUserBytes(const UserByteArray& bytes);

signals:
    /// A control was changed by the user: the settings the window shows now.
    void ConfigChanged(const VnaConfig& cfg);
    /// The settings on the window changed by Load.
    void ConfigLoaded(const VnaConfig& cfg);
    /// The switch option was ticked or cleared: " Switch " or "".
    void SwitchOptionChanged(const QString& switchOption);
    /// "Test VNA" was pressed.
    void TestVnaRequested();
    /// "ShowState" was ticked (show the server's status window) or cleared.
    void ShowStateChanged(bool show);
    /// A message for the user (missing file, write error).
    void Message(const QString& text);

private:
    void Edited();
    QWidget* BuildExternalControl();
    /// A "File..." button that asks for a file in a dialog and hands it to `take`.
    QPushButton* FileButton(QWidget* parent, const QString& name, const QString& title,
                            const QString& filter, std::function<void(const QString&)> take);

    QString dir_;
    std::string builtInHelp_;
    VnaConfig shown_;  // settings the window has no control for
    bool filling_ = false;
    std::array<QRadioButton*, 3> portno_{};
    std::array<QRadioButton*, 3> type_{};
    std::array<QLineEdit*, 4> speeds_{};
    QRadioButton* tcp_ = nullptr;
    QRadioButton* dde_ = nullptr;
    QLineEdit* tcpPort_ = nullptr;
    QCheckBox* remote_ = nullptr;
    QCheckBox* remoteServer_ = nullptr;
    QLineEdit* keyFile_ = nullptr;
    QLineEdit* clock_ = nullptr;
    QLineEdit* help_ = nullptr;
    QCheckBox* sparm_ = nullptr;
    QCheckBox* showState_ = nullptr;
    QPushButton* test_ = nullptr;
    QLabel* testResult_ = nullptr;
    QComboBox* driver_ = nullptr;
    QLineEdit* device_ = nullptr;
    QComboBox* dut_ = nullptr;
    QSpinBox* sorel_ = nullptr;
    std::array<QSpinBox*, 4> extBytes_{};
    QCheckBox* swibri_ = nullptr;
    QCheckBox* swipor_ = nullptr;
    QLabel* userBytes_ = nullptr;
};
