#pragma once
// The link key: the secret both ends of an encrypted link hold. A key file is
// text: the comment line "# BrindleV1 link key" and one line of 64 hex digits
// (32 random bytes). It is used only when it is a regular file of the user
// who runs the program that nobody else can read or write.

#include <QByteArray>
#include <QString>

#include <optional>

namespace lnk {

/// Bytes of a key.
constexpr int kKeyBytes = 32;
/// The comment line a key file starts with.
inline constexpr char kKeyFileComment[] = "# BrindleV1 link key";

/// Writes a new key file with 32 random bytes, created with mode 0600.
/// Refuses an existing file (nothing is overwritten). False with the reason,
/// naming the file, in `error`.
bool MakeKeyFile(const QString& path, QString* error);

/// Reads a key file. Nothing, with the reason in `error` (the message names
/// the file and says what to do), when it is missing, not a regular file,
/// readable or writable by group or others, owned by another user, or not in
/// the key format. Comment lines ("#...") and blank lines are skipped.
std::optional<QByteArray> LoadKeyFile(const QString& path, QString* error);

} // namespace lnk
