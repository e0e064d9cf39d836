// The log: stamps, counters, ClearLog and its message box, the old log read back, the write at exit.
#include <QDateTime>
#include <QDir>
#include <cerrno>
#include <QFile>
#include <gtest/gtest.h>

#include "common/ui_hooks.h"
#include "log/textfil.h"
#include "platform/datetimetext.h"
#include "support/foundation_helpers.h"
#include "support/ordinary_user.h"
#include "support/test_env.h"
#include "support/test_names.h"

namespace {

class Log : public TempEnvTest {
protected:
    void SetUp() override
    {
        TempEnvTest::SetUp();
        stamp = fh::fixClock();
        platform::overrideProgramPath(fh::u(dir() + "/prog/bin/bruker-oppsett"));
        textfil::prepare();
        ui_hooks::install([](bool) {}, [this](const QString &caption, const QString &text) {
            messages << caption + "|" + text;
        });
    }
    textfil::Values &log() { return textfil::values(); }
    QString stamp;
    QStringList messages;
};

TEST_F(Log, StampIsShortDateBlankLongTimeAndNoTimeAtMidnight)
{
    const platform::LocalTime t = fh::kNow;
    EXPECT_EQ(stamp, QString::fromStdU16String(platform::shortDateText(t)) + " " +
                         QString::fromStdU16String(platform::longTimeText(t)));
    const platform::LocalTime midnight{2026, 12, 7, 0, 0, 0};
    EXPECT_EQ(fh::fixClock(midnight), QString::fromStdU16String(platform::shortDateText(midnight)));
    const platform::LocalTime justAfter{2026, 12, 7, 0, 0, 1};
    EXPECT_EQ(fh::fixClock(justAfter), QString::fromStdU16String(platform::shortDateText(justAfter)) + " " +
                                           QString::fromStdU16String(platform::longTimeText(justAfter)));
}

TEST_F(Log, NothingAtAllWhileDisabled)
{
    textfil::WriteLog("FEIL: not counted");
    textfil::WriteLog("HINT: not counted");
    EXPECT_TRUE(log().LogLines.isEmpty());
    EXPECT_EQ(log().ErrorCount + log().WarningCount + log().HintCount, 0);
}

struct CountCase {
    const char *message;
    int errors, warnings, hints;
};

class Counting : public Log, public ::testing::WithParamInterface<CountCase> {};

TEST_P(Counting, ByTheLeadingWordOnly)
{
    log().LogEnabled = true;
    const QString m = QString::fromUtf8(GetParam().message);
    textfil::WriteLog(m);
    ASSERT_EQ(log().LogLines.size(), 1);
    EXPECT_EQ(log().LogLines.at(0), stamp + " " + m);
    EXPECT_EQ(log().ErrorCount, GetParam().errors) << GetParam().message;
    EXPECT_EQ(log().WarningCount, GetParam().warnings) << GetParam().message;
    EXPECT_EQ(log().HintCount, GetParam().hints) << GetParam().message;
}

INSTANTIATE_TEST_SUITE_P(Table, Counting, ::testing::Values(
    CountCase{"FEIL: x", 1, 0, 0}, CountCase{"ERROR: x", 1, 0, 0}, CountCase{"FEIL:", 1, 0, 0},
    CountCase{"ADVARSEL: x", 0, 1, 0}, CountCase{"WARNING: x", 0, 1, 0}, CountCase{"HINT: x", 0, 0, 1},
    CountCase{"feil: x", 0, 0, 0}, CountCase{" FEIL: x", 0, 0, 0}, CountCase{"FEIL x", 0, 0, 0},
    CountCase{"Feil: x", 0, 0, 0}, CountCase{"HINT x", 0, 0, 0}, CountCase{"x FEIL: y", 0, 0, 0},
    CountCase{"ADVARSEL", 0, 0, 0}, CountCase{"", 0, 0, 0}, CountCase{"Oppdaterer ø", 0, 0, 0}),
    testnames::by([](const CountCase &c) { return c.message; }));

TEST_F(Log, IdenticalMessagesGiveTwoLines)
{
    log().LogEnabled = true;
    textfil::WriteLog("FEIL: same");
    textfil::WriteLog("FEIL: same");
    EXPECT_EQ(log().LogLines.toStringList(), QStringList({stamp + " FEIL: same", stamp + " FEIL: same"}));
    EXPECT_EQ(log().ErrorCount, 2);
}

struct NameCase {
    const char *program;
    const char *folder;  // preset LogFolder, empty for the default
    const char *expected;  // below dir() when it starts with "/"; "@" stands for the default folder
};

class FileName : public Log, public ::testing::WithParamInterface<NameCase> {};

TEST_P(FileName, UsesTheLastDotOfTheProgramFileName)
{
    platform::overrideProgramPath(fh::u(QString::fromUtf8(GetParam().program)));
    log().LogFolder = QString::fromUtf8(GetParam().folder);
    textfil::LogFileName();
    QString expected = QString::fromUtf8(GetParam().expected);
    expected.replace("@", appdata() + "/Veltrona/log/");
    EXPECT_EQ(log().LogFile, expected);
    if (!*GetParam().folder)
        EXPECT_EQ(log().LogFolder, appdata() + "/Veltrona/log/");
}

INSTANTIATE_TEST_SUITE_P(Table, FileName, ::testing::Values(
    NameCase{"/opt/suite/bin/bruker-oppsett", "", "@bruker-oppsett.log"},
    NameCase{"/opt/Suite.2/bin/setup.exe", "", "@setup.log"},
    NameCase{"/opt/suite/bin/setup.x.exe", "", "@setup.x.log"},
    NameCase{"/home/kari/.local/bin/oppsett", "", "@oppsett.log"},
    NameCase{"/opt/suite/bin/setup.exe", "/var/log/suite/", "/var/log/suite/setup.log"}),
    testnames::by([](const NameCase &c) { return std::string(c.program) + " " + c.folder; }));

TEST_F(Log, PrepareComputesTheFileAndEmptiesTheLines)
{
    EXPECT_EQ(log().LogFile, suite() + "log/bruker-oppsett.log");
    EXPECT_TRUE(log().LogLines.isEmpty());
}

TEST_F(Log, ClearLogEmptiesMemoryAndFile)
{
    QDir().mkpath(suite() + "log");
    ASSERT_TRUE(testenv::writeFile(log().LogFile, QByteArray(100000, 'x')));
    log().LogEnabled = true;
    textfil::WriteLog("FEIL: one");
    textfil::WriteLog("ADVARSEL: two");
    textfil::WriteLog("HINT: three");
    log().LogEnabled = false;  // ClearLog does not depend on it
    textfil::ClearLog();
    const QString line = stamp + " LOGGFIL TØMT (TextFile.ClearLog).";
    EXPECT_EQ(log().LogLines.toStringList(), QStringList({line}));
    EXPECT_EQ(testenv::readFile(log().LogFile), QByteArray(stamp.toLatin1() + " LOGGFIL T\xD8MT (TextFile.ClearLog).\r\n"));
    EXPECT_EQ(log().ErrorCount, 0);
    EXPECT_EQ(log().WarningCount, 1);
    EXPECT_EQ(log().HintCount, 1);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(Log, ReadingTheLogBackAfterClearLogGivesItsLineOnce)
{
    QDir().mkpath(suite() + "log");
    ASSERT_TRUE(testenv::writeFile(log().LogFile, "old\r\n"));
    textfil::ClearLog();
    ASSERT_TRUE(textfil::readOldLog());
    log().LogEnabled = true;
    textfil::WriteLog("after");
    EXPECT_EQ(fh::logMessages(), QStringList({"LOGGFIL TØMT (TextFile.ClearLog).", "after"}));
}

TEST_F(Log, ClearLogThatCannotCreateTheFileShowsTheMessageBoxWithTheSystemsNumber)
{
    // The log folder does not exist.
    textfil::ClearLog();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0], "FEIL|Feil under oppretting av ny fil: " + log().LogFile + "  (2)");
    EXPECT_EQ(log().LogLines.size(), 1);
    EXPECT_EQ(log().ErrorCount, 0);
    EXPECT_FALSE(QFileInfo::exists(log().LogFile));
    // A folder stands in the file's place.
    ASSERT_TRUE(QDir().mkpath(log().LogFile));
    textfil::ClearLog();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages[1], "FEIL|Feil under oppretting av ny fil: " + log().LogFile + "  (" + QString::number(EISDIR) + ")");
}

TEST_F(Log, FinishWritesEveryLineWithCrLfInTheCodePage)
{
    QDir().mkpath(suite() + "log");
    log().LogEnabled = true;
    textfil::WriteLog("Sletter skriverkøer");
    textfil::WriteLog("second");
    QString error;
    ASSERT_TRUE(textfil::finish(&error)) << qPrintable(error);
    const QByteArray s = stamp.toLatin1();
    EXPECT_EQ(testenv::readFile(log().LogFile), s + " Sletter skriverk\xF8" "er\r\n" + s + " second\r\n");
}

TEST_F(Log, FinishWithNothingLoggedWritesAnEmptyFile)
{
    QDir().mkpath(suite() + "log");
    ASSERT_TRUE(textfil::finish());
    EXPECT_TRUE(QFileInfo::exists(log().LogFile));
    EXPECT_EQ(testenv::readFile(log().LogFile), QByteArray());
}

TEST_F(Log, FinishKeepsACharacterTheCodePageLacks)
{
    QDir().mkpath(suite() + "log");
    log().LogEnabled = true;
    textfil::WriteLog("bruker Łukasz");
    ASSERT_TRUE(textfil::finish());
    const QByteArray bytes = testenv::readFile(log().LogFile);
    EXPECT_TRUE(bytes.startsWith("\xFF\xFE"));
    EXPECT_EQ(textfile::splitLines(textfile::decode(bytes)), QStringList({stamp + " bruker Łukasz"}));
}

TEST_F(Log, FinishIntoAMissingFolderFailsQuietly)
{
    log().LogEnabled = true;
    textfil::WriteLog("x");
    QString error;
    EXPECT_FALSE(textfil::finish(&error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(Log, OldLogComesFirstAndLinesOfThisRunFollow)
{
    QDir().mkpath(suite() + "log");
    ASSERT_TRUE(testenv::writeFile(log().LogFile, "old one\r\nold two\nold three"));
    log().LogEnabled = true;
    textfil::WriteLog("early");
    ASSERT_TRUE(textfil::readOldLog());
    textfil::WriteLog("late");
    EXPECT_EQ(fh::logMessages(), QStringList({"old one", "old two", "old three", "early", "late"}));
    ASSERT_TRUE(textfil::finish());
    EXPECT_EQ(testenv::readFile(log().LogFile),
              "old one\r\nold two\r\nold three\r\n" + stamp.toLatin1() + " early\r\n" + stamp.toLatin1() + " late\r\n");
}

TEST_F(Log, NoOldLogLeavesTheLinesAlone)
{
    log().LogEnabled = true;
    textfil::WriteLog("early");
    EXPECT_TRUE(textfil::readOldLog());
    EXPECT_EQ(fh::logMessages(), QStringList({"early"}));
}

TEST_F(Log, LargeOldLogRoundTripsByteForByte)
{
    QDir().mkpath(suite() + "log");
    QByteArray bytes;
    for (int i = 0; i < 200000; ++i)
        bytes += "07.12.2026 14:05:09 Linje nr. " + QByteArray::number(i) + " \xE6\xF8\xE5\r\n";
    ASSERT_TRUE(testenv::writeFile(log().LogFile, bytes));
    ASSERT_TRUE(textfil::readOldLog());
    ASSERT_EQ(log().LogLines.size(), 200000);
    EXPECT_EQ(log().LogLines.at(123456), "07.12.2026 14:05:09 Linje nr. 123456 æøå");
    ASSERT_TRUE(textfil::finish());
    EXPECT_EQ(testenv::readFile(log().LogFile), bytes);
}

// A run that logs nothing leaves a log that already holds its lines as they are (no new file, no
// sync at exit); any other log gets the lines in their written form, also one another program changed
// after it was read.
struct UnchangedCase {
    const char *name;
    QByteArray old;
    QByteArray changedMeanwhile;  // written after the log was read; empty: none
    QByteArray expected;
    bool rewritten;
};

class UnchangedLog : public Log, public ::testing::WithParamInterface<UnchangedCase> {};

TEST_P(UnchangedLog, IsWrittenOnlyWhenItsBytesChange)
{
    const UnchangedCase &c = GetParam();
    QDir().mkpath(suite() + "log");
    ASSERT_TRUE(testenv::writeFile(log().LogFile, c.old));
    // A time long past: a rewrite, even of the same bytes, gives the file the present time.
    const QDateTime past = QDateTime::currentDateTime().addYears(-3);
    {
        QFile f(log().LogFile);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite) && f.setFileTime(past, QFileDevice::FileModificationTime));
    }
    ASSERT_TRUE(textfil::readOldLog());
    textfil::WriteLog("dropped: the log is off");
    if (!c.changedMeanwhile.isEmpty())
        ASSERT_TRUE(testenv::writeFile(log().LogFile, c.changedMeanwhile));
    ASSERT_TRUE(textfil::finish());
    EXPECT_EQ(testenv::readFile(log().LogFile), c.expected);
    EXPECT_EQ(QFileInfo(log().LogFile).lastModified() != past, c.rewritten);
}

INSTANTIATE_TEST_SUITE_P(Table, UnchangedLog, ::testing::Values(
    UnchangedCase{"CrLfLines", "a\r\nb \xE6\r\n", {}, "a\r\nb \xE6\r\n", false},
    UnchangedCase{"Empty", "", {}, "", false},
    UnchangedCase{"Utf8WithMark", "\xEF\xBB\xBFa \xC3\xB8\r\n", {}, "\xEF\xBB\xBFa \xC3\xB8\r\n", false},
    UnchangedCase{"LoneLineFeeds", "a\nb\n", {}, "a\r\nb\r\n", true},
    UnchangedCase{"NoLastLineEnd", "a\r\nb", {}, "a\r\nb\r\n", true},
    UnchangedCase{"ChangedMeanwhileSameSize", "a\r\nb\r\n", "a\r\nc\r\n", "a\r\nb\r\n", true},
    UnchangedCase{"ChangedMeanwhileLonger", "a\r\n", "a\r\nother\r\n", "a\r\n", true}),
    testnames::by([](const UnchangedCase &c) { return c.name; }));

TEST_F(Log, OldUtf16LogIsWrittenBackAsUtf16)
{
    QDir().mkpath(suite() + "log");
    const QString text = "gammel linje Ω\r\n";
    QByteArray bytes("\xFF\xFE");
    for (const QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    ASSERT_TRUE(testenv::writeFile(log().LogFile, bytes));
    ASSERT_TRUE(textfil::readOldLog());
    log().LogEnabled = true;
    textfil::WriteLog("ny");
    ASSERT_TRUE(textfil::finish());
    const QByteArray after = testenv::readFile(log().LogFile);
    EXPECT_TRUE(after.startsWith(bytes));
    EXPECT_EQ(textfile::splitLines(textfile::decode(after)), QStringList({"gammel linje Ω", stamp + " ny"}));
}

// Unlike the settings file and the side files (issue 19), the log is no file the Windows profile
// functions read: a log in UTF-8 without a byte-order mark keeps its form and its bytes.
TEST_F(Log, OldUtf8LogWithoutAMarkKeepsItsForm)
{
    QDir().mkpath(suite() + "log");
    const QByteArray bytes = QStringLiteral("gammel linje æøå\r\n").toUtf8();
    ASSERT_TRUE(testenv::writeFile(log().LogFile, bytes));
    ASSERT_TRUE(textfil::readOldLog());
    log().LogEnabled = true;
    textfil::WriteLog("ny ø");
    ASSERT_TRUE(textfil::finish());
    EXPECT_EQ(testenv::readFile(log().LogFile), bytes + (stamp + " ny ø\r\n").toUtf8());
}

TEST_F(Log, CodePageLogTurnsUtf16WhenANewLineNeedsItAndKeepsTheOldLines)
{
    QDir().mkpath(suite() + "log");
    ASSERT_TRUE(testenv::writeFile(log().LogFile, "gammel \xE6\xF8\xE5\r\n"));
    ASSERT_TRUE(textfil::readOldLog());
    log().LogEnabled = true;
    textfil::WriteLog("ny Ω");
    ASSERT_TRUE(textfil::finish());
    const QByteArray after = testenv::readFile(log().LogFile);
    EXPECT_TRUE(after.startsWith("\xFF\xFE"));
    EXPECT_EQ(textfile::splitLines(textfile::decode(after)), QStringList({"gammel æøå", stamp + " ny Ω"}));
}

TEST_F(Log, UnreadableOldLogKeepsTheLines)
{
    QDir().mkpath(log().LogFile);  // a folder where the file should be
    log().LogEnabled = true;
    textfil::WriteLog("early");
    textfil::readOldLog();
    EXPECT_EQ(fh::logMessages().first(), "early");
}

TEST_F(Log, AnOldLogTheUserMayWriteButNotReadGetsThisRunsLinesAddedAtItsEnd)
{
    const QByteArray old = "01.12.2026 09:00:00 tidligere kjøring\r\n";
    ASSERT_TRUE(testenv::writeFile(log().LogFile, old));
    QString why;
    ASSERT_TRUE(testenv::OrdinaryUser::handOver(dir(), &why)) << qPrintable(why);
    fh::chmodPath(log().LogFile, 0200);
    log().LogEnabled = true;
    bool read = true, finished = false;
    {
        testenv::OrdinaryUser user;
        ASSERT_TRUE(user.ok()) << qPrintable(user.why());
        textfil::WriteLog("early");
        read = textfil::readOldLog();
        textfil::WriteLog("late æ");
        finished = textfil::finish();
    }
    EXPECT_FALSE(read);
    EXPECT_TRUE(finished);
    const QByteArray after = testenv::readFile(log().LogFile);
    ASSERT_TRUE(after.startsWith(old)) << after.constData();
    const QStringList added = textfile::splitLines(textfile::decode(after.mid(old.size())));
    ASSERT_EQ(added.size(), 3) << qPrintable(added.join('\n'));
    EXPECT_EQ(added[0], stamp + " early");
    EXPECT_TRUE(added[1].startsWith(stamp + " FEIL: kan ikke lese loggen " + log().LogFile)) << qPrintable(added[1]);
    EXPECT_EQ(added[2], stamp + " late æ");

    // Neither readable nor writable: the file stays as it is and the failure is reported.
    fh::chmodPath(log().LogFile, 0000);
    QString error;
    {
        testenv::OrdinaryUser user;
        textfil::prepare();
        EXPECT_FALSE(textfil::readOldLog());
        EXPECT_FALSE(textfil::finish(&error));
    }
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(testenv::readFile(log().LogFile), after);
}

} // namespace
