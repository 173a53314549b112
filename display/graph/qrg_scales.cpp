#include "display/graph/qrg_scales.h"

#include "display/measure/formatting.h"
#include "link/text_rules.h"

#include <cmath>

namespace {

constexpr std::array<ScaleRow, kScaleCount> kRows{{
    {true, -200, 200, 10, -100, 100},
    {true, -200, 200, 10, -100, 100},
    {true, 1, 100, 10, 1, 11},
    {true, -360, 360, 10, -150, 150},
    {false, 400000, 610000000, 10, 500000, 500000 + 500000000},
}};

QString FreqText(double f) {
    return QString::fromStdString(QrgUnit(static_cast<int32_t>(txt::RoundHalfEven(f))));
}

} // namespace

void ConfigureScales(ScaleSet& set, const std::array<ScaleRow, kScaleCount>& rows) {
    for (int i = 0; i < kScaleCount; ++i) {
        const ScaleRow& r = rows[static_cast<size_t>(i)];
        Skala& k = set[i];
        k.setReverse(r.reverse);
        k.setLow(r.low);
        k.setHigh(r.high);
        k.setFine(r.fine);
        if (i == kScaleQrg)
            k.setNail(5);
        k.setMin(r.min);
        k.setMax(r.max);
    }
}

bool ScaleTool(Skala& sc, int index) {
    switch (index) {
    case 0: sc.Up(); return true;
    case 1: sc.FineUp(); return true;
    case 2: sc.DecDiv(); return true;
    case 3: sc.Center(); return true;
    case 4: sc.IncDiv(); return true;
    case 5: sc.FineDn(); return true;
    case 6: sc.Dn(); return true;
    default: return false;
    }
}

void SetupQrgScales(ScaleSet& set, const GraphSettings& settings) {
    ConfigureScales(set, kRows);
    TickChange(set, settings);
}

void TickChange(ScaleSet& set, const GraphSettings& settings) {
    set[kScaleTrans].setTicks(settings.DbDiv);
    set[kScaleRefl].setTicks(settings.DbDiv);
    set[kScaleVswr].setTicks(settings.VswrStep);
    set[kScalePhase].setTicks(settings.PhaseStep);
    set[kScaleQrg].setTicks(settings.FreqDiv);
}

std::array<QString, 11> ValueLabels(const Skala& scale) {
    std::array<QString, 11> out;
    for (int k = 0; k <= 10; ++k)
        out[static_cast<size_t>(k)] = QString::number(scale.valu(k));
    return out;
}

std::array<QString, 5> FreqLabels(const Skala& qrg) {
    std::array<QString, 5> out;
    const double centre = qrg.valu(5);
    out[2] = FreqText(centre);
    for (int k : {0, 1, 3, 4})
        out[static_cast<size_t>(k)] =
            FreqText(static_cast<double>(qrg.min()) + (2 * k + 1) * static_cast<double>(qrg.Div()) - centre);
    return out;
}

int64_t ReadoutQrg(const Skala& qrg, int32_t x) {
    const double v = qrg.GetValue(x);
    if (!std::isfinite(v))
        return 0;
    const auto f = static_cast<int64_t>(txt::RoundHalfEven(v));
    const auto s = static_cast<int64_t>(txt::RoundHalfEven(qrg.Div() / 20.0));
    if (s == 0)
        return f;  // a division of 1 Hz or less: the exact frequency
    const int64_t n = f / s;
    return static_cast<int64_t>(txt::RoundHalfEven(n * (qrg.Div() / 20.0)));
}

QString ReadoutText(const Skala& qrg, int32_t x) {
    return "Qrg = " + FreqText(static_cast<double>(ReadoutQrg(qrg, x)));
}

QString StatusText(int speed, int time, const Skala& qrg, bool calibrated) {
    QString t = QString("Speed=%1  Wait=%2  Div=%3").arg(speed).arg(time).arg(FreqText(qrg.Div()));
    if (calibrated)
        t += " Calibrated";
    return t;
}
