#include "meter_settings.h"

#include "Pointel/meter.h"

#include <QSettings>
#include <QVariant>

#include <cmath>
#include <limits>
#include <optional>

namespace Pointel::settings {

namespace {

// Colours are kept as 32-bit numbers with red in the low byte: 0x00BBGGRR.
qint64 colorToNumber(const QColor &c) {
  return qint64(c.red()) | (qint64(c.green()) << 8) | (qint64(c.blue()) << 16);
}

std::optional<QColor> numberToColor(const QVariant &v) {
  bool ok = false;
  const qint64 n = v.toLongLong(&ok);
  if (!ok || n < 0 || n > 0xFFFFFF) return std::nullopt;
  return QColor(int(n & 0xFF), int((n >> 8) & 0xFF), int((n >> 16) & 0xFF));
}

std::optional<int> toInt16(const QVariant &v, int lowest) {
  bool ok = false;
  const int n = v.toInt(&ok);
  if (!ok || n < lowest || n > std::numeric_limits<qint16>::max()) return std::nullopt;
  return n;
}

std::optional<double> toFinite(const QVariant &v) {
  bool ok = false;
  const double x = v.toDouble(&ok);
  if (!ok || !std::isfinite(x)) return std::nullopt;
  return x;
}

QString toText(const QVariant &v) {
  // An INI file hands back an unquoted text with commas as a list.
  if (v.typeId() == QMetaType::QStringList) return v.toStringList().join(QLatin1Char(','));
  return v.toString();
}

// Reads one property: the default when the key is missing, the converted
// value when it converts, nothing (and ok = false) otherwise.
template <typename T, typename Convert, typename Apply>
void readOne(const QSettings &bag, const QString &key, const T &fallback, Convert convert,
             Apply apply, bool &ok) {
  if (!bag.contains(key)) {
    apply(fallback);
    return;
  }
  const std::optional<T> v = convert(bag.value(key));
  if (v)
    apply(*v);
  else
    ok = false;
}

}  // namespace

QStringList propertyOrder() {
  return {QStringLiteral("TextColor"), QStringLiteral("ScaleThick"), QStringLiteral("ScaleColor"),
          QStringLiteral("ArmThick"),  QStringLiteral("ArmColor"),   QStringLiteral("Color"),
          QStringLiteral("MajText"),   QStringLiteral("Marg"),       QStringLiteral("Value")};
}

void write(const Meter &m, QSettings &bag) {
  bag.setValue(QStringLiteral("TextColor"), colorToNumber(m.textColor()));
  bag.setValue(QStringLiteral("ScaleThick"), m.scaleThick());
  bag.setValue(QStringLiteral("ScaleColor"), colorToNumber(m.scaleColor()));
  bag.setValue(QStringLiteral("ArmThick"), m.armThick());
  bag.setValue(QStringLiteral("ArmColor"), colorToNumber(m.armColor()));
  bag.setValue(QStringLiteral("Color"), colorToNumber(m.color()));
  bag.setValue(QStringLiteral("MajText"), m.majText());
  bag.setValue(QStringLiteral("Marg"), m.marg());
  bag.setValue(QStringLiteral("Value"), m.value());
}

bool read(Meter &m, const QSettings &bag) {
  bool ok = true;
  const auto color = [](const QVariant &v) { return numberToColor(v); };
  const auto thick = [](const QVariant &v) { return toInt16(v, 1); };
  const QColor black(Qt::black);
  readOne(bag, QStringLiteral("TextColor"), black, color, [&](const QColor &c) { m.setTextColor(c); }, ok);
  readOne(bag, QStringLiteral("ScaleThick"), 3, thick, [&](int t) { m.setScaleThick(t); }, ok);
  readOne(bag, QStringLiteral("ScaleColor"), black, color, [&](const QColor &c) { m.setScaleColor(c); }, ok);
  readOne(bag, QStringLiteral("ArmThick"), 3, thick, [&](int t) { m.setArmThick(t); }, ok);
  readOne(bag, QStringLiteral("ArmColor"), black, color, [&](const QColor &c) { m.setArmColor(c); }, ok);
  readOne(bag, QStringLiteral("Color"), QColor(Qt::white), color, [&](const QColor &c) { m.setColor(c); }, ok);
  readOne(
      bag, QStringLiteral("MajText"), QStringLiteral("Units"),
      [](const QVariant &v) { return std::optional<QString>(toText(v)); },
      [&](const QString &s) { m.setMajText(s); }, ok);
  readOne(
      bag, QStringLiteral("Marg"), 10,
      [](const QVariant &v) { return toInt16(v, std::numeric_limits<qint16>::min()); },
      [&](int g) { m.setMarg(g); }, ok);
  readOne(bag, QStringLiteral("Value"), 0.5, toFinite, [&](double x) { m.setValue(x); }, ok);
  return ok;
}

}  // namespace Pointel::settings
