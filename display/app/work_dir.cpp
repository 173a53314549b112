#include "display/app/work_dir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

QString ShippedDataDir(const QString& programDir) {
    QStringList candidates;
    if (!programDir.isEmpty())
        candidates << QDir(programDir).filePath(QStringLiteral("../share/vna-suite"));
    candidates << QStringLiteral(VNA_SOURCE_DIR "/data");
    for (const QString& c : candidates) {
        if (QFileInfo(QDir(c).filePath(QStringLiteral("tavrel.Cfg"))).isFile())
            return QDir::cleanPath(QFileInfo(c).absoluteFilePath());
    }
    return {};
}

QString DefaultWorkDir() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("tavrel13"));
}

QString PrepareWorkDir(const QString& dir, const QString& dataDir, QStringList* copied) {
    if (dir.isEmpty())
        return QStringLiteral("no working directory given");
    if (!QDir().mkpath(dir))
        return QStringLiteral("cannot create the working directory %1").arg(dir);
    if (!QFileInfo(dir).isWritable())
        return QStringLiteral("the working directory %1 is not writable").arg(dir);
    if (dataDir.isEmpty())
        return {};
    const QDir from(dataDir), to(dir);
    for (const QString& name : from.entryList(QDir::Files | QDir::Readable, QDir::Name)) {
        const QString target = to.filePath(name);
        if (QFileInfo::exists(target) || QFileInfo(target).isSymLink())
            continue; // the user's own file (or whatever is there) stays
        // Copied under a temporary name and renamed, so an interrupted copy
        // never leaves a half file that the next start would keep.
        const QString part = target + QStringLiteral(".part");
        QFile::remove(part);
        if (!QFile::copy(from.filePath(name), part) || !QFile::rename(part, target)) {
            QFile::remove(part);
            return QStringLiteral("cannot copy %1 into %2").arg(from.filePath(name), dir);
        }
        // The copy is the user's file now: writable whatever the shipped mode.
        QFile::setPermissions(target, QFile::permissions(target) | QFile::WriteOwner);
        if (copied)
            copied->append(name);
    }
    return {};
}
