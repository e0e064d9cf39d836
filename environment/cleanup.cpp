// Emptying the suite's and the system's temporary folders. The name and length tests guard against
// emptying a folder that was configured wrongly; a link is removed as a link and never followed.
#include <QLocale>
#include <vector>

#include "common/qtstring.h"
#include "common/ui_hooks.h"
#include "environment/hs_reg.h"
#include "log/textfil.h"
#include "platform/files.h"
#include "platform/system.h"

namespace hs_reg {

namespace {
bool nameHas(const QString &path, QLatin1String word)
{
    return QLocale::system().toUpper(path).contains(word);
}
} // namespace

void deletetempfiles(bool includeSystem)
{
    textfil::WriteLog(QStringLiteral("Sletter midlertidige filer opprettet av Veltrona programmer"));
    const QString tmp = veltronapath(QStringLiteral("tmp"));
    if (tmp.size() > 3 && nameHas(tmp, QLatin1String("TMP")))
        clearfolder(tmp);
    if (!includeSystem)
        return;

    const QString temp = tempdirectory() + separator();
    if (temp.size() > 3 && nameHas(temp, QLatin1String("TEMP"))) {
        textfil::WriteLog(QStringLiteral("Sletter midlertidige filer i Windows"));
        clearfolder(temp);
        clearfolder(qs(platform::environmentVariable(u"WINDIR")) + separator() + QStringLiteral("temp") + separator());
    }
    const QString spool = spooldirectory();
    if (nameHas(spool, QLatin1String("SPOOL"))) {
        textfil::WriteLog(QStringLiteral("Sletter skriverkøer"));
        clearfolder(spool);
    }
}

void clearfolder(const QString &path)
{
    const QString root = withSeparator(path);
    if (root.size() < 7 || !platform::files::folderExists(us(root)))
        return;
    deletetree(root, root);
}

void deletetree(const QString &folder, const QString &root)
{
    ui_hooks::BusyPointer busy;
    const bool verbose = textfil::values().VerboseLog;
    if (verbose)
        textfil::WriteLog(QStringLiteral("Sletter mappen ") + folder);
    std::vector<platform::files::Entry> entries;
    platform::files::listFolder(us(folder), entries);
    for (const platform::files::Entry &e : entries) {
        const QString path = folder + qs(e.name);
        if (e.folder) {
            deletetree(path + separator(), root);
            continue;
        }
        if (e.readOnly)
            platform::files::clearAttributes(us(path));
        if (verbose)
            textfil::WriteLog(QStringLiteral("Sletter ") + path);
        if (!platform::files::removeFile(us(path)))
            textfil::WriteLog(QStringLiteral("FEIL: kan ikke slette filen ") + path);
    }
    if (folder != root && !platform::files::removeFolder(us(folder)))
        textfil::WriteLog(QStringLiteral("FEIL: kan ikke slette mappen ") + folder);
}

} // namespace hs_reg
