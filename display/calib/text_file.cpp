#include "display/calib/text_file.h"

#include <QFile>
#include <QSaveFile>
#include <QString>

bool ReadWholeFile(const std::string& fileName, std::string& content, std::string& error,
                   std::size_t maxBytes) {
    QFile file(QString::fromStdString(fileName));
    if (!file.open(QIODevice::ReadOnly)) {
        error = "Cannot open " + fileName + ": " + file.errorString().toStdString();
        return false;
    }
    if (static_cast<std::size_t>(file.size()) > maxBytes) {
        error = "File " + fileName + " is too large to be read";
        return false;
    }
    const QByteArray data = file.read(static_cast<qint64>(maxBytes) + 1);
    if (file.error() != QFileDevice::NoError || static_cast<std::size_t>(data.size()) > maxBytes) {
        error = "Cannot read " + fileName + ": " + file.errorString().toStdString();
        return false;
    }
    content.assign(data.constData(), static_cast<std::size_t>(data.size()));
    return true;
}

bool WriteFileAtomically(const std::string& fileName, std::string_view content,
                         std::string& error) {
    QSaveFile file(QString::fromStdString(fileName));
    if (!file.open(QIODevice::WriteOnly)) {
        error = "Cannot write " + fileName + ": " + file.errorString().toStdString();
        return false;
    }
    const qint64 n = file.write(content.data(), static_cast<qint64>(content.size()));
    if (n != static_cast<qint64>(content.size())) {
        error = "Cannot write " + fileName + ": " + file.errorString().toStdString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        error = "Cannot write " + fileName + ": " + file.errorString().toStdString();
        return false;
    }
    return true;
}
