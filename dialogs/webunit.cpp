#include "dialogs/webunit.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFont>
#include <QLabel>
#include <QShowEvent>
#include <QUrl>
#include <QVBoxLayout>
#include <QVariant>

#include "common/plugins.h"
#include "dialogs/browser_plugin.h"
#include "dialogs/input.h"
#include "environment/hs_reg.h"
#include "log/textfil.h"

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
    QString error;
    // The web engine comes with its module, loaded here on the first showing of any reader.
    if (BrowserPlugin *browser = plugins::load<BrowserPlugin>(QStringLiteral("browser"), &error))
        WebBrowser1 = browser->createView(this, &error);
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

void prepareBeforeApplication()
{
    // The engine draws through OpenGL contexts that share with one made by the application object;
    // loaded later from its module, it finds that context there only when this is set first.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

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
