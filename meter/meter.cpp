#include "Pointel/meter.h"

#include "meter_geometry.h"
#include "meter_settings.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QPen>
#include <QSettings>

#include <cmath>
#include <limits>

namespace Pointel {

namespace {
const QString kDefaultCaption = QStringLiteral("Units");
constexpr int kDefaultThick = 3;
constexpr int kMaxThick = std::numeric_limits<qint16>::max();

bool isThick(int thick) { return thick >= 1 && thick <= kMaxThick; }
bool isMarg(int marg) {
  return marg >= std::numeric_limits<qint16>::min() && marg <= std::numeric_limits<qint16>::max();
}
}  // namespace

const QString Meter::kMakerCaption = QStringLiteral("Pointel");

// The state of one meter and its cached face. The face is laid out again
// whenever the widget's size differs from the size it was laid out for; a
// hidden widget gets no resize event until shown, so every entry point
// brings the face up to date first (sync).
class MeterPrivate {
 public:
  explicit MeterPrivate(const Meter *owner) : q(owner) {
    for (int i = 0; i < MeterFace::kDivisions; ++i) face.labText[i] = QString::number(i);
  }

  const Meter *q;
  double angle = geometry::kMidScale;
  int marg = geometry::kDefaultMarg;
  QString majText = kDefaultCaption;
  QColor color = Qt::white;
  QColor armColor = Qt::black;
  QColor scaleColor = Qt::black;
  QColor textColor = Qt::black;
  int armThick = kDefaultThick;
  int scaleThick = kDefaultThick;
  MeterFace face;
  QSize laidOut{-1, -1};

  double w() const { return laidOut.width(); }
  double h() const { return laidOut.height(); }

  void sync() {
    if (q->size() != laidOut) layout();
  }

  // The resize rules: margin 0 becomes 10, needle to mid-scale, arc, maker's
  // caption, ticks and labels, unit caption font, needle.
  void layout() {
    laidOut = q->size();
    if (marg == 0) marg = geometry::kDefaultMarg;
    face.marg = marg;
    angle = geometry::kMidScale;
    face.scaleCir = geometry::scaleArc(w(), h(), marg);
    placeMaker();
    for (int i = 0; i < MeterFace::kDivisions; ++i) face.majDiv[i] = geometry::tick(w(), h(), marg, i);
    placeLabels();
    if (majText.isEmpty()) majText = kDefaultCaption;
    face.majTxtPointSize = geometry::captionPointSize(
        [this](int size) { return textSize(captionFont(size), majText).width(); }, w());
    placeCaption();
    placeArm();
  }

  void placeArm() { face.arm = geometry::arm(w(), h(), face.marg, angle); }

  void placeLabel(int i) {
    const QSizeF size = textSize(labelFont(), face.labText[i]);
    face.lab[i] = QRectF(geometry::labelTopLeft(face.majDiv[i], size.width()), size);
  }

  void placeLabels() {
    for (int i = 0; i < MeterFace::kDivisions; ++i) placeLabel(i);
  }

  void placeCaption() {
    const QSizeF size = textSize(captionFont(face.majTxtPointSize), majText);
    face.majTxt = QRectF(geometry::captionTopLeft(w(), h(), face.marg, size), size);
  }

  void placeMaker() {
    const QSizeF size = textSize(makerFont(), Meter::kMakerCaption);
    face.maker = QRectF(geometry::makerTopLeft(w(), h(), size), size);
  }

  QFont labelFont() const { return q->font(); }
  QFont makerFont() const {
    QFont f = q->font();
    f.setItalic(true);
    return f;
  }
  QFont captionFont(int pointSize) const {
    QFont f = q->font();
    f.setBold(true);
    f.setPointSize(pointSize);
    return f;
  }
  QSizeF textSize(const QFont &font, const QString &text) const {
    const QFontMetricsF fm(font, q);
    return {fm.horizontalAdvance(text), fm.height()};
  }
};

Meter::Meter(QWidget *parent) : QWidget(parent), d_(std::make_unique<MeterPrivate>(this)) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  initProperties();
}

Meter::~Meter() = default;

void Meter::initProperties() {
  d_->sync();
  d_->marg = geometry::kDefaultMarg;
  d_->majText = kDefaultCaption;
  d_->placeCaption();
  setTextColor(Qt::black);
  setScaleThick(kDefaultThick);
  setScaleColor(Qt::black);
  setArmThick(kDefaultThick);
  setArmColor(Qt::black);
  setColor(Qt::white);
  setMarg(geometry::kDefaultMarg);
  setValue(0.5);
}

double Meter::value() const {
  d_->sync();
  return d_->angle / geometry::kFullScale;
}

void Meter::setValue(double value) {
  if (!std::isfinite(value)) return;
  d_->sync();
  d_->angle = value * geometry::kFullScale;
  d_->placeArm();
  update();
  emit propertyChanged(QStringLiteral("Value"));
}

QStringList Meter::divisionLabel() const {
  return QStringList(d_->face.labText.begin(), d_->face.labText.end());
}

void Meter::setDivisionLabel(const QStringList &labels) {
  d_->sync();
  const int n = std::min<int>(labels.size(), MeterFace::kDivisions);
  for (int i = 0; i < n; ++i) {
    d_->face.labText[i] = labels[i];
    d_->placeLabel(i);
  }
  update();
  emit propertyChanged(QStringLiteral("DivisionLabel"));
}

int Meter::marg() const {
  d_->sync();
  return d_->marg;
}

void Meter::setMarg(int marg) {
  if (!isMarg(marg)) return;
  d_->sync();
  d_->marg = marg;
  emit propertyChanged(QStringLiteral("Marg"));
}

QString Meter::majText() const {
  d_->sync();
  return d_->majText;
}

void Meter::setMajText(const QString &text) {
  d_->sync();
  d_->majText = text;
  d_->placeCaption();
  update();
  emit propertyChanged(QStringLiteral("MajText"));
}

QColor Meter::color() const { return d_->color; }

void Meter::setColor(const QColor &color) {
  if (!color.isValid()) return;
  d_->color = color;
  update();
  emit propertyChanged(QStringLiteral("Color"));
}

QColor Meter::armColor() const { return d_->armColor; }

void Meter::setArmColor(const QColor &color) {
  if (!color.isValid()) return;
  d_->armColor = color;
  update();
  emit propertyChanged(QStringLiteral("ArmColor"));
}

int Meter::armThick() const { return d_->armThick; }

void Meter::setArmThick(int thick) {
  if (!isThick(thick)) return;
  d_->armThick = thick;
  update();
  emit propertyChanged(QStringLiteral("ArmThick"));
}

QColor Meter::scaleColor() const { return d_->scaleColor; }

void Meter::setScaleColor(const QColor &color) {
  if (!color.isValid()) return;
  d_->scaleColor = color;
  update();
  emit propertyChanged(QStringLiteral("ScaleColor"));
}

int Meter::scaleThick() const { return d_->scaleThick; }

void Meter::setScaleThick(int thick) {
  if (!isThick(thick)) return;
  d_->scaleThick = thick;
  update();
  emit propertyChanged(QStringLiteral("ScaleThick"));
}

QColor Meter::textColor() const { return d_->textColor; }

void Meter::setTextColor(const QColor &color) {
  if (!color.isValid()) return;
  d_->textColor = color;
  update();
  emit propertyChanged(QStringLiteral("TextColor"));
}

QStringList Meter::persistedProperties() { return settings::propertyOrder(); }

void Meter::writeProperties(QSettings &bag) const { settings::write(*this, bag); }

bool Meter::readProperties(const QSettings &bag) { return settings::read(*this, bag); }

const MeterFace &Meter::face() const {
  d_->sync();
  return d_->face;
}

QSize Meter::sizeHint() const { return {200, 110}; }

QSize Meter::minimumSizeHint() const { return {60, 35}; }

void Meter::paintEvent(QPaintEvent *) {
  d_->sync();
  const MeterFace &f = d_->face;
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.fillRect(rect(), d_->color);

  QPen scalePen(d_->scaleColor, d_->scaleThick, Qt::SolidLine, Qt::FlatCap);
  p.setPen(scalePen);
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(f.scaleCir);
  for (const QLineF &tick : f.majDiv) p.drawLine(tick);

  p.setPen(d_->textColor);
  p.setFont(d_->labelFont());
  for (int i = 0; i < MeterFace::kDivisions; ++i) p.drawText(f.lab[i], Qt::AlignCenter, f.labText[i]);

  p.fillRect(f.maker, d_->color);
  p.setFont(d_->makerFont());
  p.drawText(f.maker, Qt::AlignCenter, kMakerCaption);

  p.fillRect(f.majTxt, d_->color);
  p.setFont(d_->captionFont(f.majTxtPointSize));
  p.drawText(f.majTxt, Qt::AlignCenter, d_->majText);

  // The needle goes on top of everything, the caption included.
  p.setPen(QPen(d_->armColor, d_->armThick, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(f.arm);
}

void Meter::resizeEvent(QResizeEvent *event) {
  d_->sync();
  QWidget::resizeEvent(event);
}

void Meter::changeEvent(QEvent *event) {
  if (event->type() == QEvent::FontChange) {
    // New text sizes: the captions and labels are measured again; the
    // needle stays where it is.
    d_->sync();
    d_->placeMaker();
    d_->placeLabels();
    d_->placeCaption();
    update();
  }
  QWidget::changeEvent(event);
}

}  // namespace Pointel
