#pragma once
// The program's log: kept in memory, stamped with date and time, read back from the log file at
// start-up and written whole at exit; counts error, warning and hint messages.
#include <QString>
#include <QStringList>
#include <vector>

#include "common/textfile.h"

namespace textfil {

// The log's lines: the lines read from the log file are kept as one text with line offsets, and the
// lines of this run are added after them.
class LogList {
public:
    void append(const QString &line);
    void clear();
    qsizetype size() const;
    bool isEmpty() const { return size() == 0; }
    QString at(qsizetype i) const;
    QStringList toStringList() const;
    // The lines appended since the content was last loaded from a file.
    const QStringList &appended() const { return added_; }

    // Replaces the content with the lines of the file. False, content unchanged, when it cannot be read.
    bool loadFile(const QString &path, QString *error = nullptr);
    // Writes every line followed by CR LF, in the encoding the file was read in (a new log in the
    // 8-bit code page, or UTF-16 when that cannot hold a character).
    bool saveFile(const QString &path, QString *error = nullptr) const;

private:
    QString baseLine(qsizetype i) const;
    QString wholeText() const;

    // Lines read from the file stay in the file's own bytes (one buffer and line offsets) until a
    // line is asked for; only a UTF-16 file is decoded as a whole.
    QByteArray raw_;                                        // the file's bytes after any byte-order mark
    QString wide_;                                          // a UTF-16 file's text
    std::vector<std::pair<qsizetype, qsizetype>> baseLines_; // start and length in raw_ or wide_
    bool rawIsWritable_ = true;                             // raw_ is already lines ended by CR LF
    QStringList added_;
    textfile::Encoding encoding_ = textfile::Encoding::Ansi;
};

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
// its end, when it could not be read). False when that failed.
bool finish(QString *error = nullptr);

} // namespace textfil
