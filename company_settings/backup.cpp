#include "company_settings/backup.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <tuple>
#include <utility>
#include <vector>

#include "common/qtstring.h"
#include "common/textfile.h"
#include "environment/hs_reg.h"
#include "environment/ini_document.h"
#include "log/textfil.h"
#include "platform/files.h"

namespace Timesetu {

namespace {

const QRegularExpression &namePattern()
{
    static const QRegularExpression re(QStringLiteral("^(\\d{4}-\\d{2}-\\d{2}_\\d{6})(?:_(\\d{1,9}))?$"));
    return re;
}

void warn(const QString &text)
{
    textfil::WriteLog(QStringLiteral("ADVARSEL: ") + text);
}

struct Copy {
    QString name;  // file name inside the backup folder
    QString from;
    QByteArray bytes;
    bool settingsFile = false;
    QDateTime modified;
};

// The files as they are on disk now. Read before anything else happens, so that the copies hold
// the versions from before the save whatever the root lookup or the save does afterwards.
std::vector<Copy> readFiles(const QStringList &paths)
{
    std::vector<Copy> copies;
    QStringList seen;
    for (const QString &path : paths) {
        const bool settingsFile = &path == &paths.first();
        const QFileInfo info(path);
        if (!info.isFile())
            continue;  // nothing there yet: nothing to keep
        const QString absolute = info.absoluteFilePath();
        if (seen.contains(absolute))
            continue;
        seen << absolute;
        Copy c{info.fileName(), path, {}, settingsFile, info.lastModified()};
        QString reason;
        if (!textfile::readAll(path, c.bytes, &reason)) {
            warn(QStringLiteral("Kan ikke lese %1 for sikkerhetskopi: %2").arg(path, reason));
            continue;
        }
        copies.push_back(std::move(c));
    }
    return copies;
}

// A new folder below root named by the time, "_2", "_3", ... added when the name is taken. Empty
// when none could be made.
QString makeDatedFolder(const QString &root, const QString &name)
{
    int lastError = 0;
    for (int n = 1; n <= 1000; ++n) {
        const QString candidate = root + (n == 1 ? name : name + QLatin1Char('_') + QString::number(n));
        if (QFileInfo::exists(candidate) || QFileInfo(candidate).isSymLink())
            continue;
        lastError = platform::files::makeFolder(us(candidate));
        if (lastError == 0)
            return candidate + hs_reg::separator();
        if (!QFileInfo::exists(candidate))
            break;  // not a name clash: the folder cannot be made at all
    }
    warn(QStringLiteral("Kan ikke opprette mappen for sikkerhetskopi i %1 (%2). Innstillingene lagres likevel, "
                        "uten sikkerhetskopi.")
             .arg(root, lastError ? qs(platform::files::errorText(lastError)) : QStringLiteral("navnet er i bruk")));
    return QString();
}

struct Dated {
    QString name;
    qint64 number = -1;  // -1: made before folders were numbered
    QString stamp;       // the name's date and time
    long long suffix = 1;
};

QString orderFile(const QString &folder)
{
    return folder + QString::fromUtf16(kOrderFileName);
}

// The folder's number; -1 when it has none that can be read.
qint64 folderNumber(const QString &folder)
{
    QByteArray bytes;
    if (!QFileInfo(orderFile(folder)).isFile() || !textfile::readAll(orderFile(folder), bytes))
        return -1;
    bool ok = false;
    const qint64 n = QString::fromLatin1(bytes).trimmed().toLongLong(&ok);
    return ok && n > 0 ? n : -1;
}

// Only real folders whose names have the dated form count; everything else in the backup folder is
// left alone. Oldest first.
std::vector<Dated> datedFolders(const QString &root)
{
    std::vector<Dated> dated;
    std::vector<platform::files::Entry> entries;
    if (!platform::files::listFolder(us(root), entries))
        return dated;
    for (const platform::files::Entry &e : entries) {
        const QString name = qs(e.name);
        const QRegularExpressionMatch m = namePattern().match(name);
        if (!e.folder || e.link || !m.hasMatch())
            continue;
        const long long suffix = m.captured(2).isEmpty() ? 1 : m.captured(2).toLongLong();
        dated.push_back({name, folderNumber(root + name + hs_reg::separator()), m.captured(1), suffix});
    }
    std::sort(dated.begin(), dated.end(), [](const Dated &a, const Dated &b) {
        return std::tie(a.number, a.stamp, a.suffix) < std::tie(b.number, b.stamp, b.suffix);
    });
    return dated;
}

// The folder holds exactly the files about to be copied, with the same content.
bool holdsSame(const QString &folder, const std::vector<Copy> &copies)
{
    std::vector<platform::files::Entry> entries;
    if (!platform::files::listFolder(us(folder), entries))
        return false;
    QStringList names;
    for (const platform::files::Entry &e : entries) {
        if (!e.folder && !e.link && qs(e.name) != QString::fromUtf16(kOrderFileName))
            names << qs(e.name);
    }
    if (names.size() != qsizetype(copies.size()))
        return false;
    for (const Copy &c : copies) {
        QByteArray bytes;
        if (!names.contains(c.name) || !textfile::readAll(folder + c.name, bytes)
            || !sameFileContent(bytes, c.bytes, c.settingsFile))
            return false;
    }
    return true;
}

// The text without the stamp lines of its INI_SELF header, each taken out with its line end.
QString withoutStamp(const QString &text)
{
    QString out;
    out.reserve(text.size());
    bool header = false;
    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype end = pos;
        while (end < text.size() && text[end] != QLatin1Char('\r') && text[end] != QLatin1Char('\n'))
            ++end;
        const QStringView line = QStringView(text).mid(pos, end - pos).trimmed();
        if (end < text.size() && text[end] == QLatin1Char('\r') && end + 1 < text.size() && text[end + 1] == QLatin1Char('\n'))
            ++end;
        if (end < text.size())
            ++end;
        bool stampLine = false;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']')))
            header = line.mid(1, line.size() - 2).trimmed().compare(QLatin1String("INI_SELF"), Qt::CaseInsensitive) == 0;
        else
            stampLine = header && line.startsWith(QLatin1String("MODIFIED_"), Qt::CaseInsensitive);
        if (!stampLine)
            out += QStringView(text).mid(pos, end - pos);
        pos = end;
    }
    return out;
}

// Deletes the oldest dated folders beyond the number kept.
void pruneOld(const QString &root)
{
    const std::vector<Dated> dated = datedFolders(root);
    if (dated.size() <= size_t(kBackupsKept))
        return;
    const size_t surplus = dated.size() - size_t(kBackupsKept);
    for (size_t i = 0; i < surplus; ++i) {
        const QString path = root + dated[i].name;
        if (!QDir(path).removeRecursively())
            warn(QStringLiteral("Kan ikke slette den gamle sikkerhetskopien %1").arg(path));
    }
}

} // namespace

QString backupFolderName(const platform::LocalTime &t)
{
    return QStringLiteral("%1-%2-%3_%4%5%6")
        .arg(t.year, 4, 10, QLatin1Char('0'))
        .arg(t.month, 2, 10, QLatin1Char('0'))
        .arg(t.day, 2, 10, QLatin1Char('0'))
        .arg(t.hour, 2, 10, QLatin1Char('0'))
        .arg(t.minute, 2, 10, QLatin1Char('0'))
        .arg(t.second, 2, 10, QLatin1Char('0'));
}

bool isBackupFolderName(const QString &name)
{
    return namePattern().match(name).hasMatch();
}

QStringList backupFolders(const QString &root)
{
    QStringList names;
    for (const Dated &d : datedFolders(hs_reg::withSeparator(root)))
        names << d.name;
    return names;
}

bool sameFileContent(const QByteArray &a, const QByteArray &b, bool settingsFile)
{
    if (a == b)
        return true;
    if (!settingsFile)
        return false;
    textfile::Encoding ea = textfile::Encoding::Ansi, eb = textfile::Encoding::Ansi;
    const QString ta = textfile::decode(a, &ea), tb = textfile::decode(b, &eb);
    return ea == eb && withoutStamp(ta) == withoutStamp(tb);
}

void backupFiles(const QStringList &paths, const std::function<QString()> &backupRoot)
{
    const std::vector<Copy> copies = readFiles(paths);
    if (copies.empty())
        return;
    const QString root = hs_reg::withSeparator(backupRoot());
    if (root.isEmpty() || !platform::files::folderExists(us(root))) {
        warn(QStringLiteral("Finner ikke mappen for sikkerhetskopi %1, og den kan ikke opprettes. Innstillingene "
                            "lagres likevel, uten sikkerhetskopi.")
                 .arg(root));
        return;
    }
    const std::vector<Dated> dated = datedFolders(root);
    if (!dated.empty() && holdsSame(root + dated.back().name + hs_reg::separator(), copies)) {
        // Thirty saves without a change would otherwise push the real history out.
        if (textfil::values().VerboseLog)
            textfil::WriteLog(QStringLiteral("Ingen ny sikkerhetskopi: filene er som i ") + root + dated.back().name);
        return;
    }
    qint64 number = 1;
    for (const Dated &d : dated)
        number = qMax(number, d.number + 1);
    const QString folder = makeDatedFolder(root, backupFolderName(platform::now()));
    if (folder.isEmpty())
        return;
    int copied = 0;
    for (const Copy &c : copies) {
        const QString to = folder + c.name;
        QString reason;
        if (textfile::writeAtomically(to, c.bytes, &reason)) {
            ++copied;
            // The copy keeps the time its version was saved; only the listing of versions reads it.
            QFile copy(to);
            if (c.modified.isValid() && copy.open(QIODevice::Append))
                copy.setFileTime(c.modified, QFileDevice::FileModificationTime);
        } else
            warn(QStringLiteral("Kan ikke ta sikkerhetskopi av %1 til %2: %3").arg(c.from, to, reason));
    }
    if (copied == 0) {
        // An empty folder would push a real backup out of the thirty kept.
        platform::files::removeFolder(us(folder));
        return;
    }
    QString reason;
    if (!textfile::writeAtomically(orderFile(folder), QByteArray::number(number) + "\r\n", &reason))
        warn(QStringLiteral("Kan ikke nummerere sikkerhetskopien %1: %2").arg(folder, reason));
    if (textfil::values().VerboseLog)
        textfil::WriteLog(QStringLiteral("Sikkerhetskopi av innstillingene i ") + folder);
    pruneOld(root);
}

void backupFiles(const QStringList &paths, const QString &backupRoot)
{
    backupFiles(paths, [&] { return backupRoot; });
}

QString suiteBackupFolder()
{
    const QString root = hs_reg::suiteroot();
    QString path;
    if (const IniDocument *d = hs_reg::settingsfile())
        path = d->value(QStringLiteral("FOLDERS"), QStringLiteral("backup_folder"), QString());
    if (path.isEmpty())
        path = root + QStringLiteral("backup");
    path = hs_reg::withSeparator(path);
    // As veltronapath: a recorded folder outside the suite root is never created here.
    if (!platform::files::folderExists(us(path)) && path.startsWith(root))
        platform::files::makePath(us(path));
    return path;
}

} // namespace Timesetu
