// The ANSI code page and the user's regional date and time. The test set-up runs these with
// Windows-1252 as the ANSI code page, as on a Norwegian or English Windows.
#include "platform/datetimetext.h"
#include "platform/textcodec.h"
#include "tests/win32/win32_test_env.h"

namespace {

using namespace win32_test;
namespace codec = platform::textcodec;

class CodePageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (GetACP() != 1252)
            GTEST_SKIP() << "the ANSI code page here is " << GetACP() << ", not 1252";
    }
};

std::u16string decoded(const std::string &bytes)
{
    std::u16string text(bytes.size(), u'\0');
    codec::decode8bit(bytes.data(), bytes.size(), text.data());
    return text;
}

bool encoded(const std::u16string &text, std::string &bytes)
{
    bytes.assign(text.size(), '\0');
    return codec::encode8bit(text.data(), text.size(), bytes.data());
}

TEST_F(CodePageTest, EveryByteSurvivesARoundTrip)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += char(b);
    const std::u16string text = decoded(all);
    EXPECT_EQ(text[0xF8], u'ø');
    EXPECT_EQ(text[0x80], u'€');
    EXPECT_EQ(text[0x81], u'\u0081');
    EXPECT_EQ(text[0], u'\0');
    std::string back;
    ASSERT_TRUE(encoded(text, back));
    EXPECT_EQ(back, all);
}

TEST_F(CodePageTest, UnrepresentableCharactersFailInsteadOfBeingReplaced)
{
    std::string out;
    EXPECT_TRUE(encoded(u"Blåbær – €5", out));
    EXPECT_EQ(out, "Bl\xE5" "b\xE6r \x96 \x80" "5");
    // Characters the code page lacks: a Cyrillic letter, and letters Windows would otherwise give a
    // look-alike for (Ā as A, ∞ as 8, a full-width A as A), and one outside the basic plane.
    for (const char16_t *text : {u"Жук", u"Ābc", u"∞", u"\uFF21", u"emoji \U0001F600"})
        EXPECT_FALSE(encoded(text, out)) << std::u16string(text).size();
    EXPECT_TRUE(encoded(u"", out));
}

// The user's own settings decide the forms; each test puts its own and restores the user's.
class RegionalTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved[0] = get(LOCALE_SSHORTDATE);
        saved[1] = get(LOCALE_STIMEFORMAT);
    }
    void TearDown() override
    {
        SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, saved[0].c_str());
        SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT, saved[1].c_str());
    }
    static std::wstring get(LCTYPE type)
    {
        wchar_t buffer[100] = {};
        const int n = GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 100);
        return std::wstring(buffer, n > 0 ? n - 1 : 0);
    }
    static void set(const wchar_t *shortDate, const wchar_t *longTime)
    {
        ASSERT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, shortDate));
        ASSERT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT, longTime));
    }
    std::wstring saved[2];
};

TEST_F(RegionalTest, TheUsersShortDateAndLongTime)
{
    const platform::LocalTime t{2026, 12, 7, 14, 5, 9};
    const platform::LocalTime morning{2027, 1, 31, 8, 0, 0};
    set(L"dd.MM.yyyy", L"HH:mm:ss");
    EXPECT_EQ(platform::shortDateText(t), u"07.12.2026");
    EXPECT_EQ(platform::longTimeText(t), u"14:05:09");
    EXPECT_EQ(platform::shortDateText(morning), u"31.01.2027");
    EXPECT_EQ(platform::longTimeText(morning), u"08:00:00");

    set(L"yyyy-MM-dd", L"H:mm:ss");
    EXPECT_EQ(platform::shortDateText(t), u"2026-12-07");
    EXPECT_EQ(platform::longTimeText(morning), u"8:00:00");

    set(L"d/M/yy", L"hh.mm.ss");
    EXPECT_EQ(platform::shortDateText(morning), u"31/1/27");
    EXPECT_EQ(platform::longTimeText(t), u"02.05.09");
}

TEST_F(RegionalTest, AnImpossibleDateGivesNoText)
{
    set(L"dd.MM.yyyy", L"HH:mm:ss");
    EXPECT_TRUE(platform::shortDateText({2026, 13, 40, 0, 0, 0}).empty());
    EXPECT_TRUE(platform::longTimeText({2026, 1, 1, 25, 0, 0}).empty());
}

} // namespace
