// The shell's open action end to end: a small program of the tests is started through the shell
// with the caller's quoting and records the command line and working folder it was given.
#include "platform/shell.h"
#include "tests/win32/win32_test_env.h"

namespace {

using namespace win32_test;

struct Record {
    std::u16string commandLine, workingFolder;
};

class ShellTest : public TempFolderTest {
protected:
    void SetUp() override
    {
        TempFolderTest::SetUp();
        // The program in a folder and under a name with blanks.
        ASSERT_TRUE(CreateDirectoryW(w(path(u"my tools")), nullptr));
        program = path(u"my tools\\record args.exe");
        ASSERT_TRUE(CopyFileW(w(programFolder() + u"\\" + u16(BO_RECORD_ARGS_NAME)), w(program), TRUE))
            << "error " << GetLastError();
        recordFile = path(u"record.txt");
        ASSERT_TRUE(SetEnvironmentVariableW(L"BO_RECORD_FILE", w(recordFile)));
    }

    static std::u16string quoted(const std::u16string &s) { return u"\"" + s + u"\""; }

    // Waits for the started program's record; a program that never starts fails after a minute.
    Record recorded()
    {
        for (int i = 0; i < 600 && !exists(recordFile); ++i)
            Sleep(100);
        const std::string bytes = readFile(recordFile);
        std::u16string text(reinterpret_cast<const char16_t *>(bytes.data()), bytes.size() / 2);
        Record r;
        const auto first = text.find(u'\n');
        if (first == std::u16string::npos) {
            ADD_FAILURE() << "the program did not record how it was started";
            return r;
        }
        r.commandLine = text.substr(0, first);
        r.workingFolder = text.substr(first + 1, text.find(u'\n', first + 1) - first - 1);
        return r;
    }

    std::u16string program, recordFile;
};

// As the language file is opened: the program in quotes, the parameters as they are (a path with
// blanks, not quoted), and an empty working folder given as two quote characters.
TEST_F(ShellTest, ProgramQuotedParametersAsTheyAreEmptyFolder)
{
    const std::u16string parameters = u"C:\\Veltrona data\\etc\\language.no";
    platform::shellOpen(quoted(program), parameters, u"\"\"");
    const Record r = recorded();
    EXPECT_EQ(r.commandLine, quoted(program) + u" " + parameters);
    EXPECT_EQ(r.workingFolder, folder);  // no folder: the caller's own
}

TEST_F(ShellTest, QuotedWorkingFolderIsUsed)
{
    const std::u16string work = path(u"work dir");
    ASSERT_TRUE(CreateDirectoryW(w(work), nullptr));
    platform::shellOpen(quoted(program), u"x", quoted(work));
    EXPECT_EQ(recorded().workingFolder, work);
}

// Texts far longer than 255 code units, with letters outside the ANSI code page, arrive whole.
TEST_F(ShellTest, LongAndNonAnsiParametersArriveWhole)
{
    std::u16string parameters = u"\"C:\\quoted by the caller\\fil.txt\" blåbær Жж ";
    while (parameters.size() < 1000)
        parameters += u"0123456789";
    platform::shellOpen(quoted(program), parameters, u"\"\"");
    const Record r = recorded();
    ASSERT_EQ(r.commandLine.size(), quoted(program).size() + 1 + parameters.size());
    EXPECT_EQ(r.commandLine, quoted(program) + u" " + parameters);
}

TEST_F(ShellTest, NoParameters)
{
    platform::shellOpen(quoted(program), u"", u"\"\"");
    const Record r = recorded();
    EXPECT_EQ(r.commandLine.substr(0, quoted(program).size()), quoted(program));
    EXPECT_EQ(r.commandLine.find_first_not_of(u' ', quoted(program).size()), std::u16string::npos);
}

// A bare program name in quotes (as "notepad.exe" is given) is found on the search path.
TEST_F(ShellTest, BareProgramNameIsFound)
{
    wchar_t old[32768] = {};
    const DWORD length = GetEnvironmentVariableW(L"PATH", old, 32768);
    ASSERT_TRUE(SetEnvironmentVariableW(L"PATH", w(path(u"my tools") + u";" + u16(std::wstring(old, length)))));
    ASSERT_TRUE(CopyFileW(w(program), w(path(u"my tools\\recorder.exe")), TRUE));
    platform::shellOpen(u"\"recorder.exe\"", u"language.no", u"\"\"");
    const Record r = recorded();
    SetEnvironmentVariableW(L"PATH", old);
    EXPECT_NE(r.commandLine.find(u"recorder.exe"), std::u16string::npos);
    EXPECT_EQ(r.commandLine.substr(r.commandLine.size() - 12), u" language.no");
}

// A program that is not there: false, with the system's reason after the program's name.
TEST_F(ShellTest, MissingProgramIsAFailureWithItsReason)
{
    std::u16string reason;
    EXPECT_FALSE(platform::shellOpen(quoted(path(u"finnes ikke.exe")), u"language.no", u"\"\"", &reason));
    EXPECT_EQ(reason.substr(0, quoted(path(u"finnes ikke.exe")).size()), quoted(path(u"finnes ikke.exe")));
    EXPECT_GT(reason.size(), quoted(path(u"finnes ikke.exe")).size() + 2);
}

TEST_F(ShellTest, StartedProgramIsReportedAsStarted)
{
    std::u16string reason = u"untouched";
    EXPECT_TRUE(platform::shellOpen(quoted(program), u"x", u"\"\"", &reason));
    EXPECT_EQ(reason, u"untouched");
    recorded();
}

} // namespace
