// The web reader offscreen, against pages served from 127.0.0.1 by the test itself.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <QSignalSpy>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

#include "common/plugins.h"
#include "dialogs/input.h"
#include "dialogs/webunit.h"
#include "environment/hs_reg.h"
#include "environment/ini_document.h"
#include "log/textfil.h"
#include "platform/system.h"
#include "support/test_env.h"
#include "support/test_names.h"

namespace {

// As the program does before its application object (made by the test's main); left out in the
// child run of UnpreparedProgramIsToldInsteadOfCrashing.
[[maybe_unused]] const bool preparedForTheEngine = [] {
    if (!qEnvironmentVariableIsSet("BO_WEB_UNPREPARED"))
        webunit::prepareBeforeApplication();
    return true;
}();

// A small HTTP server: every path is a page titled "Side " + path; the paths asked for are kept
// (percent-decoded, the site icon left out).
class PageServer : public QObject {
public:
    PageServer()
    {
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = server_.nextPendingConnection()) {
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
            }
        });
        listening_ = server_.listen(QHostAddress::LocalHost, 0);
    }
    bool listening() const { return listening_; }
    QString url(const QString &path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path);
    }
    QStringList paths;

private:
    void serve(QTcpSocket *socket)
    {
        QByteArray &request = pending_[socket];
        request += socket->readAll();
        if (!request.contains("\r\n\r\n"))
            return;
        const QList<QByteArray> line = request.left(request.indexOf("\r\n")).split(' ');
        pending_.remove(socket);
        const QByteArray rawPath = line.size() > 1 ? line.at(1) : QByteArray("/");
        QByteArray reply;
        if (rawPath == "/favicon.ico") {
            reply = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        } else {
            const QString path = QUrl::fromPercentEncoding(rawPath);
            paths << path;
            const QByteArray onwards = path.startsWith(QStringLiteral("/videre-til-"))
                ? "<meta http-equiv=\"refresh\" content=\"0; url=/" + path.mid(12).toUtf8() + "\">"
                : QByteArray();
            const QByteArray body = "<!DOCTYPE html><html><head><meta charset=\"utf-8\">" + onwards + "<title>Side "
                + path.toUtf8() + "</title></head><body style=\"font: 24px sans-serif\"><h1>Veltrona</h1><p>Side "
                + path.toHtmlEscaped().toUtf8() + "</p></body></html>";
            reply = "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: "
                + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
        }
        socket->write(reply);
        socket->disconnectFromHost();
    }

    QTcpServer server_;
    bool listening_ = false;
    QHash<QTcpSocket *, QByteArray> pending_;
};

// Answers every input window that comes up: with `answer` typed and "O&k", or with Esc when the
// answer is empty. Counts the prompts and keeps their texts.
class PromptAnswerer {
public:
    PromptAnswerer()
    {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start();
    }
    QString answer;
    QStringList prompts;

private:
    void poll()
    {
        auto *form = qobject_cast<TInputForm *>(QApplication::activeModalWidget());
        if (!form || form == handled_ || !form->isActiveWindow() || !form->Edit1->hasFocus())
            return;
        handled_ = form;
        prompts << form->Label1->text();
        if (answer.isEmpty()) {
            QTest::keyClick(form->Edit1, Qt::Key_Escape);
        } else {
            QTest::keyClicks(form->Edit1, answer);
            QTest::keyClick(form->Edit1, Qt::Key_Return);
        }
    }
    QTimer timer_;
    QPointer<TInputForm> handled_;
};

class WebReaderTest : public TempEnvTest {
protected:
    void SetUp() override
    {
        TempEnvTest::SetUp();
        ASSERT_TRUE(server.listening());
        hs_reg::Values &v = hs_reg::values();
        v.etcdir = dir() + QStringLiteral("/etc/");
        ASSERT_TRUE(QDir().mkpath(v.etcdir));
        v.ininame = v.etcdir + QStringLiteral("veltrona.ini");
        v.useroverride = QStringLiteral("Kari");
        hs_reg::openini(v.ininame);
        input::reset();
        platform::overrideNow(platform::LocalTime{2026, 12, 7, 14, 5, 9});
    }
    void TearDown() override
    {
        form.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        TempEnvTest::TearDown();
    }

    QString personalFile() const { return hs_reg::values().etcdir + QStringLiteral("Kari.INI"); }
    QString homePageOnDisk() const
    {
        IniDocument doc(personalFile());
        doc.load();
        return doc.hasKey(QStringLiteral("STANDARD"), QStringLiteral("NettleserHjemmeside"))
            ? doc.value(QStringLiteral("STANDARD"), QStringLiteral("NettleserHjemmeside"))
            : QStringLiteral("<none>");
    }
    void storeHomePage(const QString &address)
    {
        ASSERT_TRUE(testenv::writeFile(personalFile(),
                                       "[STANDARD]\r\nNettleserHjemmeside=" + address.toUtf8() + "\r\n"));
    }
    bool mainFileCurrent() const
    {
        return hs_reg::settingsfile() && hs_reg::settingsfile()->path() == hs_reg::values().ininame;
    }
    void verbose()
    {
        textfil::values().LogEnabled = true;
        textfil::values().VerboseLog = true;
    }
    // The messages of the log, without their stamps.
    QStringList messages() const
    {
        const QString prefix = textfil::datetimetext() + QLatin1Char(' ');
        QStringList out;
        for (const QString &line : textfil::values().LogLines.toStringList())
            out << (line.startsWith(prefix) ? line.mid(prefix.size()) : line);
        return out;
    }
    QStringList messagesStarting(const QString &start) const { return messages().filter(QRegularExpression(QLatin1Char('^') + QRegularExpression::escape(start))); }

    TWebReaderForm &create(const QStringList &parameters)
    {
        form = std::make_unique<TWebReaderForm>(QStringList{QStringLiteral("/opt/veltrona/bruker-oppsett")} + parameters);
        return *form;
    }
    // Shows the window and waits until its control has finished `loads` page loads in all.
    bool showAndLoad(int loads = 1)
    {
        form->show();
        if (!form->WebBrowser1)
            return false;
        // The program refers to nothing of the engine; neither does the test, so that the engine is
        // loaded here as the program loads it.
        finished_ = std::make_unique<QSignalSpy>(form->WebBrowser1, SIGNAL(loadFinished(bool)));
        return waitForLoads(loads);
    }
    bool waitForLoads(int loads) { return QTest::qWaitFor([&] { return finished_->count() >= loads; }, 60000); }
    QVariant browser(const char *property) const { return form->WebBrowser1->property(property); }

    PageServer server;
    std::unique_ptr<TWebReaderForm> form;
    std::unique_ptr<QSignalSpy> finished_;
};

// --- Border and window state, chosen at creation ----------------------------------------------------

struct BorderCase {
    QStringList parameters;
    bool borderless;
};

class WebReaderBorderTest : public WebReaderTest, public ::testing::WithParamInterface<BorderCase> {};

TEST_P(WebReaderBorderTest, OnlyAnExactSecondParameterDashFTakesTheBorderAway)
{
    TWebReaderForm &f = create(GetParam().parameters);
    EXPECT_EQ(bool(f.windowFlags() & Qt::FramelessWindowHint), GetParam().borderless)
        << GetParam().parameters.join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(f.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Veltrona nettleser"));
    // A window that is never shown never starts the web engine.
    EXPECT_EQ(f.WebBrowser1, nullptr);
    EXPECT_EQ(f.findChild<QWidget *>(QStringLiteral("WebBrowser1")), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Parameters, WebReaderBorderTest,
                         ::testing::Values(BorderCase{{}, false}, BorderCase{{QStringLiteral("-f")}, false},
                                           BorderCase{{QStringLiteral("x"), QStringLiteral("-f")}, true},
                                           BorderCase{{QStringLiteral("x"), QStringLiteral("-F")}, false},
                                           BorderCase{{QStringLiteral("x"), QStringLiteral(" -f")}, false},
                                           BorderCase{{QStringLiteral("x"), QStringLiteral("-f"), QStringLiteral("y")}, true},
                                           BorderCase{{QStringLiteral("-f"), QStringLiteral("x")}, false}),
    testnames::by([](const BorderCase &c) { return c.parameters.isEmpty() ? QStringLiteral("none") : c.parameters.join(QLatin1Char(' ')); }));

// --- What showing opens -----------------------------------------------------------------------------

// What the engine says while it starts and loads a page.
QStringList engineMessages;

TEST_F(WebReaderTest, FirstParameterIsOpenedWithoutLookingAtTheHomePage)
{
    storeHomePage(server.url(QStringLiteral("/hjem")));
    PromptAnswerer prompt;
    create({server.url(QStringLiteral("/fra-kommandolinjen")), QStringLiteral("-f")});
    static QtMessageHandler passOn = nullptr;
    passOn = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &context, const QString &text) {
        engineMessages << text;
        passOn(type, context, text);
    });
    const bool loaded = showAndLoad();
    qInstallMessageHandler(passOn);
    ASSERT_TRUE(loaded);
    // Set up as its documentation asks, the engine has nothing to say about it.
    EXPECT_TRUE(engineMessages.filter(QStringLiteral("AA_ShareOpenGLContexts")).isEmpty()) << engineMessages.join('\n').toStdString();
    EXPECT_EQ(server.paths, QStringList{QStringLiteral("/fra-kommandolinjen")});
    EXPECT_EQ(browser("title").toString(), QStringLiteral("Side /fra-kommandolinjen"));
    EXPECT_TRUE(form->isMaximized());
    EXPECT_TRUE(form->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(prompt.prompts.isEmpty());
    EXPECT_TRUE(mainFileCurrent());
}

TEST_F(WebReaderTest, SingleParameterDashFIsAnAddressAndKeepsTheBorder)
{
    PromptAnswerer prompt;
    create({QStringLiteral("-f")});
    form->show();
    EXPECT_EQ(form->navigatedAddress(), QStringLiteral("-f"));
    EXPECT_FALSE(form->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(prompt.prompts.isEmpty());
}

TEST_F(WebReaderTest, StoredHomePageIsOpenedWithoutAsking)
{
    storeHomePage(server.url(QStringLiteral("/hjem")));
    PromptAnswerer prompt;
    create({});
    ASSERT_TRUE(showAndLoad());
    EXPECT_EQ(server.paths, QStringList{QStringLiteral("/hjem")});
    EXPECT_TRUE(prompt.prompts.isEmpty());
    EXPECT_TRUE(mainFileCurrent());
}

TEST_F(WebReaderTest, LongHomePageIsCutTo255CodeUnitsKeepingEveryCharacter)
{
    // Characters outside any 8-bit code page survive; only the length is limited.
    const QString start = server.url(QStringLiteral("/side-ø-Ω-"));
    const QString stored = start + QString(300 - start.size(), QLatin1Char('a'));
    ASSERT_EQ(stored.size(), 300);
    storeHomePage(stored);
    create({});
    ASSERT_TRUE(showAndLoad());
    ASSERT_EQ(server.paths.size(), 1);
    EXPECT_EQ(server.paths.at(0), stored.left(255).mid(stored.indexOf(QStringLiteral("/side"))));
    EXPECT_EQ(form->navigatedAddress(), stored.left(255));
}

TEST(WebReaderCut, HomePageLimitNeverSplitsACharacter)
{
    const QString astral = QString::fromUtf16(u"\U0001F600");  // two code units
    EXPECT_EQ(webunit::cutHomePage(QString(254, QLatin1Char('a')) + astral).size(), 254);
    EXPECT_EQ(webunit::cutHomePage(QString(253, QLatin1Char('a')) + astral + QStringLiteral("b")).size(), 255);
    EXPECT_EQ(webunit::cutHomePage(QString(255, QLatin1Char('a'))), QString(255, QLatin1Char('a')));
    EXPECT_EQ(webunit::cutHomePage(QString()), QString());
}

TEST_F(WebReaderTest, CancelledPromptStoresEmptyOpensTheDefaultAndAsksAgain)
{
    PromptAnswerer prompt;
    create({});
    ASSERT_TRUE(showAndLoad());
    EXPECT_EQ(prompt.prompts, QStringList{QStringLiteral("Åpne nettside")});
    EXPECT_EQ(homePageOnDisk(), QString());
    EXPECT_EQ(form->navigatedAddress(), QStringLiteral("about:blank"));
    EXPECT_EQ(browser("url").toUrl(), QUrl(QStringLiteral("about:blank")));
    EXPECT_TRUE(mainFileCurrent());

    form->hide();
    form->show();
    EXPECT_EQ(prompt.prompts.size(), 2);
    EXPECT_TRUE(server.paths.isEmpty());
}

TEST_F(WebReaderTest, HomePageGivenAtThePromptIsStoredAndOpenedNextTimeWithoutAsking)
{
    PromptAnswerer prompt;
    prompt.answer = server.url(QStringLiteral("/min-side"));
    create({});
    ASSERT_TRUE(showAndLoad());
    EXPECT_EQ(prompt.prompts.size(), 1);
    EXPECT_EQ(homePageOnDisk(), server.url(QStringLiteral("/min-side")));
    EXPECT_EQ(server.paths, QStringList{QStringLiteral("/min-side")});

    form->hide();
    form->show();
    ASSERT_TRUE(waitForLoads(2));
    EXPECT_EQ(prompt.prompts.size(), 1);
    EXPECT_EQ(server.paths, QStringList({QStringLiteral("/min-side"), QStringLiteral("/min-side")}));
    EXPECT_TRUE(mainFileCurrent());
}

TEST_F(WebReaderTest, CaptionOverrideReplacesTheCaptionOnShowing)
{
    hs_reg::values().captionoverride = QStringLiteral("Kundeportal");
    create({server.url(QStringLiteral("/a"))});
    ASSERT_TRUE(showAndLoad());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Kundeportal"));
}

// --- Diagnostic lines -------------------------------------------------------------------------------

TEST_F(WebReaderTest, VerboseLinesNameEveryParameterThenUserAndComputer)
{
    verbose();
    const QString address = server.url(QStringLiteral("/a"));
    create({address, QStringLiteral("x")});
    ASSERT_TRUE(showAndLoad());
    const QStringList m = messages();
    const QStringList expected{QStringLiteral("PARAM_0: /opt/veltrona/bruker-oppsett"),
                               QStringLiteral("PARAM_1: ") + address, QStringLiteral("PARAM_2: x"),
                               QStringLiteral("BRUKER: Kari (") + hs_reg::logonname() + QLatin1Char(')'),
                               QStringLiteral("COMPUTER: ") + hs_reg::computername()};
    const qsizetype first = m.indexOf(expected.first());
    ASSERT_GE(first, 0) << m.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(m.mid(first, expected.size()), expected) << m.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(messagesStarting(QStringLiteral("PARAM_")).size(), 3);
}

TEST_F(WebReaderTest, OnePairOfDownloadLinesPerPageLoad)
{
    verbose();
    // The first page sends the browser on to the second by itself.
    const QString a = server.url(QStringLiteral("/videre-til-b"));
    const QString b = server.url(QStringLiteral("/b"));
    create({a});
    ASSERT_TRUE(showAndLoad(2));
    const QStringList lines = messages().filter(QRegularExpression(QStringLiteral("^(STARTER NEDLASTING|FERDIG NEDLASTET): ")));
    const std::string all = messages().join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(lines.size(), 4) << all;
    // Each line names the control's location at that moment: when a page starts loading from a link,
    // that may still be the page before it.
    for (const int i : {0, 2}) {
        EXPECT_TRUE(lines.at(i).startsWith(QStringLiteral("STARTER NEDLASTING: ") + server.url(QString()))) << all;
        EXPECT_TRUE(lines.at(i + 1).startsWith(QStringLiteral("FERDIG NEDLASTET: "))) << all;
    }
    EXPECT_EQ(lines.at(1), QStringLiteral("FERDIG NEDLASTET: ") + a);
    EXPECT_EQ(lines.at(3), QStringLiteral("FERDIG NEDLASTET: ") + b);
}

TEST_F(WebReaderTest, WithoutVerboseLoggingNothingIsLogged)
{
    textfil::values().LogEnabled = true;
    create({server.url(QStringLiteral("/a")), QStringLiteral("x")});
    ASSERT_TRUE(showAndLoad());
    EXPECT_TRUE(messages().isEmpty()) << messages().join(QLatin1Char('\n')).toStdString();
}

// --- Closing ----------------------------------------------------------------------------------------

TEST_F(WebReaderTest, ClosingReleasesTheWindowAndClearsTheProgramsReference)
{
    QPointer<TWebReaderForm> window;
    {
        webunit::ProgramWindow program(QStringList{QStringLiteral("prog"), server.url(QStringLiteral("/a"))});
        window = program.window();
        ASSERT_FALSE(window.isNull());
        EXPECT_EQ(webunit::values().WebReaderForm.data(), window.data());
        EXPECT_FALSE(window->isVisible());  // created hidden
        window->show();
        EXPECT_TRUE(window->close());
        EXPECT_TRUE(webunit::values().WebReaderForm.isNull());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(window.isNull());
    }  // the scope's end must not release it a second time
    EXPECT_TRUE(webunit::values().WebReaderForm.isNull());
}

TEST_F(WebReaderTest, ProgramWindowNeverShownIsReleasedAtTheEndOfItsScope)
{
    QPointer<TWebReaderForm> window;
    {
        webunit::ProgramWindow program(QStringList{QStringLiteral("prog")});
        window = program.window();
        EXPECT_EQ(webunit::values().WebReaderForm.data(), window.data());
    }
    EXPECT_TRUE(window.isNull());
    EXPECT_TRUE(webunit::values().WebReaderForm.isNull());
}

// --- Without the browser module ----------------------------------------------------------------------

TEST_F(WebReaderTest, MissingBrowserModuleIsToldInTheWindowAndTheLog)
{
    plugins::setFolder(dir() + QStringLiteral("/ingen-moduler"));
    textfil::values().LogEnabled = true;
    const QString address = server.url(QStringLiteral("/a"));
    create({address});
    form->show();
    EXPECT_EQ(form->WebBrowser1, nullptr);
    const QString why = QStringLiteral("tilleggsmodulen ") + dir() + QStringLiteral("/ingen-moduler/browser.so finnes ikke");
    const auto *message = form->findChild<QLabel *>(QStringLiteral("FeilMelding"));
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->text(), QStringLiteral("Nettleseren kan ikke startes: ") + why);
    EXPECT_EQ(messages(), QStringList{QStringLiteral("FEIL: kan ikke starte nettleseren: ") + why});
    // The rest of the showing goes on.
    EXPECT_EQ(form->navigatedAddress(), address);
    EXPECT_TRUE(mainFileCurrent());
}

TEST_F(WebReaderTest, UnpreparedProgramIsToldInsteadOfCrashing)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("BO_WEB_UNPREPARED"), QStringLiteral("1"));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=WebReaderTest.DISABLED_ShownInAnUnpreparedProgram"),
                 QStringLiteral("--gtest_also_run_disabled_tests")});
    ASSERT_TRUE(child.waitForFinished(120000));
    const QByteArray output = child.readAll();
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << output.toStdString();
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
}

// Run by the test above, in a process whose application object was made unprepared.
TEST_F(WebReaderTest, DISABLED_ShownInAnUnpreparedProgram)
{
    create({server.url(QStringLiteral("/a"))});
    form->show();
    EXPECT_EQ(form->WebBrowser1, nullptr);
    const auto *message = form->findChild<QLabel *>(QStringLiteral("FeilMelding"));
    ASSERT_NE(message, nullptr);
    EXPECT_TRUE(message->text().startsWith(
        QStringLiteral("Nettleseren kan ikke startes: programmet ble ikke gjort klart for nettleseren")))
        << message->text().toStdString();
}

// --- Start-up ---------------------------------------------------------------------------------------

TEST_F(WebReaderTest, ProgramStartsWithoutLoadingTheWebEngineTheTransferOrTheNetworkLibrary)
{
    const QString program = qEnvironmentVariable("BO_PROGRAM");
    if (program.isEmpty() || !QFileInfo::exists(program))
        GTEST_SKIP() << "the program is not built";
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();  // the test's own folders
    environment.insert(QStringLiteral("BO_QUIT_AFTER_SHOW"), QStringLiteral("1"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("LD_DEBUG"), QStringLiteral("files"));  // the loader names what it loads
    // A working time, so that the settings window asks nothing when the program closes.
    ASSERT_TRUE(testenv::writeFile(work() + QStringLiteral("/veltrona.ini"),
                                   "[STANDARD]\r\nArbeid_ArbeidstidStart=7:30\r\nArbeid_ArbeidstidSlutt=15:30\r\n"));
    QProcess run;
    run.setProcessEnvironment(environment);
    run.setWorkingDirectory(work());
    run.start(program, {});
    ASSERT_TRUE(run.waitForFinished(120000));
    EXPECT_EQ(run.exitCode(), 0);
    const QByteArray loaded = run.readAllStandardError();
    ASSERT_TRUE(loaded.contains("libQt6Widgets")) << "no list of loaded libraries";
    EXPECT_FALSE(loaded.contains("libQt6WebEngine"));
    EXPECT_FALSE(loaded.contains("libcurl"));
    EXPECT_FALSE(loaded.contains("libQt6Network"));  // the register look-up's
    // Nor the modules that bring them.
    for (const char *module : {"browser", "ftp", "enhetsregister"})
        EXPECT_FALSE(loaded.contains(QFileInfo(plugins::filePath(QLatin1String(module))).fileName().toUtf8())) << module;
}

// --- Screenshot (run by tests/screenshots/test_cases.sh under a virtual display) -----------------------

// The window as it is on the screen (without a window manager nobody maximises it).
void shootWindow(const QWidget &window)
{
    const QString out = qEnvironmentVariable("BO_SHOT_FILE");
    ASSERT_FALSE(out.isEmpty()) << "BO_SHOT_FILE names the picture to write";
    const QRect r = window.frameGeometry().intersected(QApplication::primaryScreen()->geometry());
    const QString crop = QStringLiteral("%1x%2+%3+%4").arg(r.width()).arg(r.height()).arg(r.x()).arg(r.y());
    EXPECT_EQ(QProcess::execute(QStringLiteral("import"),
                                {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("-crop"), crop,
                                     QStringLiteral("+repage"), out}),
              0);
}

TEST_F(WebReaderTest, DISABLED_Screenshot)
{
    create({server.url(QStringLiteral("/velkommen"))});
    ASSERT_TRUE(showAndLoad());
    QTest::qWait(1500);  // let the page be drawn before the picture is taken
    shootWindow(*form);
}

TEST_F(WebReaderTest, DISABLED_ScreenshotWithoutModule)
{
    plugins::setFolder(dir() + QStringLiteral("/ingen-moduler"));
    create({server.url(QStringLiteral("/velkommen"))});
    form->show();
    QTest::qWait(500);
    shootWindow(*form);
}

} // namespace
