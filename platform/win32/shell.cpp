// The shell's open action. The caller has quoted the program and the working folder already; the
// texts go to the shell as whole wide strings, so no length can overrun a buffer (nothing is cut).
#include "platform/win32/wide.h"

#include "platform/files.h"
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

// ShellExecuteW's own codes above the system's error codes.
std::u16string shellFailure(INT_PTR code)
{
    switch (code) {
    case 0: return u"tomt for minne eller ressurser";
    case SE_ERR_ASSOCINCOMPLETE:
    case SE_ERR_NOASSOC: return u"ingen program er knyttet til filen";
    case SE_ERR_DDEBUSY:
    case SE_ERR_DDEFAIL:
    case SE_ERR_DDETIMEOUT: return u"DDE-forespørselen mislyktes";
    case SE_ERR_DLLNOTFOUND: return u"et nødvendig bibliotek ble ikke funnet";
    case SE_ERR_SHARE: return u"delingsbrudd";
    default: return files::errorText(int(code));  // ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ...
    }
}

} // namespace

bool shellOpen(const std::u16string &file, const std::u16string &parameters, const std::u16string &folder,
               std::u16string *reason, ShellFailure)
{
    const std::wstring f = win32::wide(file);
    const std::wstring p = win32::wide(parameters);
    const std::wstring d = plainFolder(folder);
    const INT_PTR code = reinterpret_cast<INT_PTR>(ShellExecuteW(
        nullptr, L"open", f.c_str(), p.empty() ? nullptr : p.c_str(), d.empty() ? nullptr : d.c_str(), SW_SHOWNORMAL));
    if (code > 32)
        return true;
    if (reason)
        *reason = file + u": " + shellFailure(code);
    return false;
}

} // namespace platform
