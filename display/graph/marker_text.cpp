#include "display/graph/marker_text.h"

#include "display/graph/trace_map.h"
#include "display/measure/formatting.h"

#include <cmath>

QString SiText(double value, const QString& unit, int digits) {
    if (!std::isfinite(value))
        return value > 0 ? QString("∞ ") + unit : value < 0 ? QString("-∞ ") + unit : QString("-");
    static const char* const prefix[] = {"f", "p", "n", "µ", "m", "", "k", "M", "G"};
    int e = 0;
    const double a = std::abs(value);
    if (a > 0)
        e = static_cast<int>(std::floor(std::log10(a) / 3.0));
    e = std::clamp(e, -5, 3);
    const double v = value / std::pow(1000.0, e);
    return QString::number(v, 'g', digits) + " " + prefix[e + 5] + unit;
}

QStringList MarkerColumns() {
    return {"Marker", "Par", "Frequency", "|S| dB", "Phase °", "RL dB", "VSWR", "R + jX Ω", "L / C",
            "Delay", "Δf", "Δ dB", "Δ phase °"};
}

std::vector<MarkerRow> MarkerRows(const MeasureState& s, const MarkerTable& markers) {
    static const char* const names[] = {"S11", "S21", "S12", "S22"};
    std::vector<MarkerRow> rows;
    const int ref = markers.reference();
    for (int m = 0; m < MarkerTable::kMarkers; ++m) {
        if (!markers.used(m))
            continue;
        const double f = markers.at(m).frequency;
        for (int k = 0; k < 4; ++k) {
            if (s.SdataHead[static_cast<size_t>(s.Livestable)].State(k) == kSAbsent)
                continue;
            const MarkerReading r = ReadAt(s, s.Livestable, f, k);
            MarkerRow row;
            row.marker = m;
            row.k = k;
            QStringList& c = row.cells;
            c << QString("%1%2").arg(m + 1).arg(m == ref ? " R" : "") << names[k]
              << QString::fromStdString(QrgUnit(static_cast<int32_t>(std::lround(f))));
            if (!r.found) {
                rows.push_back(row);
                continue;
            }
            c << QString::number(r.db, 'f', 2) << QString::number(r.phaseDeg, 'f', 1);
            if (IsReflection(k)) {
                const QString x = (r.z.imag() < 0 ? " - j" : " + j") + QString::number(std::abs(r.z.imag()), 'f', 2);
                c << QString::number(r.returnLoss, 'f', 2)
                  << (std::isfinite(r.vswr) ? QString::number(r.vswr, 'f', 3) : QString("∞"))
                  << QString::number(r.z.real(), 'f', 2) + x
                  << (r.henry > 0 ? SiText(r.henry, "H") : r.farad > 0 ? SiText(r.farad, "F") : QString("-"))
                  << "";
            } else {
                c << "" << "" << "" << ""
                  << (r.groupDelay ? SiText(*r.groupDelay, "s") : QString("-"));
            }
            if (ref >= 0 && ref != m) {
                const MarkerReading rr = ReadAt(s, s.Livestable, markers.at(ref).frequency, k);
                c << QString::fromStdString(QrgUnit(static_cast<int32_t>(std::lround(f - markers.at(ref).frequency))));
                if (rr.found) {
                    const double dp = std::remainder(r.phaseDeg - rr.phaseDeg, 360.0);
                    c << QString::number(r.db - rr.db, 'f', 2) << QString::number(dp, 'f', 1);
                }
            }
            rows.push_back(row);
        }
    }
    return rows;
}
