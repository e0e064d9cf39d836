#include "tests/win32/win32_test_env.h"

#include <atomic>

namespace win32_test {

void writeFile(const std::u16string &path, const std::string &bytes)
{
    const HANDLE h = CreateFileW(w(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << "cannot create the file, error " << GetLastError();
    DWORD written = 0;
    const bool ok = WriteFile(h, bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size();
    CloseHandle(h);
    ASSERT_TRUE(ok);
}

std::string readFile(const std::u16string &path)
{
    const HANDLE h = CreateFileW(w(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return {};
    std::string bytes;
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(h, buffer, sizeof buffer, &n, nullptr) && n > 0)
        bytes.append(buffer, n);
    CloseHandle(h);
    return bytes;
}

bool exists(const std::u16string &path)
{
    return GetFileAttributesW(w(path)) != INVALID_FILE_ATTRIBUTES;
}

void removeTree(const std::u16string &path)
{
    const DWORD a = GetFileAttributesW(w(path));
    if (a == INVALID_FILE_ATTRIBUTES)
        return;
    SetFileAttributesW(w(path), FILE_ATTRIBUTE_NORMAL);
    if (!(a & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileW(w(path));
        return;
    }
    if (!(a & FILE_ATTRIBUTE_REPARSE_POINT)) {
        WIN32_FIND_DATAW data{};
        const HANDLE find = FindFirstFileW(w(path + u"\\*"), &data);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = data.cFileName;
                if (name != L"." && name != L"..")
                    removeTree(path + u"\\" + u16(name));
            } while (FindNextFileW(find, &data));
            FindClose(find);
        }
    }
    RemoveDirectoryW(w(path));
}

std::u16string programFolder()
{
    wchar_t buffer[32768] = {};
    std::wstring p(buffer, GetModuleFileNameW(nullptr, buffer, 32768));
    return u16(p.substr(0, p.find_last_of(L'\\')));
}

std::u16string currentFolder()
{
    wchar_t buffer[32768] = {};
    return u16(std::wstring(buffer, GetCurrentDirectoryW(32768, buffer)));
}

void TempFolderTest::SetUp()
{
    static std::atomic<int> counter{0};
    wchar_t temp[MAX_PATH + 1] = {};
    std::wstring base(temp, GetTempPathW(MAX_PATH + 1, temp));
    if (!base.empty() && base.back() == L'\\')
        base.pop_back();
    const ::testing::TestInfo *info = ::testing::UnitTest::GetInstance()->current_test_info();
    folder = u16(base) + u"\\bo-";
    std::string name = std::string(info->test_suite_name()) + "-" + info->name() + "-"
                       + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++);
    for (char &c : name)
        if (c == '/')
            c = '_';
    folder += std::u16string(name.begin(), name.end());
    removeTree(folder);
    ASSERT_TRUE(CreateDirectoryW(w(folder), nullptr)) << "error " << GetLastError();
    previousFolder_ = currentFolder();
    ASSERT_TRUE(SetCurrentDirectoryW(w(folder)));
}

void TempFolderTest::TearDown()
{
    SetCurrentDirectoryW(w(previousFolder_));
    // A program a test started may still be ending, holding its file or working folder a moment.
    removeTree(folder);
    for (int i = 0; i < 50 && exists(folder); ++i) {
        Sleep(100);
        removeTree(folder);
    }
}

} // namespace win32_test
