// Geometry of the meter face: needle, ticks, labels, caption font, and the
// resize rules.
#include <Pointel/meter.h>

#include <QFontMetricsF>

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979;
constexpr double kTol = 1e-9;

// The scale point for scale angle a, straight from the face's definition.
QPointF scalePoint(double w, double h, int m, double a) {
  const double theta = (120.0 - a) * kPi / 180.0;
  return {w / 2 + w * std::cos(theta), h / m + h - h * std::sin(theta)};
}

// Where p lies relative to the scale ellipse: 1 on it, > 1 outside.
double ellipseRadius(const QRectF &e, QPointF p) {
  const QPointF c = e.center();
  const double u = (p.x() - c.x()) / (e.width() / 2), v = (p.y() - c.y()) / (e.height() / 2);
  return std::sqrt(u * u + v * v);
}

void expectNear(QPointF actual, QPointF expected, double tol = kTol) {
  EXPECT_NEAR(actual.x(), expected.x(), tol);
  EXPECT_NEAR(actual.y(), expected.y(), tol);
}

TEST(MeterFace, NeedleEndsFollowTheScaleFormulas) {
  Pointel::Meter m;
  m.resize(300, 160);
  const double w = 300, h = 160;
  const QPointF pivot(w / 2, h - h / 10);
  for (double v : {0.0, 0.5, 1.0, 1.5}) {
    m.setValue(v);
    EXPECT_DOUBLE_EQ(m.value(), v);
    const QLineF arm = m.face().arm;
    expectNear(arm.p1(), scalePoint(w, h, 10, v * 60));
    expectNear(arm.p2(), pivot);
    EXPECT_NEAR(ellipseRadius(m.face().scaleCir, arm.p1()), 1.0, 1e-12) << v;
  }
  // The arc: 2W x 2H, left -W/2, top H/M.
  EXPECT_EQ(m.face().scaleCir, QRectF(-150, 16, 600, 320));

  // 0 and 1 put the tip on the "0" and "10" ticks, 0.5 on the top of the arc.
  const auto &ticks = m.face().majDiv;
  m.setValue(0);
  expectNear(m.face().arm.p1(), (ticks[0].p1() + ticks[0].p2()) / 2);
  EXPECT_NEAR(m.face().arm.p1().x(), 0.0, kTol);
  m.setValue(1);
  expectNear(m.face().arm.p1(), (ticks[10].p1() + ticks[10].p2()) / 2);
  EXPECT_NEAR(m.face().arm.p1().x(), w, kTol);
  m.setValue(0.5);
  expectNear(m.face().arm.p1(), QPointF(w / 2, h / 10));
  // 1.5 is not clamped: beyond the right end, right of and below the "10" tick.
  m.setValue(1.5);
  EXPECT_GT(m.face().arm.p1().x(), ticks[10].p1().x() + 50);
  EXPECT_GT(m.face().arm.p1().y(), ticks[10].p1().y() + 20);
  m.setValue(-0.25);
  EXPECT_LT(m.face().arm.p1().x(), 0.0);
}

TEST(MeterFace, TicksAreShortenedAroundTheScalePoints) {
  for (int marg : {10, 4}) {
    Pointel::Meter m;
    m.setMarg(marg);
    m.resize(400, 200);
    const double w = 400, h = 200;
    const QPointF pivot(w / 2, h - h / marg);
    for (int i = 0; i < 11; ++i) {
      const QLineF t = m.face().majDiv[i];
      const QPointF s = scalePoint(w, h, marg, 6.0 * i);
      expectNear((t.p1() + t.p2()) / 2, s);
      // Length: marg/100 of the needle's length, along the needle.
      EXPECT_NEAR(t.length(), QLineF(s, pivot).length() * marg / 100.0, 1e-9) << marg << " " << i;
      // Same direction as the needle through that point.
      const QLineF tu = t.unitVector(), nu = QLineF(s, pivot).unitVector();
      EXPECT_NEAR(tu.dx(), nu.dx(), 1e-9);
      EXPECT_NEAR(tu.dy(), nu.dy(), 1e-9);
      EXPECT_GT(ellipseRadius(m.face().scaleCir, t.p1()), 1.0);
      EXPECT_LT(ellipseRadius(m.face().scaleCir, t.p2()), 1.0);
    }
  }
}

TEST(MeterFace, LabelsSitUnderTheirTicksLeftToRight) {
  Pointel::Meter m;
  m.resize(300, 160);
  const Pointel::MeterFace &f = m.face();
  const QFontMetricsF fm(m.font(), &m);
  for (int i = 0; i < 11; ++i) {
    EXPECT_EQ(f.labText[i], QString::number(i));
    const QLineF t = f.majDiv[i];
    // Centred one tick length inside the arc.
    const double dx = t.x1() - t.x2(), dy = t.y1() - t.y2();
    EXPECT_NEAR(f.lab[i].center().x(), (t.x1() + t.x2()) / 2 - dx, kTol) << i;
    EXPECT_NEAR(f.lab[i].top(), (t.y1() + t.y2()) / 2 + std::abs(dy), kTol) << i;
    EXPECT_NEAR(f.lab[i].width(), fm.horizontalAdvance(f.labText[i]), kTol);
    EXPECT_GT(f.lab[i].top(), t.y2()) << "label " << i << " must sit inside the arc";
    if (i > 0) {
      EXPECT_GT(f.lab[i].center().x(), f.lab[i - 1].center().x());
    }
  }
}

TEST(MeterFace, DivisionLabelRelabelsAndRecentres) {
  Pointel::Meter m;
  m.resize(300, 160);
  const QPointF centre3 = m.face().lab[3].center();
  const double top3 = m.face().lab[3].top();
  QStringList names;
  QObject::connect(&m, &Pointel::Meter::propertyChanged, [&](const QString &n) { names << n; });

  QStringList labels;
  for (int i = 0; i < 11; ++i) labels << QString::number(-50 + 10 * i);
  m.setDivisionLabel(labels);
  EXPECT_EQ(m.divisionLabel(), labels);
  EXPECT_EQ(names, QStringList{"DivisionLabel"});
  EXPECT_EQ(m.face().labText[0], "-50");
  EXPECT_EQ(m.face().labText[10], "50");
  // Wider text, same centre under the tick.
  EXPECT_GT(m.face().lab[3].width(), QFontMetricsF(m.font(), &m).horizontalAdvance("3"));
  EXPECT_NEAR(m.face().lab[3].center().x(), centre3.x(), kTol);
  EXPECT_NEAR(m.face().lab[3].top(), top3, kTol);
  for (int i = 1; i < 11; ++i) EXPECT_GT(m.face().lab[i].center().x(), m.face().lab[i - 1].center().x());

  // A short list relabels what it has and leaves the rest; extras are ignored.
  m.setDivisionLabel({"a", "b"});
  EXPECT_EQ(m.face().labText[0], "a");
  EXPECT_EQ(m.face().labText[1], "b");
  EXPECT_EQ(m.face().labText[2], "-30");
  QStringList many = labels;
  many << "x" << "y";
  m.setDivisionLabel(many);
  EXPECT_EQ(m.divisionLabel(), labels);
}

// Widths of a bold caption at the sizes the meter tries.
double captionWidth(const Pointel::Meter &m, const QString &text, int size) {
  QFont f = m.font();
  f.setBold(true);
  f.setPointSize(size);
  return QFontMetricsF(f, &m).horizontalAdvance(text);
}

TEST(MeterFace, CaptionFontGrowsUntilAThirdOfTheWidth) {
  Pointel::Meter m;
  m.setMajText("V");
  m.resize(900, 300);
  EXPECT_EQ(m.face().majTxtPointSize, 18);

  m.setMajText("Drift of the detector output in millivolts per hour");
  m.resize(600, 300);
  EXPECT_EQ(m.face().majTxtPointSize, 8);
  EXPECT_GE(m.face().majTxt.width(), 600 / 3.0);

  // In between, the first size whose width reaches W/3.
  m.setMajText("Millivolt");
  const int sizes[] = {8, 10, 12, 14, 18};
  for (int w : {150, 220, 300, 400}) {
    m.resize(w, 150);
    const int chosen = m.face().majTxtPointSize;
    for (int s : sizes) {
      if (s == chosen) break;
      EXPECT_LT(captionWidth(m, "Millivolt", s), w / 3.0) << w << " " << s;
    }
    if (chosen != 18) {
      EXPECT_GE(captionWidth(m, "Millivolt", chosen), w / 3.0) << w;
    }
    // Centred, h/2 - h/m from the top, sized to the text.
    EXPECT_NEAR(m.face().majTxt.center().x(), w / 2.0, kTol);
    EXPECT_NEAR(m.face().majTxt.top(), 75 - 15, kTol);
    EXPECT_NEAR(m.face().majTxt.width(), captionWidth(m, "Millivolt", chosen), kTol);
  }

  // The font is chosen at a resize only; a new caption is re-centred at once.
  m.resize(900, 300);
  EXPECT_EQ(m.face().majTxtPointSize, 18);
  m.setMajText("Ohm per metre of cable at sixty megahertz");
  EXPECT_EQ(m.face().majTxtPointSize, 18);
  EXPECT_NEAR(m.face().majTxt.center().x(), 450, kTol);

  // An empty caption becomes "Units" at the next resize.
  m.setMajText("");
  EXPECT_EQ(m.majText(), "");
  m.resize(400, 200);
  EXPECT_EQ(m.majText(), "Units");

  // The maker's caption sits at the bottom centre.
  EXPECT_NEAR(m.face().maker.center().x(), 200, kTol);
  EXPECT_NEAR(m.face().maker.bottom(), 200, kTol);
}

TEST(MeterFace, ResizeReturnsTheNeedleToMidScale) {
  Pointel::Meter m;
  m.resize(300, 160);
  m.setValue(0.9);
  EXPECT_DOUBLE_EQ(m.value(), 0.9);
  m.resize(300, 160);  // no change of size: nothing happens
  EXPECT_DOUBLE_EQ(m.value(), 0.9);
  m.resize(320, 160);
  EXPECT_DOUBLE_EQ(m.value(), 0.5);
  expectNear(m.face().arm.p1(), QPointF(160, 16));

  // Shown widgets get the same rule through their resize events.
  m.show();
  m.setValue(0.2);
  m.resize(250, 120);
  EXPECT_DOUBLE_EQ(m.value(), 0.5);
  EXPECT_EQ(m.face().scaleCir, QRectF(-125, 12, 500, 240));
}

TEST(MeterFace, MarginTakesEffectAtTheNextResizeAndZeroBecomesTen) {
  Pointel::Meter m;
  m.resize(300, 160);
  m.setMarg(5);
  EXPECT_EQ(m.marg(), 5);
  EXPECT_EQ(m.face().marg, 10);
  m.setValue(0.5);
  expectNear(m.face().arm.p2(), QPointF(150, 144));  // still laid out with 10
  m.resize(300, 161);
  EXPECT_EQ(m.face().marg, 5);
  expectNear(m.face().arm.p2(), QPointF(150, 161 - 161 / 5.0));

  m.setMarg(0);
  EXPECT_EQ(m.marg(), 0);
  m.setValue(0.75);  // drawn with the margin in use, never divided by 0
  EXPECT_TRUE(std::isfinite(m.face().arm.y2()));
  expectNear(m.face().arm.p1(), scalePoint(300, 161, 5, 45));
  m.resize(300, 160);
  EXPECT_EQ(m.marg(), 10);
  EXPECT_EQ(m.face().marg, 10);
  EXPECT_EQ(m.face().scaleCir, QRectF(-150, 16, 600, 320));

  // A degenerate size does not divide by zero either.
  m.resize(0, 0);
  EXPECT_TRUE(std::isfinite(m.face().arm.x1()));
  EXPECT_TRUE(std::isfinite(m.face().lab[5].left()));
  EXPECT_EQ(m.face().majTxtPointSize, 8);
}

}  // namespace
