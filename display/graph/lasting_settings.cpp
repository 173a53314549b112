#include "display/graph/lasting_settings.h"

#include <QColor>
#include <QDir>
#include <QStandardPaths>

#include <cmath>
#include <optional>

namespace {

constexpr int kFormat = 1;
const char* const kScaleKeys[kScaleCount] = {"trans", "refl", "vswr", "phase", "qrg"};
const char* const kTraceKeys[kTraceCount] = {"S11", "S21", "S12", "S22", "phase"};
constexpr std::array<int, 5> kRows{0, 9, 10, 11, 12};

// A step list: comma-separated positive numbers.
bool StepList(const QString& text) {
    const QStringList parts = text.split(',');
    if (text.isEmpty() || parts.size() > 20)
        return false;
    for (const QString& p : parts) {
        bool ok = false;
        if (p.trimmed().toDouble(&ok) <= 0 || !ok)
            return false;
    }
    return true;
}

class Reader {
public:
    Reader(QSettings& q, QStringList& warnings) : q_(q), w_(warnings) {}
    // The integer at key within lo..hi, or nothing (with a warning when present).
    std::optional<int64_t> Int(const QString& key, int64_t lo, int64_t hi) {
        if (!q_.contains(key))
            return std::nullopt;
        bool ok = false;
        const qlonglong v = q_.value(key).toLongLong(&ok);
        if (ok && v >= lo && v <= hi)
            return v;
        Bad(key);
        return std::nullopt;
    }
    std::optional<double> Real(const QString& key) {
        if (!q_.contains(key))
            return std::nullopt;
        bool ok = false;
        const double v = q_.value(key).toDouble(&ok);
        if (ok && std::isfinite(v))
            return v;
        Bad(key);
        return std::nullopt;
    }
    std::optional<bool> Bool(const QString& key) {
        const auto v = Int(key, 0, 1);
        return v ? std::optional<bool>(*v != 0) : std::nullopt;
    }
    void Steps(const QString& key, QString& target) {
        if (!q_.contains(key))
            return;
        const QString v = q_.value(key).toString();
        if (StepList(v))
            target = v;
        else
            Bad(key);
    }
    void Bad(const QString& key) { w_ << QString("Setting %1 in %2 is not usable; the default is kept.").arg(key, q_.fileName()); }

private:
    QSettings& q_;
    QStringList& w_;
};

} // namespace

QString LastingSettingsFile() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath("tavrel13/tavrel13.ini");
}

void SaveDisplayChoices(QSettings& q, const DisplayChoices& c) {
    const GraphSettings& g = c.settings;
    q.clear();
    q.setValue("format", kFormat);
    q.beginGroup("display");
    q.setValue("DbDiv", g.DbDiv);
    q.setValue("VswrStep", g.VswrStep);
    q.setValue("PhaseStep", g.PhaseStep);
    q.setValue("FreqDiv", g.FreqDiv);
    q.setValue("RTLUnit", g.Vswr() ? 1 : 0);
    q.setValue("dots", g.dots ? 1 : 0);
    q.setValue("VnaScanSize", c.state.VnaScanSize);
    q.setValue("LineTykkelse", c.state.LineTykkelse);
    for (int slot = 0; slot < kSdataTables; ++slot)
        q.setValue(QString("GrafProb_%1").arg(slot), g.GrafProb[static_cast<size_t>(slot)] ? 1 : 0);
    q.endGroup();
    q.beginGroup("traces");
    for (int row : kRows)
        for (int t = 0; t < kTraceCount; ++t) {
            const QString key = QString("%1_%2").arg(kTraceKeys[t]).arg(row);
            q.setValue(key + "_visible", g.rows[static_cast<size_t>(row)].visible[static_cast<size_t>(t)] ? 1 : 0);
            q.setValue(key + "_colour", QColor(g.rows[static_cast<size_t>(row)].colour[static_cast<size_t>(t)]).name());
        }
    q.endGroup();
    q.beginGroup("scales");
    for (int i = 0; i < kScaleCount; ++i) {
        q.setValue(QString(kScaleKeys[i]) + "_min", c.scales[i].min());
        q.setValue(QString(kScaleKeys[i]) + "_max", c.scales[i].max());
    }
    q.setValue("QrgLock", c.frequencyLocked ? 1 : 0);
    q.endGroup();
    q.beginGroup("markers");
    q.setValue("reference", c.markers.reference());
    for (int k = 0; k < MarkerTable::kMarkers; ++k) {
        const MarkerRecord& m = c.markers.at(k);
        if (!m.used)
            continue;
        const QString key = QString("m%1_").arg(k);
        q.setValue(key + "kind", m.kind);
        q.setValue(key + "frequency", m.frequency);
        q.setValue(key + "scale", m.scale);
        q.setValue(key + "value", m.value);
    }
    q.endGroup();
    q.sync();
}

bool IsDisplayChoicesFile(const QSettings& q) {
    return q.status() == QSettings::NoError && q.value("format").toString() == QString::number(kFormat);
}

QStringList LoadDisplayChoices(QSettings& q, DisplayChoices& c) {
    QStringList warnings;
    if (q.status() != QSettings::NoError) {
        warnings << QString("The settings file %1 is damaged and was ignored.").arg(q.fileName());
        return warnings;
    }
    if (q.allKeys().isEmpty())
        return warnings;
    if (!IsDisplayChoicesFile(q)) {
        warnings << QString("The settings file %1 is not one of this program's and was ignored.").arg(q.fileName());
        return warnings;
    }
    Reader r(q, warnings);
    GraphSettings& g = c.settings;
    q.beginGroup("display");
    r.Steps("DbDiv", g.DbDiv);
    r.Steps("VswrStep", g.VswrStep);
    r.Steps("PhaseStep", g.PhaseStep);
    r.Steps("FreqDiv", g.FreqDiv);
    if (const auto v = r.Int("RTLUnit", 0, 1))
        g.RTLUnit = {*v == 0, *v == 1};
    if (const auto v = r.Bool("dots"))
        g.dots = *v;
    if (const auto v = r.Int("VnaScanSize", 50, 400)) {
        if (*v == 50 || *v == 100 || *v == 200 || *v == 400)
            c.state.VnaScanSize = static_cast<int16_t>(*v);
        else
            r.Bad("display/VnaScanSize");
    }
    if (const auto v = r.Int("LineTykkelse", 1, 10))
        c.state.LineTykkelse = static_cast<int16_t>(*v);
    for (int slot = 0; slot < kSdataTables; ++slot)
        if (const auto v = r.Bool(QString("GrafProb_%1").arg(slot)))
            g.GrafProb[static_cast<size_t>(slot)] = *v;
    q.endGroup();
    q.beginGroup("traces");
    for (int row : kRows)
        for (int t = 0; t < kTraceCount; ++t) {
            const QString key = QString("%1_%2").arg(kTraceKeys[t]).arg(row);
            TraceRow& tr = g.rows[static_cast<size_t>(row)];
            if (const auto v = r.Bool(key + "_visible"))
                tr.visible[static_cast<size_t>(t)] = *v;
            if (q.contains(key + "_colour")) {
                const QColor colour(q.value(key + "_colour").toString());
                if (colour.isValid())
                    tr.colour[static_cast<size_t>(t)] = colour.rgb();
                else
                    r.Bad("traces/" + key + "_colour");
            }
        }
    q.endGroup();
    q.beginGroup("scales");
    for (int i = 0; i < kScaleCount; ++i) {
        Skala& s = c.scales[i];
        const auto lo = r.Int(QString(kScaleKeys[i]) + "_min", s.Low(), s.High());
        const auto hi = r.Int(QString(kScaleKeys[i]) + "_max", s.Low(), s.High());
        if (!lo || !hi)
            continue;
        if (*lo >= *hi) {
            r.Bad(QString("scales/%1").arg(kScaleKeys[i]));
            continue;
        }
        s.setMin(static_cast<double>(*lo));
        s.setMax(static_cast<int32_t>(*hi));
    }
    if (const auto v = r.Bool("QrgLock"))
        c.frequencyLocked = *v;
    q.endGroup();
    q.beginGroup("markers");
    for (int k = 0; k < MarkerTable::kMarkers; ++k) {
        const QString key = QString("m%1_").arg(k);
        const auto kind = r.Int(key + "kind", kMarkMagS11, kMarkPhaseS22);
        const auto f = r.Real(key + "frequency");
        const auto scale = r.Int(key + "scale", 0, 3);
        const auto value = r.Real(key + "value");
        if (!kind || !f || !scale || !value)
            continue;
        if (*f < 0 || *f > 1e10) {
            r.Bad("markers/" + key + "frequency");
            continue;
        }
        c.markers.at(k) = MarkerRecord{true, static_cast<int16_t>(*kind), *f,
                                       static_cast<int16_t>(*scale), *value};
    }
    if (const auto ref = r.Int("reference", -1, MarkerTable::kMarkers - 1))
        c.markers.setReference(*ref >= 0 && c.markers.used(static_cast<int>(*ref)) ? static_cast<int>(*ref) : -1);
    q.endGroup();
    return warnings;
}

void DefaultDisplayChoices(DisplayChoices& c) {
    c.settings = GraphSettings();
    c.state.VnaScanSize = 100;
    c.state.LineTykkelse = 1;
    SetupQrgScales(c.scales, c.settings);
    c.frequencyLocked = true;
    for (int k = 0; k < MarkerTable::kMarkers; ++k)
        c.markers.Remove(k);
    c.markers.setReference(-1);
}
