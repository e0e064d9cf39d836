#pragma once
// The program's own plug-in modules (the browser, the FTP client): parts that pull in large
// libraries, loaded through Qt's plug-in loader when first used so that a start never pays for them.
// Each module is found by its name in the program's module folder and talks to the program through
// an interface header beside its caller.
#include <QObject>
#include <QString>

namespace plugins {

// The module folder of a program lying in programFolder: beside it on Windows, else the program's
// private library folder (../lib/bruker-oppsett from bin).
QString folderOf(const QString &programFolder);
// The folder modules are loaded from: the running program's, unless a test has set another.
QString folder();
// Tests: load from this folder (empty: the running program's again).
void setFolder(const QString &folder);

// The file of the module called name in folder().
QString filePath(const QString &name);

// The module's root object when it is there, loads and offers the interface iid; else nullptr with
// the reason in Norwegian in error. A module once loaded stays loaded; a failure is tried again on
// the next call, so a module put in place later is found.
QObject *load(const QString &name, const char *iid, QString *error);

template <typename Interface>
Interface *load(const QString &name, QString *error)
{
    QObject *root = load(name, qobject_interface_iid<Interface *>(), error);
    return root ? qobject_cast<Interface *>(root) : nullptr;
}

} // namespace plugins
