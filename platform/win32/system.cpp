#include "platform/win32/wide.h"

#include "platform/system.h"

#include <shellapi.h>
#include <shlobj.h>

namespace platform {

namespace {
using win32::u16;
using win32::wide;

std::u16string programPathOverride;
std::optional<LocalTime> fixedNow;
} // namespace

char16_t separator()
{
    return u'\\';
}

std::u16string environmentVariable(const std::u16string &name)
{
    const std::wstring n = wide(name);
    std::wstring value(256, L'\0');
    for (;;) {
        const DWORD length = GetEnvironmentVariableW(n.c_str(), value.data(), DWORD(value.size()));
        if (length == 0)
            return {};  // unset (or set to nothing)
        if (length < value.size()) {
            value.resize(length);
            return u16(value);
        }
        value.resize(length);  // too small: length is the size needed, terminating zero included
    }
}

std::u16string appDataFolder()
{
    std::u16string folder = environmentVariable(u"APPDATA");
    if (folder.empty()) {
        // A process started without the variable still has the user's folder.
        wchar_t path[MAX_PATH] = {};
        if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path)))
            folder = u16(path);
    }
    // Without its trailing separator, but a drive's root keeps its own ("C:\").
    while (folder.size() > 1 && win32::isSeparator(wchar_t(folder.back()))
           && !(folder.size() == 3 && folder[1] == u':'))
        folder.pop_back();
    return folder;
}

std::vector<std::u16string> arguments(int, char **)
{
    std::vector<std::u16string> result;
    int count = 0;
    wchar_t **list = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!list)
        return result;
    for (int i = 1; i < count; ++i)
        result.push_back(u16(list[i]));
    LocalFree(list);
    return result;
}

std::u16string programPath()
{
    if (!programPathOverride.empty())
        return programPathOverride;
    // Long paths do not fit MAX_PATH: grow until the whole name fits.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return u16(path);
        }
        if (path.size() >= 65536)
            return {};
        path.resize(path.size() * 2);
    }
}

void overrideProgramPath(const std::u16string &path)
{
    programPathOverride = path;
}

LocalTime now()
{
    if (fixedNow)
        return *fixedNow;
    SYSTEMTIME st{};
    GetLocalTime(&st);
    return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

void overrideNow(std::optional<LocalTime> fixed)
{
    fixedNow = fixed;
}

void adviseLargeBuffer(void *, std::size_t)
{
    // Large pages need a privilege ordinary users lack; the system's own paging stays.
}

} // namespace platform

