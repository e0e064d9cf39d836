// The shell's open action here: "notepad.exe" becomes the first graphical text editor on the PATH,
// else xdg-open; any other program is started as it is. An editor is started detached; xdg-open is
// watched until it ends, since it only hands the file on and reports by its exit code whether
// anything could open it.
#include "platform/shell.h"

#include <QCoreApplication>
#include <QFileInfo>
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

const char *const kEditors[] = {"gnome-text-editor", "gedit", "kate", "kwrite", "mousepad",
                                "pluma", "xed", "featherpad", "leafpad", "xdg-open"};

QString editor()
{
    for (const char *name : kEditors) {
        const QString found = QStandardPaths::findExecutable(QLatin1String(name));
        if (!found.isEmpty())
            return found;
    }
    return {};
}

void tell(std::u16string *reason, const QString &text)
{
    if (reason)
        *reason = text.toStdU16String();
}

// xdg-open's exit codes (xdg-utils).
QString xdgOpenFailure(int code)
{
    switch (code) {
    case 1: return QStringLiteral("xdg-open avsluttet med kode 1 (feil i kommandolinjen)");
    case 2: return QStringLiteral("xdg-open avsluttet med kode 2 (filen finnes ikke)");
    case 3: return QStringLiteral("xdg-open avsluttet med kode 3 (fant ikke noe program som kan åpne filen)");
    case 4: return QStringLiteral("xdg-open avsluttet med kode 4 (programmet som skulle åpne filen, feilet)");
    default: return QStringLiteral("xdg-open avsluttet med kode %1").arg(code);
    }
}

} // namespace

bool shellOpen(const std::u16string &file, const std::u16string &parameters, const std::u16string &folder,
               std::u16string *reason, ShellFailure failedLater)
{
    QString program = unquoted(QString::fromStdU16String(file));
    if (program.compare(QLatin1String("notepad.exe"), Qt::CaseInsensitive) == 0
        || program.compare(QLatin1String("notepad"), Qt::CaseInsensitive) == 0) {
        program = editor();
        if (program.isEmpty()) {
            QStringList names;
            for (const char *name : kEditors)
                names << QLatin1String(name);
            tell(reason, QStringLiteral("fant ingen teksteditor (ingen av %1 finnes i PATH)")
                             .arg(names.join(QStringLiteral(", "))));
            return false;
        }
    }
    if (program.isEmpty()) {
        tell(reason, QStringLiteral("intet program oppgitt"));
        return false;
    }
    const QString params = QString::fromStdU16String(parameters);
    const QStringList args = params.isEmpty() ? QStringList() : QStringList{params};
    const QString workingFolder = unquoted(QString::fromStdU16String(folder));

    const bool dispatcher = QFileInfo(program).fileName() == QLatin1String("xdg-open");
    if (dispatcher && QCoreApplication::instance()) {
        // Owned by the application: it is not waited for, and what it reports comes later.
        auto *p = new QProcess(QCoreApplication::instance());
        p->setProgram(program);
        p->setArguments(args);
        p->setWorkingDirectory(workingFolder);
        p->setStandardInputFile(QProcess::nullDevice());
        p->setStandardOutputFile(QProcess::nullDevice());
        p->setStandardErrorFile(QProcess::nullDevice());
        QObject::connect(p, &QProcess::finished, p, [p, failedLater](int code, QProcess::ExitStatus status) {
            if (failedLater && (status != QProcess::NormalExit || code != 0))
                failedLater((status == QProcess::NormalExit ? xdgOpenFailure(code)
                                                            : QStringLiteral("xdg-open ble avbrutt"))
                                .toStdU16String());
            p->deleteLater();
        });
        // The program ending before xdg-open does neither waits for it nor kills it (it may be running the
        // editor), and hears nothing more from it.
        QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, p, [p] {
            QObject::disconnect(p, &QProcess::finished, nullptr, nullptr);
            p->setParent(nullptr);
        });
        p->start();
        if (!p->waitForStarted()) {
            tell(reason, program + QStringLiteral(": ") + p->errorString());
            delete p;
            return false;
        }
        return true;
    }
    QProcess starter;
    starter.setProgram(program);
    starter.setArguments(args);
    starter.setWorkingDirectory(workingFolder);
    if (!starter.startDetached()) {
        tell(reason, program + QStringLiteral(": ") + starter.errorString());
        return false;
    }
    return true;
}

} // namespace platform
