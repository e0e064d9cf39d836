// Started by the shell tests: writes its command line and working folder, one per line in UTF-16,
// to the file the variable BO_RECORD_FILE names. Written beside it first and then renamed, so the
// test never reads half a record.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>

int wmain()
{
    wchar_t target[32768] = {};
    if (!GetEnvironmentVariableW(L"BO_RECORD_FILE", target, 32768))
        return 2;
    wchar_t cwd[32768] = {};
    const DWORD cwdLength = GetCurrentDirectoryW(32768, cwd);
    const std::wstring record = std::wstring(GetCommandLineW()) + L"\n" + std::wstring(cwd, cwdLength) + L"\n";
    const std::wstring part = std::wstring(target) + L".part";
    const HANDLE h = CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return 3;
    DWORD written = 0;
    const bool ok = WriteFile(h, record.data(), DWORD(record.size() * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(h);
    return ok && MoveFileExW(part.c_str(), target, MOVEFILE_REPLACE_EXISTING) ? 0 : 4;
}
