#pragma once
// DspSet, the window "Scan Parameter Settings": points in a scan, the
// scales' step lists, line thickness, reflection unit, and per S-data slot
// whether it is drawn, where its data come from and its texts. The state
// and the handlers are DspSetModel's; this class only mirrors and wires.

#include "display/graph/dsp_set.h"

#include <QWidget>

#include <array>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;

class DspSet : public QWidget {
    Q_OBJECT
public:
    /// The file dialog's title.
    static constexpr const char* kDialogTitle = "Select S-Parm file or Blank for VNA";

    DspSet(MeasureState& s, GraphSettings& settings, QWidget* parent = nullptr);

    DspSetModel& model() { return model_; }
    /// Sets the hooks and runs initdivisions, as the window's load does.
    void setHooks(DspSetHooks hooks);

    /// Chooses the file of a slot; the default opens Qt's file dialog titled
    /// kDialogTitle with the S2P and S1P filters. An empty name: no file.
    void setFileChooser(std::function<QString()> chooser) { chooseFile_ = std::move(chooser); }
    /// Messages are shown in a message box unless switched off (tests).
    void setModalMessages(bool on) { modal_ = on; }
    /// The last message told to the user (the reader's reason), empty when none.
    QString lastMessage() const { return lastMessage_; }

    /// Shows the model's state in the controls.
    void Sync();

    // ---- handlers the controls call ----
    void GrafProbSource_Click(int slot);
    /// Reads `file` into file slot `slot` as the slot's button does, without
    /// asking; false with the reason in `message` when it was refused.
    bool LoadSlotFile(int slot, const QString& file, QString& message);

private:
    void Build();
    void Tell(const QString& text);

    DspSetModel model_;
    std::function<QString()> chooseFile_;
    bool modal_ = true;
    QString lastMessage_;
    QString lastDir_;
    std::array<QRadioButton*, 4> radioScan_{};
    QLineEdit* dbDiv_ = nullptr;
    QLineEdit* vswrStep_ = nullptr;
    QLineEdit* phaseStep_ = nullptr;
    QLineEdit* freqDiv_ = nullptr;
    QScrollBar* lineScroll_ = nullptr;
    QLabel* lineThik_ = nullptr;
    std::array<QRadioButton*, 2> rtlUnit_{};
    std::array<QCheckBox*, DspSetModel::kSlots> grafProb_{};
    std::array<QPushButton*, DspSetModel::kSlots> source_{};
    std::array<QLineEdit*, DspSetModel::kSlots> title_{}, attn_{}, cont_{}, aux_{};
};
