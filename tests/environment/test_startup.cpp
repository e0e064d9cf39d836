// The environment start-up and shut-down in process: the command line, where the settings live, the
// log lines of whole runs, the read-only settings file and the failed write-back.
#include <QDir>
#include <cerrno>
#include <gtest/gtest.h>

#include "environment/hs_reg.h"
#include "environment/ini_document.h"
#include "support/foundation_helpers.h"
#include "support/test_env.h"
#include "support/test_names.h"

namespace {

// --- Command line ----------------------------------------------------------------------------------

struct ArgsCase {
    QStringList args;
    bool debug = false;
    bool install = false;
    QString ip, caption, user;
};

class CommandLine : public TempEnvTest, public ::testing::WithParamInterface<ArgsCase> {};

TEST_P(CommandLine, IsScannedExactly)
{
    const ArgsCase c = GetParam();
    hs_reg::scanCommandLine(c.args);
    const QString what = c.args.join(' ');
    EXPECT_EQ(textfil::values().LogEnabled, c.debug || c.install) << qPrintable(what);
    EXPECT_EQ(textfil::values().VerboseLog, c.debug || c.install) << qPrintable(what);
    EXPECT_EQ(hs_reg::values().installrequested, c.install) << qPrintable(what);
    EXPECT_EQ(hs_reg::values().ipoverride, c.ip) << qPrintable(what);
    EXPECT_EQ(hs_reg::values().captionoverride, c.caption) << qPrintable(what);
    EXPECT_EQ(hs_reg::values().useroverride, c.user) << qPrintable(what);
}

INSTANTIATE_TEST_SUITE_P(Table, CommandLine, ::testing::Values(
    ArgsCase{{}},
    ArgsCase{{"--debug"}, true},
    ArgsCase{{"--DEBUG"}}, ArgsCase{{"-debug"}}, ArgsCase{{"--debug=1"}}, ArgsCase{{"--deb"}}, ArgsCase{{" --debug"}},
    ArgsCase{{"-install"}, false, true},
    ArgsCase{{"--install"}}, ArgsCase{{"-Install"}},
    ArgsCase{{"-ip", "10.9.8.7"}, false, false, "10.9.8.7"},
    ArgsCase{{"-ip"}},
    ArgsCase{{"-ip=1.2.3.4"}},
    ArgsCase{{"--caption", "Min nettleser"}, false, false, "", "Min nettleser"},
    ArgsCase{{"--user", "--debug"}, true, false, "", "", "--debug"},
    ArgsCase{{"-ip", "--user", "kari"}, false, false, "--user", "", "kari"},
    ArgsCase{{"--caption", "-ip", "x"}, false, false, "x", "-ip"},
    ArgsCase{{"--user", "a", "--user", "b"}, false, false, "", "", "b"},
    ArgsCase{{"--user", "a", "--user"}, false, false, "", "", ""},
    ArgsCase{{"file.txt", "-install", "--user", "per", "-x"}, false, true, "", "", "per"}),
    testnames::by([](const ArgsCase &c) { return c.args.isEmpty() ? QStringLiteral("no arguments") : c.args.join(QLatin1Char(' ')); }));

// --- Whole start-ups -------------------------------------------------------------------------------

class Startup : public TempEnvTest {
protected:
    void SetUp() override
    {
        TempEnvTest::SetUp();
        program = fh::fakeWorld(reg, dir());
        stamp = textfil::datetimetext();
        logFile = suite() + "log/bruker-oppsett.log";
    }
    void start(const QStringList &args = {})
    {
        textfil::prepare();
        hs_reg::startup(args);
    }
    // Shuts down; the log's messages as they were just before the log was written and released.
    bool stop()
    {
        hs_reg::shutdown();
        atExit = fh::logMessages();
        return textfil::finish();
    }
    void settingsInWorkingFolder(const QByteArray &bytes) { ASSERT_TRUE(testenv::writeFile(work() + "/veltrona.ini", bytes)); }
    void existingTree(int count = 24)
    {
        for (int i = 0; i < count; ++i)
            QDir().mkpath(suite() + hs_reg::folderNameAsPath(hs_reg::suitetree()[i]));
    }
    QStringList startLines(const QString &ininame) const
    {
        return {"START: " + program, "INIFIL: " + ininame, "BRUKER: kari"};
    }
    QStringList logFileLines() const
    {
        return textfile::splitLines(textfile::decode(testenv::readFile(logFile)));
    }

    FakeRegistry reg;
    QString program, stamp, logFile;
    QStringList atExit;
};

TEST_F(Startup, SettingsInTheWorkingFolderAreUsed)
{
    settingsInWorkingFolder("[STANDARD]\r\nA=1\r\n");
    existingTree();
    start();
    EXPECT_EQ(hs_reg::values().etcdir, work() + "/");
    EXPECT_EQ(hs_reg::values().ininame, work() + "/veltrona.ini");
    EXPECT_EQ(hs_reg::inisection(), "STANDARD");
    EXPECT_EQ(hs_reg::readstr("A"), "1");
    EXPECT_EQ(hs_reg::settingsfile()->value("FOLDERS", "etc_folder"), work() + "/");
    EXPECT_EQ(hs_reg::settingsfile()->value("INI_SELF", "MODIFIED_NAME"), work() + "/veltrona.ini");
    EXPECT_EQ(textfil::values().LogFile, logFile);
}

TEST_F(Startup, SettingsBesideTheProgramAreNotUsed)
{
    ASSERT_TRUE(testenv::writeFile(dir() + "/prog/bin/veltrona.ini", "[STANDARD]\r\nA=beside\r\n"));
    start();
    EXPECT_EQ(hs_reg::values().etcdir, suite() + "etc/");
    EXPECT_EQ(hs_reg::values().ininame, suite() + "etc/veltrona.ini");
    EXPECT_TRUE(QFileInfo(suite() + "etc").isDir());
    EXPECT_EQ(hs_reg::readstr("A"), "");
}

TEST_F(Startup, FirstStartCreatesTheTreeAndWritesEverythingAtExit)
{
    start();
    for (const QString &name : hs_reg::suitetree())
        EXPECT_TRUE(QFileInfo(suite() + hs_reg::folderNameAsPath(name)).isDir()) << qPrintable(name);
    EXPECT_TRUE(fh::logMessages().isEmpty());
    EXPECT_TRUE(stop());

    IniDocument ini(suite() + "etc/veltrona.ini");
    ASSERT_TRUE(ini.load());
    EXPECT_EQ(ini.value("INI_SELF", "CREATED_INIVERSION"), "5.52");
    EXPECT_EQ(ini.value("INI_SELF", "MODIFIED_BUILD"), "728");
    EXPECT_EQ(ini.value("FOLDERS", "etc_folder"), suite() + "etc/");
    EXPECT_EQ(ini.value("FOLDERS", "maler\\kvist4_folder"), suite() + "maler/kvist4/");
    EXPECT_TRUE(QFileInfo::exists(logFile));
    EXPECT_EQ(testenv::readFile(logFile), QByteArray());  // logging off, no earlier log
}

TEST_F(Startup, DebugAloneLogsOnlyUntilTheSettingsAreRead)
{
    settingsInWorkingFolder("[STANDARD]\r\n");
    start({"--debug"});
    QStringList created;
    for (const QString &name : hs_reg::suitetree())
        created << "Oppretter mappen " + suite() + hs_reg::folderNameAsPath(name);
    EXPECT_EQ(fh::logMessages(), created);
    EXPECT_FALSE(textfil::values().LogEnabled);
    EXPECT_TRUE(textfil::values().VerboseLog);
    textfil::WriteLog("FEIL: dropped");
    EXPECT_TRUE(stop());
    EXPECT_EQ(atExit, created);
    EXPECT_EQ(logFileLines().size(), 24);
}

TEST_F(Startup, LogToFileAloneGivesTheThreeStartLines)
{
    settingsInWorkingFolder("[STANDARD]\r\nlogtofile=1\r\n");
    existingTree();
    start();
    const QStringList expected = startLines(work() + "/veltrona.ini");
    EXPECT_EQ(fh::logMessages(), expected);
    EXPECT_EQ(textfil::values().LogLines.at(0), stamp + " START: " + program);
    EXPECT_FALSE(textfil::values().VerboseLog);
    EXPECT_TRUE(stop());
    EXPECT_EQ(atExit, expected);
    QStringList stamped;
    for (const QString &m : expected)
        stamped << stamp + " " + m;
    EXPECT_EQ(logFileLines(), stamped);
    EXPECT_TRUE(testenv::readFile(logFile).endsWith("BRUKER: kari\r\n"));
}

// A settings file Notepad saved as UTF-8 without a byte-order mark (issue 19). At a first start the
// folder tree is recorded, and the file written, before the log is switched on: the warning still
// comes, once, when the log is on.
TEST_F(Startup, NotepadSettingsFileIsWrittenInTheCodePageWithOneWarning)
{
    settingsInWorkingFolder(QStringLiteral("[STANDARD]\r\nLogToFile=1\r\nFirma_Navn=Blåbær AS\r\n").toUtf8());
    start();
    const QString warning = "ADVARSEL: " + work() + "/veltrona.ini var lagret som UTF-8 uten BOM, som suitens "
                            "Windows-programmer ikke leser riktig; skrevet om til ANSI (8-biters tegntabell)";
    EXPECT_EQ(fh::logMessages(), QStringList{warning} + startLines(work() + "/veltrona.ini"));
    EXPECT_TRUE(stop());
    EXPECT_EQ(fh::startingWith(atExit, "ADVARSEL: "), QStringList{warning});
    EXPECT_EQ(fh::startingWith(logFileLines(), stamp + " ADVARSEL: ").size(), 1);
    const QByteArray bytes = testenv::readFile(work() + "/veltrona.ini");
    EXPECT_TRUE(bytes.startsWith("[STANDARD]\r\nLogToFile=1\r\nFirma_Navn=Bl\xE5" "b\xE6r AS\r\n")) << bytes.constData();
    EXPECT_EQ(textfile::detect(bytes), textfile::Encoding::Ansi);
}

TEST_F(Startup, NotepadSettingsFileWithTheLogOffIsWrittenInTheCodePageWithoutALine)
{
    settingsInWorkingFolder(QStringLiteral("[STANDARD]\r\nFirma_Navn=Blåbær AS\r\n").toUtf8());
    existingTree();
    start();
    EXPECT_TRUE(stop());
    EXPECT_TRUE(atExit.isEmpty());
    EXPECT_EQ(textfile::detect(testenv::readFile(work() + "/veltrona.ini")), textfile::Encoding::Ansi);
}

struct VerboseCase {
    const char *name;
    QStringList args;
    QByteArray settings;
};

class VerboseRun : public Startup, public ::testing::WithParamInterface<VerboseCase> {};

TEST_P(VerboseRun, LogsLoginAndExitLines)
{
    settingsInWorkingFolder(GetParam().settings);
    existingTree();
    start(GetParam().args);
    const QString ini = work() + "/veltrona.ini";
    EXPECT_EQ(fh::logMessages(), startLines(ini) + QStringList{fh::kStandardLogin});
    textfil::WriteLog("HINT: one");
    textfil::WriteLog("ADVARSEL: two");
    textfil::WriteLog("FEIL: three");
    EXPECT_TRUE(stop());
    EXPECT_EQ(atExit.mid(7), QStringList({"Oppdaterer " + ini,
                                                     "AVSLUTTER PROGRAM. 1 feilmeldinger og 1 advarsler",
                                                     "Det ble gitt 1 hint i programmet"}));
    EXPECT_EQ(logFileLines().size(), 10);
}

INSTANTIATE_TEST_SUITE_P(Table, VerboseRun, ::testing::Values(
    VerboseCase{"debug", {"--debug"}, "[STANDARD]\r\nLogToFile=1\r\n"},
    VerboseCase{"setting", {}, "[STANDARD]\r\nLogToFile=1\r\nVerboseLogging=1\r\n"},
    VerboseCase{"overrides", {"--user", "kari", "-ip", "10.1.2.3"}, "[STANDARD]\r\nLogToFile=1\r\nVerboseLogging=1\r\n"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(Startup, NoHintLineWithoutHintsAndVerboseNeedsLogToFile)
{
    settingsInWorkingFolder("[STANDARD]\r\nLogToFile=1\r\nVerboseLogging=1\r\n");
    existingTree();
    start();
    EXPECT_TRUE(stop());
    EXPECT_EQ(fh::lastOf(atExit), "AVSLUTTER PROGRAM. 0 feilmeldinger og 0 advarsler");

    textfil::reset();
    hs_reg::reset();
    settingsInWorkingFolder("[STANDARD]\r\nVerboseLogging=1\r\n");
    start();
    EXPECT_FALSE(textfil::values().VerboseLog);
    EXPECT_FALSE(textfil::values().LogEnabled);
}

TEST_F(Startup, InstallOverAnExistingTreeLogsTwentyFourFailures)
{
    settingsInWorkingFolder("[STANDARD]\r\nLogToFile=1\r\n\r\n[FOLDERS]\r\narchive_folder=/elsewhere/archive/\r\n");
    existingTree();
    start({"-install"});
    const QStringList errors = fh::startingWith(fh::logMessages(), "FEIL: [mkdirsafe:");
    ASSERT_EQ(errors.size(), 24);
    EXPECT_EQ(errors.first(), QString("FEIL: [mkdirsafe:%1] kan ikke opprette mappen ").arg(EEXIST) + suite() + "archive");
    EXPECT_EQ(fh::logMessages().mid(24, 3), startLines(work() + "/veltrona.ini"));
    EXPECT_EQ(textfil::values().ErrorCount, 24);
    EXPECT_EQ(hs_reg::settingsfile()->value("FOLDERS", "archive_folder"), suite() + "archive/");
    EXPECT_TRUE(stop());
    EXPECT_TRUE(atExit.contains("AVSLUTTER PROGRAM. 24 feilmeldinger og 0 advarsler"));
    EXPECT_EQ(fh::startingWith(logFileLines(), stamp + " FEIL: [mkdirsafe:").size(), 24);
}

TEST_F(Startup, TreeIsCreatedAtMostOncePerStart)
{
    settingsInWorkingFolder("[STANDARD]\r\nLogToFile=1\r\n");
    start({"-install"});  // no data folder and -install
    EXPECT_EQ(fh::startingWith(fh::logMessages(), "Oppretter mappen ").size(), 24);
    EXPECT_TRUE(fh::startingWith(fh::logMessages(), "FEIL:").isEmpty());
}

TEST_F(Startup, ReadOnlySettingsFileIsLeftUntouched)
{
    settingsInWorkingFolder("[STANDARD]\r\n  LogToFile = 1 \r\n; hand-edited\r\nVerboseLogging=1\r\n");
    const QString ini = work() + "/veltrona.ini";
    fh::chmodPath(ini, 0444);
    const QByteArray before = testenv::readFile(ini);
    start();  // no tree yet: the folder lookups would write the file too
    hs_reg::writestr("Changed", "1");
    EXPECT_TRUE(stop());
    EXPECT_EQ(testenv::readFile(ini), before);
    EXPECT_EQ(fh::modeOf(ini), 0444u);
    const QStringList log = atExit;
    EXPECT_TRUE(log.contains("ADVARSEL: " + ini + " er skrivebeskyttet og vil ikke bli lagret.")) << qPrintable(log.join('\n'));
    EXPECT_FALSE(fh::startingWith(log, "Oppdaterer ").size());
    EXPECT_EQ(fh::lastOf(log), "AVSLUTTER PROGRAM. 0 feilmeldinger og 1 advarsler");
}

TEST_F(Startup, ReadOnlySettingsFileWithoutVerboseLogsNothingAtExit)
{
    settingsInWorkingFolder("[STANDARD]\r\nLogToFile=1\r\n");
    const QString ini = work() + "/veltrona.ini";
    existingTree();
    fh::chmodPath(ini, 0444);
    start();
    EXPECT_TRUE(stop());
    EXPECT_EQ(testenv::readFile(ini), QByteArray("[STANDARD]\r\nLogToFile=1\r\n"));
    EXPECT_EQ(atExit, startLines(ini));
}

TEST_F(Startup, FailedWriteBackIsLoggedAndShutDownGoesOn)
{
    ASSERT_TRUE(testenv::writeFile(suite() + "etc/veltrona.ini", "[STANDARD]\r\nLogToFile=1\r\n"));
    existingTree();
    start();
    const QString ini = suite() + "etc/veltrona.ini";
    ASSERT_EQ(hs_reg::values().ininame, ini);
    ASSERT_TRUE(QDir(suite() + "etc").removeRecursively());
    EXPECT_TRUE(stop());
    EXPECT_EQ(fh::lastOf(atExit), "INI-CRASH i HS_REG: " + ini);
    EXPECT_EQ(fh::lastOf(logFileLines()), stamp + " INI-CRASH i HS_REG: " + ini);
    EXPECT_FALSE(QFileInfo::exists(ini));
}

TEST_F(Startup, EarlierLogIsCarriedOnAndEarlyLinesAreKeptAfterIt)
{
    ASSERT_TRUE(testenv::writeFile(logFile, "old 1\r\nold 2\r\n"));
    settingsInWorkingFolder("[STANDARD]\r\nLogToFile=1\r\n");
    start({"--debug"});
    const QStringList log = fh::logMessages();
    ASSERT_EQ(log.size(), 2 + 24 + 4) << qPrintable(log.join('\n'));
    EXPECT_EQ(log.mid(0, 2), QStringList({"old 1", "old 2"}));
    EXPECT_EQ(log[2], "Oppretter mappen " + suite() + "archive");
    EXPECT_EQ(log.mid(26), startLines(work() + "/veltrona.ini") + QStringList{fh::kStandardLogin});
}

TEST_F(Startup, ClearLogOnStartupLeavesTheOneLine)
{
    ASSERT_TRUE(testenv::writeFile(logFile, "old 1\r\nFEIL: old\r\n"));
    settingsInWorkingFolder("[STANDARD]\r\nClearLogFileOnStartup=1\r\n");
    existingTree();
    start();
    const QString line = stamp + " LOGGFIL TØMT (TextFile.ClearLog).";
    EXPECT_EQ(textfil::values().LogLines.toStringList(), QStringList({line}));
    EXPECT_EQ(textfil::values().ErrorCount, 0);
    EXPECT_TRUE(stop());
    EXPECT_EQ(logFileLines(), QStringList({line}));
}

TEST_F(Startup, TemporaryFilesAreDeletedWhenAsked)
{
    settingsInWorkingFolder("[STANDARD]\r\nDeleteTemporaryFiles=1\r\nDeleteSystemTemporaryFiles=0\r\n");
    existingTree();
    ASSERT_TRUE(testenv::writeFile(suite() + "tmp/sub/old.tmp", "x"));
    ASSERT_TRUE(testenv::writeFile(dir() + "/temp/keep.tmp", "x"));
    start();
    EXPECT_TRUE(QFileInfo(suite() + "tmp").isDir());
    EXPECT_FALSE(QFileInfo::exists(suite() + "tmp/sub"));
    EXPECT_TRUE(QFileInfo::exists(dir() + "/temp/keep.tmp"));
}

TEST_F(Startup, SettingsFolderThatCannotBeCreatedSavesNothing)
{
    ASSERT_TRUE(testenv::writeFile(dir() + "/afile", "not a folder"));
    qputenv("APPDATA", (dir() + "/afile/appdata").toLocal8Bit());
    start({"--debug"});
    ASSERT_NE(hs_reg::settingsfile(), nullptr);
    hs_reg::writestr("A", "1");
    EXPECT_EQ(hs_reg::readstr("A"), "1");
    stop();  // the log cannot be written either; the run still ends
    EXPECT_EQ(testenv::readFile(dir() + "/afile"), "not a folder");
    EXPECT_FALSE(QFileInfo::exists(work() + "/veltrona.ini"));
}

} // namespace
