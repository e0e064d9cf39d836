// The shell's open action. The caller has quoted the program and the working folder already; the
// texts go to the shell as whole wide strings, so no length can overrun a buffer (nothing is cut).
#include "platform/win32/wide.h"

#include "platform/shell.h"

#include <shellapi.h>

namespace platform {

namespace {

// The working folder arrives in double quotes, and a folder of two quote characters means none:
// the shell takes the folder as a plain path, never a quoted one.
std::wstring plainFolder(const std::u16string &folder)
{
    std::wstring f = win32::wide(folder);
    if (f.size() >= 2 && f.front() == L'"' && f.back() == L'"')
        f = f.substr(1, f.size() - 2);
    return f;
}

} // namespace

void shellOpen(const std::u16string &file, const std::u16string &parameters, const std::u16string &folder)
{
    const std::wstring f = win32::wide(file);
    const std::wstring p = win32::wide(parameters);
    const std::wstring d = plainFolder(folder);
    ShellExecuteW(nullptr, L"open", f.c_str(), p.empty() ? nullptr : p.c_str(), d.empty() ? nullptr : d.c_str(),
                  SW_SHOWNORMAL);
}

} // namespace platform
