#include "display/graph/widgets/dsp_set_window.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

QString Named(const char* name, int index) { return QString("%1_%2").arg(name).arg(index); }

QLineEdit* Field(QWidget* parent, const QString& name, int width) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setMinimumWidth(width);
    return e;
}

} // namespace

DspSet::DspSet(MeasureState& s, GraphSettings& settings, QWidget* parent)
    : QWidget(parent), model_(s, settings) {
    setObjectName("DspSet");
    setWindowTitle("Scan Parameter Settings");
    chooseFile_ = [this] {
        QFileDialog dialog(this, kDialogTitle, lastDir_);
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilters({"2 Port Sparameter (*.S2P *.s2p)", "1 Port Sparameter (*.S1P *.s1p)"});
        dialog.selectNameFilter("2 Port Sparameter (*.S2P *.s2p)");
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return QString();
        lastDir_ = QFileInfo(dialog.selectedFiles().first()).absolutePath();
        return dialog.selectedFiles().first();
    };
    Build();
    Sync();
}

void DspSet::setHooks(DspSetHooks hooks) {
    model_.setHooks(std::move(hooks));
    model_.initdivisions();
}

void DspSet::Build() {
    auto* main = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    main->addLayout(top);

    auto* points = new QGroupBox("Points in Scan", this);
    auto* pl = new QVBoxLayout(points);
    for (int i = 0; i < 4; ++i) {
        radioScan_[i] = new QRadioButton(QString::number(DspSetModel::kScanSizes[static_cast<size_t>(i)]), points);
        radioScan_[i]->setObjectName(Named("RadioScan", i));
        connect(radioScan_[i], &QRadioButton::clicked, this, [this, i] { model_.RadioScan_Click(i); });
        pl->addWidget(radioScan_[i]);
    }
    top->addWidget(points);

    auto* steps = new QGroupBox("Scale steps", this);
    auto* sl = new QGridLayout(steps);
    const auto step = [&](int row, const char* caption, const char* name, QLineEdit*& edit,
                          void (DspSetModel::*handler)(const QString&)) {
        sl->addWidget(new QLabel(caption, steps), row, 0);
        edit = Field(steps, name, 140);
        connect(edit, &QLineEdit::editingFinished, this, [this, &edit, handler] { (model_.*handler)(edit->text()); });
        sl->addWidget(edit, row, 1);
    };
    step(0, "dB", "DbDiv", dbDiv_, &DspSetModel::DbDiv_Change);
    step(1, "VSWR", "VswrStep", vswrStep_, &DspSetModel::VswrStep_Change);
    step(2, "Phase", "PhaseStep", phaseStep_, &DspSetModel::PhaseStep_Change);
    step(3, "Frequency", "FreqDiv", freqDiv_, &DspSetModel::FreqDiv_Change);
    top->addWidget(steps);

    auto* line = new QGroupBox("Line", this);
    auto* ll = new QHBoxLayout(line);
    lineScroll_ = new QScrollBar(Qt::Vertical, line);
    lineScroll_->setObjectName("LineThickScroll");
    lineScroll_->setRange(DspSetModel::kMinThickness, DspSetModel::kMaxThickness);
    lineScroll_->setMinimumHeight(60);
    lineThik_ = new QLabel(line);
    lineThik_->setObjectName("LineThik");
    connect(lineScroll_, &QScrollBar::valueChanged, this, [this](int v) {
        model_.LineThickScroll_Change(v);
        lineThik_->setText(model_.LineThik());
    });
    ll->addWidget(lineScroll_);
    ll->addWidget(lineThik_);
    top->addWidget(line);

    auto* unit = new QGroupBox("S-paramerer select and style", this);
    auto* ul = new QVBoxLayout(unit);
    const char* const unitText[] = {"dB", "Vswr"};
    for (int i = 0; i < 2; ++i) {
        rtlUnit_[i] = new QRadioButton(unitText[i], unit);
        rtlUnit_[i]->setObjectName(Named("RTLUnit", i));
        connect(rtlUnit_[i], &QRadioButton::clicked, this, [this, i] { model_.RTLUnit_Click(i); });
        ul->addWidget(rtlUnit_[i]);
    }
    top->addWidget(unit);
    top->addStretch(1);

    auto* src = new QGroupBox("VNA Source data and External Control", this);
    auto* g = new QGridLayout(src);
    g->setVerticalSpacing(1);
    const char* const heads[] = {"Slot", "Show", "Source", "Title", "Atten", "Cont.", "Aux"};
    for (int c = 0; c < 7; ++c)
        g->addWidget(new QLabel(heads[c], src), 0, c);
    for (int i = 0; i < DspSetModel::kSlots; ++i) {
        const int r = i + 1;
        g->addWidget(new QLabel(QString::number(i), src), r, 0);
        grafProb_[i] = new QCheckBox(src);
        grafProb_[i]->setObjectName(Named("GrafProb", i));
        connect(grafProb_[i], &QCheckBox::clicked, this, [this, i](bool on) { model_.GrafProb_Click(i, on); });
        g->addWidget(grafProb_[i], r, 1);
        source_[i] = new QPushButton(src);
        source_[i]->setObjectName(Named("GrafProbSource", i));
        source_[i]->setFlat(true);
        source_[i]->setMinimumWidth(110);
        connect(source_[i], &QPushButton::clicked, this, [this, i] { GrafProbSource_Click(i); });
        g->addWidget(source_[i], r, 2);
        const auto text = [&](const char* name, std::array<QLineEdit*, DspSetModel::kSlots>& arr, int width,
                              void (DspSetModel::*handler)(int, const QString&), int col) {
            arr[i] = Field(src, Named(name, i), width);
            connect(arr[i], &QLineEdit::textEdited, this, [this, i, handler](const QString& t) { (model_.*handler)(i, t); });
            g->addWidget(arr[i], r, col);
        };
        text("VnaCTitle", title_, 160, &DspSetModel::VnaCTitle_Change, 3);
        text("VnaCAttn", attn_, 50, &DspSetModel::VnaCAttn_Change, 4);
        text("VnaContParm", cont_, 50, &DspSetModel::VnaContParm_Change, 5);
        text("VnaAux", aux_, 50, &DspSetModel::VnaAux_Change, 6);
    }
    main->addWidget(src);
}

void DspSet::Sync() {
    const GraphSettings& st = model_.settings();
    if (const int k = model_.scanOption(); k >= 0)
        radioScan_[k]->setChecked(true);
    dbDiv_->setText(st.DbDiv);
    vswrStep_->setText(st.VswrStep);
    phaseStep_->setText(st.PhaseStep);
    freqDiv_->setText(st.FreqDiv);
    {
        const QSignalBlocker block(lineScroll_);
        lineScroll_->setValue(model_.state().LineTykkelse);
    }
    lineThik_->setText(model_.LineThik());
    rtlUnit_[st.Vswr() ? 1 : 0]->setChecked(true);
    for (int i = 0; i < DspSetModel::kSlots; ++i) {
        grafProb_[i]->setChecked(st.GrafProb[static_cast<size_t>(i)]);
        const SlotSource& s = model_.source(i);
        source_[i]->setText(s.caption);
        const char* colour = s.state == SlotSource::kGood ? "#00ff00" : s.state == SlotSource::kBad ? "#ff0000" : nullptr;
        // A flat button paints a background only when its border is styled too.
        source_[i]->setStyleSheet(QString("border: 1px solid #a0a0a0; padding: 1px 4px;") +
                                  (colour ? QString(" background-color: %1;").arg(colour) : QString()));
        const auto set = [](QLineEdit* e, const QString& t) {
            if (e->text() != t)
                e->setText(t);
        };
        set(title_[i], model_.VnaCTitle(i));
        set(attn_[i], model_.VnaCAttn(i));
        set(cont_[i], model_.VnaContParm(i));
        set(aux_[i], model_.VnaAux(i));
    }
}

void DspSet::Tell(const QString& text) {
    lastMessage_ = text;
    if (modal_ && !text.isEmpty())
        QMessageBox::warning(this, windowTitle(), text);
}

void DspSet::GrafProbSource_Click(int slot) {
    if (slot < DspSetModel::kFirstFileSlot || slot >= DspSetModel::kSlots)
        return;
    lastMessage_.clear();
    const QString file = chooseFile_ ? chooseFile_() : QString();
    QString message;
    LoadSlotFile(slot, file, message);
    Tell(message);
}

bool DspSet::LoadSlotFile(int slot, const QString& file, QString& message) {
    const bool ok = model_.LoadSlot(slot, file, message);
    if (slot >= DspSetModel::kFirstFileSlot && slot < DspSetModel::kSlots)
        source_[slot]->setToolTip(model_.source(slot).path);
    Sync();
    return ok;
}
