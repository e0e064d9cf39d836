// The open settings document, its current section and the INI_SELF header.
#include <QFileInfo>

#include "common/felles.h"
#include "common/qtstring.h"
#include "environment/hs_reg.h"
#include "environment/ini_document.h"
#include "log/textfil.h"
#include "platform/files.h"
#include "platform/system.h"

namespace hs_reg {

namespace {

IniDocument &doc()
{
    Values &v = values();
    if (!v.settingsfile)  // only before the first openini; keeps stray calls harmless
        v.settingsfile = std::make_unique<IniDocument>();
    return *v.settingsfile;
}

void stamp(const QString &prefix, const QString &path, const QString &login)
{
    writestr(prefix + QStringLiteral("TIME"), textfil::datetimetext());
    writestr(prefix + QStringLiteral("NAME"), path);
    writestr(prefix + QStringLiteral("PROGRAM"), qs(platform::programPath()));
    writestr(prefix + QStringLiteral("USER"), username());
    writestr(prefix + QStringLiteral("INIVERSION"), QStringLiteral("5.52"));
    writestr(prefix + QStringLiteral("BUILD"), QStringLiteral("728"));
    writestr(prefix + QStringLiteral("LOGIN"), login);
}

// Write back, then open the next document; the open document stays when the write-back fails.
bool switchTo(const QString &path, QString *error)
{
    if (!writeBack(error))
        return false;
    values().settingsfile.reset();
    openini(path);
    return true;
}

// Logged as soon as the log takes lines: a file changes its form only once, and a line written while
// the log is still off would be lost.
void logFormWarning(const QString &warning)
{
    QStringList &pending = values().formWarnings;
    if (!warning.isEmpty())
        pending.append(warning);
    if (pending.isEmpty() || !textfil::values().LogEnabled)
        return;
    for (const QString &line : std::as_const(pending))
        textfil::WriteLog(line);
    pending.clear();
}

QString sideFile(const QString &ext)
{
    // The program's file name alone, so a dot in a folder name does not matter.
    const QString name = QFileInfo(qs(platform::programPath())).fileName();
    return values().etcdir + Felles::changeextension(name, ext);
}

} // namespace

QString readstr(const QString &key)
{
    return doc().value(values().inisection, key, QString(QLatin1String("")));
}

void writestr(const QString &key, const QString &value)
{
    doc().setValue(values().inisection, key, value);
}

qint32 readint(const QString &key)
{
    qint32 n = 0;
    return IniDocument::parseInt(readstr(key), n) ? n : 0;
}

void writeint(const QString &key, qint32 value)
{
    writestr(key, QString::number(value));
}

bool readbool(const QString &key)
{
    return readint(key) != 0;
}

void writebool(const QString &key, bool value)
{
    writestr(key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void setsection(const QString &name)
{
    values().inisection = name;
}

void standardsection()
{
    values().inisection = QStringLiteral("STANDARD");
}

QString inisection()
{
    return values().inisection;
}

IniDocument *settingsfile()
{
    return values().settingsfile.get();
}

QString logintext()
{
    return QStringLiteral("LOGIN: ") + logonname() + QStringLiteral("  node: ") + computername() + QLatin1Char('.')
        + domainname() + QStringLiteral(" IP:") + ipaddress();
}

void openini(const QString &path)
{
    const QString login = logintext();
    const bool existed = platform::files::fileExists(us(path));
    auto document = std::make_unique<IniDocument>(path);
    QString reason;
    if (!document->load(&reason))
        textfil::WriteLog(QStringLiteral("FEIL: kan ikke lese ") + path + QStringLiteral(": ") + reason);
    values().settingsfile = std::move(document);
    setsection(QStringLiteral("INI_SELF"));
    if (!existed)
        stamp(QStringLiteral("CREATED_"), path, login);
    stamp(QStringLiteral("MODIFIED_"), path, login);
    standardsection();
}

bool writeBack(QString *error)
{
    IniDocument &d = doc();
    if (platform::files::isReadOnly(us(d.path()))) {
        // The mark is honoured even where the file system would let us write (as root).
        if (error)
            *error = d.path() + QStringLiteral(": filen er skrivebeskyttet");
        return false;
    }
    QString reason, warning;
    bool merged = false;
    if (!d.save(&reason, &merged, &warning)) {
        if (error)
            *error = d.path() + QStringLiteral(": ") + reason;
        return false;
    }
    if (merged && textfil::values().VerboseLog)
        textfil::WriteLog(QStringLiteral("Flettet endringer fra andre programmer inn i ") + d.path());
    logFormWarning(warning);
    return true;
}

bool openuserini(QString *error)
{
    // The user's name becomes a file name in the settings folder; one that names another folder
    // (from --user on the command line) would put the file outside it, so it is refused.
    const QString name = username();
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) || name.contains(QLatin1Char(':'))) {
        if (error)
            *error = QStringLiteral("brukernavnet \"%1\" kan ikke brukes som filnavn").arg(name);
        return false;
    }
    return switchTo(values().etcdir + name + QStringLiteral(".INI"), error);
}

bool openmainini(QString *error)
{
    return switchTo(values().ininame, error);
}

QString standardtextfile()
{
    return sideFile(QStringLiteral("txt"));
}

QString deliverytextfile()
{
    return sideFile(QStringLiteral("txl"));
}

} // namespace hs_reg
