#include "link/link_key.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace lnk {

namespace {

constexpr qint64 kMaxKeyFileSize = 4096; // a key file is some 90 bytes

void Say(QString* error, const QString& text) {
    if (error)
        *error = text;
}

QString Mode(QFileDevice::Permissions p) {
    int m = 0;
    const std::pair<QFileDevice::Permission, int> bits[] = {
        {QFileDevice::ReadOwner, 0400}, {QFileDevice::WriteOwner, 0200}, {QFileDevice::ExeOwner, 0100},
        {QFileDevice::ReadGroup, 040},  {QFileDevice::WriteGroup, 020},  {QFileDevice::ExeGroup, 010},
        {QFileDevice::ReadOther, 04},   {QFileDevice::WriteOther, 02},   {QFileDevice::ExeOther, 01}};
    for (const auto& [bit, value] : bits)
        if (p & bit)
            m |= value;
    return QStringLiteral("%1").arg(m, 4, 8, QLatin1Char('0'));
}

} // namespace

bool MakeKeyFile(const QString& path, QString* error) {
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
        Say(error, QStringLiteral("key file %1 exists already: it is not overwritten (remove it "
                                  "first if you really want a new key; both machines then need "
                                  "the new file)")
                       .arg(path));
        return false;
    }
    QByteArray key(kKeyBytes, '\0');
    QRandomGenerator::system()->generate(reinterpret_cast<quint32*>(key.data()),
                                         reinterpret_cast<quint32*>(key.data() + key.size()));
    const QByteArray text = QByteArray(kKeyFileComment) + '\n' + key.toHex() + '\n';
    QFile f(path);
    // Created private: the key is never readable by others, not even briefly.
    if (!f.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        Say(error, QStringLiteral("cannot create key file %1: %2").arg(path, f.errorString()));
        return false;
    }
    if (f.write(text) != text.size() || !f.flush()) {
        Say(error, QStringLiteral("cannot write key file %1: %2").arg(path, f.errorString()));
        f.close();
        QFile::remove(path);
        return false;
    }
    f.close();
    return true;
}

std::optional<QByteArray> LoadKeyFile(const QString& path, QString* error) {
    const QFileInfo info(path);
    if (!info.exists()) {
        Say(error, QStringLiteral("key file %1 does not exist (make one with brindlev1 --make-key "
                                  "FILE and copy it to both machines)")
                       .arg(path));
        return std::nullopt;
    }
    if (!info.isFile()) {
        Say(error, QStringLiteral("key file %1 is not a regular file").arg(path));
        return std::nullopt;
    }
#ifdef Q_OS_UNIX
    if (info.ownerId() != uint(::getuid())) {
        Say(error, QStringLiteral("key file %1 belongs to another user (%2); it must belong to the "
                                  "user who runs the program")
                       .arg(path, info.owner().isEmpty() ? QString::number(info.ownerId()) : info.owner()));
        return std::nullopt;
    }
#endif
    const QFileDevice::Permissions open = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                          QFileDevice::ReadOther | QFileDevice::WriteOther;
    if (info.permissions() & open) {
        Say(error, QStringLiteral("key file %1 can be read or written by others (mode %2): make it "
                                  "private with: chmod 600 %1")
                       .arg(path, Mode(info.permissions())));
        return std::nullopt;
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        Say(error, QStringLiteral("cannot read key file %1: %2").arg(path, f.errorString()));
        return std::nullopt;
    }
    const QByteArray text = f.read(kMaxKeyFileSize + 1);
    const QString malformed =
        QStringLiteral("key file %1 is not a link key: it must hold one line of %2 hexadecimal "
                       "digits (make a new one with brindlev1 --make-key FILE)")
            .arg(path)
            .arg(2 * kKeyBytes);
    if (text.size() > kMaxKeyFileSize) {
        Say(error, malformed);
        return std::nullopt;
    }
    QByteArray hex;
    for (const QByteArray& raw : text.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        if (!hex.isEmpty()) { // a second key line
            Say(error, malformed);
            return std::nullopt;
        }
        hex = line;
    }
    const bool allHex = std::all_of(hex.begin(), hex.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    });
    if (hex.size() != 2 * kKeyBytes || !allHex) {
        Say(error, malformed);
        return std::nullopt;
    }
    return QByteArray::fromHex(hex);
}

} // namespace lnk
