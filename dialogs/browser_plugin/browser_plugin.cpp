// The browser module's root object: makes the web engine's view for the web reader.
#include <QObject>
#include <QOpenGLContext>
#include <QWebEngineView>

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

#include "dialogs/browser_plugin.h"

class WebEngineBrowserPlugin : public QObject, public BrowserPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID BrowserPlugin_iid)
    Q_INTERFACES(BrowserPlugin)

public:
    QWidget *createView(QWidget *parent, QString *error) override
    {
#if QT_CONFIG(opengl)
        // Without the context the application object makes when asked before it is made
        // (webunit::prepareBeforeApplication), the engine would end the program on its first page.
        if (!QOpenGLContext::globalShareContext()) {
            *error = QStringLiteral("programmet ble ikke gjort klart for nettleseren før det startet (ingen delt "
                                    "OpenGL-kontekst)");
            return nullptr;
        }
#endif
#if defined(Q_OS_UNIX)
        // The engine refuses to start its sandbox for the super-user; it must be told to go without
        // one there. Everyone else keeps it. Read when the engine starts, with the first view.
        if (::geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
            qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
#endif
        return new QWebEngineView(parent);
    }
};

#include "browser_plugin.moc"
