#include "app/setup.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <memory>

#include "common/ui_hooks.h"
#include "company_settings/oppsett_dialog.h"
#include "dialogs/input.h"
#include "dialogs/webunit.h"
#include "environment/hs_reg.h"
#include "log/textfil.h"
#include "platform/system.h"
#include "transfer/ftpunit.h"

namespace setup {

namespace {

void installUiHooks()
{
    ui_hooks::install(
        [](bool busy) {
            if (busy)
                QGuiApplication::setOverrideCursor(Qt::WaitCursor);
            else
                QGuiApplication::restoreOverrideCursor();
        },
        [](const QString &caption, const QString &text) {
            QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok);
            box.exec();
        });
}

} // namespace

int run(int argc, char **argv)
{
    // The arguments as given, before the toolkit takes its own options out of argv.
    QStringList arguments;
    for (const std::u16string &argument : platform::arguments(argc, argv))
        arguments << QString::fromStdU16String(argument);

    textfil::prepare();
    webunit::prepareBeforeApplication();

    // The application object comes first so that start-up can show a message box (ClearLog).
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    installUiHooks();

    hs_reg::startup(arguments);

    QCoreApplication::setApplicationName(QStringLiteral("Bruker oppsett"));
    {
        // Windows in their order of creation; the first is the main window.
        // [main window]
        auto mainWindow = std::make_unique<TOppsettDialog>();
        // Its show below loads the settings.
        auto ftpForm = std::make_unique<TFTPform>();  // hidden until a transfer shows it
        auto inputForm = std::make_unique<TInputForm>();
        // Parameter 0 is the program's own path; the rest as given, toolkit options included.
        webunit::ProgramWindow webReaderForm(QStringList{QCoreApplication::applicationFilePath()} + arguments);
        mainWindow->show();
        // For measurements and end-to-end runs: leave the event loop as soon as the window is up.
        if (qEnvironmentVariableIsSet("BO_QUIT_AFTER_SHOW"))
            // exit() rather than quit(): quit() closes the windows first, and closing the dialog may ask a question.
            QTimer::singleShot(0, &app, [] { QCoreApplication::exit(0); });
        app.exec();
    }

    ftpunit::finish();
    hs_reg::shutdown();
    QString logError;
    if (!textfil::finish(&logError)) {
        // The windows are gone by now: the lost log is told where a starter of the program sees it.
        std::fprintf(stderr, "FEIL: kan ikke skrive loggen %s: %s\n", qUtf8Printable(textfil::values().LogFile),
                     qUtf8Printable(logError));
    }
    ui_hooks::uninstall();
    return 0;
}

} // namespace setup
