#include "meter_plugin.h"

#include <Pointel/meter.h>

#include <QIcon>
#include <QPixmap>

MeterPlugin::MeterPlugin(QObject *parent) : QObject(parent) {}

QString MeterPlugin::name() const { return QStringLiteral("Pointel::Meter"); }

QString MeterPlugin::group() const { return QStringLiteral("Pointel"); }

QString MeterPlugin::toolTip() const { return QStringLiteral("Pointel.Meter"); }

QString MeterPlugin::whatsThis() const {
  return QStringLiteral(
      "An analogue needle meter: a 60-degree scale with divisions 0 to 10, "
      "a needle set by Value (0 ... 1) and a unit caption.");
}

QString MeterPlugin::includeFile() const { return QStringLiteral("Pointel/meter.h"); }

QIcon MeterPlugin::icon() const {
  // The meter drawn small, needle a little right of centre.
  Pointel::Meter meter;
  meter.resize(64, 40);
  meter.setMajText(QStringLiteral(" "));
  meter.setValue(0.7);
  return QIcon(meter.grab());
}

bool MeterPlugin::isContainer() const { return false; }

QWidget *MeterPlugin::createWidget(QWidget *parent) { return new Pointel::Meter(parent); }

QString MeterPlugin::domXml() const {
  return QStringLiteral(R"(<ui language="c++">
 <widget class="Pointel::Meter" name="Meter1">
  <property name="geometry">
   <rect><x>0</x><y>0</y><width>200</width><height>110</height></rect>
  </property>
 </widget>
 <customwidgets>
  <customwidget>
   <class>Pointel::Meter</class>
   <extends>QWidget</extends>
   <header location="global">Pointel/meter.h</header>
  </customwidget>
 </customwidgets>
</ui>
)");
}

bool MeterPlugin::isInitialized() const { return initialized_; }

void MeterPlugin::initialize(QDesignerFormEditorInterface *) { initialized_ = true; }
