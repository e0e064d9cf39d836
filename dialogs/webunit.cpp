#include "dialogs/webunit.h"

#include <QCloseEvent>
#include <QFont>
#include <QLabel>
#include <QLibrary>
#include <QShowEvent>
#include <QUrl>
#include <QVBoxLayout>
#include <QVariant>
#include <QWebEngineView>  // for its size only: nothing of the engine is linked, see below

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

#include "dialogs/input.h"
#include "environment/hs_reg.h"
#include "log/textfil.h"

namespace {

// The browser engine refuses to start its sandbox for the super-user; it must be told to go without
// one there. Everyone else keeps it. Read by the engine when it starts, so this runs before that.
void allowEngineForSuperUser()
{
#if defined(Q_OS_UNIX)
    if (::geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
#endif
}

// The web engine is loaded when the reader is first shown, never at start-up: linked to the program
// it would load some fifty libraries and an OpenGL context into every start, more than doubling the
// start-up time of a program that in most runs never shows the reader. So the program refers to no
// symbol of the engine (the linker then leaves it out); the engine's libraries are loaded here, its
// own set-up is run as its start-up hook would have run it, and the view is made through its
// exported constructor. Everything else goes through the meta-object system (properties, signals)
// and virtual functions, which need no symbol.
QWebEngineView *loadWebEngineView(QWidget *parent, QString *error)
{
    static QLibrary core(QStringLiteral("Qt6WebEngineCore"), QT_VERSION_MAJOR);
    static QLibrary widgets(QStringLiteral("Qt6WebEngineWidgets"), QT_VERSION_MAJOR);
    {
        // Loaded after the application object, the engine warns that it should have been set up
        // before; that is done right below, so the warning is not passed on.
        static QtMessageHandler passOn = nullptr;
        passOn = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &context, const QString &text) {
            if (!text.startsWith(QLatin1String("Qt WebEngine seems to be initialized from a plugin")))
                passOn(type, context, text);
        });
        const bool loaded = core.load() && widgets.load();
        qInstallMessageHandler(passOn);
        if (!loaded) {
            *error = core.isLoaded() ? widgets.errorString() : core.errorString();
            return nullptr;
        }
    }
    // QtWebEngineCore::initialize(): the OpenGL context that the engine shares with the window system.
    using Initialize = void (*)();
    // QWebEngineView::QWebEngineView(QWidget *parent), complete-object constructor.
    using Construct = void (*)(void *self, QWidget *parent);
    const auto initialize = reinterpret_cast<Initialize>(core.resolve("_ZN15QtWebEngineCore10initializeEv"));
    const auto construct = reinterpret_cast<Construct>(widgets.resolve("_ZN14QWebEngineViewC1EP7QWidget"));
    if (!initialize || !construct) {
        *error = QStringLiteral("%1 og %2 passer ikke til denne utgaven av programmet").arg(core.fileName(), widgets.fileName());
        return nullptr;
    }
    initialize();
    void *memory = ::operator new(sizeof(QWebEngineView));
    construct(memory, parent);
    // Released as a child of the window, through its virtual destructor.
    return static_cast<QWebEngineView *>(memory);
}

} // namespace

TWebReaderForm::TWebReaderForm(const QStringList &parameters, QWidget *parent)
    : QWidget(parent, Qt::Window), parameters_(parameters)
{
    setObjectName(QStringLiteral("WebReaderForm"));
    setWindowTitle(QString::fromUtf16(webunit::Caption));
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    setFont(font);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    resize(677, 410);
    setWindowState(Qt::WindowMaximized);
    FormCreate();
}

void TWebReaderForm::FormCreate()
{
    // Only parameter 2 decides, once, at creation.
    const bool borderless = parameters_.size() > 2 && parameters_.at(2) == QLatin1String("-f");
    setWindowFlag(Qt::FramelessWindowHint, borderless);
}

void TWebReaderForm::createBrowser()
{
    if (WebBrowser1 || browserFailed_)
        return;
    allowEngineForSuperUser();
    QString error;
    WebBrowser1 = loadWebEngineView(this, &error);
    if (!WebBrowser1) {
        browserFailed_ = true;
        textfil::WriteLog(QStringLiteral("FEIL: kan ikke starte nettleseren: ") + error);
        auto *message = new QLabel(QStringLiteral("Nettleseren kan ikke startes: ") + error, this);
        message->setObjectName(QStringLiteral("FeilMelding"));
        message->setAlignment(Qt::AlignCenter);
        message->setWordWrap(true);
        layout()->addWidget(message);
        return;
    }
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    layout()->addWidget(WebBrowser1);
    connect(WebBrowser1, SIGNAL(loadStarted()), this, SLOT(WebBrowser1DownloadBegin()));
    connect(WebBrowser1, SIGNAL(loadFinished(bool)), this, SLOT(WebBrowser1DownloadComplete()));
}

void TWebReaderForm::navigate(const QString &address)
{
    navigatedAddress_ = address;
    // The text goes to the control as given; like any browser it completes a text without a scheme
    // ("www.example.com", a file path) to a full address.
    if (WebBrowser1)
        WebBrowser1->setProperty("url", QUrl::fromUserInput(address));
}

QString TWebReaderForm::location() const
{
    return WebBrowser1 ? WebBrowser1->property("url").toUrl().toString() : QString();
}

void TWebReaderForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Not when the window system merely shows it again (restored from the task bar).
    if (!event->spontaneous())
        FormShow();
}

void TWebReaderForm::FormShow()
{
    createBrowser();
    const QString homePageKey = QString::fromUtf16(webunit::HomePageKey);
    bool personal = input::openpersonal();

    const QString &captionoverride = hs_reg::values().captionoverride;
    setWindowTitle(captionoverride.isEmpty() ? QString::fromUtf16(webunit::Caption) : captionoverride);

    if (parameters_.size() > 1) {
        navigate(parameters_.at(1));
    } else {
        QString address = personal ? webunit::cutHomePage(hs_reg::readstr(homePageKey)) : QString();
        if (address.isEmpty()) {
            // HentInput leaves the main file current; an empty answer is stored too.
            address = webunit::cutHomePage(input::HentInput(QString::fromUtf16(webunit::HomePagePrompt), QString()));
            personal = input::openpersonal();
            if (personal)
                hs_reg::writestr(homePageKey, address);
        }
        if (address.isEmpty())
            address = QString::fromUtf16(webunit::DefaultAddress);
        navigate(address);
    }

    if (textfil::values().VerboseLog) {
        for (qsizetype i = 0; i < parameters_.size(); ++i)
            textfil::WriteLog(QStringLiteral("PARAM_") + QString::number(i) + QStringLiteral(": ") + parameters_.at(i));
        textfil::WriteLog(QStringLiteral("BRUKER: ") + hs_reg::username() + QStringLiteral(" (") + hs_reg::logonname()
                          + QLatin1Char(')'));
        textfil::WriteLog(QStringLiteral("COMPUTER: ") + hs_reg::computername());
    }

    if (personal)
        input::closepersonal();
}

void TWebReaderForm::closeEvent(QCloseEvent *event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted())
        FormClose();
}

void TWebReaderForm::FormClose()
{
    webunit::Values &v = webunit::values();
    if (v.WebReaderForm == this)
        v.WebReaderForm = nullptr;
    deleteLater();
}

void TWebReaderForm::WebBrowser1DownloadBegin()
{
    if (textfil::values().VerboseLog)
        textfil::WriteLog(QStringLiteral("STARTER NEDLASTING: ") + location());
}

void TWebReaderForm::WebBrowser1DownloadComplete()
{
    if (textfil::values().VerboseLog)
        textfil::WriteLog(QStringLiteral("FERDIG NEDLASTET: ") + location());
}

namespace webunit {

Values &values()
{
    static Values v;
    return v;
}

QString cutHomePage(const QString &text)
{
    if (text.size() <= HomePageLimit)
        return text;
    qsizetype n = HomePageLimit;
    if (text.at(n - 1).isHighSurrogate())
        --n;
    return text.left(n);
}

ProgramWindow::ProgramWindow(const QStringList &parameters) : window_(new TWebReaderForm(parameters))
{
    values().WebReaderForm = window_;
}

ProgramWindow::~ProgramWindow()
{
    if (values().WebReaderForm.data() == window_.data())
        values().WebReaderForm = nullptr;
    delete window_.data();
}

} // namespace webunit
