// The log's rules: the stamp, the leading words that are counted, when a message is kept at all,
// emptying the log, carrying the old log on and writing it at exit. The lines themselves are held by
// LogList (log_lines.h), the fast path that keeps a large old log in its own bytes.
#include "log/textfil.h"

#include <QFileInfo>

#include "common/qtstring.h"
#include "common/ui_hooks.h"
#include "platform/datetimetext.h"
#include "platform/files.h"
#include "platform/system.h"

namespace textfil {

Values &values()
{
    static Values v;
    return v;
}

void reset()
{
    values() = Values();
    textfile::setWarningHandler(WriteLog);
}

QString datetimetext()
{
    const platform::LocalTime t = platform::now();
    QString text = qs(platform::shortDateText(t));
    if (t.hour != 0 || t.minute != 0 || t.second != 0)
        text += QLatin1Char(' ') + qs(platform::longTimeText(t));
    return text;
}

void LogFileName()
{
    Values &v = values();
    const QChar sep(platform::separator());
    if (v.LogFolder.isEmpty())
        v.LogFolder = qs(platform::appDataFolder()) + sep + QStringLiteral("Veltrona") + sep + QStringLiteral("log") + sep;
    QString name = QFileInfo(qs(platform::programPath())).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        name.truncate(dot);
    v.LogFile = v.LogFolder + name + QStringLiteral(".log");
}

void WriteLog(const QString &message)
{
    Values &v = values();
    if (!v.LogEnabled)
        return;
    v.LogLines.append(datetimetext() + QLatin1Char(' ') + message);
    if (message.startsWith(QLatin1String("ERROR:")) || message.startsWith(QLatin1String("FEIL:")))
        ++v.ErrorCount;
    else if (message.startsWith(QLatin1String("WARNING:")) || message.startsWith(QLatin1String("ADVARSEL:")))
        ++v.WarningCount;
    else if (message.startsWith(QLatin1String("HINT:")))
        ++v.HintCount;
}

void ClearLog()
{
    Values &v = values();
    const QString line = datetimetext() + QStringLiteral(" LOGGFIL TØMT (TextFile.ClearLog).");
    v.LogLines.clear();
    v.LogLines.append(line);
    // The new file starts with this one line; the read-back at start-up brings it in again.
    textfile::Encoding encoding = textfile::Encoding::Ansi;
    QString reason;
    if (!textfile::writeAtomically(v.LogFile, textfile::encode(line + QStringLiteral("\r\n"), encoding), &reason)) {
        const int atFailure = platform::files::lastError();
        ++v.ErrorCount;
        // The platform's own number: why the file cannot be made or opened for writing (a missing
        // folder, no right, another program holding it); else that of the write that failed.
        int code = platform::files::writeOpenError(us(v.LogFile));
        if (code == 0)
            code = atFailure ? atFailure : 1;
        ui_hooks::showMessage(QStringLiteral("FEIL"), QStringLiteral("Feil under oppretting av ny fil: ") + v.LogFile
                                                          + QStringLiteral("  (") + QString::number(code) + QLatin1Char(')'));
    } else {
        // The line now stands in the file: held as read from it, so that reading the old log back
        // at start-up does not add it a second time after itself.
        v.LogLines.loadFile(v.LogFile);
        v.OldLogUnread = false;
    }
    v.ErrorCount = 0;
}

void prepare()
{
    values().LogLines.clear();
    textfile::setWarningHandler(WriteLog);
    LogFileName();
}

bool readOldLog()
{
    Values &v = values();
    if (!platform::files::fileExists(us(v.LogFile)))
        return true;
    // Only this run's own lines: a file already loaded (by ClearLog) is replaced, not repeated.
    const QStringList earlier = v.LogLines.appended();
    QString reason;
    if (!v.LogLines.loadFile(v.LogFile, &reason)) {
        // Replacing it at exit would destroy every earlier line.
        v.OldLogUnread = true;
        WriteLog(QStringLiteral("FEIL: kan ikke lese loggen ") + v.LogFile + QStringLiteral(": ") + reason
                 + QStringLiteral("; linjene fra denne kjøringen legges til på slutten av den"));
        return false;
    }
    for (const QString &line : earlier)
        v.LogLines.append(line);
    return true;
}

bool finish(QString *error)
{
    Values &v = values();
    // A warning now could only go into a log that is already being written.
    textfile::setWarningHandler(nullptr);
    bool ok = true;
    if (!v.OldLogUnread) {
        // A log that would get the very bytes it holds is left as it is: a run that logs nothing (the
        // log switched off) writes and syncs no file at its exit.
        if (!v.LogLines.matchesFile(v.LogFile))
            ok = v.LogLines.saveFile(v.LogFile, error);
    } else if (!v.LogLines.appended().isEmpty()) {
        // The file's encoding is unknown: the code page where it holds the lines, else UTF-8, and
        // never a byte-order mark in the middle of a file.
        const QString text = textfile::joinLines(v.LogLines.appended());
        textfile::Encoding e = textfile::Encoding::Ansi;
        QByteArray bytes = textfile::encode(text, e);
        if (e != textfile::Encoding::Ansi)
            bytes = text.toUtf8();
        ok = textfile::append(v.LogFile, {QByteArrayView(bytes)}, error);
    }
    v.LogLines.clear();
    textfile::setWarningHandler(WriteLog);
    return ok;
}

} // namespace textfil
