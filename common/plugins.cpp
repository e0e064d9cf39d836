#include "common/plugins.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPluginLoader>

namespace plugins {

namespace {

QString &chosenFolder()
{
    static QString folder;
    return folder;
}

} // namespace

QString folderOf(const QString &programFolder)
{
    // BO_PLUGIN_FOLDER: the module folder relative to the program's, as the build installs them.
    return QDir::cleanPath(programFolder + QLatin1Char('/') + QStringLiteral(BO_PLUGIN_FOLDER));
}

QString folder()
{
    const QString &chosen = chosenFolder();
    return chosen.isEmpty() ? folderOf(QCoreApplication::applicationDirPath()) : chosen;
}

void setFolder(const QString &folder)
{
    chosenFolder() = folder;
}

QString filePath(const QString &name)
{
#ifdef Q_OS_WIN
    const QLatin1String suffix(".dll");
#else
    const QLatin1String suffix(".so");
#endif
    return folder() + QLatin1Char('/') + name + suffix;
}

QObject *load(const QString &name, const char *iid, QString *error)
{
    const QString path = filePath(name);
    const QString shown = QDir::toNativeSeparators(path);
    const auto fail = [error](const QString &why) -> QObject * {
        if (error)
            *error = why;
        return nullptr;
    };
    if (!QFileInfo(path).isFile())
        return fail(QStringLiteral("tilleggsmodulen %1 finnes ikke").arg(shown));
    // The loader's own object is not needed afterwards: the module stays loaded until the end.
    QPluginLoader loader(path);
    QObject *root = loader.instance();
    if (!root)
        return fail(QStringLiteral("tilleggsmodulen %1 kan ikke lastes: %2").arg(shown, loader.errorString()));
    // A module of another version of the program, or another module under this name.
    if (!root->qt_metacast(iid))
        return fail(QStringLiteral("tilleggsmodulen %1 hører ikke til denne utgaven av programmet").arg(shown));
    return root;
}

} // namespace plugins
