// Fuzz target: an arbitrary property bag (INI text) read into a meter, which
// is then laid out and painted.
#include <Pointel/meter.h>

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QSettings>
#include <QTemporaryDir>

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {
QTemporaryDir *tempDir = nullptr;
long serial = 0;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication app(*argc, *argv);
  tempDir = new QTemporaryDir;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  // A fresh file name each time: QSettings caches parsed files by name.
  const QString path = tempDir->filePath(QStringLiteral("bag%1.ini").arg(serial++));
  {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) std::abort();
    f.write("[Meter1]\n");
    f.write(reinterpret_cast<const char *>(data), qint64(size));
  }
  {
    QSettings bag(path, QSettings::IniFormat);
    bag.beginGroup(QStringLiteral("Meter1"));
    Pointel::Meter meter;
    meter.resize(60, 40);
    meter.readProperties(bag);
    meter.resize(61, 40);
    meter.readProperties(bag);  // values applied after the layout as well
    const Pointel::MeterFace &face = meter.face();
    if (!std::isfinite(face.arm.x1()) || !std::isfinite(face.arm.y2())) std::abort();
    QImage image(61, 40, QImage::Format_ARGB32);
    meter.render(&image);
  }
  QFile::remove(path);
  return 0;
}
