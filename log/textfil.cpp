#include "log/textfil.h"

#include <QFileInfo>
#include <cstring>

#include "common/qtstring.h"
#include "common/ui_hooks.h"
#include "platform/datetimetext.h"
#include "platform/files.h"
#include "platform/system.h"

namespace textfil {

// --- LogList ---------------------------------------------------------------------------------------

namespace {

bool wideEncoding(textfile::Encoding e)
{
    return e == textfile::Encoding::Utf16LE || e == textfile::Encoding::Utf16BE;
}

QByteArray byteOrderMark(textfile::Encoding e)
{
    return e == textfile::Encoding::Utf8Bom ? QByteArray("\xEF\xBB\xBF") : QByteArray();
}

// Start and length of every line; CR LF, a lone CR and a lone LF all end a line.
template <typename Unit>
void splitInto(const Unit *p, qsizetype n, std::vector<std::pair<qsizetype, qsizetype>> &lines, bool *allCrLf)
{
    bool crlf = true;
    qsizetype start = 0;
    while (start < n) {
        qsizetype i = start;
        if constexpr (sizeof(Unit) == 1) {
            const void *lf = std::memchr(p + start, '\n', std::size_t(n - start));
            i = lf ? static_cast<const Unit *>(lf) - p : n;
            const void *cr = std::memchr(p + start, '\r', std::size_t(i - start));
            if (cr)
                i = static_cast<const Unit *>(cr) - p;
        } else {
            while (i < n && p[i] != Unit('\n') && p[i] != Unit('\r'))
                ++i;
        }
        lines.emplace_back(start, i - start);
        const bool pair = i + 1 < n && p[i] == Unit('\r') && p[i + 1] == Unit('\n');
        crlf = crlf && pair;
        start = pair ? i + 2 : i + 1;
    }
    if (allCrLf)
        *allCrLf = crlf;
}

} // namespace

void LogList::append(const QString &line)
{
    added_.append(line);
}

void LogList::clear()
{
    raw_.clear();
    wide_.clear();
    baseLines_.clear();
    rawIsWritable_ = true;
    added_.clear();
}

qsizetype LogList::size() const
{
    return qsizetype(baseLines_.size()) + added_.size();
}

QString LogList::baseLine(qsizetype i) const
{
    const auto [start, length] = baseLines_[std::size_t(i)];
    if (wideEncoding(encoding_))
        return wide_.mid(start, length);
    return textfile::decodeAs(raw_.mid(start, length), encoding_);
}

QString LogList::at(qsizetype i) const
{
    if (i < qsizetype(baseLines_.size()))
        return baseLine(i);
    return added_.at(i - qsizetype(baseLines_.size()));
}

QStringList LogList::toStringList() const
{
    QStringList all;
    all.reserve(size());
    for (qsizetype i = 0; i < size(); ++i)
        all.append(at(i));
    return all;
}

bool LogList::loadFile(const QString &path, QString *error)
{
    QByteArray bytes;
    if (!textfile::readAll(path, bytes, error))
        return false;
    clear();
    encoding_ = textfile::detect(bytes);
    if (wideEncoding(encoding_)) {
        wide_ = textfile::decode(bytes);
        splitInto(reinterpret_cast<const char16_t *>(wide_.constData()), wide_.size(), baseLines_, nullptr);
        return true;
    }
    raw_ = encoding_ == textfile::Encoding::Utf8Bom ? bytes.mid(3) : bytes;
    splitInto(raw_.constData(), raw_.size(), baseLines_, &rawIsWritable_);
    return true;
}

QString LogList::wholeText() const
{
    QStringList lines = toStringList();
    return textfile::joinLines(lines);
}

bool LogList::saveFile(const QString &path, QString *error) const
{
    textfile::Encoding encoding = encoding_;
    if (!wideEncoding(encoding)) {
        const QByteArray added = textfile::encode(textfile::joinLines(added_), encoding);
        if (encoding == encoding_) {
            // The lines read keep their bytes; only the lines of this run are encoded.
            const QByteArray mark = byteOrderMark(encoding);
            if (rawIsWritable_)  // straight from the bytes read, without a copy of the whole log
                return textfile::writeAtomically(path, {QByteArrayView(mark), QByteArrayView(raw_), QByteArrayView(added)}, error);
            // Lines ended by a lone CR or LF are written with CR LF.
            QByteArray out = mark;
            for (const auto &[start, length] : baseLines_) {
                out.append(raw_.constData() + start, length);
                out.append("\r\n", 2);
            }
            out += added;
            return textfile::writeAtomically(path, out, error);
        }
        // A line of this run that the code page cannot hold turns the whole log into UTF-16.
    }
    return textfile::writeAtomically(path, textfile::encode(wholeText(), encoding), error);
}

// --- The unit --------------------------------------------------------------------------------------

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
