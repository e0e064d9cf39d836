// The text input dialog, driven by key and mouse events offscreen, against real settings files.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QGuiApplication>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>
#include <functional>
#include <gtest/gtest.h>

#include "dialogs/input.h"
#include "environment/hs_reg.h"
#include "environment/ini_document.h"
#include "log/textfil.h"
#include "support/test_env.h"
#include "support/test_names.h"

namespace {

// Works the next input window with `work` once it is up, active and its field has the focus.
void whenAsked(std::function<void(TInputForm &)> work)
{
    QTimer::singleShot(0, qApp, [work] {
        TInputForm *form = nullptr;
        const bool up = QTest::qWaitFor([&] {
            form = qobject_cast<TInputForm *>(QApplication::activeModalWidget());
            return form && form->isActiveWindow() && form->Edit1->hasFocus();
        });
        if (!up) {
            ADD_FAILURE() << "the input window did not come up with the focus in its field";
            if (form)
                form->reject();
            return;
        }
        work(*form);
    });
}

void press(int key)
{
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
}

class InputTest : public TempEnvTest {
protected:
    void SetUp() override
    {
        TempEnvTest::SetUp();
        hs_reg::Values &v = hs_reg::values();
        v.etcdir = dir() + QStringLiteral("/etc/");
        ASSERT_TRUE(QDir().mkpath(v.etcdir));
        v.ininame = v.etcdir + QStringLiteral("veltrona.ini");
        v.useroverride = QStringLiteral("Kari");
        hs_reg::openini(v.ininame);
        input::reset();
        textfil::values().LogEnabled = true;
    }
    void TearDown() override
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        TempEnvTest::TearDown();
    }

    QString personalFile() const { return hs_reg::values().etcdir + QStringLiteral("Kari.INI"); }
    void remember(const QString &value)
    {
        ASSERT_TRUE(testenv::writeFile(personalFile(), "[STANDARD]\r\nLastInputStr=" + value.toUtf8() + "\r\n"));
    }
    // The remembered answer as it is on disk; "<none>" when the key is not there.
    QString rememberedOnDisk() const
    {
        IniDocument doc(personalFile());
        doc.load();
        return doc.hasKey(QStringLiteral("STANDARD"), QStringLiteral("LastInputStr"))
            ? doc.value(QStringLiteral("STANDARD"), QStringLiteral("LastInputStr"))
            : QStringLiteral("<none>");
    }
    bool mainFileCurrent() const
    {
        return hs_reg::settingsfile() && hs_reg::settingsfile()->path() == hs_reg::values().ininame;
    }
    bool logged(const QString &start) const
    {
        for (const QString &line : textfil::values().LogLines.toStringList())
            if (line.contains(start))
                return true;
        return false;
    }
};

TEST_F(InputTest, RememberedAnswerIsOfferedSelectedAndReplacedByTyping)
{
    remember(QStringLiteral("gammelt svar"));
    whenAsked([](TInputForm &f) {
        EXPECT_EQ(f.Label1->text(), QStringLiteral("Navn"));
        EXPECT_EQ(f.Edit1->text(), QStringLiteral("gammelt svar"));
        EXPECT_EQ(f.Edit1->selectedText(), QStringLiteral("gammelt svar"));
        EXPECT_EQ(f.Edit1->echoMode(), QLineEdit::Normal);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("nytt"));
        press(Qt::Key_Return);
    });
    EXPECT_EQ(input::HentInput(QStringLiteral("Navn"), QString()), QStringLiteral("nytt"));
    EXPECT_EQ(input::values().SisteInput, QStringLiteral("nytt"));
    EXPECT_FALSE(input::values().InputErTall);
    EXPECT_EQ(rememberedOnDisk(), QStringLiteral("nytt"));
    EXPECT_TRUE(mainFileCurrent());
}

TEST_F(InputTest, StartingTextIsShownAndTheRememberedOneNotRead)
{
    whenAsked([](TInputForm &f) {
        EXPECT_EQ(f.Edit1->text(), QStringLiteral("start"));
        EXPECT_EQ(f.Edit1->selectedText(), QStringLiteral("start"));
        press(Qt::Key_Escape);
    });
    EXPECT_EQ(input::HentInput(QStringLiteral("Navn"), QStringLiteral("start")), QString());
    // Neither read nor written: the personal file was never opened.
    EXPECT_FALSE(QFile::exists(personalFile()));
}

TEST_F(InputTest, CancelReturnsEmptyAndLeavesTheRememberedAnswer)
{
    remember(QStringLiteral("behold meg"));
    input::values().SisteInput = QStringLiteral("fra før");
    input::values().InputErTall = false;
    for (const int how : {0, 1}) {
        whenAsked([how](TInputForm &f) {
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("x-1"));
            if (how == 0)
                press(Qt::Key_Escape);
            else
                QTest::mouseClick(f.BitBtn2, Qt::LeftButton);
        });
        EXPECT_EQ(input::HentInput(QStringLiteral("Navn"), QString()), QString()) << how;
        EXPECT_EQ(input::values().SisteInput, QString()) << how;
        EXPECT_FALSE(input::values().SisteInput.isNull()) << how;
        EXPECT_TRUE(input::values().InputErTall) << how;
        EXPECT_EQ(rememberedOnDisk(), QStringLiteral("behold meg")) << how;
        EXPECT_TRUE(mainFileCurrent()) << how;
    }
}

TEST_F(InputTest, ConfirmingAnEmptyFieldStoresTheEmptyText)
{
    remember(QStringLiteral("noe"));
    whenAsked([](TInputForm &f) {
        press(Qt::Key_Backspace);  // the offered text is selected, so this empties the field
        EXPECT_EQ(f.Edit1->text(), QString());
        QTest::mouseClick(f.BitBtn1, Qt::LeftButton);
    });
    EXPECT_EQ(input::HentInput(QStringLiteral("Navn"), QString()), QString());
    EXPECT_TRUE(input::values().InputErTall);
    EXPECT_EQ(rememberedOnDisk(), QString());
}

TEST_F(InputTest, BlanksAroundTheAnswerReachTheFileUnchanged)
{
    whenAsked([](TInputForm &) {
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("  to ord  "));
        press(Qt::Key_Enter);
    });
    EXPECT_EQ(input::HentInput(QStringLiteral("Navn"), QString()), QStringLiteral("  to ord  "));
    EXPECT_TRUE(testenv::readFile(personalFile()).contains("LastInputStr=  to ord  \r\n"));
}

// --- InputErTall: the answer's characters, through the real dialog ---------------------------------

struct NumberCase {
    const char *answer;
    bool number;
};

class InputNumberTest : public InputTest, public ::testing::WithParamInterface<NumberCase> {};

TEST_P(InputNumberTest, AnswerIsANumberOnlyWithDigitsCommasAndPoints)
{
    const QString answer = QString::fromUtf8(GetParam().answer);
    whenAsked([](TInputForm &) { press(Qt::Key_Return); });
    EXPECT_EQ(input::HentInput(QStringLiteral("Tall"), answer), answer);
    EXPECT_EQ(input::values().InputErTall, GetParam().number) << GetParam().answer;
    EXPECT_EQ(input::ertall(answer), GetParam().number) << GetParam().answer;
}

INSTANTIATE_TEST_SUITE_P(Answers, InputNumberTest,
                         ::testing::Values(NumberCase{"0123456789", true}, NumberCase{"12,50", true},
                                           NumberCase{"12.50", true}, NumberCase{",.,", true},
                                           NumberCase{"-5", false}, NumberCase{"5-", false},
                                           NumberCase{"1 000", false}, NumberCase{" 1", false},
                                           NumberCase{"12a", false}, NumberCase{"x", false},
                                           NumberCase{"١٢", false},  // digits of another script
                                           NumberCase{"1e5", false}),
    testnames::by([](const NumberCase &c) { return c.answer; }));

// --- The password prompt ----------------------------------------------------------------------------

TEST_F(InputTest, PasswordIsMaskedNeitherOfferedNorStored)
{
    remember(QStringLiteral("forrige"));
    whenAsked([](TInputForm &f) {
        EXPECT_EQ(f.Edit1->echoMode(), QLineEdit::Password);
        EXPECT_EQ(f.Edit1->text(), QString());  // the remembered answer is not offered
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("hemmelig"));
        EXPECT_EQ(f.Edit1->displayText(), QStringLiteral("********"));
        press(Qt::Key_Return);
    });
    EXPECT_EQ(input::HentInput(QStringLiteral("Passord"), QString()), QStringLiteral("hemmelig"));
    EXPECT_EQ(input::values().SisteInput, QStringLiteral("hemmelig"));
    EXPECT_EQ(rememberedOnDisk(), QStringLiteral("forrige"));
    EXPECT_FALSE(testenv::readFile(personalFile()).contains("hemmelig"));
}

class InputPromptTest : public InputTest, public ::testing::WithParamInterface<const char *> {};

TEST_P(InputPromptTest, OnlyTheExactPromptPassordMasks)
{
    remember(QStringLiteral("forrige"));
    whenAsked([](TInputForm &f) {
        EXPECT_EQ(f.Edit1->echoMode(), QLineEdit::Normal);
        EXPECT_EQ(f.Edit1->displayText(), QStringLiteral("forrige"));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("abc"));
        press(Qt::Key_Return);
    });
    EXPECT_EQ(input::HentInput(QString::fromUtf8(GetParam()), QString()), QStringLiteral("abc"));
    EXPECT_EQ(rememberedOnDisk(), QStringLiteral("abc"));
}

INSTANTIATE_TEST_SUITE_P(Prompts, InputPromptTest, ::testing::Values("passord", "Passord:", " Passord", "PASSORD"),
    testnames::by([](const char *prompt) { return prompt; }));

// --- The window itself --------------------------------------------------------------------------------

TEST_F(InputTest, WindowHasATitleBarWithoutCaptionSystemMenuOrCloseBox)
{
    TInputForm form;
    const Qt::WindowFlags flags = form.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowTitleHint);  // a title bar, so that it can be moved
    EXPECT_TRUE(flags & Qt::CustomizeWindowHint);
    EXPECT_FALSE(flags & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowContextHelpButtonHint));
    EXPECT_EQ(form.windowTitle(), QString());
    EXPECT_EQ(form.size(), QSize(396, 113));
}

TEST_F(InputTest, AnswersOfAnyLengthAreTakenWhole)
{
    const QString offered(40000, QLatin1Char('a'));
    whenAsked([&](TInputForm &f) {
        EXPECT_EQ(f.Edit1->text().size(), offered.size());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_End);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("xyz"));  // past 32,767 characters
        press(Qt::Key_Return);
    });
    const QString answer = input::HentInput(QStringLiteral("Lang"), offered);
    EXPECT_EQ(answer.size(), 40003);
    EXPECT_TRUE(answer.endsWith(QStringLiteral("axyz")));
    EXPECT_EQ(rememberedOnDisk(), answer);
}

TEST_F(InputTest, PromptIsPlainTextNeverMarkup)
{
    const QString prompt = QStringLiteral("<b>Navn</b> & <i>firma</i> &lt;x&gt;");
    whenAsked([&](TInputForm &f) {
        EXPECT_EQ(f.Label1->textFormat(), Qt::PlainText);
        EXPECT_EQ(f.Label1->text(), prompt);
        // Shown as written: as wide as the whole text with its tags, not as the words alone.
        EXPECT_GE(f.Label1->width(), f.Label1->fontMetrics().horizontalAdvance(prompt));
        press(Qt::Key_Escape);
    });
    input::HentInput(prompt, QStringLiteral("x"));
}

// Qt gives a window with an empty title the application's name as caption; on the X server this one
// has none. Run by the case below in a child process on a virtual display.
TEST_F(InputTest, DISABLED_CaptionOnTheXServerIsEmpty)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    ASSERT_NE(x11, nullptr);
    xcb_connection_t *c = x11->connection();
    auto atom = [c](const char *name) {
        xcb_intern_atom_reply_t *r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr);
        const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
        free(r);
        return a;
    };
    QStringList captions;
    whenAsked([&](TInputForm &f) {
        for (const xcb_atom_t property : {xcb_atom_t(XCB_ATOM_WM_NAME), atom("_NET_WM_NAME")}) {
            xcb_get_property_reply_t *r = xcb_get_property_reply(
                c, xcb_get_property(c, 0, xcb_window_t(f.winId()), property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024), nullptr);
            ASSERT_NE(r, nullptr);
            captions << QString::fromUtf8(static_cast<const char *>(xcb_get_property_value(r)),
                                          xcb_get_property_value_length(r));
            free(r);
        }
        press(Qt::Key_Escape);
    });
    input::HentInput(QStringLiteral("Navn"), QStringLiteral("x"));
    EXPECT_EQ(captions, QStringList({QString(), QString()}));
    EXPECT_FALSE(QCoreApplication::applicationName().isEmpty());  // what Qt would have put there
}

TEST_F(InputTest, CaptionOnTheXServerIsEmptyUnderAVirtualDisplay)
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty())
        GTEST_SKIP() << "no virtual display (Xvfb) here";
    QProcess display;
    display.start(xvfb, {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
    ASSERT_TRUE(display.waitForStarted(10000));
    while (!display.canReadLine())
        ASSERT_TRUE(display.waitForReadyRead(30000)) << "Xvfb did not start";
    const QString name = QLatin1Char(':') + QString::fromLatin1(display.readLine()).trimmed();
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), name);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir());
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_also_run_disabled_tests", "--gtest_filter=InputTest.DISABLED_CaptionOnTheXServerIsEmpty"});
    const bool ended = child.waitForFinished(60000);
    const QString output = QString::fromLocal8Bit(child.readAll());
    display.kill();
    display.waitForFinished();
    ASSERT_TRUE(ended) << output.toStdString();
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << output.toStdString();
}

// --- Window and placement ---------------------------------------------------------------------------

struct PlacementCase {
    int left, top, width, height;
    QPoint centre;  // where the middle of the window must land, halves truncated toward zero
};

class InputPlacementTest : public InputTest, public ::testing::WithParamInterface<PlacementCase> {};

TEST_P(InputPlacementTest, WindowIsCentredOnTheReferenceRectangle)
{
    const PlacementCase c = GetParam();
    hs_reg::Values &v = hs_reg::values();
    v.RefVenstre = c.left;
    v.RefTopp = c.top;
    v.RefBredde = c.width;
    v.RefHoyde = c.height;
    QRect shown, placed;
    whenAsked([&](TInputForm &f) {
        shown = f.frameGeometry();
        // Again, now that the window system has told the frame's size.
        f.FormShow();
        placed = f.frameGeometry();
        press(Qt::Key_Escape);
    });
    input::HentInput(QStringLiteral("Hvor"), QStringLiteral("her"));
    EXPECT_GE(placed.width(), 396);
    EXPECT_EQ(placed.topLeft(), c.centre - QPoint(placed.width() / 2, placed.height() / 2));
    // On the first showing the frame may not be known yet; the window is placed by its client area.
    EXPECT_LE((shown.center() - placed.center()).manhattanLength(), 8);
}

INSTANTIATE_TEST_SUITE_P(Rectangles, InputPlacementTest,
                         ::testing::Values(PlacementCase{0, 0, 0, 0, {0, 0}},  // only the lower right quarter on screen
                                           PlacementCase{100, 200, 600, 400, {400, 400}},
                                           PlacementCase{0, 0, 801, -7, {400, -3}},
                                           PlacementCase{-50, 10, -9, 3, {-54, 11}}),
    testnames::by([](const PlacementCase &c) { return QStringLiteral("%1 %2 %3 %4").arg(c.left).arg(c.top).arg(c.width).arg(c.height); }));

// --- Failures of the settings store -----------------------------------------------------------------

TEST_F(InputTest, ReadOnlyMainFileStillAsksButRemembersNothing)
{
    input::values().switchFailureShown = true;  // told before: the message box has its own test
    ASSERT_TRUE(hs_reg::writeBack());
    ASSERT_TRUE(QFile::setPermissions(hs_reg::values().ininame, QFile::ReadOwner | QFile::ReadGroup));
    remember(QStringLiteral("gammelt"));
    whenAsked([](TInputForm &f) {
        EXPECT_EQ(f.Edit1->text(), QString());
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("svar"));
        press(Qt::Key_Return);
    });
    EXPECT_EQ(input::HentInput(QStringLiteral("Navn"), QString()), QStringLiteral("svar"));
    EXPECT_TRUE(logged(QStringLiteral("FEIL: ")));
    EXPECT_TRUE(mainFileCurrent());
    EXPECT_EQ(rememberedOnDisk(), QStringLiteral("gammelt"));
}

TEST_F(InputTest, PersonalFileThatCannotBeWrittenLeavesTheMainFileCurrent)
{
    input::values().switchFailureShown = true;
    remember(QStringLiteral("gammelt"));
    ASSERT_TRUE(QFile::setPermissions(personalFile(), QFile::ReadOwner | QFile::ReadGroup));
    hs_reg::writestr(QStringLiteral("Ulagret"), QStringLiteral("verdi"));
    whenAsked([](TInputForm &f) {
        EXPECT_EQ(f.Edit1->text(), QStringLiteral("gammelt"));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("svar"));
        press(Qt::Key_Return);
    });
    EXPECT_EQ(input::HentInput(QStringLiteral("Navn"), QString()), QStringLiteral("svar"));
    EXPECT_TRUE(logged(QStringLiteral("FEIL: ")));
    EXPECT_TRUE(mainFileCurrent());
    // What the main document held went to disk with the first switch and is current again.
    EXPECT_EQ(hs_reg::readstr(QStringLiteral("Ulagret")), QStringLiteral("verdi"));
    EXPECT_EQ(rememberedOnDisk(), QStringLiteral("gammelt"));
}

// A user whose answers are never remembered is told why, once a run; the question itself goes on.
TEST_F(InputTest, AFailedSwitchIsShownOnceAndTheQuestionGoesOn)
{
    ASSERT_TRUE(hs_reg::writeBack());
    // The store itself refuses a file marked read-only, as root as for an ordinary account.
    ASSERT_TRUE(QFile::setPermissions(hs_reg::values().ininame, QFile::ReadOwner | QFile::ReadGroup));
    QStringList told;
    int asked = 0;
    QPointer<TInputForm> answered;
    // One poll answers whatever comes up, so no window waits inside another's loop.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget *w = QApplication::activeModalWidget();
        if (auto *box = qobject_cast<QMessageBox *>(w)) {
            told << box->text();
            box->accept();
        } else if (auto *form = qobject_cast<TInputForm *>(w); form && form != answered && form->Edit1->hasFocus()) {
            answered = form;
            ++asked;
            QTest::keyClicks(form->Edit1, QStringLiteral("svar"));
            QTest::keyClick(form->Edit1, Qt::Key_Return);
        }
    });
    poll.start(10);
    EXPECT_EQ(input::HentInput(QStringLiteral("Navn"), QString()), QStringLiteral("svar"));
    EXPECT_EQ(input::HentInput(QStringLiteral("Navn"), QString()), QStringLiteral("svar"));
    EXPECT_EQ(asked, 2);
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].contains(QStringLiteral("skrivebeskyttet"))) << qPrintable(told[0]);
    EXPECT_TRUE(mainFileCurrent());
}

// --- Screenshots (run by tests/screenshots/test_cases.sh under a virtual display) ----------------------

void screenshot(const QString &prompt, const QString &typed)
{
    const QString out = qEnvironmentVariable("BO_SHOT_FILE");
    ASSERT_FALSE(out.isEmpty()) << "BO_SHOT_FILE names the picture to write";
    const QRect screen = QApplication::primaryScreen()->geometry();
    hs_reg::Values &v = hs_reg::values();
    v.RefVenstre = screen.left();
    v.RefTopp = screen.top();
    v.RefBredde = screen.width() / 2;
    v.RefHoyde = screen.height() / 2;
    whenAsked([&](TInputForm &f) {
        QTest::keyClicks(QApplication::focusWidget(), typed);
        QTest::qWait(500);  // let the window system draw it before the picture is taken
        const QRect r = f.frameGeometry().adjusted(-12, -12, 12, 12);
        const QString crop = QStringLiteral("%1x%2+%3+%4").arg(r.width()).arg(r.height()).arg(r.x()).arg(r.y());
        EXPECT_EQ(QProcess::execute(QStringLiteral("import"),
                                    {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("-crop"), crop,
                                     QStringLiteral("+repage"), out}),
                  0);
        press(Qt::Key_Escape);
    });
    input::HentInput(prompt, QString());
}

TEST_F(InputTest, DISABLED_ScreenshotPlain)
{
    remember(QStringLiteral("Oslo"));
    screenshot(QStringLiteral("Skriv inn poststed"), QString());
}

TEST_F(InputTest, DISABLED_ScreenshotPassword)
{
    screenshot(QStringLiteral("Passord"), QStringLiteral("hemmelig"));
}

} // namespace
