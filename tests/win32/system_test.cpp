// Environment variables, the application-data folder, the program's path and the clock.
#include "platform/system.h"
#include "tests/win32/win32_test_env.h"

namespace {

using namespace win32_test;

TEST(SystemTest, EnvironmentVariablesOfAnyLength)
{
    const std::u16string longValue = std::u16string(5000, u'v') + u"æøå";
    ASSERT_TRUE(SetEnvironmentVariableW(L"BO_LONG", w(longValue)));
    EXPECT_EQ(platform::environmentVariable(u"BO_LONG"), longValue);
    ASSERT_TRUE(SetEnvironmentVariableW(L"BO_LONG", nullptr));
    EXPECT_EQ(platform::environmentVariable(u"BO_LONG"), u"");
    ASSERT_TRUE(SetEnvironmentVariableW(L"BO_SHORT", L"C:\\Temp"));
    EXPECT_EQ(platform::environmentVariable(u"BO_SHORT"), u"C:\\Temp");
    for (const char16_t *name : {u"TEMP", u"WINDIR", u"USERNAME"})
        EXPECT_FALSE(platform::environmentVariable(name).empty()) << std::u16string(name).size();
}

TEST(SystemTest, AppDataFolder)
{
    wchar_t old[32768] = {};
    const DWORD length = GetEnvironmentVariableW(L"APPDATA", old, 32768);
    const std::pair<const wchar_t *, std::u16string> rows[] = {
        {L"C:\\Users\\kari\\AppData\\Roaming", u"C:\\Users\\kari\\AppData\\Roaming"},
        {L"C:\\Users\\kari\\AppData\\Roaming\\", u"C:\\Users\\kari\\AppData\\Roaming"},
        {L"D:\\", u"D:\\"},
    };
    for (const auto &[value, expected] : rows) {
        SetEnvironmentVariableW(L"APPDATA", value);
        EXPECT_EQ(platform::appDataFolder(), expected);
    }
    // Without the variable: the user's folder all the same.
    SetEnvironmentVariableW(L"APPDATA", nullptr);
    const std::u16string fallback = platform::appDataFolder();
    SetEnvironmentVariableW(L"APPDATA", length ? old : nullptr);
    EXPECT_FALSE(fallback.empty());
    EXPECT_NE(fallback.back(), u'\\');
}

TEST(SystemTest, ProgramPathAndSeparator)
{
    EXPECT_EQ(platform::separator(), u'\\');
    const std::u16string p = platform::programPath();
    EXPECT_EQ(p, programFolder() + u"\\bo_win32_tests.exe");
    platform::overrideProgramPath(u"C:\\Veltrona\\bin\\bruker-oppsett.exe");
    EXPECT_EQ(platform::programPath(), u"C:\\Veltrona\\bin\\bruker-oppsett.exe");
    platform::overrideProgramPath(u"");
    EXPECT_EQ(platform::programPath(), p);
}

TEST(SystemTest, ClockAndItsOverride)
{
    SYSTEMTIME before{};
    GetLocalTime(&before);
    const platform::LocalTime t = platform::now();
    EXPECT_GE(t.year, before.wYear);
    EXPECT_GE(t.month, 1);
    EXPECT_LE(t.month, 12);
    platform::overrideNow(platform::LocalTime{2026, 12, 7, 14, 5, 9});
    EXPECT_EQ(platform::now().year, 2026);
    EXPECT_EQ(platform::now().second, 9);
    platform::overrideNow(std::nullopt);
    EXPECT_GE(platform::now().year, before.wYear);
}

} // namespace
