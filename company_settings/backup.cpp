#include "company_settings/backup.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
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
};

// The files as they are on disk now. Read before anything else happens, so that the copies hold
// the versions from before the save whatever the root lookup or the save does afterwards.
std::vector<Copy> readFiles(const QStringList &paths)
{
    std::vector<Copy> copies;
    QStringList seen;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (!info.isFile())
            continue;  // nothing there yet: nothing to keep
        const QString absolute = info.absoluteFilePath();
        if (seen.contains(absolute))
            continue;
        seen << absolute;
        Copy c{info.fileName(), path, {}};
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

// Deletes the oldest dated folders beyond the number kept. Only real folders whose names have the
// dated form count; everything else in the backup folder is left alone.
void pruneOld(const QString &root)
{
    std::vector<platform::files::Entry> entries;
    if (!platform::files::listFolder(us(root), entries))
        return;
    std::vector<std::pair<std::pair<QString, long long>, QString>> dated;
    for (const platform::files::Entry &e : entries) {
        const QString name = qs(e.name);
        const QRegularExpressionMatch m = namePattern().match(name);
        if (!e.folder || e.link || !m.hasMatch())
            continue;
        const long long n = m.captured(2).isEmpty() ? 1 : m.captured(2).toLongLong();
        dated.push_back({{m.captured(1), n}, name});
    }
    if (dated.size() <= size_t(kBackupsKept))
        return;
    std::sort(dated.begin(), dated.end());
    const size_t surplus = dated.size() - size_t(kBackupsKept);
    for (size_t i = 0; i < surplus; ++i) {
        const QString path = root + dated[i].second;
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
    const QString folder = makeDatedFolder(root, backupFolderName(platform::now()));
    if (folder.isEmpty())
        return;
    int copied = 0;
    for (const Copy &c : copies) {
        const QString to = folder + c.name;
        QString reason;
        if (textfile::writeAtomically(to, c.bytes, &reason))
            ++copied;
        else
            warn(QStringLiteral("Kan ikke ta sikkerhetskopi av %1 til %2: %3").arg(c.from, to, reason));
    }
    if (copied == 0) {
        // An empty folder would push a real backup out of the thirty kept.
        platform::files::removeFolder(us(folder));
        return;
    }
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
