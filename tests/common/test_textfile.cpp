// Text files shared with the suite's Windows programs: encoding detection, encoding for writing, lines,
// atomic writes.
#include <QDir>
#include <QFile>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include "common/textfile.h"
#include "common/ui_hooks.h"
#include "support/foundation_helpers.h"
#include "support/ordinary_user.h"
#include "support/test_env.h"
#include "support/test_names.h"

namespace {

using textfile::Encoding;

struct DetectCase {
    const char *name;
    QByteArray bytes;
    Encoding encoding;
    QString text;
};

class Detect : public ::testing::TestWithParam<DetectCase> {};

TEST_P(Detect, ChoosesTheEncodingAndDecodes)
{
    const DetectCase c = GetParam();
    EXPECT_EQ(textfile::detect(c.bytes), c.encoding) << c.name;
    Encoding e = Encoding::Ansi;
    EXPECT_EQ(textfile::decode(c.bytes, &e), c.text) << c.name;
    EXPECT_EQ(e, c.encoding) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Table, Detect, ::testing::Values(
    DetectCase{"empty", QByteArray(), Encoding::Ansi, ""},
    DetectCase{"ascii", "a=1\r\n", Encoding::Ansi, "a=1\r\n"},
    DetectCase{"cp1252", "s\xF8k \x80 \x93x\x94", Encoding::Ansi, "søk € “x”"},
    DetectCase{"utf8", "s\xC3\xB8k", Encoding::Utf8, "søk"},
    DetectCase{"utf8 bom", "\xEF\xBB\xBFs\xC3\xB8k", Encoding::Utf8Bom, "søk"},
    DetectCase{"utf8 bom ascii", "\xEF\xBB\xBF" "abc", Encoding::Utf8Bom, "abc"},
    DetectCase{"utf16le", QByteArray("\xFF\xFEs\0\xF8\0", 6), Encoding::Utf16LE, "sø"},
    DetectCase{"utf16be", QByteArray("\xFE\xFF\0s\0\xF8", 6), Encoding::Utf16BE, "sø"},
    DetectCase{"overlong", "a\xC0\x80", Encoding::Ansi, "aÀ€"},
    DetectCase{"surrogate in utf8", "\xED\xA0\x80", Encoding::Ansi, QString("í") + QChar(0xA0) + "€"},
    DetectCase{"truncated utf8", "s\xC3", Encoding::Ansi, "sÃ"},
    DetectCase{"mixed", "\xC3\xB8 \xF8", Encoding::Ansi, "Ã¸ ø"}),
    [](const auto &info) {
        std::string n = info.param.name;
        for (char &c : n)
            if (c == ' ')
                c = '_';
        return n;
    });

TEST(TextFile, EncodeWritesByteOrderMarksAndFallsBackToUtf16)
{
    Encoding e = Encoding::Ansi;
    EXPECT_EQ(textfile::encode("Sykelønn €", e), QByteArray("Sykel\xF8nn \x80"));
    EXPECT_EQ(e, Encoding::Ansi);

    e = Encoding::Ansi;
    EXPECT_EQ(textfile::encode("Ω", e), QByteArray("\xFF\xFE\xA9\x03", 4));
    EXPECT_EQ(e, Encoding::Utf16LE);

    e = Encoding::Utf8;
    EXPECT_EQ(textfile::encode("ø", e), QByteArray("\xC3\xB8"));
    e = Encoding::Utf8Bom;
    EXPECT_EQ(textfile::encode("ø", e), QByteArray("\xEF\xBB\xBF\xC3\xB8"));
    e = Encoding::Utf16BE;
    EXPECT_EQ(textfile::encode("ø", e), QByteArray("\xFE\xFF\x00\xF8", 4));
    e = Encoding::Utf16LE;
    EXPECT_EQ(textfile::encode("ø", e), QByteArray("\xFF\xFE\xF8\x00", 4));
}

// Only UTF-8 without a byte-order mark changes its form on writing back (issue 19).
TEST(TextFile, WriteBackEncodingTurnsOnlyUtf8WithoutAMarkIntoTheCodePage)
{
    EXPECT_EQ(textfile::writeBackEncoding(Encoding::Utf8), Encoding::Ansi);
    for (const Encoding e : {Encoding::Ansi, Encoding::Utf8Bom, Encoding::Utf16LE, Encoding::Utf16BE}) {
        EXPECT_EQ(textfile::writeBackEncoding(e), e) << int(e);
        EXPECT_EQ(textfile::formChangeWarning("f.ini", e, Encoding::Utf16LE), "") << int(e);
    }
    EXPECT_EQ(textfile::formChangeWarning("C:\\a b\\%2.ini", Encoding::Utf8, Encoding::Ansi),
              "ADVARSEL: C:\\a b\\%2.ini var lagret som UTF-8 uten BOM, som suitens Windows-programmer ikke leser riktig; "
              "skrevet om til ANSI (8-biters tegntabell)");
    EXPECT_TRUE(textfile::formChangeWarning("f", Encoding::Utf8, Encoding::Utf16LE).endsWith("UTF-16 LE med BOM"));
}

// Text the asked-for encoding would not give back on reading goes out as UTF-16 LE.
TEST(TextFile, EncodeFallsBackWhereReadingWouldGiveOtherText)
{
    const QChar lone(char16_t(0xD800));
    const struct {
        const char *name;
        QString text;
        Encoding asked;
    } cases[] = {
        {"code page bytes that are valid utf8", "Ã¦", Encoding::Ansi},
        {"code page bytes of a utf8 mark", "ï»¿x", Encoding::Ansi},
        {"code page bytes of a utf16 mark", "ÿþx", Encoding::Ansi},
        {"leading U+FEFF in utf8", QString(QChar(0xFEFF)) + "x", Encoding::Utf8},
        {"leading U+FEFF behind a utf8 mark", QString(QChar(0xFEFF)) + "x", Encoding::Utf8Bom},
        {"unpaired surrogate in utf8", QString("a") + lone + "b", Encoding::Utf8},
        {"unpaired surrogate behind a utf8 mark", QString(lone), Encoding::Utf8Bom},
    };
    for (const auto &c : cases) {
        Encoding e = c.asked;
        const QByteArray bytes = textfile::encode(c.text, e);
        EXPECT_EQ(e, Encoding::Utf16LE) << c.name;
        EXPECT_EQ(textfile::decode(bytes), c.text) << c.name;
    }
    // Where reading gives the same text back, the asked-for encoding stays.
    Encoding e = Encoding::Ansi;
    EXPECT_EQ(textfile::encode("\u00E6 \u00C3", e), QByteArray("\xE6 \xC3"));
    EXPECT_EQ(e, Encoding::Ansi);
    e = Encoding::Utf8;
    EXPECT_EQ(textfile::encode("x\uFEFF", e), QByteArray("x\xEF\xBB\xBF"));
    EXPECT_EQ(e, Encoding::Utf8);
}

struct SplitCase {
    QString text;
    QStringList lines;
};

class Split : public ::testing::TestWithParam<SplitCase> {};

TEST_P(Split, AtEveryKindOfLineEnd)
{
    EXPECT_EQ(textfile::splitLines(GetParam().text), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(Table, Split, ::testing::Values(
    SplitCase{"", {}}, SplitCase{"a", {"a"}}, SplitCase{"a\r\n", {"a"}}, SplitCase{"\r\n", {""}},
    SplitCase{"a\r\nb\nc\rd", {"a", "b", "c", "d"}}, SplitCase{"a\n\nb\n", {"a", "", "b"}},
    SplitCase{"a\r\r\nb", {"a", "", "b"}}, SplitCase{"a\n\r", {"a", ""}}),
    testnames::by([](const SplitCase &c) { return c.text; }));

TEST(TextFile, JoinEndsEveryLineWithCrLf)
{
    EXPECT_EQ(textfile::joinLines({"a", "", "b"}), "a\r\n\r\nb\r\n");
    EXPECT_EQ(textfile::joinLines({}), "");
}

class AtomicWrite : public TempEnvTest {};

TEST_F(AtomicWrite, ReplacesTheFileAndLeavesNothingBeside)
{
    const QString path = dir() + "/out/f.txt";
    QDir().mkpath(dir() + "/out");
    ASSERT_TRUE(testenv::writeFile(path, "old content that is longer"));
    QString error;
    ASSERT_TRUE(textfile::writeAtomically(path, "new", &error)) << qPrintable(error);
    EXPECT_EQ(testenv::readFile(path), "new");
    EXPECT_EQ(QDir(dir() + "/out").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({"f.txt"}));
    QByteArray bytes;
    ASSERT_TRUE(textfile::readAll(path, bytes, &error));
    EXPECT_EQ(bytes, "new");

    // Pieces, empty ones among them, come out joined in order.
    const QByteArray big(3 << 20, 'x');  // large enough for the read to take its big-buffer path
    ASSERT_TRUE(textfile::writeAtomically(path, {QByteArrayView("\xEF\xBB\xBF"), QByteArrayView(), QByteArrayView(big), QByteArrayView("end")}, &error));
    ASSERT_TRUE(textfile::readAll(path, bytes, &error));
    EXPECT_EQ(bytes, "\xEF\xBB\xBF" + big + "end");
}

TEST_F(AtomicWrite, KeepsTheModeAndWritesThroughALink)
{
    // A shared settings file keeps its group rights, and a link to it stays a link.
    const QString target = dir() + "/shared/veltrona.ini";
    ASSERT_TRUE(testenv::writeFile(target, "old"));
    fh::chmodPath(target, 0664);
    ASSERT_TRUE(textfile::writeAtomically(target, "new"));
    EXPECT_EQ(fh::modeOf(target), 0664u);

    const QString link = dir() + "/veltrona.ini";
    ASSERT_TRUE(QFile::link(target, link));
    ASSERT_TRUE(textfile::writeAtomically(link, "through the link"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(testenv::readFile(target), "through the link");
}

TEST_F(AtomicWrite, FailuresSayWhy)
{
    QString error;
    EXPECT_FALSE(textfile::writeAtomically(dir() + "/missing/f.txt", "x", &error));
    EXPECT_FALSE(error.isEmpty());
    QByteArray bytes;
    error.clear();
    QDir().mkpath(dir() + "/afolder");
    EXPECT_FALSE(textfile::readAll(dir() + "/afolder", bytes, &error));
    EXPECT_FALSE(error.isEmpty());
}

// A shared folder on a file server often lets a user write the settings file but not create a file
// beside it, or gives the file a group the user is not in. Written as an ordinary account.
struct SharedCase {
    const char *name;
    mode_t folderMode;
    bool foreignGroup;  // the file belongs to root's group, which the account is not in
    bool inPlace;
};

class SharedFolderWrite : public TempEnvTest, public ::testing::WithParamInterface<SharedCase> {};

TEST_P(SharedFolderWrite, KeepsOwnerGroupAndModeAndWritesInPlaceOnlyWhenItMust)
{
    const SharedCase &c = GetParam();
    const QString folder = dir() + "/share", path = folder + "/veltrona.ini";
    ASSERT_TRUE(testenv::writeFile(path, "old content"));
    QString why;
    ASSERT_TRUE(testenv::OrdinaryUser::handOver(dir(), &why)) << qPrintable(why);
    if (c.foreignGroup && ::lchown(QFile::encodeName(path).constData(), uid_t(-1), 0) != 0)
        GTEST_SKIP() << "only root can give the file to another group";
    fh::chmodPath(path, 0664);
    fh::chmodPath(folder, c.folderMode);
    struct stat before {}, after {};
    ::stat(QFile::encodeName(path).constData(), &before);
    QStringList warnings;
    textfile::setWarningHandler([&](const QString &w) { warnings << w; });
    {
        testenv::OrdinaryUser user;
        ASSERT_TRUE(user.ok()) << qPrintable(user.why());
        QString error;
        EXPECT_TRUE(textfile::writeAtomically(path, "new", &error)) << qPrintable(error);
    }
    textfile::setWarningHandler(nullptr);
    fh::chmodPath(folder, 0755);
    ::stat(QFile::encodeName(path).constData(), &after);
    EXPECT_EQ(testenv::readFile(path), "new");
    EXPECT_EQ(after.st_ino == before.st_ino, c.inPlace);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(after.st_mode & 07777, 0664u);
    EXPECT_EQ(warnings.size(), c.inPlace ? 1 : 0) << qPrintable(warnings.join('\n'));
    if (c.inPlace && !warnings.isEmpty())
        EXPECT_TRUE(warnings[0].startsWith("ADVARSEL: " + path)) << qPrintable(warnings[0]);
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList({"veltrona.ini"}));
}

INSTANTIATE_TEST_SUITE_P(Cases, SharedFolderWrite,
                         ::testing::Values(SharedCase{"WritableFolder", 0755, false, false},
                                           SharedCase{"FolderRefusesNewFiles", 0555, false, true},
                                           SharedCase{"GroupTheUserIsNotIn", 0755, true, true}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(AtomicWrite, AWriteInPlaceThatFailsPutsTheOldBytesBack)
{
    const QString folder = dir() + "/share", path = folder + "/veltrona.ini";
    ASSERT_TRUE(testenv::writeFile(path, "old content"));
    fh::chmodPath(folder, 0555);
    // A file-size limit makes the write fail for real, as a full disk would.
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit {};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    const rlim_t soft = limit.rlim_cur;
    QString error;
    bool written = true;
    {
        testenv::OrdinaryUser user(dir());
        ASSERT_TRUE(user.ok()) << qPrintable(user.why());
        limit.rlim_cur = 4096;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        written = textfile::writeAtomically(path, QByteArray(64 << 10, 'x'), &error);
        limit.rlim_cur = soft;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(testenv::readFile(path), "old content");
}

TEST(UiHooks, InstalledHooksAreCalledAndUninstallFallsBack)
{
    QList<bool> busy;
    QStringList shown;
    ui_hooks::install([&](bool b) { busy << b; }, [&](const QString &c, const QString &t) { shown << c + "|" + t; });
    {
        ui_hooks::BusyPointer pointer;
        ui_hooks::showMessage("FEIL", "tekst");
    }
    EXPECT_EQ(busy, QList<bool>({true, false}));
    EXPECT_EQ(shown, QStringList({"FEIL|tekst"}));
    ui_hooks::uninstall();
    ui_hooks::setBusy(true);
    ui_hooks::showMessage("FEIL", "to standard error");
    EXPECT_EQ(shown.size(), 1);
}

} // namespace
