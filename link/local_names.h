#pragma once
// Where the local channels of the two programs live, and how a program
// claims a channel name exclusively. QtCore + QtNetwork only.

#include <QString>

class QLocalServer;

namespace lnk {

/// The directory of the user's local channels: $XDG_RUNTIME_DIR when it is
/// set and is a directory, else a private folder "vna-<uid>" in the temp
/// directory (created with owner-only access).
QString ChannelDirectory();

/// Full path of the channel named `title` in `directory` (ChannelDirectory()
/// when empty).
QString ChannelPath(const QString& title, const QString& directory = {});

/// Listens on `path`. A channel file left behind by a
/// program that died is removed and taken over; a channel a live program
/// still answers on is not: false, with the reason in `error`.
bool ListenExclusive(QLocalServer& server, const QString& path, QString* error = nullptr);

/// True when a live program answers on the channel at `path`.
bool ChannelAnswers(const QString& path, int timeoutMs = 500);

} // namespace lnk
