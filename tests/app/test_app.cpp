// The built program, run as a user would run it (offscreen), in a temporary APPDATA, HOME and working
// folder; the tests look at the files it leaves.
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>
#include <pwd.h>
#include <random>
#include <unistd.h>

#include "common/textfile.h"
#include "environment/ini_document.h"
#include "support/foundation_helpers.h"
#include "support/test_env.h"

namespace {

const QStringList kTree = {"archive", "backup", "data", "data/zentapod", "data/ormskal", "data/kvist4",
                           "data/docs", "data/rlbok", "etc", "export", "export/xml", "export/pdf",
                           "export/csv", "export/html", "export/html/varer", "import", "images", "spool",
                           "tmp", "xml", "log", "maler", "maler/docs", "maler/kvist4"};

struct Run {
    bool finished = false;
    QProcess::ExitStatus status = QProcess::CrashExit;
    int code = -1;
    QString output;
};

class Program : public TempEnvTest {
protected:
    void SetUp() override
    {
        TempEnvTest::SetUp();
        program = qEnvironmentVariable("BO_PROGRAM");
        if (program.isEmpty() || !QFileInfo(program).isExecutable())
            GTEST_SKIP() << "BO_PROGRAM does not name the built program";
        appdataDir = appdata();
    }
    Run run(const QStringList &args = {})
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("APPDATA", appdataDir);
        env.insert("HOME", dir() + "/home");
        env.insert("TEMP", dir() + "/temp");
        env.insert("XDG_DATA_HOME", dir() + "/xdg-data");
        env.insert("XDG_CONFIG_HOME", dir() + "/xdg-config");
        env.insert("XDG_CACHE_HOME", dir() + "/xdg-cache");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("BO_QUIT_AFTER_SHOW", "1");
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(work());
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(program, args);
        Run r;
        if (!p.waitForStarted(60000))
            return r;
        r.finished = p.waitForFinished(180000);
        if (!r.finished) {
            p.kill();
            p.waitForFinished();
        }
        r.status = p.exitStatus();
        r.code = p.exitCode();
        r.output = QString::fromLocal8Bit(p.readAll());
        return r;
    }
    static void expectNormalEnd(const Run &r)
    {
        EXPECT_TRUE(r.finished) << "the program did not end by itself";
        EXPECT_EQ(r.status, QProcess::NormalExit) << qPrintable(r.output);
        EXPECT_EQ(r.code, 0) << qPrintable(r.output);
    }
    QString ini() const { return suite() + "etc/veltrona.ini"; }
    QString logFile() const { return suite() + "log/bruker-oppsett.log"; }
    QStringList logLines() const { return textfile::splitLines(textfile::decode(testenv::readFile(logFile()))); }
    // The log's messages: each line holds a stamp, a blank and the message.
    static bool hasMessage(const QStringList &lines, const QString &message)
    {
        for (const QString &l : lines)
            if (l.endsWith(" " + message) && l.size() > message.size() + 1)
                return true;
        return false;
    }
    static QString loginName()
    {
        const passwd *pw = ::getpwuid(::geteuid());
        return pw ? QString::fromLocal8Bit(pw->pw_name) : QString();
    }

    QString program, appdataDir;
};

TEST_F(Program, FirstStartLeavesSettingsTreeAndAnEmptyLog)
{
    expectNormalEnd(run());
    IniDocument doc(ini());
    ASSERT_TRUE(doc.load());
    for (const char *prefix : {"CREATED_", "MODIFIED_"}) {
        const QString p = QString::fromLatin1(prefix);
        EXPECT_EQ(doc.value("INI_SELF", p + "INIVERSION"), "5.52");
        EXPECT_EQ(doc.value("INI_SELF", p + "BUILD"), "728");
        EXPECT_EQ(doc.value("INI_SELF", p + "NAME"), ini());
        EXPECT_EQ(QFileInfo(doc.value("INI_SELF", p + "PROGRAM")).canonicalFilePath(), QFileInfo(program).canonicalFilePath());
        EXPECT_EQ(doc.value("INI_SELF", p + "USER"), loginName());
        EXPECT_TRUE(doc.value("INI_SELF", p + "LOGIN").startsWith("LOGIN: " + loginName() + "  node: "));
        EXPECT_FALSE(doc.value("INI_SELF", p + "TIME").isEmpty());
    }
    EXPECT_TRUE(testenv::readFile(ini()).startsWith("[INI_SELF]\r\nCREATED_TIME="));
    for (const QString &name : kTree) {
        EXPECT_TRUE(QFileInfo(suite() + name).isDir()) << qPrintable(name);
        EXPECT_EQ(doc.value("FOLDERS", QString(name).replace('/', '\\') + "_folder"), suite() + name + "/");
    }
    EXPECT_EQ(doc.value("FOLDERS", "bin_folder"), QFileInfo(program).absolutePath() + "/");
    EXPECT_TRUE(QFileInfo::exists(logFile()));
    EXPECT_EQ(testenv::readFile(logFile()), QByteArray());
}

TEST_F(Program, LogGrowsFromRunToRunWithStartAndExitLines)
{
    expectNormalEnd(run({"--debug"}));
    const QStringList first = logLines();
    EXPECT_EQ(first.filter(" Oppretter mappen " + suite()).size(), 23) << qPrintable(first.join('\n'));
    EXPECT_TRUE(hasMessage(first, QString("FEIL: [mkdirsafe:17] kan ikke opprette mappen ") + suite() + "etc"));
    IniDocument before(ini());
    ASSERT_TRUE(before.load());
    const QString created = before.value("INI_SELF", "CREATED_TIME");

    QByteArray bytes = testenv::readFile(ini());
    bytes += "[STANDARD]\r\nLogToFile=1\r\n\r\n";
    ASSERT_TRUE(testenv::writeFile(ini(), bytes));

    expectNormalEnd(run({"--debug", "--user", "testbruker"}));
    const QStringList second = logLines();
    ASSERT_EQ(second.mid(0, first.size()), first);
    const QStringList added = second.mid(first.size());
    ASSERT_EQ(added.size(), 6) << qPrintable(added.join('\n'));
    EXPECT_TRUE(added[0].contains(" START: ")) << qPrintable(added[0]);
    EXPECT_EQ(QFileInfo(added[0].section(" START: ", 1)).canonicalFilePath(), QFileInfo(program).canonicalFilePath());
    EXPECT_TRUE(hasMessage(added.mid(1, 1), "INIFIL: " + ini()));
    EXPECT_TRUE(hasMessage(added.mid(2, 1), "BRUKER: testbruker"));
    EXPECT_TRUE(added[3].contains(" LOGIN: " + loginName() + "  node: ")) << qPrintable(added[3]);
    EXPECT_TRUE(hasMessage(added.mid(4, 1), "Oppdaterer " + ini()));
    EXPECT_TRUE(hasMessage(added.mid(5, 1), "AVSLUTTER PROGRAM. 0 feilmeldinger og 0 advarsler"));
    EXPECT_TRUE(testenv::readFile(logFile()).endsWith(" advarsler\r\n"));

    IniDocument after(ini());
    ASSERT_TRUE(after.load());
    EXPECT_EQ(after.value("INI_SELF", "CREATED_TIME"), created);
    EXPECT_EQ(after.value("INI_SELF", "MODIFIED_USER"), "testbruker");
    EXPECT_EQ(after.value("STANDARD", "LogToFile"), "1");
}

TEST_F(Program, ReadOnlySettingsFileIsNotTouched)
{
    const QString local = work() + "/veltrona.ini";
    const QByteArray content = "[STANDARD]\r\nLogToFile=1\r\nVerboseLogging=1\r\n; hand-edited\r\n";
    ASSERT_TRUE(testenv::writeFile(local, content));
    fh::chmodPath(local, 0444);
    expectNormalEnd(run());
    EXPECT_EQ(testenv::readFile(local), content);
    EXPECT_EQ(fh::modeOf(local), 0444u);
    EXPECT_FALSE(QFileInfo::exists(ini()));
    EXPECT_TRUE(hasMessage(logLines(), "ADVARSEL: " + local + " er skrivebeskyttet og vil ikke bli lagret."))
        << qPrintable(logLines().join('\n'));
}

TEST_F(Program, UnwritableSettingsFolderEndsNormallyAndSavesNothing)
{
    ASSERT_TRUE(testenv::writeFile(dir() + "/afile", "not a folder"));
    appdataDir = dir() + "/afile/appdata";
    expectNormalEnd(run({"--debug"}));
    EXPECT_EQ(testenv::readFile(dir() + "/afile"), "not a folder");
    EXPECT_EQ(QDir(work()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
}

TEST_F(Program, BadSettingsFilesEndNormally)
{
    std::mt19937 rng(99);
    QByteArray random;
    for (int i = 0; i < 100000; ++i)
        random.append(char(rng() & 0xFF));
    static const char nul[] = "[STANDARD]\r\nA=\0\0\0\r\n\0[X]\r\n";
    const QByteArray big = "[STANDARD]\r\nBig=" + QByteArray(10 * 1024 * 1024, 'z') + "\r\n";
    const QString local = work() + "/veltrona.ini";
    for (const QByteArray &input : {random, QByteArray(nul, sizeof nul - 1), big}) {
        ASSERT_TRUE(testenv::writeFile(local, input));
        expectNormalEnd(run());
        IniDocument doc(local);
        ASSERT_TRUE(doc.load());
        EXPECT_EQ(doc.value("INI_SELF", "MODIFIED_BUILD"), "728");
    }
    IniDocument doc(local);
    ASSERT_TRUE(doc.load());
    EXPECT_EQ(doc.value("STANDARD", "Big").size(), 10 * 1024 * 1024);
}

} // namespace
