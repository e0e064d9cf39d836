// The suite's folder records and tree: veltronapath, setfolder, mkdirsafe, installfolders, logfolder,
// binfolder.
#include <QDir>
#include <cerrno>
#include <gtest/gtest.h>

#include "environment/hs_reg.h"
#include "environment/ini_document.h"
#include "support/foundation_helpers.h"
#include "support/test_env.h"

namespace {

const QStringList kTree = {"archive", "backup", "data", "data\\zentapod", "data\\ormskal", "data\\kvist4",
                           "data\\docs", "data\\rlbok", "etc", "export", "export\\xml", "export\\pdf",
                           "export\\csv", "export\\html", "export\\html\\varer", "import", "images", "spool",
                           "tmp", "xml", "log", "maler", "maler\\docs", "maler\\kvist4"};

QString asPath(QString name) { return name.replace('\\', '/'); }

class Folders : public TempEnvTest {
protected:
    void SetUp() override
    {
        TempEnvTest::SetUp();
        fh::fakeWorld(reg, dir());
        etc = dir() + "/etc/";
        QDir().mkpath(etc);
        hs_reg::values().etcdir = etc;
        hs_reg::values().ininame = etc + "veltrona.ini";
        hs_reg::openini(ini());
        textfil::values().LogEnabled = true;
    }
    QString ini() const { return hs_reg::values().ininame; }
    QString record(const QString &name) const
    {
        return hs_reg::settingsfile()->value("FOLDERS", name + "_folder", "<none>");
    }
    QString onDisk() const { return QString::fromLatin1(testenv::readFile(ini())); }

    FakeRegistry reg;
    QString etc;
};

TEST_F(Folders, TreeHasTheTwentyFourFoldersParentsFirst)
{
    EXPECT_EQ(hs_reg::suitetree(), kTree);
}

TEST_F(Folders, EmptyNameIsTheSuiteRootAndTouchesNothing)
{
    EXPECT_EQ(hs_reg::veltronapath(""), suite());
    EXPECT_FALSE(QFileInfo::exists(ini()));
    EXPECT_FALSE(hs_reg::settingsfile()->hasSection("FOLDERS"));
    EXPECT_TRUE(fh::logMessages().isEmpty());
}

TEST_F(Folders, MissingRecordGivesTheDefaultCreatedRecordedAndWritten)
{
    hs_reg::setsection("Mine");
    EXPECT_EQ(hs_reg::veltronapath("tmp"), suite() + "tmp/");
    EXPECT_EQ(hs_reg::inisection(), "Mine");
    EXPECT_TRUE(QFileInfo(suite() + "tmp").isDir());
    EXPECT_EQ(fh::logMessages(), QStringList({"hs_reg.veltronapath(tmp): Lager mappen " + suite() + "tmp/"}));
    EXPECT_EQ(record("tmp"), suite() + "tmp/");
    EXPECT_TRUE(onDisk().contains("[FOLDERS]\r\ntmp_folder=" + suite() + "tmp/\r\n")) << qPrintable(onDisk());

    // Found the second time: nothing created, nothing logged.
    EXPECT_EQ(hs_reg::veltronapath("TMP"), suite() + "tmp/");
    EXPECT_EQ(fh::logMessages().size(), 1);
}

TEST_F(Folders, NestedNameKeepsItsBackslashInTheKey)
{
    EXPECT_EQ(hs_reg::veltronapath("data\\zentapod"), suite() + "data/zentapod/");
    EXPECT_TRUE(QFileInfo(suite() + "data/zentapod").isDir());
    EXPECT_EQ(record("data\\zentapod"), suite() + "data/zentapod/");
    EXPECT_TRUE(onDisk().contains("data\\zentapod_folder=" + suite() + "data/zentapod/\r\n"));
}

TEST_F(Folders, RecordOutsideTheRootGetsItsSeparatorButIsNeverCreated)
{
    const QString outside = dir() + "/Data/tmp";
    hs_reg::settingsfile()->setValue("FOLDERS", "tmp_folder", outside);
    EXPECT_EQ(hs_reg::veltronapath("tmp"), outside + "/");
    EXPECT_FALSE(QFileInfo::exists(outside));
    EXPECT_EQ(record("tmp"), outside + "/");
    EXPECT_TRUE(fh::logMessages().isEmpty());
}

TEST_F(Folders, RecordBelowTheRootPointingNowhereIsCreated)
{
    const QString moved = suite() + "moved/deeper/tmp/";
    hs_reg::setfolder("tmp", moved);
    EXPECT_EQ(hs_reg::veltronapath("tmp"), moved);
    EXPECT_TRUE(QFileInfo(moved).isDir());
    EXPECT_EQ(fh::logMessages(), QStringList({"hs_reg.veltronapath(tmp): Lager mappen " + moved}));
}

TEST_F(Folders, BinIsNeverCreated)
{
    EXPECT_EQ(hs_reg::veltronapath("bin"), suite() + "bin/");
    EXPECT_FALSE(QFileInfo::exists(suite() + "bin"));
}

TEST_F(Folders, ReadOnlySettingsFileIsNotWrittenButTheRecordIsKept)
{
    testenv::writeFile(ini(), "[STANDARD]\r\nA=1\r\n");
    hs_reg::openini(ini());
    fh::chmodPath(ini(), 0444);
    EXPECT_EQ(hs_reg::veltronapath("tmp"), suite() + "tmp/");
    EXPECT_EQ(testenv::readFile(ini()), QByteArray("[STANDARD]\r\nA=1\r\n"));
    EXPECT_EQ(record("tmp"), suite() + "tmp/");
}

TEST_F(Folders, FailedWriteBackStillGivesThePath)
{
    QDir(etc).removeRecursively();
    EXPECT_EQ(hs_reg::veltronapath("tmp"), suite() + "tmp/");
    EXPECT_EQ(record("tmp"), suite() + "tmp/");
}

TEST_F(Folders, SetfolderRecordsInMemoryOnly)
{
    hs_reg::setsection("Mine");
    hs_reg::setfolder("data\\docs", "/srv/docs");
    hs_reg::setfolder("x", "/srv/x/");
    hs_reg::setfolder("empty", "");
    EXPECT_EQ(hs_reg::inisection(), "Mine");
    EXPECT_EQ(record("data\\docs"), "/srv/docs/");
    EXPECT_EQ(record("x"), "/srv/x/");
    EXPECT_EQ(record("empty"), "");
    EXPECT_FALSE(QFileInfo::exists(ini()));
}

TEST_F(Folders, MkdirsafeLogsSuccessAndThePlatformErrorNumber)
{
    const QString fresh = dir() + "/fresh";
    const QString orphan = dir() + "/no/parent";
    hs_reg::mkdirsafe(fresh);
    hs_reg::mkdirsafe(fresh);
    hs_reg::mkdirsafe(orphan);
    EXPECT_TRUE(QFileInfo(fresh).isDir());
    EXPECT_FALSE(QFileInfo::exists(dir() + "/no"));
    EXPECT_EQ(fh::logMessages(),
              QStringList({"Oppretter mappen " + fresh,
                           QString("FEIL: [mkdirsafe:%1] kan ikke opprette mappen ").arg(EEXIST) + fresh,
                           QString("FEIL: [mkdirsafe:%1] kan ikke opprette mappen ").arg(ENOENT) + orphan}));
    EXPECT_EQ(textfil::values().ErrorCount, 2);
}

TEST_F(Folders, InstallCreatesAndRecordsTheTree)
{
    hs_reg::installfolders();
    QStringList expectedLog;
    for (const QString &name : kTree) {
        const QString path = suite() + asPath(name);
        EXPECT_TRUE(QFileInfo(path).isDir()) << qPrintable(name);
        EXPECT_EQ(record(name), path + "/");
        expectedLog << "Oppretter mappen " + path;
    }
    EXPECT_EQ(fh::logMessages(), expectedLog);
    EXPECT_EQ(record("bin"), dir() + "/prog/bin/");
    EXPECT_EQ(record("doc"), dir() + "/prog/doc/");
    EXPECT_FALSE(QFileInfo::exists(dir() + "/prog"));
    EXPECT_EQ(textfil::values().ErrorCount, 0);
    EXPECT_TRUE(onDisk().contains("bin_folder=" + dir() + "/prog/bin/\r\n"));  // written through binfolder
}

TEST_F(Folders, InstallOverAnExistingTreeLogsEveryFolderAndResetsRecords)
{
    for (const QString &name : kTree)
        QDir().mkpath(suite() + asPath(name));
    hs_reg::setfolder("archive", "/elsewhere/archive/");
    hs_reg::setfolder("etc", etc);
    hs_reg::installfolders();
    const QStringList errors = fh::startingWith(fh::logMessages(), "FEIL: [mkdirsafe:");
    ASSERT_EQ(errors.size(), 24);
    for (int i = 0; i < 24; ++i)
        EXPECT_EQ(errors[i], QString("FEIL: [mkdirsafe:%1] kan ikke opprette mappen ").arg(EEXIST) + suite() +
                                 asPath(kTree[i]));
    EXPECT_EQ(textfil::values().ErrorCount, 24);
    EXPECT_EQ(record("archive"), suite() + "archive/");
    EXPECT_EQ(record("etc"), suite() + "etc/");
}

TEST_F(Folders, InstallCreatesAMissingSuiteRootWithItsParents)
{
    qputenv("APPDATA", (dir() + "/deep/app data").toLocal8Bit());
    hs_reg::installfolders();
    EXPECT_TRUE(QFileInfo(dir() + "/deep/app data/Veltrona/maler/kvist4").isDir());
    EXPECT_EQ(record("tmp"), dir() + "/deep/app data/Veltrona/tmp/");
}

TEST_F(Folders, LogfolderIsCreatedAndRepairedWhenItPointsNowhere)
{
    EXPECT_EQ(hs_reg::logfolder(), suite() + "log/");
    EXPECT_TRUE(QFileInfo(suite() + "log").isDir());

    hs_reg::setfolder("log", dir() + "/gone/log");
    EXPECT_EQ(hs_reg::logfolder(), suite() + "log/");
    EXPECT_EQ(record("log"), suite() + "log/");
    EXPECT_FALSE(QFileInfo::exists(dir() + "/gone"));
}

TEST_F(Folders, BinfolderIsTheProgramsOwnFolder)
{
    EXPECT_EQ(hs_reg::binfolder(), dir() + "/prog/bin/");
    EXPECT_EQ(record("bin"), dir() + "/prog/bin/");
    EXPECT_FALSE(QFileInfo::exists(dir() + "/prog"));
    EXPECT_TRUE(QFileInfo::exists(ini()));
}

} // namespace
