#pragma once
// "Is a program with this title running?" for the current user: a running
// program holds a local channel named after its title ("BrindleV1",
// "tavrel13"); another program asks by trying to connect to it.

#include <QObject>
#include <QString>

class QLocalServer;

namespace lnk {

/// Held by a running program for its whole life. The channel is released
/// when the object is destroyed; a channel left by a program that died is
/// taken over.
class ProgramPresence : public QObject {
    Q_OBJECT
public:
    explicit ProgramPresence(QString title, QString directory = {}, QObject* parent = nullptr);
    ~ProgramPresence() override;

    /// Claims the title. False (reason in `error`) when another live
    /// program of this user already holds it.
    bool Announce(QString* error = nullptr);
    bool announced() const;

    /// True when a live program of this user holds `title`.
    static bool IsRunning(const QString& title, const QString& directory = {});

private:
    QString path_;
    QLocalServer* server_ = nullptr;
};

} // namespace lnk
