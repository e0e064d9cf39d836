#pragma once
// Copies of the settings file and the side files as they stand on disk, taken before the settings
// dialog replaces them, in a dated folder below the suite's backup folder. Each folder is numbered in
// the order it was made; the newest 30 are kept. A save that would keep the same files again makes
// no folder. A backup that fails is logged as a warning and never stops the save.
#include <QString>
#include <QStringList>
#include <functional>

#include "platform/system.h"

namespace Timesetu {

// How many dated backup folders are kept.
inline constexpr int kBackupsKept = 30;
// The file in a backup folder holding its number. The numbers, not the dated names, tell which
// folder is newest: a clock set back (a flat battery, a wrong year) gives a new folder an old name.
inline constexpr char16_t kOrderFileName[] = u"versjon.nr";

// The name of a backup folder for the time: "2026-12-07_140509".
QString backupFolderName(const platform::LocalTime &time);
// A name of that form, with or without the suffix ("_2", "_3", ...) a second backup in the same
// second gets.
bool isBackupFolderName(const QString &name);

// The dated backup folders below root (names), oldest first: the numbered ones by their numbers,
// after those without a number (made before folders were numbered), which go by their names.
QStringList backupFolders(const QString &root);

// The same version: the same bytes, or for the settings file the same text apart from the
// "MODIFIED_" lines of its "INI_SELF" header, which every save stamps anew.
bool sameFileContent(const QByteArray &a, const QByteArray &b, bool settingsFile);

// Copies every file of paths (the settings file first) that exists, byte for byte and with its time
// of modification, into a new folder
// below the backup root named by the clock's time, then deletes the oldest dated folders beyond
// kBackupsKept. Nothing is made when the newest folder already holds the same files. The root is
// asked for only after the files have been read and only when there is something to keep.
void backupFiles(const QStringList &paths, const std::function<QString()> &backupRoot);
void backupFiles(const QStringList &paths, const QString &backupRoot);

// The suite's backup folder: the "backup" folder record of the settings, else the suite root's
// "backup" folder; created when missing and inside the suite root. Unlike veltronapath it records
// nothing and never writes the settings file: a save that fails later must leave that file as it was.
QString suiteBackupFolder();

} // namespace Timesetu
