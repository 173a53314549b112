#pragma once
// VnaControl, the configuration window: shows the settings of "tavrel.Cfg"
// in its frames and writes them back. Load reads the file again, Save
// writes the commented template. The window holds no settings of its own:
// config() reads them off the controls, setConfig() puts them on.

#include "display/config/config_file.h"

#include <QString>
#include <QWidget>

#include <array>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

class VnaControl : public QWidget {
    Q_OBJECT
public:
    /// `dir` is the folder of "tavrel.Cfg"; `builtInHelp` the help address
    /// used when the help text box is empty.
    VnaControl(QString dir, std::string builtInHelp, QWidget* parent = nullptr);

    void setConfig(const VnaConfig& cfg);
    VnaConfig config() const;
    void setDir(const QString& dir) { dir_ = dir; }

public slots:
    /// Reads the file; "Cant find tavrel.Cfg " when it is missing.
    void LoadCfg_Click();
    /// Writes the file; a failure is told with the file and the reason.
    void SavCfg_Click();
    void SparmSw_Click();

signals:
    /// The settings on the window changed by Load.
    void ConfigLoaded(const VnaConfig& cfg);
    /// The switch option was ticked or cleared: " Switch " or "".
    void SwitchOptionChanged(const QString& switchOption);
    /// A message for the user (missing file, write error).
    void Message(const QString& text);

private:
    QString dir_;
    std::string builtInHelp_;
    VnaConfig shown_;  // settings the window has no control for
    std::array<QRadioButton*, 3> portno_{};
    std::array<QRadioButton*, 3> type_{};
    std::array<QLineEdit*, 4> speeds_{};
    QRadioButton* tcp_ = nullptr;
    QRadioButton* dde_ = nullptr;
    QLineEdit* tcpPort_ = nullptr;
    QCheckBox* remote_ = nullptr;
    QLineEdit* clock_ = nullptr;
    QLineEdit* help_ = nullptr;
    QCheckBox* sparm_ = nullptr;
    QComboBox* driver_ = nullptr;
    QLineEdit* device_ = nullptr;
    QComboBox* dut_ = nullptr;
};
