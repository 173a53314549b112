#pragma once
// The display program's working directory when it is started with
// --work-dir: the folder where tavrel.Cfg, the calibration control file and
// the calibration data live, made ready from the shipped defaults on first
// use. QtCore only.

#include <QString>
#include <QStringList>

/// Where the shipped defaults are: share/vna-suite beside the program's bin
/// folder when installed (wherever the tree was unpacked), else the data/
/// folder of the source tree the program was built from. Empty when
/// neither is there.
QString ShippedDataDir(const QString& programDir);

/// The working directory of --work-dir without a folder: the user's data
/// directory for the program, ~/.local/share/tavrel13.
QString DefaultWorkDir();

/// Creates `dir` (with its parents) when it is missing and copies into it
/// every shipped default file of `dataDir` that is not there yet; a file
/// that is there is never overwritten. `copied` receives the names copied.
/// Returns an empty string, or what went wrong, naming the folder or file.
QString PrepareWorkDir(const QString& dir, const QString& dataDir, QStringList* copied = nullptr);
