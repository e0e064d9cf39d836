// The suite's folder records in "FOLDERS" and the per-user folder tree.
#include <QFileInfo>

#include "common/qtstring.h"
#include "environment/hs_reg.h"
#include "environment/ini_document.h"
#include "log/textfil.h"
#include "platform/files.h"
#include "platform/system.h"

namespace hs_reg {

namespace {

// Runs body with "FOLDERS" as the current section and puts the caller's section back.
template <typename Body>
auto inFolders(Body body)
{
    const QString kept = inisection();
    setsection(QStringLiteral("FOLDERS"));
    struct Restore {
        QString name;
        ~Restore() { setsection(name); }
    } restore{kept};
    return body();
}

void makesuitefolder(const QString &root, const QString &name)
{
    const QString path = root + folderNameAsPath(name);
    mkdirsafe(path);
    setfolder(name, path);
}

} // namespace

const QStringList &suitetree()
{
    static const QStringList tree = {
        QStringLiteral("archive"),     QStringLiteral("backup"),       QStringLiteral("data"),
        QStringLiteral("data\\zentapod"), QStringLiteral("data\\ormskal"), QStringLiteral("data\\kvist4"),
        QStringLiteral("data\\docs"),  QStringLiteral("data\\rlbok"),  QStringLiteral("etc"),
        QStringLiteral("export"),      QStringLiteral("export\\xml"),  QStringLiteral("export\\pdf"),
        QStringLiteral("export\\csv"), QStringLiteral("export\\html"), QStringLiteral("export\\html\\varer"),
        QStringLiteral("import"),      QStringLiteral("images"),       QStringLiteral("spool"),
        QStringLiteral("tmp"),         QStringLiteral("xml"),          QStringLiteral("log"),
        QStringLiteral("maler"),       QStringLiteral("maler\\docs"),  QStringLiteral("maler\\kvist4"),
    };
    return tree;
}

QString veltronapath(const QString &name)
{
    const QString root = suiteroot();
    if (name.isEmpty())
        return root;
    return inFolders([&] {
        QString path = readstr(name + QStringLiteral("_folder"));
        if (path.isEmpty())
            path = root + folderNameAsPath(name) + separator();
        // A recorded folder outside the suite root is never created here.
        if (!platform::files::folderExists(us(path)) && name != QLatin1String("bin") && path.contains(root)) {
            textfil::WriteLog(QStringLiteral("hs_reg.veltronapath(") + name + QStringLiteral("): Lager mappen ") + path);
            platform::files::makePath(us(path));
        }
        path = withSeparator(path);
        setfolder(name, path);
        // A failed write-back leaves the record in memory; the lookup still answers.
        if (const IniDocument *d = settingsfile(); d && !isReadOnlyFile(d->path()))
            writeBack();
        return path;
    });
}

void setfolder(const QString &name, const QString &path)
{
    inFolders([&] { writestr(name + QStringLiteral("_folder"), withSeparator(path)); });
}

void mkdirsafe(const QString &path)
{
    const int code = platform::files::makeFolder(us(path));
    if (code == 0)
        textfil::WriteLog(QStringLiteral("Oppretter mappen ") + path);
    else
        textfil::WriteLog(QStringLiteral("FEIL: [mkdirsafe:") + QString::number(code) + QStringLiteral("] kan ikke opprette mappen ") + path);
}

void installfolders()
{
    const QString bin = binfolder();
    setfolder(QStringLiteral("doc"), qs(platform::files::absolutePath(us(bin + QStringLiteral("..") + separator() + QStringLiteral("doc")))));
    const QString root = suiteroot();
    if (!platform::files::folderExists(us(root)))
        platform::files::makePath(us(root));
    for (const QString &name : suitetree())
        makesuitefolder(root, name);
}

QString logfolder()
{
    const QString p = veltronapath(QStringLiteral("log"));
    if (!platform::files::folderExists(us(p))) {
        // A record outside the suite root that points nowhere: back to the default.
        setfolder(QStringLiteral("log"), suiteroot() + QStringLiteral("log") + separator());
        platform::files::makePath(us(veltronapath(QStringLiteral("log"))));
    }
    return veltronapath(QStringLiteral("log"));
}

QString binfolder()
{
    setfolder(QStringLiteral("bin"), QFileInfo(qs(platform::programPath())).path());
    return veltronapath(QStringLiteral("bin"));
}

} // namespace hs_reg
