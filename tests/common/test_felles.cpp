// The shared utilities: scrambling, extension replacement, file size, the language file, starting the
// editor through the shell.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <gtest/gtest.h>

#include "common/felles.h"
#include "common/ui_hooks.h"
#include "common/utskrift.h"
#include "environment/hs_reg.h"
#include "support/test_env.h"
#include "support/test_names.h"

namespace {

// --- Scrambling --------------------------------------------------------------------------------------

QString units(std::initializer_list<char16_t> list)
{
    QString s;
    for (char16_t c : list)
        s.append(QChar(c));
    return s;
}

struct ScrambleCase {
    QString plain, scrambled;
};

class Scramble : public ::testing::TestWithParam<ScrambleCase> {};

TEST_P(Scramble, BothWays)
{
    EXPECT_EQ(Felles::scrambletext(GetParam().plain), GetParam().scrambled);
    EXPECT_EQ(Felles::unscrambletext(GetParam().scrambled), GetParam().plain);
}

INSTANTIATE_TEST_SUITE_P(Table, Scramble, ::testing::Values(
    ScrambleCase{"abc", "zbdf2"}, ScrambleCase{"", "z2"},
    ScrambleCase{units({0xFFFF}), units({u'z', 0x0000, u'2'})},
    ScrambleCase{units({u'a', 0xFFFF}), units({u'z', u'b', 0x0001, u'2'})},
    ScrambleCase{"Passord 1!", units({u'z', 'P' + 1, 'a' + 2, 's' + 3, 's' + 4, 'o' + 5, 'r' + 6, 'd' + 7, ' ' + 8,
                                      '1' + 9, '!' + 10, u'2'})}),
    testnames::by([](const ScrambleCase &c) { return c.plain; }));

TEST(ScrambleText, MarkersAreNotExaminedAndShortTextsGiveNothing)
{
    EXPECT_EQ(Felles::unscrambletext("Xbdf!"), "abc");
    EXPECT_EQ(Felles::unscrambletext("z"), "");
    EXPECT_EQ(Felles::unscrambletext(""), "");
    EXPECT_FALSE(Felles::unscrambletext("").isNull());
    EXPECT_EQ(Felles::unscrambletext("zq"), "");
}

TEST(ScrambleText, EveryCodeUnitAtEveryPositionComesBack)
{
    QString all;
    for (int c = 0; c <= 0xFFFF; c += 7)
        all.append(QChar(char16_t(c)));
    all += QStringLiteral("æøå😀");
    const QString scrambled = Felles::scrambletext(all);
    EXPECT_EQ(scrambled.size(), all.size() + 2);
    EXPECT_EQ(Felles::unscrambletext(scrambled), all);
}

// --- changeextension ----------------------------------------------------------------------------------

struct ExtCase {
    const char *name, *ext, *expected;
};

class ChangeExtension : public ::testing::TestWithParam<ExtCase> {};

TEST_P(ChangeExtension, CutsAtTheFirstDot)
{
    EXPECT_EQ(Felles::changeextension(QString::fromUtf8(GetParam().name), QString::fromUtf8(GetParam().ext)),
              QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Table, ChangeExtension, ::testing::Values(
    ExtCase{"archive.tar.gz", "old", "archive.old"}, ExtCase{"C:\\my.data\\file.dat", "tmp", "C:\\my.tmp"},
    ExtCase{"/home/kari/.local/bin/setup", "txt", "/home/kari/.txt"}, ExtCase{"README", "txt", "README.txt"},
    ExtCase{"a.b", "", "a."}, ExtCase{"", "txt", ".txt"}, ExtCase{"name.", "x", "name.x"},
    ExtCase{"fil.dat", "tmp", "fil.tmp"}, ExtCase{"sær.fil", "øy", "sær.øy"}),
    testnames::by([](const ExtCase &c) { return std::string(c.name) + " " + c.ext; }));

// --- File size -----------------------------------------------------------------------------------------

class FileSize : public TempEnvTest {};

TEST_F(FileSize, OfFilesFoldersAndPatterns)
{
    ASSERT_TRUE(testenv::writeFile(work() + "/rel.dat", "12345"));
    ASSERT_TRUE(testenv::writeFile(dir() + "/empty", ""));
    ASSERT_TRUE(testenv::writeFile(dir() + "/.hidden", "1234567"));
    ASSERT_TRUE(testenv::writeFile(dir() + "/pat/only.dat", "abc"));
    EXPECT_EQ(Felles::filesize(dir() + "/missing"), -1);
    EXPECT_EQ(Felles::filesize(dir() + "/empty"), 0);
    EXPECT_EQ(Felles::filesize(dir() + "/pat"), 0);
    EXPECT_EQ(Felles::filesize(dir() + "/.hidden"), 7);
    EXPECT_EQ(Felles::filesize("rel.dat"), 5);
    EXPECT_EQ(Felles::filesize("../work/rel.dat"), 5);
    EXPECT_EQ(Felles::filesize(dir() + "/pat/*.dat"), 3);
    EXPECT_EQ(Felles::filesize(dir() + "/pat/o?ly.*"), 3);
    EXPECT_EQ(Felles::filesize(dir() + "/pat/*.txt"), -1);
}

TEST_F(FileSize, IsSixtyFourBit)
{
    for (const qint64 size : {qint64(2147483648LL), qint64(5LL << 30) + 3}) {
        const QString path = dir() + "/sparse.bin";
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(size));  // sparse: takes no room on disk
        f.close();
        EXPECT_EQ(Felles::filesize(path), size);
        QFile::remove(path);
    }
}

// --- Language file ---------------------------------------------------------------------------------

TEST(LanguageFile, IsInTheSettingsFolderWithTheLanguageCode)
{
    hs_reg::values().etcdir = "/srv/veltrona/etc/";
    utskrift::reset();
    EXPECT_EQ(utskrift::languagefile(), "/srv/veltrona/etc/language.no");
    utskrift::values().languageCode = "en";
    EXPECT_EQ(utskrift::languagefile(), "/srv/veltrona/etc/language.en");
}

// --- runprogram ----------------------------------------------------------------------------------------

class RunProgram : public TempEnvTest {
protected:
    void SetUp() override
    {
        TempEnvTest::SetUp();
        oldPath = qgetenv("PATH");
        const QString bin = dir() + "/fakebin";
        QDir().mkpath(bin);
        record = dir() + "/editor-record.txt";
        qputenv("BO_EDITOR_RECORD", record.toLocal8Bit());
        const QByteArray script = "#!/bin/sh\n"
                                  "{ printf '%s\\n' \"$0\"; for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done; }"
                                  " > \"$BO_EDITOR_RECORD.part\"\n"
                                  "/bin/mv \"$BO_EDITOR_RECORD.part\" \"$BO_EDITOR_RECORD\"\n";
        for (const char *name : {"gnome-text-editor", "gedit", "kate", "kwrite", "mousepad", "pluma", "xed",
                                 "leafpad", "featherpad", "xdg-open", "notepad.exe"}) {
            const QString path = bin + "/" + name;
            ASSERT_TRUE(testenv::writeFile(path, script));
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ExeGroup |
                                            QFile::ExeOther | QFile::ReadGroup | QFile::ReadOther);
        }
        qputenv("PATH", (bin + ":/usr/bin:/bin").toLocal8Bit());
        ui_hooks::install([this](bool b) { busy << b; }, [](const QString &, const QString &) {});
    }
    void TearDown() override
    {
        qputenv("PATH", oldPath);
        TempEnvTest::TearDown();
    }
    // The arguments the started editor got, once it has written them.
    QStringList recorded()
    {
        QElapsedTimer t;
        t.start();
        while (!QFileInfo::exists(record) && t.elapsed() < 60000) {
            QCoreApplication::processEvents();
            QThread::msleep(20);
        }
        QStringList lines = QString::fromLocal8Bit(testenv::readFile(record)).split('\n', Qt::SkipEmptyParts);
        if (!lines.isEmpty())
            lines.removeFirst();  // the editor's own name
        return lines;
    }
    QByteArray oldPath;
    QString record;
    QList<bool> busy;
};

TEST_F(RunProgram, OpensTheEditorWithTheFileAsOneArgument)
{
    const QString file = dir() + "/etc med blanke/language.no";
    Felles::runprogram("notepad.exe", file, "");
    EXPECT_EQ(recorded(), QStringList({"[" + file + "]"}));
    EXPECT_EQ(busy, QList<bool>({true, false}));
}

TEST_F(RunProgram, StartedEditorIsReportedAsStarted)
{
    QString reason = QStringLiteral("untouched");
    EXPECT_TRUE(Felles::runprogram("notepad.exe", dir() + "/language.no", "", &reason));
    EXPECT_EQ(reason, QStringLiteral("untouched"));
    EXPECT_EQ(recorded(), QStringList({"[" + dir() + "/language.no]"}));
}

TEST_F(RunProgram, NoEditorAtAllIsAFailureWithItsReason)
{
    const QString empty = dir() + "/empty";
    QDir().mkpath(empty);
    qputenv("PATH", empty.toLocal8Bit());
    QString reason;
    EXPECT_FALSE(Felles::runprogram("notepad.exe", dir() + "/language.no", "", &reason));
    EXPECT_TRUE(reason.startsWith("fant ingen teksteditor")) << reason.toStdString();
    EXPECT_EQ(busy, QList<bool>({true, false}));  // the pointer is back to normal after a failure too
    // Any other program that is not there.
    EXPECT_FALSE(Felles::runprogram(dir() + "/finnes-ikke", "", "", &reason));
    EXPECT_TRUE(reason.contains("finnes-ikke")) << reason.toStdString();
}

TEST_F(RunProgram, XdgOpenThatFindsNothingReportsLater)
{
    const QString bin = dir() + "/only-xdg-open";
    QDir().mkpath(bin);
    ASSERT_TRUE(testenv::writeFile(bin + "/xdg-open", "#!/bin/sh\nexit 3\n"));
    QFile::setPermissions(bin + "/xdg-open", QFile::ReadOwner | QFile::ExeOwner);
    qputenv("PATH", (bin + ":/usr/bin:/bin").toLocal8Bit());
    QString later;
    EXPECT_TRUE(Felles::runprogram("notepad.exe", dir() + "/language.no", "", nullptr,
                                   [&](const QString &why) { later = why; }));
    QElapsedTimer t;
    t.start();
    while (later.isEmpty() && t.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(later, QStringLiteral("xdg-open avsluttet med kode 3 (fant ikke noe program som kan åpne filen)"));
}

TEST_F(RunProgram, LongTextsArePassedWhole)
{
    const QString file = dir() + "/" + QString(600, 'l') + "/språk.no";
    Felles::runprogram("notepad.exe", file, "");
    EXPECT_EQ(recorded(), QStringList({"[" + file + "]"}));
}

} // namespace
