// The Designer plugin loads, names the class so uic writes compilable code,
// and creates a working meter.
#include <Pointel/meter.h>

#include <QPluginLoader>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

#include <gtest/gtest.h>

namespace {

TEST(MeterPlugin, LoadsAndCreatesAMeter) {
  QPluginLoader loader(QStringLiteral(POINTEL_DESIGNER_PLUGIN));
  ASSERT_TRUE(loader.load()) << qPrintable(loader.errorString());
  auto *plugin = qobject_cast<QDesignerCustomWidgetInterface *>(loader.instance());
  ASSERT_NE(plugin, nullptr);

  EXPECT_EQ(plugin->name(), "Pointel::Meter");
  EXPECT_EQ(plugin->toolTip(), "Pointel.Meter");
  EXPECT_EQ(plugin->includeFile(), "Pointel/meter.h");
  EXPECT_FALSE(plugin->isContainer());
  EXPECT_TRUE(plugin->domXml().contains(R"(<widget class="Pointel::Meter")"));
  EXPECT_TRUE(plugin->domXml().contains(R"(<header location="global">Pointel/meter.h</header>)"));
  EXPECT_FALSE(plugin->icon().isNull());

  QWidget parent;
  QWidget *w = plugin->createWidget(&parent);
  auto *meter = qobject_cast<Pointel::Meter *>(w);
  ASSERT_NE(meter, nullptr);
  EXPECT_EQ(meter->parent(), &parent);
  // Designer sets properties by name.
  EXPECT_TRUE(meter->setProperty("MajText", QStringLiteral("mA")));
  EXPECT_EQ(meter->majText(), "mA");
}

}  // namespace
