// The built program end to end under a virtual display, driven by xdotool as a user would: started on
// a settings file without a working time, it asks the working-time question on Escape and ends on
// "&Nei", leaving the settings as they were; and 7, 3, 0 typed into the start time is 7:30 in the file.
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
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
        for (QProcess *p : {&program_, &display_}) {
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

    QProcess program_;
    QProcess display_;
};

} // namespace

TEST_F(ProgramRun, EscapeWithoutWorkingTimeAsksAndNeiEndsWithTheSettingsAsTheyWere)
{
    const QString programPath = qEnvironmentVariable("BO_PROGRAM");
    ASSERT_TRUE(QFile::exists(programPath)) << "BO_PROGRAM: " << programPath.toStdString();
    const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    if (xdotool.isEmpty())
        GTEST_SKIP() << "xdotool is not installed: no key presses can be sent to the program";
    const QString display = startDisplay();
    if (display.isEmpty())
        GTEST_SKIP() << "no virtual display (Xvfb) can be started here";

    const QByteArray original = "[INI_SELF]\r\nCREATED_TIME=01.02.2020 10:00:00\r\nCREATED_BUILD=700\r\n"
                                "MODIFIED_TIME=01.02.2020 10:00:00\r\nMODIFIED_PROGRAM=old\r\n\r\n"
                                "[STANDARD]\r\nFirma_Navn=Fjordtre\r\nArbeid_ArbeidstidSlutt=15:30\r\n"
                                "Avdeling1=Verksted \xF8\r\n\r\n";
    const QString ini = work() + QStringLiteral("/veltrona.ini");
    ASSERT_TRUE(testenv::writeFile(ini, original));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    const QString runtime = dir() + QStringLiteral("/runtime");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    env.remove(QStringLiteral("BO_QUIT_AFTER_SHOW"));
    program_.setProcessEnvironment(env);
    program_.setWorkingDirectory(work());
    program_.setProcessChannelMode(QProcess::ForwardedChannels);
    program_.start(programPath, {});
    ASSERT_TRUE(program_.waitForStarted(30000));

    const QString window = run(xdotool, {"search", "--sync", "--onlyvisible", "--name", "^Oppsett Verkstolpen"}, env)
                               .value_or(QString()).split(QLatin1Char('\n')).value(0);
    ASSERT_FALSE(window.isEmpty()) << "the settings dialog did not appear";
    run(xdotool, {"windowfocus", "--sync", window}, env, 10000);
    ASSERT_TRUE(run(xdotool, {"key", "--clearmodifiers", "Escape"}, env));
    const QString question = run(xdotool, {"search", "--sync", "--onlyvisible", "--name", "^\\?$"}, env)
                                 .value_or(QString()).split(QLatin1Char('\n')).value(0);
    ASSERT_FALSE(question.isEmpty()) << "the working-time question did not appear";
    run(xdotool, {"key", "--clearmodifiers", "n"}, env);
    ASSERT_TRUE(program_.waitForFinished(60000)) << "the program did not end on \"&Nei\"";
    EXPECT_EQ(program_.exitCode(), 0);

    const QByteArray after = testenv::readFile(ini);
    EXPECT_EQ(section(after, "STANDARD"), section(original, "STANDARD"));
    const QByteArray header = section(after, "INI_SELF");
    EXPECT_TRUE(header.startsWith("[INI_SELF]\r\nCREATED_TIME=01.02.2020 10:00:00\r\nCREATED_BUILD=700\r\n"))
        << header.toStdString();
    EXPECT_FALSE(header.contains("MODIFIED_PROGRAM=old"));
    EXPECT_TRUE(header.contains(("MODIFIED_PROGRAM=" + QFileInfo(programPath).absoluteFilePath()).toUtf8()));
    EXPECT_TRUE(header.contains("MODIFIED_INIVERSION=5.52\r\n"));
    // Nothing was saved: no side files.
    EXPECT_FALSE(QFile::exists(work() + QStringLiteral("/FIRMA.TXB")));
}

TEST_F(ProgramRun, SevenThreeZeroTypedIntoTheStartTimeAndOkStoreSevenThirty)
{
    const QString programPath = qEnvironmentVariable("BO_PROGRAM");
    ASSERT_TRUE(QFile::exists(programPath)) << "BO_PROGRAM: " << programPath.toStdString();
    const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    if (xdotool.isEmpty())
        GTEST_SKIP() << "xdotool is not installed: no key presses can be sent to the program";
    const QString display = startDisplay();
    if (display.isEmpty())
        GTEST_SKIP() << "no virtual display (Xvfb) can be started here";

    const QString ini = work() + QStringLiteral("/veltrona.ini");
    ASSERT_TRUE(testenv::writeFile(ini, "[STANDARD]\r\nFirma_Navn=Fjordtre\r\nArbeid_ArbeidstidSlutt=15:30\r\n"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    const QString runtime = dir() + QStringLiteral("/runtime");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    env.remove(QStringLiteral("BO_QUIT_AFTER_SHOW"));
    program_.setProcessEnvironment(env);
    program_.setWorkingDirectory(work());
    program_.setProcessChannelMode(QProcess::ForwardedChannels);
    program_.start(programPath, {});
    ASSERT_TRUE(program_.waitForStarted(30000));

    const QString window = run(xdotool, {"search", "--sync", "--onlyvisible", "--name", "^Oppsett Verkstolpen"}, env)
                               .value_or(QString()).split(QLatin1Char('\n')).value(0);
    ASSERT_FALSE(window.isEmpty()) << "the settings dialog did not appear";
    run(xdotool, {"windowfocus", "--sync", window}, env, 10000);
    // "Arbei&d", a click into "Normalarbeidstid  start" (146..208 x 12..33 on the page, below the tabs),
    // 7, 3, 0, then "O&k".
    ASSERT_TRUE(run(xdotool, {"key", "--clearmodifiers", "alt+d"}, env));
    ASSERT_TRUE(run(xdotool, {"mousemove", "--window", window, "175", "50", "click", "1"}, env));
    for (const char *k : {"7", "3", "0"})
        ASSERT_TRUE(run(xdotool, {"key", "--clearmodifiers", k}, env));
    ASSERT_TRUE(run(xdotool, {"key", "--clearmodifiers", "alt+k"}, env));
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
