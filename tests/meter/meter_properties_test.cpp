// Properties of the meter: new-instance defaults, setters and what they
// refuse, the Qt property list, and what paint draws where.
#include <Pointel/meter.h>

#include <QImage>
#include <QMetaProperty>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TEST(MeterProperties, NewInstanceDefaults) {
  Pointel::Meter m;
  EXPECT_EQ(m.color(), QColor(Qt::white));
  EXPECT_EQ(m.scaleColor(), QColor(Qt::black));
  EXPECT_EQ(m.armColor(), QColor(Qt::black));
  EXPECT_EQ(m.textColor(), QColor(Qt::black));
  EXPECT_EQ(m.scaleThick(), 3);
  EXPECT_EQ(m.armThick(), 3);
  EXPECT_EQ(m.marg(), 10);
  EXPECT_DOUBLE_EQ(m.value(), 0.5);
  EXPECT_EQ(m.majText(), "Units");
  EXPECT_EQ(m.divisionLabel(),
            QStringList({"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}));

  // initProperties goes through the setters in the stored order.
  m.setArmThick(7);
  m.setMajText("mV");
  QStringList names;
  QObject::connect(&m, &Pointel::Meter::propertyChanged, [&](const QString &n) { names << n; });
  m.initProperties();
  EXPECT_EQ(names, QStringList({"TextColor", "ScaleThick", "ScaleColor", "ArmThick", "ArmColor",
                                "Color", "Marg", "Value"}));
  EXPECT_EQ(m.armThick(), 3);
  EXPECT_EQ(m.majText(), "Units");
}

TEST(MeterProperties, SettersMarkChangesAndRefuseUnusableValues) {
  Pointel::Meter m;
  m.resize(200, 110);
  QStringList names;
  QObject::connect(&m, &Pointel::Meter::propertyChanged, [&](const QString &n) { names << n; });

  m.setValue(0.3);
  m.setValue(std::numeric_limits<double>::quiet_NaN());
  m.setValue(std::numeric_limits<double>::infinity());
  EXPECT_DOUBLE_EQ(m.value(), 0.3);
  EXPECT_TRUE(std::isfinite(m.face().arm.x1()));

  m.setArmThick(0);
  m.setArmThick(-2);
  m.setScaleThick(40000);
  EXPECT_EQ(m.armThick(), 3);
  EXPECT_EQ(m.scaleThick(), 3);
  m.setArmThick(1);
  m.setScaleThick(32767);
  EXPECT_EQ(m.armThick(), 1);
  EXPECT_EQ(m.scaleThick(), 32767);

  m.setMarg(32768);
  m.setMarg(-32769);
  EXPECT_EQ(m.marg(), 10);
  m.setMarg(-32768);
  EXPECT_EQ(m.marg(), -32768);

  m.setColor(QColor());
  EXPECT_EQ(m.color(), QColor(Qt::white));
  m.setTextColor(QColor(10, 20, 30));
  EXPECT_EQ(m.textColor(), QColor(10, 20, 30));

  // Only accepted values are marked changed; the same value again still is.
  EXPECT_EQ(names, QStringList({"Value", "ArmThick", "ScaleThick", "Marg", "TextColor"}));
  names.clear();
  m.setValue(0.3);
  EXPECT_EQ(names, QStringList{"Value"});
}

TEST(MeterProperties, EveryPublicMemberIsAQtProperty) {
  Pointel::Meter m;
  const QMetaObject *mo = m.metaObject();
  EXPECT_STREQ(mo->className(), "Pointel::Meter");
  for (const char *name : {"Value", "DivisionLabel", "Marg", "MajText", "Color", "ArmColor",
                           "ArmThick", "ScaleColor", "ScaleThick", "TextColor"}) {
    const int i = mo->indexOfProperty(name);
    ASSERT_GE(i, 0) << name;
    EXPECT_TRUE(mo->property(i).isWritable()) << name;
  }
  EXPECT_TRUE(m.setProperty("Value", 0.25));
  EXPECT_DOUBLE_EQ(m.value(), 0.25);
  EXPECT_TRUE(m.setProperty("ArmColor", QColor(Qt::red)));
  EXPECT_EQ(m.property("ArmColor").value<QColor>(), QColor(Qt::red));
  EXPECT_TRUE(m.setProperty("DivisionLabel", QStringList({"L"})));
  EXPECT_EQ(m.divisionLabel().first(), "L");
}

TEST(MeterProperties, PaintDrawsTheFaceInItsColours) {
  Pointel::Meter m;
  m.resize(300, 160);
  m.setColor(QColor(255, 255, 200));
  m.setScaleColor(QColor(0, 0, 255));
  m.setScaleThick(5);
  m.setArmColor(QColor(255, 0, 0));
  m.setArmThick(5);
  m.setValue(0.8);
  const QImage img = m.grab().toImage();
  ASSERT_EQ(img.size(), QSize(300, 160));
  const auto at = [&](QPointF p) { return img.pixelColor(p.toPoint()); };

  EXPECT_EQ(at({5, 150}), m.color());  // bottom left corner: bare face
  // The needle, a third of the way from its pivot, is drawn in its colour.
  const QLineF arm = m.face().arm;
  EXPECT_EQ(at(arm.pointAt(0.66)), QColor(255, 0, 0));
  // The "5" tick, where no label or needle is.
  const QLineF t5 = m.face().majDiv[5];
  EXPECT_EQ(at(t5.pointAt(0.5)), QColor(0, 0, 255));
  // The needle lies over the caption.
  m.setValue(0.5);
  const QImage img2 = m.grab().toImage();
  const QPointF capCentre(m.face().arm.x1(), m.face().majTxt.center().y());
  EXPECT_EQ(img2.pixelColor(capCentre.toPoint()), QColor(255, 0, 0));
}

}  // namespace
