#pragma once
// The program's log: kept in memory, stamped with date and time, read back from the log file at
// start-up and written whole at exit; counts error, warning and hint messages.
#include <QString>
#include <QStringList>

#include "log/log_lines.h"

namespace textfil {

struct Values {
    LogList LogLines;
    QString LogFile;
    QString LogFolder;      // ends in a separator once set
    bool LogEnabled = false;
    bool VerboseLog = false;
    qint32 ErrorCount = 0;
    qint32 WarningCount = 0;
    qint32 HintCount = 0;
    // The log file existed but could not be read at start-up: at exit this run's lines are added to
    // its end instead of replacing what it holds.
    bool OldLogUnread = false;
};
Values &values();
// Back to the values at program start (tests).
void reset();

// The date and time text of the log stamp and the settings header: regional short date, a blank,
// regional long time; at exactly midnight the time is left out.
QString datetimetext();

// LogFolder (APPDATA + "/Veltrona/log/" when empty) + the program's file name with its last
// extension replaced by ".log".
void LogFileName();
// With LogEnabled: appends stamp + " " + message and counts it by its leading word.
void WriteLog(const QString &message);
// Empties the log in memory and on disk, leaving one stamped line; ErrorCount back to 0.
void ClearLog();

// Log preparation, the first stage of the run: empty LogLines, LogFile computed.
void prepare();
// When LogFile exists, its lines replace LogLines; lines of this run logged before are kept after
// them. Returns false when the file exists but cannot be read: that is logged, and the exit then
// adds this run's lines to the file instead of replacing it.
bool readOldLog();
// The last stage of the run: LogLines written whole to LogFile (or only this run's lines added to
// its end, when it could not be read); a file that already holds those very bytes is not written
// again. False when that failed.
bool finish(QString *error = nullptr);

} // namespace textfil
