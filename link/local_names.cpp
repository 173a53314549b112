#include "link/local_names.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace lnk {

QString ChannelDirectory() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return runtime;
    const QString dir = QDir::tempPath() + QStringLiteral("/vna-%1").arg(::geteuid());
    // Created private from the start; one that is there already (perhaps
    // made by somebody else) is left as it is for the check to judge.
    ::mkdir(QFile::encodeName(dir).constData(), S_IRWXU);
    return dir;
}

bool PrivateChannelDirectory(const QString& directory, QString* error) {
    const auto refuse = [&](const QString& why) {
        if (error)
            *error = QStringLiteral("the channel directory %1 %2").arg(directory, why);
        return false;
    };
    struct stat st {};
    if (::lstat(QFile::encodeName(directory).constData(), &st) != 0)
        return refuse(QStringLiteral("cannot be used: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
    if (S_ISLNK(st.st_mode))
        return refuse(QStringLiteral("is a symbolic link; the link between the programs needs a "
                                     "private directory"));
    if (!S_ISDIR(st.st_mode))
        return refuse(QStringLiteral("is not a directory"));
    if (st.st_uid != ::geteuid())
        return refuse(QStringLiteral("belongs to another user (uid %1); remove it, or set "
                                     "XDG_RUNTIME_DIR to a directory of your own")
                          .arg(st.st_uid));
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return refuse(QStringLiteral("can be written by other users (mode %1); make it private "
                                     "with chmod 700")
                          .arg(st.st_mode & 07777, 4, 8, QLatin1Char('0')));
    return true;
}

QString ChannelPath(const QString& title, const QString& directory) {
    return (directory.isEmpty() ? ChannelDirectory() : directory) + QLatin1Char('/') + title;
}

bool ChannelAnswers(const QString& path, int timeoutMs) {
    QLocalSocket probe;
    probe.connectToServer(path);
    const bool up = probe.waitForConnected(timeoutMs);
    probe.abort();
    return up;
}

bool ListenExclusive(QLocalServer& server, const QString& path, QString* error) {
    if (!PrivateChannelDirectory(QFileInfo(path).path(), error))
        return false;
    // Bound in place (no socket options: with them Qt binds elsewhere and
    // renames over an existing channel, taking it from a live program). The
    // channel directory is the user's own, so only the user can connect.
    server.setSocketOptions(QLocalServer::NoOptions);
    if (server.listen(path))
        return true;
    if (server.serverError() == QAbstractSocket::AddressInUseError && !ChannelAnswers(path)) {
        // Left behind by a program that ended without closing it.
        QLocalServer::removeServer(path);
        if (server.listen(path))
            return true;
    }
    if (error) {
        *error = server.serverError() == QAbstractSocket::AddressInUseError
                     ? QStringLiteral("%1 is in use by another running program").arg(path)
                     : QStringLiteral("%1: %2").arg(path, server.errorString());
    }
    return false;
}

} // namespace lnk
