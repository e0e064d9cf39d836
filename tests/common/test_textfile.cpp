// Text files shared with the suite's Windows programs: encoding detection, encoding for writing, lines,
// atomic writes.
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include "common/textfile.h"
#include "common/ui_hooks.h"
#include "support/foundation_helpers.h"
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
