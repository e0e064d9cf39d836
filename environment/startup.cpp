// The environment's start-up and shut-down, the command line and the path helpers.
#include <QDir>
#include <QFileInfo>

#include "common/qtstring.h"
#include "environment/hs_reg.h"
#include "environment/ini_document.h"
#include "log/textfil.h"
#include "platform/files.h"
#include "platform/system.h"

namespace hs_reg {

Values &values()
{
    static Values v;
    return v;
}

void reset()
{
    values() = Values();
}

QChar separator()
{
    return QChar(platform::separator());
}

QString withSeparator(const QString &path)
{
    if (path.isEmpty() || path.endsWith(separator()))
        return path;
    return path + separator();
}

QString folderNameAsPath(const QString &name)
{
    QString p = name;
    p.replace(QLatin1Char('\\'), separator());
    return p;
}

QString suiteroot()
{
    return qs(platform::appDataFolder()) + separator() + QStringLiteral("Veltrona") + separator();
}

bool isReadOnlyFile(const QString &path)
{
    return platform::files::fileExists(us(path)) && platform::files::isReadOnly(us(path));
}

void scanCommandLine(const QStringList &arguments)
{
    Values &v = values();
    textfil::Values &log = textfil::values();
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        // A value-taking option takes the next argument; that one is still examined in its turn.
        const QString next = i + 1 < arguments.size() ? arguments[i + 1] : QString(QLatin1String(""));
        if (a == QLatin1String("--debug")) {
            log.LogEnabled = log.VerboseLog = true;
        } else if (a == QLatin1String("-install")) {
            log.LogEnabled = log.VerboseLog = true;
            v.installrequested = true;
        } else if (a == QLatin1String("-ip")) {
            v.ipoverride = next;
        } else if (a == QLatin1String("--caption")) {
            v.captionoverride = next;
        } else if (a == QLatin1String("--user")) {
            v.useroverride = next;
        }
    }
}

namespace {

// The settings folder: the working folder when it holds veltrona.ini, else the user's own.
void locateSettings()
{
    Values &v = values();
    const QChar sep = separator();
    const QString userEtc = suiteroot() + QStringLiteral("etc") + sep;
    const QString inCwd = qs(platform::files::absolutePath(u"veltrona.ini"));
    if (platform::files::fileExists(us(inCwd)))
        v.etcdir = withSeparator(QFileInfo(inCwd).path());
    else
        v.etcdir = userEtc;
    if (!platform::files::folderExists(us(v.etcdir))) {
        v.etcdir = userEtc;
        platform::files::makePath(us(v.etcdir));
    }
    v.ininame = qs(platform::files::absolutePath(us(v.etcdir + QStringLiteral("veltrona.ini"))));
    v.etcdir = withSeparator(QFileInfo(v.ininame).path());
}

} // namespace

void startup(const QStringList &arguments)
{
    Values &v = values();
    textfil::Values &log = textfil::values();

    scanCommandLine(arguments);
    locateSettings();
    openini(v.ininame);
    setfolder(QStringLiteral("etc"), v.etcdir);
    if (v.installrequested || !platform::files::folderExists(us(suiteroot() + QStringLiteral("data"))))
        installfolders();

    log.LogEnabled = readbool(QStringLiteral("LogToFile"));
    if (readbool(QStringLiteral("ClearLogFileOnStartup")))
        textfil::ClearLog();
    textfil::readOldLog();
    if (readbool(QStringLiteral("DeleteTemporaryFiles")))
        deletetempfiles(readbool(QStringLiteral("DeleteSystemTemporaryFiles")));
    logfolder();
    if (!log.VerboseLog)
        log.VerboseLog = readbool(QStringLiteral("VerboseLogging")) && log.LogEnabled;

    if (log.LogEnabled) {
        textfil::WriteLog(QStringLiteral("START: ") + qs(platform::programPath()));
        textfil::WriteLog(QStringLiteral("INIFIL: ") + v.ininame);
        textfil::WriteLog(QStringLiteral("BRUKER: ") + username());
        if (log.VerboseLog)
            textfil::WriteLog(logintext());
    }
}

void shutdown()
{
    Values &v = values();
    const textfil::Values &log = textfil::values();

    if (!isReadOnlyFile(v.ininame)) {
        if (!v.settingsfile || !writeBack())
            textfil::WriteLog(QStringLiteral("INI-CRASH i HS_REG: ") + v.ininame);
    }
    v.settingsfile.reset();

    if (log.VerboseLog) {
        if (isReadOnlyFile(v.ininame))
            textfil::WriteLog(QStringLiteral("ADVARSEL: ") + v.ininame + QStringLiteral(" er skrivebeskyttet og vil ikke bli lagret."));
        else
            textfil::WriteLog(QStringLiteral("Oppdaterer ") + v.ininame);
        textfil::WriteLog(QStringLiteral("AVSLUTTER PROGRAM. ") + QString::number(log.ErrorCount) + QStringLiteral(" feilmeldinger og ")
                          + QString::number(log.WarningCount) + QStringLiteral(" advarsler"));
        if (log.HintCount > 0)
            textfil::WriteLog(QStringLiteral("Det ble gitt ") + QString::number(log.HintCount) + QStringLiteral(" hint i programmet"));
    }
}

} // namespace hs_reg
