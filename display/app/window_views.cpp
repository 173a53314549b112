#include "display/app/window_views.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcApp, "vna.app", QtInfoMsg)

const char* WindowViews::Name(Event e) {
    static const char* const names[kEventCount] = {
        "Message", "SetCaption", "Status", "VnaMessureCaption", "ConfigDoneRed",
        "NewQrg", "Messurechange", "makelive", "Refscreen", "Makesmithlive",
        "TempCorr", "ShowTempOffset", "showri", "ShowTable", "ShowLowQrg",
        "CalibrationNextIn", "CalibrationEndScan", "ScanCalAfterCorrect"};
    return e >= 0 && e < kEventCount ? names[e] : "?";
}

void WindowViews::Unheard(Event e) {
    if (unheard_[static_cast<size_t>(e)]++ == 0)
        qCDebug(lcApp) << "no window takes" << Name(e);
}

// A call goes to the window registered for it, or is counted.
#define VNA_TELL(view, event, call)                                                           \
    do {                                                                                      \
        if (view)                                                                             \
            view->call;                                                                       \
        else                                                                                  \
            Unheard(event);                                                                   \
    } while (false)

void WindowViews::Message(const QString& text) { VNA_TELL(main_, kMessage, Message(text)); }
void WindowViews::SetCaption(const QString& c) { VNA_TELL(main_, kCaption, SetCaption(c)); }
void WindowViews::Status(const QString& text) { VNA_TELL(main_, kStatus, Status(text)); }
void WindowViews::VnaMessureCaption(const QString& c) {
    VNA_TELL(main_, kMessureCaption, VnaMessureCaption(c));
}
void WindowViews::ConfigDoneRed(bool red) { VNA_TELL(main_, kConfigDoneRed, ConfigDoneRed(red)); }

void WindowViews::NewQrg(int32_t min, int32_t max) {
    // Both charts follow the range; counted when neither is there.
    if (!graph_ && !smith_)
        Unheard(kNewQrg);
    if (graph_)
        graph_->NewQrg(min, max);
    if (smith_)
        smith_->SmithNewQrg(min, max);
}
void WindowViews::Messurechange(int16_t s) {
    if (!graph_ && !smith_)
        Unheard(kMessurechange);
    if (graph_)
        graph_->Messurechange(s);
    if (smith_)
        smith_->Messurechange(s);
}
void WindowViews::makelive(int16_t p) { VNA_TELL(graph_, kMakelive, makelive(p)); }
void WindowViews::Makesmithlive(int16_t p) { VNA_TELL(smith_, kMakesmithlive, Makesmithlive(p)); }
void WindowViews::Refscreen() { VNA_TELL(graph_, kRefscreen, Refscreen()); }

bool WindowViews::TempCorr() {
    if (debug_)
        return debug_->TempCorr();
    Unheard(kTempCorr);
    return true;  // readings follow the drift, as the box is ticked at start
}
void WindowViews::ShowTempOffset(int32_t d) { VNA_TELL(debug_, kTempOffset, ShowTempOffset(d)); }
void WindowViews::showri(double re, double im) { VNA_TELL(debug_, kShowri, showri(re, im)); }
void WindowViews::ShowTable(int16_t t) { VNA_TELL(debug_, kShowTable, ShowTable(t)); }
void WindowViews::ShowLowQrg(int32_t q) { VNA_TELL(debug_, kShowLowQrg, ShowLowQrg(q)); }

void WindowViews::CalibrationNextIn(const VnaDataRec& rec) {
    VNA_TELL(calib_, kCalibrationNextIn, CalibrationNextIn(rec));
}
void WindowViews::CalibrationEndScan() {
    VNA_TELL(calib_, kCalibrationEndScan, CalibrationEndScan());
}
void WindowViews::ScanCalAfterCorrect(const VnaDataRec& rec) {
    VNA_TELL(calib_, kScanCalAfterCorrect, ScanCalAfterCorrect(rec));
}
