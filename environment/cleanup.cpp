// Emptying the suite's and the system's temporary folders. The name and length tests guard against
// emptying a folder that was configured wrongly; a link is removed as a link and never followed.
#include <QLocale>

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
    platform::files::emptyTree(us(folder), verbose, [&](platform::files::TreeStep step, const std::u16string &below) {
        const QString path = folder + qs(below);
        switch (step) {
        case platform::files::TreeStep::Folder:
            textfil::WriteLog(QStringLiteral("Sletter mappen ") + path);
            break;
        case platform::files::TreeStep::File:
            textfil::WriteLog(QStringLiteral("Sletter ") + path);
            break;
        case platform::files::TreeStep::FileFailed:
            textfil::WriteLog(QStringLiteral("FEIL: kan ikke slette filen ") + path);
            break;
        case platform::files::TreeStep::FolderFailed:
            textfil::WriteLog(QStringLiteral("FEIL: kan ikke slette mappen ") + path);
            break;
        }
    });
    // The folder itself stays unless it is a sub-folder of the one being cleared.
    if (folder != root && !platform::files::removeFolder(us(folder)))
        textfil::WriteLog(QStringLiteral("FEIL: kan ikke slette mappen ") + folder);
}

} // namespace hs_reg
