// The shell's open action here: "notepad.exe" becomes the first graphical text editor on the PATH,
// else xdg-open; any other program is started as it is. Started detached; the outcome is not examined.
#include "platform/shell.h"

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

namespace platform {

namespace {

QString unquoted(QString s)
{
    if (s.size() >= 2 && s.startsWith(QLatin1Char('"')) && s.endsWith(QLatin1Char('"')))
        s = s.mid(1, s.size() - 2);
    return s;
}

QString editor()
{
    static const char *const editors[] = {"gnome-text-editor", "gedit", "kate", "kwrite", "mousepad",
                                          "pluma", "xed", "featherpad", "leafpad", "xdg-open"};
    for (const char *name : editors) {
        const QString found = QStandardPaths::findExecutable(QLatin1String(name));
        if (!found.isEmpty())
            return found;
    }
    return {};
}

} // namespace

void shellOpen(const std::u16string &file, const std::u16string &parameters, const std::u16string &folder)
{
    QString program = unquoted(QString::fromStdU16String(file));
    if (program.compare(QLatin1String("notepad.exe"), Qt::CaseInsensitive) == 0
        || program.compare(QLatin1String("notepad"), Qt::CaseInsensitive) == 0)
        program = editor();
    if (program.isEmpty())
        return;
    const QString params = QString::fromStdU16String(parameters);
    QProcess::startDetached(program, params.isEmpty() ? QStringList() : QStringList{params},
                            unquoted(QString::fromStdU16String(folder)));
}

} // namespace platform
