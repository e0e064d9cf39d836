// The clean-up of temporary folders, tried on real trees: what goes, what stays, the guards, the lines.
#include <QDir>
#include <QFile>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include "environment/hs_reg.h"
#include "environment/ini_document.h"
#include "support/foundation_helpers.h"
#include "support/ordinary_user.h"
#include "support/test_env.h"

namespace {

class Cleanup : public TempEnvTest {
protected:
    void SetUp() override
    {
        TempEnvTest::SetUp();
        platform::installRegistry(&reg);
        fh::fixClock();
        textfil::values().LogEnabled = true;
    }
    void file(const QString &path, const QByteArray &bytes = "data")
    {
        ASSERT_TRUE(testenv::writeFile(path, bytes)) << qPrintable(path);
    }
    static QStringList entries(const QString &folder)
    {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }
    void openSettings()
    {
        hs_reg::values().etcdir = dir() + "/etc/";
        hs_reg::values().ininame = dir() + "/etc/veltrona.ini";
        QDir().mkpath(dir() + "/etc");
        hs_reg::openini(hs_reg::values().ininame);
    }
    FakeRegistry reg;
};

TEST_F(Cleanup, EmptiesEverythingButTheRootAndNeverFollowsALink)
{
    const QString root = dir() + "/scratch-tmp";
    const QString outside = dir() + "/precious";
    file(outside + "/keep.txt", "keep me");
    file(outside + "/inner/deep.txt", "deep");
    file(dir() + "/lonely.txt", "single");

    file(root + "/plain.txt");
    file(root + "/.hidden");
    file(root + "/readonly.txt");
    fh::chmodPath(root + "/readonly.txt", 0444);
    file(root + "/sub/deeper/x.txt");
    file(root + "/sub/.hiddendir/y");
    file(root + "/rodir/z");
    fh::chmodPath(root + "/rodir", 0555);
    QDir().mkpath(root + "/emptydir");
    ASSERT_TRUE(QFile::link(outside, root + "/sub/link-to-folder"));
    ASSERT_TRUE(QFile::link(dir() + "/lonely.txt", root + "/link-to-file"));
    ASSERT_TRUE(QFile::link(dir() + "/nowhere", root + "/dangling"));

    {
        // As the user whose scratch it is: root could empty a read-only folder anyway.
        testenv::OrdinaryUser user(dir());
        ASSERT_TRUE(user.ok()) << qPrintable(user.why());
        hs_reg::clearfolder(root);
    }

    EXPECT_TRUE(QFileInfo(root).isDir());
    EXPECT_EQ(entries(root), QStringList());
    EXPECT_EQ(testenv::readFile(outside + "/keep.txt"), "keep me");
    EXPECT_EQ(testenv::readFile(outside + "/inner/deep.txt"), "deep");
    EXPECT_EQ(testenv::readFile(dir() + "/lonely.txt"), "single");
    EXPECT_TRUE(fh::startingWith(fh::logMessages(), "FEIL:").isEmpty()) << qPrintable(fh::logMessages().join('\n'));
    EXPECT_EQ(textfil::values().ErrorCount, 0);
}

// A network share or a bind mount below the root belongs to another file system: its files are not
// the suite's scratch, whoever may delete them.
TEST_F(Cleanup, AnotherFileSystemMountedBelowTheRootIsNeitherEnteredNorRemoved)
{
    // A mount namespace of this test process's own: nothing is left mounted when it ends.
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        GTEST_SKIP() << "no mount namespace can be made here (needs root)";
    const QString root = dir() + "/scratch-tmp";
    file(root + "/plain.txt");
    QDir().mkpath(root + "/share");
    QDir().mkpath(root + "/sub/bound");
    file(dir() + "/elsewhere/kept.txt", "bound");
    ASSERT_EQ(::mount("tmpfs", QFile::encodeName(root + "/share").constData(), "tmpfs", 0, "size=1m"), 0);
    file(root + "/share/on-the-share.txt", "share");
    // A bind mount of a folder of the same file system: the device number alone would not tell.
    ASSERT_EQ(::mount(QFile::encodeName(dir() + "/elsewhere").constData(), QFile::encodeName(root + "/sub/bound").constData(),
                      nullptr, MS_BIND, nullptr),
              0);

    hs_reg::clearfolder(root);

    EXPECT_EQ(testenv::readFile(root + "/share/on-the-share.txt"), "share");
    EXPECT_EQ(testenv::readFile(root + "/sub/bound/kept.txt"), "bound");
    EXPECT_EQ(testenv::readFile(dir() + "/elsewhere/kept.txt"), "bound");
    EXPECT_FALSE(QFile::exists(root + "/plain.txt"));
    QStringList failures = fh::startingWith(fh::logMessages(), "FEIL:");
    failures.sort();
    EXPECT_EQ(failures,
              QStringList({"FEIL: kan ikke slette mappen " + root + "/share/", "FEIL: kan ikke slette mappen " + root + "/sub/",
                           "FEIL: kan ikke slette mappen " + root + "/sub/bound/"}));
    ::umount2(QFile::encodeName(root + "/sub/bound").constData(), MNT_DETACH);
    ::umount2(QFile::encodeName(root + "/share").constData(), MNT_DETACH);
}

TEST_F(Cleanup, VerboseLinesComeFolderFirstThenItsFiles)
{
    textfil::values().VerboseLog = true;
    const QString root = dir() + "/scratch-tmp";  // given without its separator
    file(root + "/a.txt");
    file(root + "/sub/b.txt");
    hs_reg::clearfolder(root);

    const QStringList log = fh::logMessages();
    const QString r = root + "/";
    ASSERT_EQ(log.size(), 4) << qPrintable(log.join('\n'));
    EXPECT_EQ(log.first(), "Sletter mappen " + r);
    EXPECT_TRUE(log.contains("Sletter " + r + "a.txt"));
    const qsizetype sub = log.indexOf("Sletter mappen " + r + "sub/");
    ASSERT_GE(sub, 0);
    EXPECT_EQ(log.indexOf("Sletter " + r + "sub/b.txt"), sub + 1);
}

TEST_F(Cleanup, QuietWithoutVerbose)
{
    file(dir() + "/scratch-tmp/a.txt");
    hs_reg::clearfolder(dir() + "/scratch-tmp/");
    EXPECT_TRUE(fh::logMessages().isEmpty());
    EXPECT_EQ(entries(dir() + "/scratch-tmp"), QStringList());
}

TEST_F(Cleanup, ShortPathsAreRefusedByLength)
{
    // Relative to the working folder: "ab/tm/" has 6 characters, "ab/tmp/" has 7.
    file(work() + "/ab/tm/keep.txt");
    file(work() + "/ab/tmp/go.txt");
    file(work() + "/abcde/keep.txt");
    hs_reg::clearfolder("ab/tm");
    hs_reg::clearfolder("ab/tm/");
    hs_reg::clearfolder("abcde");
    EXPECT_TRUE(QFileInfo::exists(work() + "/ab/tm/keep.txt"));
    EXPECT_TRUE(QFileInfo::exists(work() + "/abcde/keep.txt"));
    hs_reg::clearfolder("ab/tmp");
    EXPECT_FALSE(QFileInfo::exists(work() + "/ab/tmp/go.txt"));
    EXPECT_TRUE(QFileInfo(work() + "/ab/tmp").isDir());
    EXPECT_TRUE(fh::logMessages().isEmpty());
}

TEST_F(Cleanup, NamesThatAreNotValidTextAndDeepTreesGoToo)
{
    // A name in some other encoding (a byte that is not UTF-8) cannot survive a round trip through text,
    // and a deep tree makes long paths; both must still be removed.
    const QString root = dir() + "/scratch-tmp";
    QString deep = root;
    for (int i = 0; i < 60; ++i)
        deep += "/level-" + QString::number(i);
    file(deep + "/bottom.txt");
    const QByteArray odd = QFile::encodeName(root + "/sub") + "/caf\xe9.txt";
    file(root + "/sub/plain.txt");
    const int fd = ::open(odd.constData(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);

    hs_reg::clearfolder(root);

    EXPECT_EQ(entries(root), QStringList());
    EXPECT_TRUE(fh::logMessages().isEmpty()) << qPrintable(fh::logMessages().join('\n'));
}

TEST_F(Cleanup, MissingFolderIsSkippedSilently)
{
    textfil::values().VerboseLog = true;
    hs_reg::clearfolder(dir() + "/no-such-folder");
    EXPECT_TRUE(fh::logMessages().isEmpty());
}

TEST_F(Cleanup, FileThatCannotBeDeletedIsReportedAndItsFolderStays)
{
    const QString root = dir() + "/scratch-tmp/";
    file(root + "stuck/held.txt");
    file(root + "stuck/free.txt");
    file(root + "other.txt");
    fh::Immutable lock(root + "stuck/held.txt");
    if (!lock.ok())
        GTEST_SKIP() << "this file system cannot mark a file immutable";
    hs_reg::clearfolder(root);
    EXPECT_EQ(fh::logMessages(), QStringList({"FEIL: kan ikke slette filen " + root + "stuck/held.txt",
                                              "FEIL: kan ikke slette mappen " + root + "stuck/"}));
    EXPECT_EQ(textfil::values().ErrorCount, 2);
    EXPECT_EQ(entries(root), QStringList({"stuck"}));
    EXPECT_EQ(entries(root + "stuck"), QStringList({"held.txt"}));
}

// --- deletetempfiles -------------------------------------------------------------------------------

TEST_F(Cleanup, OwnTemporaryFolderOnlyWithoutTheSystemFlag)
{
    openSettings();
    file(suite() + "tmp/old.tmp");
    file(dir() + "/temp/keep.tmp");
    file(dir() + "/spool/job.spl");
    reg.setText(fh::kPrintersKey, u"DefaultSpoolDirectory", fh::u(dir() + "/spool"));
    hs_reg::deletetempfiles(false);
    EXPECT_EQ(entries(suite() + "tmp"), QStringList());
    EXPECT_TRUE(QFileInfo::exists(dir() + "/temp/keep.tmp"));
    EXPECT_TRUE(QFileInfo::exists(dir() + "/spool/job.spl"));
    EXPECT_EQ(fh::logMessages(), QStringList({"Sletter midlertidige filer opprettet av Veltrona programmer"}));
    EXPECT_EQ(hs_reg::settingsfile()->value("FOLDERS", "tmp_folder"), suite() + "tmp/");
}

TEST_F(Cleanup, SystemFoldersWithTheFlag)
{
    openSettings();
    file(suite() + "tmp/old.tmp");
    file(dir() + "/temp/a.tmp");
    file(dir() + "/win/temp/b.tmp");
    file(dir() + "/spool/job.spl");
    qputenv("WINDIR", (dir() + "/win").toLocal8Bit());
    reg.setText(fh::kPrintersKey, u"DefaultSpoolDirectory", fh::u(dir() + "/spool"));
    hs_reg::deletetempfiles(true);
    for (const QString &f : {suite() + "tmp", dir() + "/temp", dir() + "/win/temp", dir() + "/spool"}) {
        EXPECT_TRUE(QFileInfo(f).isDir()) << qPrintable(f);
        EXPECT_EQ(entries(f), QStringList()) << qPrintable(f);
    }
    EXPECT_EQ(fh::logMessages(), QStringList({"Sletter midlertidige filer opprettet av Veltrona programmer",
                                              "Sletter midlertidige filer i Windows", "Sletter skriverkøer"}));
}

TEST_F(Cleanup, TempUnsetSkipsTheSystemTemporaryFoldersButNotTheSpool)
{
    openSettings();
    qunsetenv("TEMP");
    QDir().mkpath(suite() + "tmp");
    file(dir() + "/win/temp/b.tmp");
    file(dir() + "/spool/job.spl");
    qputenv("WINDIR", (dir() + "/win").toLocal8Bit());
    reg.setText(fh::kPrintersKey, u"DefaultSpoolDirectory", fh::u(dir() + "/spool"));
    hs_reg::deletetempfiles(true);
    EXPECT_TRUE(QFileInfo::exists(dir() + "/win/temp/b.tmp"));
    EXPECT_FALSE(QFileInfo::exists(dir() + "/spool/job.spl"));
    EXPECT_EQ(fh::logMessages(), QStringList({"Sletter midlertidige filer opprettet av Veltrona programmer",
                                              "Sletter skriverkøer"}));
}

TEST_F(Cleanup, WindirUnsetIsHarmless)
{
    openSettings();
    qunsetenv("WINDIR");
    file(dir() + "/temp/a.tmp");
    hs_reg::deletetempfiles(true);
    EXPECT_FALSE(QFileInfo::exists(dir() + "/temp/a.tmp"));
    EXPECT_TRUE(fh::startingWith(fh::logMessages(), "FEIL:").isEmpty());
}

TEST_F(Cleanup, FoldersWithoutTheExpectedNameAreNotTouched)
{
    // Relative paths keep the temporary base folder's own "tmp" out of the name test.
    openSettings();
    hs_reg::settingsfile()->setValue("FOLDERS", "tmp_folder", "scratch/");
    file(work() + "/scratch/keep.txt");
    file(work() + "/sysdir/keep.txt");   // no "TEMP" in it
    file(work() + "/printq/keep.txt");   // no "SPOOL" in it
    qputenv("TEMP", "sysdir");
    reg.setText(fh::kPrintersKey, u"DefaultSpoolDirectory", u"printq");
    hs_reg::deletetempfiles(true);
    EXPECT_TRUE(QFileInfo::exists(work() + "/scratch/keep.txt"));
    EXPECT_TRUE(QFileInfo::exists(work() + "/sysdir/keep.txt"));
    EXPECT_TRUE(QFileInfo::exists(work() + "/printq/keep.txt"));
    EXPECT_EQ(fh::logMessages(), QStringList({"Sletter midlertidige filer opprettet av Veltrona programmer"}));
}

} // namespace
