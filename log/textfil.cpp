#include "log/textfil.h"

#include <QFileInfo>
#include <cerrno>

#include "common/qtstring.h"
#include "common/ui_hooks.h"
#include "platform/datetimetext.h"
#include "platform/files.h"
#include "platform/system.h"

namespace textfil {

// --- LogList ---------------------------------------------------------------------------------------

void LogList::append(const QString &line)
{
    added_.append(line);
}

void LogList::clear()
{
    base_.clear();
    baseLines_.clear();
    added_.clear();
}

qsizetype LogList::size() const
{
    return qsizetype(baseLines_.size()) + added_.size();
}

QString LogList::at(qsizetype i) const
{
    if (i < qsizetype(baseLines_.size()))
        return base_.mid(baseLines_[i].first, baseLines_[i].second);
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
    base_ = textfile::decode(bytes, &encoding_);
    const QChar *p = base_.constData();
    const qsizetype n = base_.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = p[i].unicode();
        if (c != u'\r' && c != u'\n')
            continue;
        baseLines_.emplace_back(start, i - start);
        if (c == u'\r' && i + 1 < n && p[i + 1] == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < n)
        baseLines_.emplace_back(start, n - start);
    return true;
}

bool LogList::saveFile(const QString &path, QString *error) const
{
    qsizetype total = 0;
    for (const auto &l : baseLines_)
        total += l.second + 2;
    for (const QString &l : added_)
        total += l.size() + 2;
    QString text;
    text.reserve(total);
    const QLatin1String crlf("\r\n");
    for (const auto &l : baseLines_) {
        text.append(base_.constData() + l.first, l.second);
        text.append(crlf);
    }
    for (const QString &l : added_) {
        text.append(l);
        text.append(crlf);
    }
    textfile::Encoding encoding = encoding_;
    return textfile::writeAtomically(path, textfile::encode(text, encoding), error);
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
    errno = 0;
    if (!textfile::writeAtomically(v.LogFile, textfile::encode(line + QStringLiteral("\r\n"), encoding), &reason)) {
        ++v.ErrorCount;
        const int code = errno ? errno : 1;
        ui_hooks::showMessage(QStringLiteral("FEIL"), QStringLiteral("Feil under oppretting av ny fil: ") + v.LogFile
                                                          + QStringLiteral("  (") + QString::number(code) + QLatin1Char(')'));
    }
    v.ErrorCount = 0;
}

void prepare()
{
    values().LogLines.clear();
    LogFileName();
}

bool readOldLog()
{
    Values &v = values();
    if (!platform::files::fileExists(us(v.LogFile)))
        return true;
    const QStringList earlier = v.LogLines.toStringList();
    if (!v.LogLines.loadFile(v.LogFile))
        return false;
    for (const QString &line : earlier)
        v.LogLines.append(line);
    return true;
}

bool finish(QString *error)
{
    Values &v = values();
    const bool ok = v.LogLines.saveFile(v.LogFile, error);
    v.LogLines.clear();
    return ok;
}

} // namespace textfil
