// The built program end to end under a virtual display, driven by xdotool as a user would: started on
// a settings file without a working time, it asks the working-time question on Escape and ends on
// "&Nei", leaving the settings as they were; 7, 3, 0 typed into the start time is 7:30 in the file; an
// earlier version brought back from the history window with the keyboard and saved with "O&k"; the
// company's name and addresses looked up in the organisation register (a server on 127.0.0.1) and saved.
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QThread>
#include <gtest/gtest.h>
#include <optional>

#include "support/test_env.h"

namespace {

// Runs a command to its end; its standard output, or nothing when it failed or took too long.
std::optional<QString> run(const QString &program, const QStringList &args, const QProcessEnvironment &env,
                           int ms = 60000)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(ms) || p.exitCode() != 0) {
        p.kill();
        p.waitForFinished();
        return std::nullopt;
    }
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

QByteArray section(const QByteArray &bytes, const QByteArray &name)
{
    const QByteArray head = "[" + name + "]\r\n";
    const qsizetype start = bytes.indexOf(head);
    if (start < 0)
        return {};
    qsizetype end = bytes.indexOf("\r\n[", start + head.size());
    return bytes.mid(start, (end < 0 ? bytes.size() : end + 2) - start);
}

class ProgramRun : public TempEnvTest {
protected:
    void TearDown() override
    {
        for (QProcess *p : {&program_, &display_, &register_}) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(10000);
            }
        }
        TempEnvTest::TearDown();
    }

    // Starts a virtual display; its name (":N"), or empty when there is none to be had.
    QString startDisplay()
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty())
            return {};
        display_.start(xvfb, {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-dpi", "96", "-nolisten", "tcp"});
        if (!display_.waitForStarted(10000))
            return {};
        while (!display_.canReadLine()) {
            if (!display_.waitForReadyRead(30000))
                return {};
        }
        return QLatin1Char(':') + QString::fromLatin1(display_.readLine()).trimmed();
    }

    // Starts the program in the working folder on a virtual display, as a user's session would;
    // the environment for xdotool in env. False (with the test skipped or failed) when it cannot.
    void startProgram(QProcessEnvironment &env)
    {
        const QString programPath = qEnvironmentVariable("BO_PROGRAM");
        ASSERT_TRUE(QFile::exists(programPath)) << "BO_PROGRAM: " << programPath.toStdString();
        xdotool_ = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
        if (xdotool_.isEmpty())
            GTEST_SKIP() << "xdotool is not installed: no key presses can be sent to the program";
        const QString display = startDisplay();
        if (display.isEmpty())
            GTEST_SKIP() << "no virtual display (Xvfb) can be started here";
        env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        const QString runtime = dir() + QStringLiteral("/runtime");
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        env.remove(QStringLiteral("BO_QUIT_AFTER_SHOW"));
        // Under the sanitizers: whole stacks for the program's allocations, so that a suppression by
        // library name also matches what the OpenGL driver (built without frame pointers) leaves.
        if (env.contains(QStringLiteral("LSAN_OPTIONS")))
            env.insert(QStringLiteral("LSAN_OPTIONS"),
                       env.value(QStringLiteral("LSAN_OPTIONS")) + QStringLiteral(":fast_unwind_on_malloc=0"));
        program_.setProcessEnvironment(env);
        program_.setWorkingDirectory(work());
        program_.setProcessChannelMode(QProcess::ForwardedChannels);
        program_.start(programPath, {});
        ASSERT_TRUE(program_.waitForStarted(30000));
    }

    // startProgram, then the settings dialog's window once it is up, with the keyboard; empty (with the
    // test skipped or failed) when there is none.
    QString startWithDialog(QProcessEnvironment &env)
    {
        startProgram(env);
        if (IsSkipped() || HasFatalFailure())
            return {};
        const QString window = findWindow(QStringLiteral("^Oppsett Verkstolpen"), env);
        EXPECT_FALSE(window.isEmpty()) << "the settings dialog did not appear";
        if (!window.isEmpty())
            run(xdotool_, {"windowfocus", "--sync", window}, env, 10000);
        return window;
    }

    // The first visible window whose title matches; with wait, once it is up. Empty when there is none.
    QString findWindow(const QString &title, const QProcessEnvironment &env, bool wait = true)
    {
        QStringList args{"search", "--onlyvisible", "--name", title};
        if (wait)
            args.insert(1, QStringLiteral("--sync"));
        return run(xdotool_, args, env).value_or(QString()).split(QLatin1Char('\n')).value(0);
    }

    // Serves the files below root over HTTP on 127.0.0.1; its address, or empty when it cannot.
    QString startWebServer(const QString &root)
    {
        const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
        if (python.isEmpty())
            return {};
        register_.setWorkingDirectory(root);
        register_.start(python, {"-u", "-m", "http.server", "0", "--bind", "127.0.0.1"});
        if (!register_.waitForStarted(10000))
            return {};
        while (!register_.canReadLine()) {
            if (!register_.waitForReadyRead(30000))
                return {};
        }
        // "Serving HTTP on 127.0.0.1 port 40123 (http://127.0.0.1:40123/) ..."
        const QStringList words = QString::fromLatin1(register_.readLine()).split(QLatin1Char(' '));
        const qsizetype at = words.indexOf(QStringLiteral("port"));
        return at < 0 ? QString() : QStringLiteral("http://127.0.0.1:") + words.value(at + 1);
    }

    QString xdotool_;
    QProcess program_;
    QProcess display_;
    QProcess register_;
};

} // namespace

TEST_F(ProgramRun, EscapeWithoutWorkingTimeAsksAndNeiEndsWithTheSettingsAsTheyWere)
{
    const QByteArray original = "[INI_SELF]\r\nCREATED_TIME=01.02.2020 10:00:00\r\nCREATED_BUILD=700\r\n"
                                "MODIFIED_TIME=01.02.2020 10:00:00\r\nMODIFIED_PROGRAM=old\r\n\r\n"
                                "[STANDARD]\r\nFirma_Navn=Fjordtre\r\nArbeid_ArbeidstidSlutt=15:30\r\n"
                                "Avdeling1=Verksted \xF8\r\n\r\n";
    const QString ini = work() + QStringLiteral("/veltrona.ini");
    ASSERT_TRUE(testenv::writeFile(ini, original));

    QProcessEnvironment env;
    const QString window = startWithDialog(env);
    if (window.isEmpty())
        return;
    ASSERT_TRUE(run(xdotool_, {"key", "--clearmodifiers", "Escape"}, env));
    const QString question = findWindow(QStringLiteral("^\\?$"), env);
    ASSERT_FALSE(question.isEmpty()) << "the working-time question did not appear";
    run(xdotool_, {"key", "--clearmodifiers", "n"}, env);
    ASSERT_TRUE(program_.waitForFinished(60000)) << "the program did not end on \"&Nei\"";
    EXPECT_EQ(program_.exitCode(), 0);

    const QByteArray after = testenv::readFile(ini);
    EXPECT_EQ(section(after, "STANDARD"), section(original, "STANDARD"));
    const QByteArray header = section(after, "INI_SELF");
    EXPECT_TRUE(header.startsWith("[INI_SELF]\r\nCREATED_TIME=01.02.2020 10:00:00\r\nCREATED_BUILD=700\r\n"))
        << header.toStdString();
    EXPECT_FALSE(header.contains("MODIFIED_PROGRAM=old"));
    const QString programPath = QFileInfo(qEnvironmentVariable("BO_PROGRAM")).absoluteFilePath();
    EXPECT_TRUE(header.contains(("MODIFIED_PROGRAM=" + programPath).toUtf8()));
    EXPECT_TRUE(header.contains("MODIFIED_INIVERSION=5.52\r\n"));
    // Nothing was saved: no side files.
    EXPECT_FALSE(QFile::exists(work() + QStringLiteral("/FIRMA.TXB")));
}

TEST_F(ProgramRun, SevenThreeZeroTypedIntoTheStartTimeAndOkStoreSevenThirty)
{
    const QString ini = work() + QStringLiteral("/veltrona.ini");
    ASSERT_TRUE(testenv::writeFile(ini, "[STANDARD]\r\nFirma_Navn=Fjordtre\r\nArbeid_ArbeidstidSlutt=15:30\r\n"));
    QProcessEnvironment env;
    const QString window = startWithDialog(env);
    if (window.isEmpty())
        return;
    // "Arbei&d", a click into "Normalarbeidstid  start" (146..208 x 12..33 on the page, below the tabs),
    // 7, 3, 0, then "O&k".
    ASSERT_TRUE(run(xdotool_, {"key", "--clearmodifiers", "alt+d"}, env));
    ASSERT_TRUE(run(xdotool_, {"mousemove", "--window", window, "175", "50", "click", "1"}, env));
    for (const char *k : {"7", "3", "0"})
        ASSERT_TRUE(run(xdotool_, {"key", "--clearmodifiers", k}, env));
    ASSERT_TRUE(run(xdotool_, {"key", "--clearmodifiers", "alt+k"}, env));
    // A whole time: no question, the program ends.
    ASSERT_TRUE(program_.waitForFinished(60000)) << "the program did not end on O&k";
    EXPECT_EQ(program_.exitCode(), 0);

    const QByteArray after = section(testenv::readFile(ini), "STANDARD");
    // " 7:30" as saved; the write-back at the end of the run writes the document as read back after the
    // save, where a value has no surrounding blanks, so "7:30" is what the file keeps.
    EXPECT_TRUE(after.contains("\r\nArbeid_ArbeidstidStart=7:30\r\n") || after.contains("\r\nArbeid_ArbeidstidStart= 7:30\r\n"))
        << after.toStdString();
    EXPECT_TRUE(after.contains("\r\nArbeid_ArbeidstidSlutt=15:30\r\n")) << after.toStdString();
}

TEST_F(ProgramRun, HistoryEnterBringsBackTheEarlierVersionAndOkSavesIt)
{
    const QString ini = work() + QStringLiteral("/veltrona.ini");
    ASSERT_TRUE(testenv::writeFile(ini, "[STANDARD]\r\nArbeid_ArbeidstidStart=08:00\r\nFirma_Navn=Nytt navn\r\n"
                                        "Satser_MVA=25\r\n"));
    // The version before, as an earlier save left it in the backup folder.
    const QString earlier = suite() + QStringLiteral("backup/2026-11-30_161204/");
    ASSERT_TRUE(testenv::writeFile(earlier + "veltrona.ini", "[STANDARD]\r\nArbeid_ArbeidstidStart=08:00\r\n"
                                                           "Firma_Navn=Gammelt navn\r\nSatser_MVA=24\r\n"));
    ASSERT_TRUE(testenv::writeFile(earlier + "versjon.nr", "1\r\n"));

    QProcessEnvironment env;
    const QString window = startWithDialog(env);
    if (window.isEmpty())
        return;
    ASSERT_TRUE(run(xdotool_, {"key", "--clearmodifiers", "alt+h"}, env));
    const QString history = findWindow(QStringLiteral("^Tidligere versjoner$"), env);
    ASSERT_FALSE(history.isEmpty()) << "the history window did not appear";
    ASSERT_TRUE(run(xdotool_, {"key", "--clearmodifiers", "Return"}, env));
    // Gone once the version is back in the fields. The dialog takes the keyboard back itself (no window
    // manager runs here to hand it back), and "O&k" saves the version and ends the program.
    for (int i = 0; i < 100 && !findWindow(QStringLiteral("^Tidligere versjoner$"), env, false).isEmpty(); ++i)
        QThread::msleep(50);
    ASSERT_TRUE(run(xdotool_, {"key", "--clearmodifiers", "alt+k"}, env));
    ASSERT_TRUE(program_.waitForFinished(60000)) << "the program did not end on \"O&k\"";
    EXPECT_EQ(program_.exitCode(), 0);

    const QByteArray after = section(testenv::readFile(ini), "STANDARD");
    EXPECT_TRUE(after.contains("Firma_Navn=Gammelt navn\r\n")) << after.toStdString();
    EXPECT_TRUE(after.contains("Satser_MVA=24\r\n")) << after.toStdString();
    // The save kept the version it replaced.
    EXPECT_EQ(QDir(suite() + QStringLiteral("backup")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 2);
}

TEST_F(ProgramRun, RegisterLookUpWithAltOEnterAndOkSavesTheNameAndAddressesByteForByte)
{
    // The register's answer, as its API documents a unit's record.
    const QString served = dir() + QStringLiteral("/register");
    ASSERT_TRUE(testenv::writeFile(served + QStringLiteral("/api/enheter/987654325"), R"({
  "organisasjonsnummer": "987654325", "navn": "SÆTERBØ ÅRDAL TREVARE AS",
  "organisasjonsform": {"kode": "AS", "beskrivelse": "Aksjeselskap"},
  "forretningsadresse": {"land": "Norge", "landkode": "NO", "postnummer": "6885", "poststed": "ÅRDALSTANGEN",
                         "adresse": ["Øvre Årdal vei 2"], "kommunenummer": "4643", "kommune": "ÅRDAL"}
})"));
    const QString address = startWebServer(served);
    if (address.isEmpty())
        GTEST_SKIP() << "no web server (python3 -m http.server) for the register";
    const QString ini = work() + QStringLiteral("/veltrona.ini");
    ASSERT_TRUE(testenv::writeFile(ini, ("[STANDARD]\r\nArbeid_ArbeidstidStart=08:00\r\nFirma_Navn=Gammelt navn\r\n"
                                         "\r\n[ENHETSREGISTERET]\r\nAdresse=" + address + "/api\r\n").toLatin1()));
    QProcessEnvironment env;
    startProgram(env);
    if (IsSkipped() || HasFatalFailure())
        return;
    const QString window = findWindow(QStringLiteral("^Oppsett Verkstolpen"), env);
    ASSERT_FALSE(window.isEmpty()) << "the settings dialog did not appear";
    run(xdotool_, {"windowfocus", "--sync", window}, env, 10000);
    // A click into "Org.nr." on "&Firma" (96..246 x 180..201 on the page, below the tabs), the number.
    ASSERT_TRUE(run(xdotool_, {"mousemove", "--window", window, "150", "216", "click", "1"}, env));
    ASSERT_TRUE(run(xdotool_, {"type", "--delay", "20", "987654325"}, env));
    ASSERT_TRUE(run(xdotool_, {"key", "--clearmodifiers", "alt+o"}, env));
    const QString lookUpWindow = findWindow(QStringLiteral("^Enhetsregisteret$"), env);
    ASSERT_FALSE(lookUpWindow.isEmpty()) << "the register's window did not appear";
    ASSERT_TRUE(run(xdotool_, {"key", "--clearmodifiers", "Return"}, env));
    for (int i = 0; i < 100 && !findWindow(QStringLiteral("^Enhetsregisteret$"), env, false).isEmpty(); ++i)
        QThread::msleep(50);
    ASSERT_TRUE(run(xdotool_, {"key", "--clearmodifiers", "alt+k"}, env));
    ASSERT_TRUE(program_.waitForFinished(60000)) << "the program did not end on \"O&k\"";
    EXPECT_EQ(program_.exitCode(), 0);

    // The file was Windows-1252 and stays so: every letter as its one byte.
    const QByteArray after = section(testenv::readFile(ini), "STANDARD");
    EXPECT_TRUE(after.contains("\r\nFirma_Navn=S\xC6TERB\xD8 \xC5RDAL TREVARE AS\r\n")) << after.toStdString();
    EXPECT_TRUE(after.contains("\r\nFirma_PostAdresse=\xD8vre \xC5rdal vei 2\r\n")) << after.toStdString();
    EXPECT_TRUE(after.contains("\r\nFirma_GateAdresse=\xD8vre \xC5rdal vei 2\r\n")) << after.toStdString();
    EXPECT_TRUE(after.contains("\r\nFirma_PostNr=6885\r\nFirma_PostSted=\xC5RDALSTANGEN\r\n")) << after.toStdString();
    EXPECT_TRUE(after.contains("\r\nFirma_OrgNr=987654325\r\n")) << after.toStdString();
}
