#pragma once
// Pointel: an analogue moving-needle meter widget.
//
//   find_package(Pointel)          # CMake
//   target_link_libraries(app PRIVATE Pointel::Pointel)
//   #include <Pointel/meter.h>
//   auto *meter = new Pointel::Meter(parent);
//   meter->setMajText("mV");
//   meter->setValue(0.73);         // 0 = left end, 1 = right end

#include <QColor>
#include <QLineF>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <array>
#include <memory>

class QSettings;

#if defined(POINTEL_BUILD_LIBRARY)
#define POINTEL_EXPORT Q_DECL_EXPORT
#else
#define POINTEL_EXPORT Q_DECL_IMPORT
#endif

namespace Pointel {

class MeterPrivate;

// Where the elements of the face lie, in widget pixels, as last laid out.
struct MeterFace {
  static constexpr int kDivisions = 11;
  QRectF scaleCir;                             // bounding box of the scale ellipse
  std::array<QLineF, kDivisions> majDiv;       // ticks, 0 at the left; p1 outside the arc
  std::array<QRectF, kDivisions> lab;          // division labels
  std::array<QString, kDivisions> labText;     // their captions
  QLineF arm;                                  // the needle: p1 on the scale, p2 the pivot
  QRectF majTxt;                               // the unit caption
  int majTxtPointSize = 8;                     // its (bold) font size
  QRectF maker;                                // the maker's caption, bottom centre
  int marg = 10;                               // margin divisor the face was laid out with
};

// The needle meter: a 60-degree scale arc with eleven divisions "0" ... "10",
// a needle, a bold unit caption in the middle and the maker's caption at the
// bottom. Every size change lays the face out again and returns the needle
// to mid-scale (Value 0.5), so a host showing a live value sets Value again
// after a resize. Each property setter emits propertyChanged(name), the
// host's cue that the stored properties need writing.
class POINTEL_EXPORT Meter : public QWidget {
  Q_OBJECT
  Q_PROPERTY(double Value READ value WRITE setValue)
  Q_PROPERTY(QStringList DivisionLabel READ divisionLabel WRITE setDivisionLabel)
  Q_PROPERTY(int Marg READ marg WRITE setMarg)
  Q_PROPERTY(QString MajText READ majText WRITE setMajText)
  Q_PROPERTY(QColor Color READ color WRITE setColor)
  Q_PROPERTY(QColor ArmColor READ armColor WRITE setArmColor)
  Q_PROPERTY(int ArmThick READ armThick WRITE setArmThick)
  Q_PROPERTY(QColor ScaleColor READ scaleColor WRITE setScaleColor)
  Q_PROPERTY(int ScaleThick READ scaleThick WRITE setScaleThick)
  Q_PROPERTY(QColor TextColor READ textColor WRITE setTextColor)

 public:
  // The fixed maker's caption at the bottom of the face.
  static const QString kMakerCaption;

  // A new instance: white face, black scale and needle of width 3, margin
  // divisor 10, caption "Units", needle at mid-scale.
  explicit Meter(QWidget *parent = nullptr);
  ~Meter() override;

  // Needle position: 0 on the "0" tick, 1 on the "10" tick. Values outside
  // 0 ... 1 are drawn past the scale ends; NaN and infinities are ignored.
  double value() const;
  void setValue(double value);

  // Captions of the eleven division labels, index 0 at the left. Element i
  // relabels lab(i) and re-centres it under its tick; labels beyond the end
  // of a shorter list keep their caption, extra elements are ignored.
  QStringList divisionLabel() const;
  void setDivisionLabel(const QStringList &labels);

  // Margin divisor (16-bit, default 10): sets the gap above the arc, the
  // pivot height and the tick length (m/100 of the needle). A new value
  // takes effect at the next resize; 0 there becomes 10. Values outside
  // the 16-bit range are ignored.
  int marg() const;
  void setMarg(int marg);

  // Unit caption. Its font (bold, 8 ... 18 pt) is chosen at each resize; an
  // empty caption becomes "Units" there.
  QString majText() const;
  void setMajText(const QString &text);

  // Back colour of the face and of both captions.
  QColor color() const;
  void setColor(const QColor &color);

  // Needle colour and width in pixels (1 ... 32767; other widths are ignored).
  QColor armColor() const;
  void setArmColor(const QColor &color);
  int armThick() const;
  void setArmThick(int thick);

  // Colour and line width of the arc and the ticks (width 1 ... 32767).
  QColor scaleColor() const;
  void setScaleColor(const QColor &color);
  int scaleThick() const;
  void setScaleThick(int thick);

  // Text colour of both captions and the division labels.
  QColor textColor() const;
  void setTextColor(const QColor &color);

  // Sets the new-instance defaults through the setters, in the stored order
  // (each emits propertyChanged). The constructor calls it.
  void initProperties();

  // Names of the nine stored properties, in the order they are written and read.
  static QStringList persistedProperties();

  // Writes the nine stored properties into the current group of bag, in
  // order. Colours are stored as 32-bit numbers 0x00BBGGRR.
  void writeProperties(QSettings &bag) const;

  // Reads the nine stored properties from the current group of bag, in
  // order, through the setters. A missing key gives the property's default;
  // a stored value that cannot be used (not a number, out of range) leaves
  // the property as it was and makes the result false.
  bool readProperties(const QSettings &bag);

  // The face as laid out for the current size.
  const MeterFace &face() const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  // A property was set (name as in the Q_PROPERTY list).
  void propertyChanged(const QString &name);

 protected:
  void paintEvent(QPaintEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;
  void changeEvent(QEvent *event) override;

 private:
  std::unique_ptr<MeterPrivate> d_;
};

}  // namespace Pointel
