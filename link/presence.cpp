#include "link/presence.h"

#include "link/local_names.h"

#include <QLocalServer>
#include <QLocalSocket>

namespace lnk {

ProgramPresence::ProgramPresence(QString title, QString directory, QObject* parent)
    : QObject(parent), path_(ChannelPath(title, directory)) {}

ProgramPresence::~ProgramPresence() {
    if (server_)
        server_->close();
}

bool ProgramPresence::Announce(QString* error) {
    if (announced())
        return true;
    auto* server = new QLocalServer(this);
    if (!ListenExclusive(*server, path_, error)) {
        delete server;
        return false;
    }
    // Askers only look whether the connection comes up; drop it at once.
    connect(server, &QLocalServer::newConnection, server, [server] {
        while (QLocalSocket* s = server->nextPendingConnection()) {
            s->abort();
            s->deleteLater();
        }
    });
    server_ = server;
    return true;
}

bool ProgramPresence::announced() const { return server_ && server_->isListening(); }

bool ProgramPresence::IsRunning(const QString& title, const QString& directory) {
    return ChannelAnswers(ChannelPath(title, directory));
}

} // namespace lnk
