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

// The program's arguments, as a program of the tests with an ordinary narrow main is given them: from
// the Unicode command line, split as the system splits it, letters outside the ANSI code page whole.
TEST(SystemTest, ArgumentsComeWholeFromTheUnicodeCommandLine)
{
    struct Row {
        std::u16string commandLine;
        std::u16string expected;  // each argument followed by a line end
    };
    const Row rows[] = {
        {u"--user Łukasz", u"--user\nŁukasz\n"},
        {u"--caption \"Kunde portal Ж\" -ip 10.0.0.1", u"--caption\nKunde portal Ж\n-ip\n10.0.0.1\n"},
        {u"--user \"\" x", u"--user\n\nx\n"},
        {u"\"C:\\Mine filer\\\\\" blåbær", u"C:\\Mine filer\\\nblåbær\n"},
        {u"", u""},
    };
    const std::u16string program = programFolder() + u"\\" + u16(BO_PRINT_ARGUMENTS_NAME);
    wchar_t temp[MAX_PATH + 1] = {};
    ASSERT_GT(GetTempPathW(MAX_PATH + 1, temp), 0u);
    const std::u16string recordFile = u16(temp) + u"bo-arguments-" + u16(std::to_wstring(GetCurrentProcessId())) + u".txt";
    ASSERT_TRUE(SetEnvironmentVariableW(L"BO_RECORD_FILE", w(recordFile)));
    for (const Row &row : rows) {
        DeleteFileW(w(recordFile));
        std::wstring commandLine = L"\"" + wide(program) + L"\" " + wide(row.commandLine);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        ASSERT_TRUE(CreateProcessW(w(program), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                   &startup, &process))
            << "error " << GetLastError();
        WaitForSingleObject(process.hProcess, 60000);
        DWORD code = 1;
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        ASSERT_EQ(code, 0u);
        const std::string bytes = readFile(recordFile);
        const std::u16string recorded(reinterpret_cast<const char16_t *>(bytes.data()), bytes.size() / 2);
        EXPECT_TRUE(recorded == row.expected) << "command line of " << row.commandLine.size() << " units, "
                                              << recorded.size() << " recorded";
    }
    DeleteFileW(w(recordFile));
    SetEnvironmentVariableW(L"BO_RECORD_FILE", nullptr);
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
