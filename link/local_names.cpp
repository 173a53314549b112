#include "link/local_names.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace lnk {

QString ChannelDirectory() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return runtime;
    const QString dir = QDir::tempPath() + QStringLiteral("/vna-%1").arg(::getuid());
    QDir().mkpath(dir);
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return dir;
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
