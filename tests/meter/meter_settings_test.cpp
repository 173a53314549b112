// The nine stored properties through QSettings: round trip, order, defaults
// for missing keys, unusable values, and margin 0 from storage.
#include <Pointel/meter.h>

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

namespace {

const QStringList kOrder{"TextColor", "ScaleThick", "ScaleColor", "ArmThick", "ArmColor",
                         "Color",     "MajText",    "Marg",       "Value"};

class MeterSettings : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
  QString file(const QString &name = "host.ini") const { return dir_.filePath(name); }

  // Writes raw lines into an INI file, as a hand-edited property bag.
  void writeIni(const QString &path, const QByteArray &text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
  }

  QTemporaryDir dir_;
};

TEST_F(MeterSettings, RoundTripOfAllNinePropertiesInOrder) {
  EXPECT_EQ(Pointel::Meter::persistedProperties(), kOrder);

  Pointel::Meter a;
  a.resize(300, 160);
  a.setTextColor(QColor(1, 2, 3));
  a.setScaleThick(5);
  a.setScaleColor(QColor(200, 100, 50));
  a.setArmThick(2);
  a.setArmColor(QColor(255, 0, 0));
  a.setColor(QColor(0, 0, 255));
  a.setMajText("Drift, mV");
  a.setMarg(7);
  a.setValue(0.123456789012345);
  {
    QSettings bag(file(), QSettings::IniFormat);
    bag.beginGroup("Meter1");
    a.writeProperties(bag);
    bag.endGroup();
    bag.sync();
    ASSERT_EQ(bag.status(), QSettings::NoError);
    // Colours as 0x00BBGGRR numbers.
    EXPECT_EQ(bag.value("Meter1/ArmColor").toLongLong(), 0x0000FF);
    EXPECT_EQ(bag.value("Meter1/Color").toLongLong(), 0xFF0000);
    EXPECT_EQ(bag.value("Meter1/ScaleColor").toLongLong(), 200 + (100 << 8) + (50 << 16));
    bag.beginGroup("Meter1");
    EXPECT_EQ(bag.childKeys().size(), 9);
  }

  Pointel::Meter b;
  b.resize(300, 160);
  QStringList names;
  QObject::connect(&b, &Pointel::Meter::propertyChanged, [&](const QString &n) { names << n; });
  QSettings bag(file(), QSettings::IniFormat);
  bag.beginGroup("Meter1");
  EXPECT_TRUE(b.readProperties(bag));
  EXPECT_EQ(names, kOrder);
  EXPECT_EQ(b.textColor(), QColor(1, 2, 3));
  EXPECT_EQ(b.scaleThick(), 5);
  EXPECT_EQ(b.scaleColor(), QColor(200, 100, 50));
  EXPECT_EQ(b.armThick(), 2);
  EXPECT_EQ(b.armColor(), QColor(255, 0, 0));
  EXPECT_EQ(b.color(), QColor(0, 0, 255));
  EXPECT_EQ(b.majText(), "Drift, mV");
  EXPECT_EQ(b.marg(), 7);
  EXPECT_DOUBLE_EQ(b.value(), 0.123456789012345);
}

TEST_F(MeterSettings, MissingKeysGiveTheDefaults) {
  Pointel::Meter m;
  m.setArmThick(9);
  m.setColor(Qt::green);
  m.setMajText("dB");
  m.setMarg(4);
  m.setValue(0.9);
  QSettings bag(file(), QSettings::IniFormat);
  bag.beginGroup("Empty");
  EXPECT_TRUE(m.readProperties(bag));
  EXPECT_EQ(m.armThick(), 3);
  EXPECT_EQ(m.color(), QColor(Qt::white));
  EXPECT_EQ(m.majText(), "Units");
  EXPECT_EQ(m.marg(), 10);
  EXPECT_DOUBLE_EQ(m.value(), 0.5);
}

TEST_F(MeterSettings, UnusableStoredValuesLeaveThePropertyAlone) {
  writeIni(file("bad.ini"),
           "[Meter1]\n"
           "TextColor=16777216\n"  // more than 24 bits
           "ScaleThick=abc\n"
           "ScaleColor=-1\n"
           "ArmThick=0\n"
           "ArmColor=255\n"
           "Color=12.5\n"
           "MajText=a,b\n"  // unquoted commas: INI hands back a list
           "Marg=70000\n"
           "Value=nan\n");
  Pointel::Meter m;
  m.resize(200, 110);
  m.setTextColor(QColor(9, 9, 9));
  m.setScaleThick(4);
  m.setValue(0.25);
  QSettings bag(file("bad.ini"), QSettings::IniFormat);
  bag.beginGroup("Meter1");
  EXPECT_FALSE(m.readProperties(bag));
  EXPECT_EQ(m.textColor(), QColor(9, 9, 9));
  EXPECT_EQ(m.scaleThick(), 4);
  EXPECT_EQ(m.scaleColor(), QColor(Qt::black));
  EXPECT_EQ(m.armThick(), 3);
  EXPECT_EQ(m.armColor(), QColor(255, 0, 0));  // the one good colour
  EXPECT_EQ(m.color(), QColor(Qt::white));
  EXPECT_EQ(m.majText(), "a,b");
  EXPECT_EQ(m.marg(), 10);
  EXPECT_DOUBLE_EQ(m.value(), 0.25);
  EXPECT_TRUE(std::isfinite(m.face().arm.x1()));
}

TEST_F(MeterSettings, MargZeroFromStorageNeverDividesByZero) {
  writeIni(file("zero.ini"), "[Meter1]\nMarg=0\nValue=0.8\n");
  Pointel::Meter m;
  m.resize(300, 160);
  QSettings bag(file("zero.ini"), QSettings::IniFormat);
  bag.beginGroup("Meter1");
  EXPECT_TRUE(m.readProperties(bag));
  EXPECT_EQ(m.marg(), 0);
  EXPECT_DOUBLE_EQ(m.value(), 0.8);
  for (const QLineF &t : m.face().majDiv) EXPECT_TRUE(std::isfinite(t.y1()) && std::isfinite(t.y2()));
  EXPECT_TRUE(std::isfinite(m.face().arm.y2()));

  m.resize(300, 150);  // the next resize uses 10
  EXPECT_EQ(m.marg(), 10);
  EXPECT_EQ(m.face().marg, 10);
  EXPECT_DOUBLE_EQ(m.face().arm.y2(), 150 - 15);
  EXPECT_DOUBLE_EQ(m.face().scaleCir.top(), 15);
  EXPECT_FALSE(m.grab().isNull());
}

}  // namespace
