#pragma once
// Qt Designer's entry for Pointel::Meter: the widget box item, its tooltip
// "Pointel.Meter" and the include line uic writes.

#include <QObject>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

class MeterPlugin : public QObject, public QDesignerCustomWidgetInterface {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QDesignerCustomWidgetInterface")
  Q_INTERFACES(QDesignerCustomWidgetInterface)

 public:
  explicit MeterPlugin(QObject *parent = nullptr);

  QString name() const override;
  QString group() const override;
  QString toolTip() const override;
  QString whatsThis() const override;
  QString includeFile() const override;
  QIcon icon() const override;
  bool isContainer() const override;
  QWidget *createWidget(QWidget *parent) override;
  QString domXml() const override;
  bool isInitialized() const override;
  void initialize(QDesignerFormEditorInterface *core) override;

 private:
  bool initialized_ = false;
};
