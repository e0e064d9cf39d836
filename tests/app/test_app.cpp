// The built program, run as a user would run it (offscreen), in a temporary APPDATA, HOME and working
// folder; the tests look at the files it leaves.
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
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

struct Outcome {
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
        ASSERT_TRUE(QFileInfo(program).isExecutable()) << "BO_PROGRAM does not name the built program: "
                                                        << program.toStdString();
        appdataDir = appdata();
    }
    Outcome run(const QStringList &args = {}, const QString &locale = {})
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (!locale.isEmpty()) {
            env.insert("LC_ALL", locale);
            env.insert("LANG", locale);
        }
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
        Outcome r;
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
    static void expectNormalEnd(const Outcome &r)
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

// Closing the settings dialog without a working time asks whether to stay open, so every run here
// has one; a settings file that holds nothing else behaves as a first start otherwise.
const QByteArray kWorkingTime = "[STANDARD]\r\nArbeid_ArbeidstidStart= 8:00\r\nArbeid_ArbeidstidSlutt=16:00\r\n";

TEST_F(Program, FirstStartLeavesTheHeaderTheTreeAndAnEmptyLog)
{
    ASSERT_TRUE(testenv::writeFile(ini(), kWorkingTime));
    expectNormalEnd(run());
    IniDocument doc(ini());
    ASSERT_TRUE(doc.load());
    EXPECT_EQ(doc.value("STANDARD", "Arbeid_ArbeidstidSlutt"), "16:00");
    EXPECT_EQ(doc.value("INI_SELF", "MODIFIED_INIVERSION"), "5.52");
    EXPECT_EQ(doc.value("INI_SELF", "MODIFIED_BUILD"), "728");
    EXPECT_EQ(doc.value("INI_SELF", "MODIFIED_NAME"), ini());
    EXPECT_EQ(QFileInfo(doc.value("INI_SELF", "MODIFIED_PROGRAM")).canonicalFilePath(), QFileInfo(program).canonicalFilePath());
    EXPECT_EQ(doc.value("INI_SELF", "MODIFIED_USER"), loginName());
    EXPECT_TRUE(doc.value("INI_SELF", "MODIFIED_LOGIN").startsWith("LOGIN: " + loginName() + "  node: "));
    EXPECT_FALSE(doc.value("INI_SELF", "MODIFIED_TIME").isEmpty());
    EXPECT_FALSE(doc.hasKey("INI_SELF", "CREATED_TIME"));  // the file was there before
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
    ASSERT_TRUE(testenv::writeFile(ini(), kWorkingTime));
    expectNormalEnd(run({"--debug"}));
    const QStringList first = logLines();
    EXPECT_EQ(first.filter(" Oppretter mappen " + suite()).size(), 23) << qPrintable(first.join('\n'));
    EXPECT_TRUE(hasMessage(first, QString("FEIL: [mkdirsafe:17] kan ikke opprette mappen ") + suite() + "etc"));
    IniDocument before(ini());
    ASSERT_TRUE(before.load());
    const QString modified = before.value("INI_SELF", "MODIFIED_TIME");
    ASSERT_FALSE(modified.isEmpty());

    QByteArray bytes = testenv::readFile(ini());
    bytes.replace("[STANDARD]\r\n", "[STANDARD]\r\nLogToFile=1\r\n");
    ASSERT_TRUE(testenv::writeFile(ini(), bytes));

    expectNormalEnd(run({"--debug", "--user", "testbruker"}));
    const QStringList second = logLines();
    ASSERT_EQ(second.mid(0, first.size()), first);
    const QStringList added = second.mid(first.size());
    ASSERT_GE(added.size(), 6) << qPrintable(added.join('\n'));
    EXPECT_TRUE(added[0].contains(" START: ")) << qPrintable(added[0]);
    EXPECT_EQ(QFileInfo(added[0].section(" START: ", 1)).canonicalFilePath(), QFileInfo(program).canonicalFilePath());
    EXPECT_TRUE(hasMessage(added.mid(1, 1), "INIFIL: " + ini()));
    EXPECT_TRUE(hasMessage(added.mid(2, 1), "BRUKER: testbruker"));
    EXPECT_TRUE(added[3].contains(" LOGIN: " + loginName() + "  node: ")) << qPrintable(added[3]);
    const qsizetype n = added.size();
    EXPECT_TRUE(hasMessage(added.mid(n - 2, 1), "Oppdaterer " + ini())) << qPrintable(added.join('\n'));
    EXPECT_TRUE(hasMessage(added.mid(n - 1, 1), "AVSLUTTER PROGRAM. 0 feilmeldinger og 0 advarsler"));
    EXPECT_TRUE(testenv::readFile(logFile()).endsWith(" advarsler\r\n"));

    IniDocument after(ini());
    ASSERT_TRUE(after.load());
    EXPECT_EQ(after.value("INI_SELF", "MODIFIED_USER"), "testbruker");
    EXPECT_EQ(after.value("STANDARD", "LogToFile"), "1");
}

TEST_F(Program, StampsFollowTheRegionalDateAndTime)
{
    ASSERT_TRUE(testenv::writeFile(ini(), kWorkingTime + "LogToFile=1\r\n"));
    expectNormalEnd(run({}, "nb_NO.UTF-8"));
    const QRegularExpression stamp("^\\d\\d\\.\\d\\d\\.\\d{4}( \\d\\d:\\d\\d:\\d\\d)?$");
    const QStringList lines = logLines();
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(stamp.match(lines.first().section(" START: ", 0, 0)).hasMatch()) << qPrintable(lines.first());
    IniDocument doc(ini());
    ASSERT_TRUE(doc.load());
    EXPECT_TRUE(stamp.match(doc.value("INI_SELF", "MODIFIED_TIME")).hasMatch())
        << qPrintable(doc.value("INI_SELF", "MODIFIED_TIME"));
}

TEST_F(Program, ReadOnlySettingsFileIsNotTouched)
{
    const QString local = work() + "/veltrona.ini";
    const QByteArray content = kWorkingTime + "LogToFile=1\r\nVerboseLogging=1\r\n; hand-edited\r\n";
    ASSERT_TRUE(testenv::writeFile(local, content));
    fh::chmodPath(local, 0444);
    expectNormalEnd(run());
    EXPECT_EQ(testenv::readFile(local), content);
    EXPECT_EQ(fh::modeOf(local), 0444u);
    EXPECT_FALSE(QFileInfo::exists(ini()));
    EXPECT_TRUE(hasMessage(logLines(), "ADVARSEL: " + local + " er skrivebeskyttet og vil ikke bli lagret."))
        << qPrintable(logLines().join('\n'));
}

TEST_F(Program, UnusableApplicationDataFolderEndsNormallyAndSavesNothing)
{
    ASSERT_TRUE(testenv::writeFile(dir() + "/afile", "not a folder"));
    appdataDir = dir() + "/afile/appdata";
    const QString local = work() + "/veltrona.ini";
    ASSERT_TRUE(testenv::writeFile(local, kWorkingTime));
    fh::chmodPath(local, 0444);
    expectNormalEnd(run({"--debug"}));
    EXPECT_EQ(testenv::readFile(dir() + "/afile"), "not a folder");
    EXPECT_EQ(testenv::readFile(local), kWorkingTime);
    EXPECT_EQ(QDir(work()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList({"veltrona.ini"}));
}

// These two need BO_QUIT_AFTER_SHOW to end the run without closing the dialog, which would ask for
// the missing working time first.
TEST_F(Program, PristineFirstStartStampsCreatedAndModified)
{
    expectNormalEnd(run());
    IniDocument doc(ini());
    ASSERT_TRUE(doc.load());
    EXPECT_EQ(doc.value("INI_SELF", "CREATED_INIVERSION"), "5.52");
    EXPECT_EQ(doc.value("INI_SELF", "MODIFIED_BUILD"), "728");
    EXPECT_TRUE(testenv::readFile(ini()).startsWith("[INI_SELF]\r\nCREATED_TIME="));
    EXPECT_TRUE(QFileInfo(suite() + "maler/kvist4").isDir());
}

TEST_F(Program, SettingsFolderThatCannotBeCreatedEndsNormally)
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
    static const char nul[] = "\r\nA=\0\0\0\r\n\0[X]\r\n";
    const QByteArray big = "Big=" + QByteArray(10 * 1024 * 1024, 'z') + "\r\n";
    const QString local = work() + "/veltrona.ini";
    for (const QByteArray &input : {random + "\r\n" + kWorkingTime, kWorkingTime + QByteArray(nul, sizeof nul - 1),
                                    kWorkingTime + big}) {
        ASSERT_TRUE(testenv::writeFile(local, input));
        expectNormalEnd(run());
        IniDocument doc(local);
        ASSERT_TRUE(doc.load());
        EXPECT_EQ(doc.value("INI_SELF", "MODIFIED_BUILD"), "728");
        EXPECT_EQ(doc.value("STANDARD", "Arbeid_ArbeidstidSlutt"), "16:00");
    }
    IniDocument doc(local);
    ASSERT_TRUE(doc.load());
    EXPECT_EQ(doc.value("STANDARD", "Big").size(), 10 * 1024 * 1024);
}

} // namespace
