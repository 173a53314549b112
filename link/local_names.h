#pragma once
// Where the local channels of the two programs live, and how a program
// claims a channel name exclusively. QtCore + QtNetwork only.

#include <QString>

class QLocalServer;

namespace lnk {

/// The directory of the user's local channels: $XDG_RUNTIME_DIR when it is
/// set and is a directory, else a folder "vna-<uid>" in the temp directory,
/// created owner-only (mode 0700) when it is not there. Whether it may be
/// used is PrivateChannelDirectory's question.
QString ChannelDirectory();

/// True when `directory` may hold the user's channels: a directory (not a
/// symbolic link) that belongs to the user running the program and that
/// nobody else can write to. Otherwise false, with a message naming the
/// directory in `error`: anyone who can write there could take a channel
/// over or stand in for the other program.
bool PrivateChannelDirectory(const QString& directory, QString* error = nullptr);

/// Full path of the channel named `title` in `directory` (ChannelDirectory()
/// when empty).
QString ChannelPath(const QString& title, const QString& directory = {});

/// Listens on `path`, in a private channel directory only. A channel file
/// left behind by a program that died is removed and taken over; a channel a
/// live program still answers on is not: false, with the reason in `error`.
bool ListenExclusive(QLocalServer& server, const QString& path, QString* error = nullptr);

/// True when a live program answers on the channel at `path`.
bool ChannelAnswers(const QString& path, int timeoutMs = 500);

} // namespace lnk
