#pragma once
// Copies of the settings file and the side files as they stand on disk, taken before the settings
// dialog replaces them, in a dated folder below the suite's backup folder. The newest 30 such
// folders are kept. A backup that fails is logged as a warning and never stops the save.
#include <QString>
#include <QStringList>
#include <functional>

#include "platform/system.h"

namespace Timesetu {

// How many dated backup folders are kept.
inline constexpr int kBackupsKept = 30;

// The name of a backup folder for the time: "2026-12-07_140509".
QString backupFolderName(const platform::LocalTime &time);
// A name of that form, with or without the suffix ("_2", "_3", ...) a second backup in the same
// second gets.
bool isBackupFolderName(const QString &name);

// Copies every file of paths that exists, byte for byte, into a new folder below the backup root
// named by the clock's time, then deletes the oldest dated folders beyond kBackupsKept. The root is
// asked for only after the files have been read and only when there is something to keep.
void backupFiles(const QStringList &paths, const std::function<QString()> &backupRoot);
void backupFiles(const QStringList &paths, const QString &backupRoot);

// The suite's backup folder: the "backup" folder record of the settings, else the suite root's
// "backup" folder; created when missing and inside the suite root. Unlike veltronapath it records
// nothing and never writes the settings file: a save that fails later must leave that file as it was.
QString suiteBackupFolder();

} // namespace Timesetu
