#include "display/graph/dsp_set.h"

#include "display/measure/point_list.h"
#include "display/sfile/touchstone_reader.h"
#include "link/text_rules.h"

#include <QFileInfo>

#include <memory>

DspSetModel::DspSetModel(MeasureState& s, GraphSettings& settings) : s_(s), settings_(settings) {
    for (int i = 0; i < kSlots; ++i)
        sources_[static_cast<size_t>(i)].caption = i < kFirstFileSlot ? "VNA" : "File";
}

int DspSetModel::scanOptionOf(int points) {
    for (size_t i = 0; i < kScanSizes.size(); ++i)
        if (kScanSizes[i] == points)
            return static_cast<int>(i);
    return -1;
}

QString DspSetModel::LineThik() const { return QString::fromStdString(txt::N(s_.LineTykkelse)); }

void DspSetModel::TickRefresh() {
    if (hooks_.tickRefresh)
        hooks_.tickRefresh();
}

void DspSetModel::Redraw() {
    if (hooks_.redraw)
        hooks_.redraw();
}

void DspSetModel::initdivisions() {
    FreqDiv_Change(settings_.FreqDiv);
    VswrStep_Change(settings_.VswrStep);
    DbDiv_Change(settings_.DbDiv);
    TickRefresh();
    PhaseStep_Change(settings_.PhaseStep);
}

void DspSetModel::DbDiv_Change(const QString& text) {
    settings_.DbDiv = text;
    TickRefresh();
}

void DspSetModel::VswrStep_Change(const QString& text) {
    settings_.VswrStep = text;
    TickRefresh();
}

void DspSetModel::PhaseStep_Change(const QString& text) {
    settings_.PhaseStep = text;
    TickRefresh();
}

void DspSetModel::FreqDiv_Change(const QString& text) {
    settings_.FreqDiv = text;
    TickRefresh();
    if (hooks_.freqTicks)
        hooks_.freqTicks(text);
}

void DspSetModel::RadioScan_Click(int index) {
    if (index < 0 || index >= static_cast<int>(kScanSizes.size()))
        return;
    s_.VnaScanSize = kScanSizes[static_cast<size_t>(index)];
    if (hooks_.restartScanTimer)
        hooks_.restartScanTimer(2000);
    InitLiv(s_);
}

void DspSetModel::LineThickScroll_Change(int value) {
    s_.LineTykkelse = static_cast<int16_t>(qBound(kMinThickness, value, kMaxThickness));
}

void DspSetModel::RTLUnit_Click(int index) {
    if (index != 0 && index != 1)
        return;
    settings_.RTLUnit = {index == 0, index == 1};
    Redraw();
}

void DspSetModel::GrafProb_Click(int slot, bool shown) {
    if (slot < 0 || slot >= kSlots)
        return;
    settings_.GrafProb[static_cast<size_t>(slot)] = shown;
    Redraw();
}

void DspSetModel::VnaCTitle_Change(int slot, const QString& text) {
    if (slot < 0 || slot >= kSlots)
        return;
    titles_[static_cast<size_t>(slot)] = text;
    if (hooks_.titleChanged)
        hooks_.titleChanged(slot, text);
}

void DspSetModel::VnaCAttn_Change(int slot, const QString& text) {
    if (slot >= 0 && slot < kSlots)
        attn_[static_cast<size_t>(slot)] = text;
}

void DspSetModel::VnaContParm_Change(int slot, const QString& text) {
    if (slot >= 0 && slot < kSlots)
        cont_[static_cast<size_t>(slot)] = text;
}

void DspSetModel::VnaAux_Change(int slot, const QString& text) {
    if (slot >= 0 && slot < kSlots)
        aux_[static_cast<size_t>(slot)] = text;
}

bool DspSetModel::LoadSlot(int slot, const QString& fileName, QString& message) {
    message.clear();
    if (slot < kFirstFileSlot || slot >= kSlots)
        return false;
    SlotSource& src = sources_[static_cast<size_t>(slot)];
    if (fileName.isEmpty()) {
        src = SlotSource{"File", SlotSource::kNone, {}};
        return true;
    }
    if (hooks_.loadBegins)
        hooks_.loadBegins();
    // Read beside the slot, so that a file the reader refuses leaves it as it was.
    auto table = std::make_unique<SdataTable>();
    SdataHeadRec head;
    const TouchstoneStatus st = ReadTouchstone(fileName.toStdString(), *table, head);
    message = QString::fromStdString(st.message);
    if (st.line > 0)
        message = QString("%1, line %2: %3").arg(QFileInfo(fileName).fileName()).arg(st.line).arg(message);
    const bool refused = !st.ok || (head.Length == 0 && !st.message.empty());
    if (!refused) {
        head.LiveDead = false;
        head.Type = "File";
        if (head.Length > 0) {
            head.StartQRG = (*table)[0].Qrg;
            head.EndQRG = (*table)[static_cast<size_t>(head.Length - 1)].Qrg;
        }
        const size_t t = static_cast<size_t>(slot);
        s_.Sdata[t] = *table;
        s_.SdataHead[t] = head;
        src.caption = QFileInfo(fileName).fileName();
        src.path = QFileInfo(fileName).absoluteFilePath();
        src.state = head.Length >= 2 ? SlotSource::kGood : SlotSource::kBad;
        VnaCTitle_Change(slot, QString::fromStdString(head.Filename));
    }
    if (hooks_.loadEnds)
        hooks_.loadEnds();
    return !refused;
}
