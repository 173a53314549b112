// pointel_demo: shows a needle meter driven by a slider, or renders meters
// into PNG files.
//
//   pointel_demo                                   window with meter and slider
//   pointel_demo --grab OUT.png [--size WxH] [--value V] [--caption TEXT]

#include <Pointel/meter.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QEvent>
#include <QSlider>
#include <QVBoxLayout>

#include <cstdio>
#include <functional>

namespace {
// Calls a function whenever the watched widget is resized.
class ResizeWatch : public QObject {
 public:
  explicit ResizeWatch(std::function<void()> onResize) : onResize_(std::move(onResize)) {}
  bool eventFilter(QObject *, QEvent *event) override {
    if (event->type() == QEvent::Resize) onResize_();
    return false;
  }

 private:
  std::function<void()> onResize_;
};
}  // namespace

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Pointel needle meter demo"));
  parser.addHelpOption();
  const QCommandLineOption grab(QStringLiteral("grab"), QStringLiteral("Render into a PNG file."),
                                QStringLiteral("file"));
  const QCommandLineOption size(QStringLiteral("size"), QStringLiteral("Meter size WxH."),
                                QStringLiteral("size"), QStringLiteral("300x160"));
  const QCommandLineOption value(QStringLiteral("value"), QStringLiteral("Needle position 0 ... 1."),
                                 QStringLiteral("value"), QStringLiteral("0.5"));
  const QCommandLineOption caption(QStringLiteral("caption"), QStringLiteral("Unit caption."),
                                   QStringLiteral("text"), QStringLiteral("Units"));
  parser.addOptions({grab, size, value, caption});
  parser.process(app);

  const QStringList wh = parser.value(size).split(QLatin1Char('x'));
  bool okW = false, okH = false, okV = false;
  const int w = wh.size() == 2 ? wh[0].toInt(&okW) : 0;
  const int h = wh.size() == 2 ? wh[1].toInt(&okH) : 0;
  const double v = parser.value(value).toDouble(&okV);
  if (!okW || !okH || w <= 0 || h <= 0 || w > 10000 || h > 10000 || !okV) {
    std::fprintf(stderr, "pointel_demo: bad --size or --value\n");
    return 2;
  }

  if (parser.isSet(grab)) {
    Pointel::Meter meter;
    meter.setMajText(parser.value(caption));
    meter.resize(w, h);
    meter.setValue(v);
    if (!meter.grab().save(parser.value(grab))) {
      std::fprintf(stderr, "pointel_demo: cannot write %s\n", qPrintable(parser.value(grab)));
      return 1;
    }
    return 0;
  }

  QWidget window;
  window.setWindowTitle(QStringLiteral("Pointel"));
  auto *meter = new Pointel::Meter(&window);
  meter->setMajText(parser.value(caption));
  auto *slider = new QSlider(Qt::Horizontal, &window);
  slider->setRange(0, 1000);
  slider->setValue(int(v * 1000));
  QObject::connect(slider, &QSlider::valueChanged, meter, [meter](int s) { meter->setValue(s / 1000.0); });
  // A resize puts the needle back to mid-scale: show the slider's value again.
  ResizeWatch watch([meter, slider] { meter->setValue(slider->value() / 1000.0); });
  meter->installEventFilter(&watch);
  auto *layout = new QVBoxLayout(&window);
  layout->addWidget(meter, 1);
  layout->addWidget(slider);
  window.resize(w, h + 40);
  window.show();
  meter->setValue(v);
  return app.exec();
}
