// Backups taken before every save of the settings dialog: what they hold, how they are named, how
// many are kept, and that a backup that cannot be made never stops the save.
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "company_settings/backup.h"
#include "dialog_fixture.h"
#include "environment/hs_reg.h"
#include "log/textfil.h"
#include "support/foundation_helpers.h"

namespace {

QStringList entriesOf(const QString &folder, QDir::Filters filters = QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System)
{
    return QDir(folder).entryList(filters | QDir::Hidden, QDir::Name);
}

} // namespace

class BackupTest : public OppsettTest {
protected:
    QString backups() const { return suite() + QStringLiteral("backup/"); }
    void saveAt(int second)
    {
        platform::overrideNow(platform::LocalTime{2026, 12, 7, 14, 5, second});
        QTest::mouseClick(dialog().BitBtn1, Qt::LeftButton);
        ASSERT_TRUE(dialog().Lagret);
    }
    QStringList warnings() const { return fh::startingWith(fh::logMessages(), QStringLiteral("ADVARSEL: ")); }
};

TEST_F(BackupTest, EverySaveKeepsTheFilesAsTheyWereOnDiskBeforeIt)
{
    // Bytes no text reading would give back as they are: a NUL, a lone CR, no final line end.
    const QByteArray odd("Sn\xE6kker\x00\rslutt", 15);
    ASSERT_TRUE(testenv::writeFile(etc() + "FIRMA.TXB", odd));
    const QDateTime savedAt(QDate(2020, 3, 4), QTime(5, 6, 7));
    {
        QFile f(etc() + "FIRMA.TXB");
        ASSERT_TRUE(f.open(QIODevice::Append) && f.setFileTime(savedAt, QFileDevice::FileModificationTime));
    }
    openSettings(standard({"Arbeid_ArbeidstidStart=08:00", "Firma_Navn=Første"}));
    TOppsettDialog &d = dialog();

    struct Snapshot {
        QString folder;
        QMap<QString, QByteArray> files;
    };
    QList<Snapshot> expected;
    auto onDisk = [&] {
        QMap<QString, QByteArray> files;
        for (const QString &name : entriesOf(etc(), QDir::Files))
            files.insert(name, testenv::readFile(etc() + name));
        return files;
    };
    // The second and third save fall in the same second: the third folder gets "_2".
    const int seconds[] = {9, 10, 10};
    const char *folders[] = {"2026-12-07_140509", "2026-12-07_140510", "2026-12-07_140510_2"};
    const char *names[] = {"Andre", "Tredje", "Fjerde"};
    for (int i = 0; i < 3; ++i) {
        expected << Snapshot{QLatin1String(folders[i]), onDisk()};
        d.bNavn->setText(QString::fromUtf8(names[i]));
        saveAt(seconds[i]);
    }

    ASSERT_EQ(entriesOf(backups()), (QStringList{folders[0], folders[1], folders[2]}));
    int number = 0;
    for (const Snapshot &s : expected) {
        const QString folder = backups() + s.folder + QLatin1Char('/');
        // Only what existed: before the first save just the settings file and the one side file;
        // beside the copies the folder's number, in the order the folders were made.
        EXPECT_EQ(entriesOf(folder), QStringList(s.files.keys()) << "versjon.nr") << s.folder.toStdString();
        EXPECT_EQ(testenv::readFile(folder + "versjon.nr"), QByteArray::number(++number) + "\r\n");
        for (auto it = s.files.begin(); it != s.files.end(); ++it)
            EXPECT_EQ(testenv::readFile(folder + it.key()), it.value()) << (s.folder + "/" + it.key()).toStdString();
    }
    EXPECT_EQ(testenv::readFile(backups() + folders[0] + "/FIRMA.TXB"), odd);
    // The copies keep the time their version was saved.
    EXPECT_EQ(QFileInfo(backups() + folders[0] + "/FIRMA.TXB").lastModified(), savedAt);
    EXPECT_TRUE(testenv::readFile(backups() + QString(folders[2]) + "/veltrona.ini").contains("Firma_Navn=Tredje\r\n"));
    EXPECT_EQ(storedValue(QStringLiteral("Firma_Navn")), QStringLiteral("Fjerde"));
}

TEST_F(BackupTest, NothingOnDiskYetGivesNoBackupFolder)
{
    openSettings(QByteArray());
    saveAt(9);
    EXPECT_FALSE(QFileInfo::exists(backups() + "2026-12-07_140509"));
    EXPECT_TRUE(QFileInfo::exists(ini()));
}

TEST_F(BackupTest, TheThirtyNewestDatedFoldersAreKeptAndNothingElseIsTouched)
{
    // 30 older backups. Suffixes count as numbers: "_2" is older than "_10".
    QStringList old{"2026-11-01_080000_2", "2026-11-01_080000_10"};
    for (int day = 2; day <= 29; ++day)
        old << QStringLiteral("2026-11-%1_080000").arg(day, 2, 10, QLatin1Char('0'));
    for (const QString &name : old)
        ASSERT_TRUE(testenv::writeFile(backups() + name + "/veltrona.ini", "[STANDARD]\r\n"));
    // What is not a dated folder stays, however old its name looks.
    const QStringList others{"2020-01-01_000000.zip", "2020-01-01_000000_x", "2020-01-01_0000", "mine"};
    ASSERT_TRUE(testenv::writeFile(backups() + others[0], "zip"));
    ASSERT_TRUE(QDir().mkpath(backups() + others[1]));
    ASSERT_TRUE(QDir().mkpath(backups() + others[2]));
    ASSERT_TRUE(testenv::writeFile(backups() + others[3] + "/notat.txt", "mitt"));
    ASSERT_TRUE(testenv::writeFile(backups() + "2020-01-01_000001", "a file with a dated name"));
    ASSERT_TRUE(QFile::link(backups() + "mine", backups() + "2020-01-01_000002"));  // a link, not a folder

    openSettings(standard({"Arbeid_ArbeidstidStart=08:00"}));
    saveAt(9);
    QStringList kept = old.mid(1) << "2026-12-07_140509";
    auto dated = [&] {
        QStringList out;
        for (const QString &name : entriesOf(backups(), QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks))
            if (Timesetu::isBackupFolderName(name))
                out << name;
        out.sort();
        return out;
    };
    kept.sort();
    EXPECT_EQ(dated(), kept);

    saveAt(10);
    kept.removeOne("2026-11-01_080000_10");
    kept << "2026-12-07_140510";
    kept.sort();
    EXPECT_EQ(dated(), kept);
    for (const QString &name : others)
        EXPECT_TRUE(QFileInfo::exists(backups() + name)) << name.toStdString();
    EXPECT_EQ(testenv::readFile(backups() + "mine/notat.txt"), QByteArray("mitt"));
    EXPECT_TRUE(QFileInfo(backups() + "2020-01-01_000001").isFile());
    EXPECT_TRUE(QFileInfo(backups() + "2020-01-01_000002").isSymLink());
}

TEST_F(BackupTest, BackupThatCannotBeMadeIsLoggedAndTheSaveGoesOn)
{
    textfil::values().LogEnabled = true;
    // A file where the backup folder should be: no folder can be made there, not even by root.
    ASSERT_TRUE(testenv::writeFile(suite() + "backup", "in the way"));
    openSettings(standard({"Arbeid_ArbeidstidStart=08:00", "Firma_Navn=Gammelt"}));
    TOppsettDialog &d = dialog();
    d.bNavn->setText(QStringLiteral("Nytt"));
    saveAt(9);
    const QStringList w = warnings();
    ASSERT_EQ(w.size(), 1) << fh::lastOf(fh::logMessages()).toStdString();
    EXPECT_TRUE(w[0].contains(QStringLiteral("sikkerhetskopi"))) << w[0].toStdString();
    EXPECT_TRUE(w[0].contains(QStringLiteral("lagres likevel"))) << w[0].toStdString();
    EXPECT_EQ(storedValue(QStringLiteral("Firma_Navn")), QStringLiteral("Nytt"));
    EXPECT_EQ(testenv::readFile(suite() + "backup"), QByteArray("in the way"));
    EXPECT_EQ(textfil::values().WarningCount, 1);
}

TEST_F(BackupTest, RecordedBackupFolderIsUsedAndNoCopyIsMadeOfAMissingFile)
{
    const QString elsewhere = dir() + QStringLiteral("/elsewhere/");
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    openSettings(standard({"Arbeid_ArbeidstidStart=08:00"}) + "[FOLDERS]\r\nbackup_folder=" + elsewhere.toUtf8() + "\r\n");
    saveAt(9);
    EXPECT_EQ(entriesOf(elsewhere + "2026-12-07_140509"), (QStringList{"veltrona.ini", "versjon.nr"}));
    EXPECT_FALSE(QFileInfo::exists(backups()));
}

TEST_F(BackupTest, SavesThatChangeNothingMakeNoNewBackup)
{
    openSettings(standard({"Arbeid_ArbeidstidStart=08:00"}));
    TOppsettDialog &d = dialog();
    saveAt(9);   // keeps the file as it was before any save
    saveAt(10);  // keeps the first save's file
    saveAt(11);
    ASSERT_EQ(Timesetu::backupFolders(backups()).size(), 2);
    // What is on disk now differs from the newest copy only in the stamp of its header.
    const QString newest = backups() + Timesetu::backupFolders(backups()).last() + "/veltrona.ini";
    ASSERT_NE(testenv::readFile(ini()), testenv::readFile(newest));
    saveAt(12);
    saveAt(13);
    EXPECT_EQ(Timesetu::backupFolders(backups()).size(), 2);

    // A change reaches the disk with the next save and a backup of it with the one after.
    d.bNavn->setText(QStringLiteral("Nytt navn"));
    saveAt(14);
    EXPECT_EQ(Timesetu::backupFolders(backups()).size(), 2);
    saveAt(15);
    ASSERT_EQ(Timesetu::backupFolders(backups()).size(), 3);
    EXPECT_TRUE(testenv::readFile(backups() + Timesetu::backupFolders(backups()).last() + "/veltrona.ini")
                    .contains("Firma_Navn=Nytt navn\r\n"));
}

TEST_F(BackupTest, TheThirtyKeptAreTheNewestMadeEvenWhenTheClockGoesBack)
{
    // A folder from before folders were numbered counts as older than every numbered one.
    ASSERT_TRUE(testenv::writeFile(backups() + "2027-06-01_080000/veltrona.ini", "[STANDARD]\r\n"));
    const QString file = etc() + QStringLiteral("veltrona.ini");
    // Each backup a day earlier by the clock than the one before it.
    for (int day = 31; day >= 1; --day) {
        platform::overrideNow(platform::LocalTime{2026, 12, day, 12, 0, 0});
        ASSERT_TRUE(testenv::writeFile(file, "Versjon " + QByteArray::number(day)));
        Timesetu::backupFiles({file}, backups());
    }
    const QStringList kept = Timesetu::backupFolders(backups());
    ASSERT_EQ(kept.size(), 30);
    EXPECT_EQ(kept.first(), QStringLiteral("2026-12-30_120000"));
    EXPECT_EQ(kept.last(), QStringLiteral("2026-12-01_120000"));
    EXPECT_FALSE(QFileInfo::exists(backups() + "2026-12-31_120000"));
    EXPECT_FALSE(QFileInfo::exists(backups() + "2027-06-01_080000"));
}
