#pragma once
// Shared by the Win32 implementations: the Windows headers with the settings they all need, and the
// conversions between std::u16string and the API's wchar_t text (both UTF-16 on Windows).
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#if !defined(_WIN32_WINNT) || _WIN32_WINNT < 0x0601
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#endif
#include <windows.h>

#include <string>
#include <string_view>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the Win32 layer needs a 16-bit wchar_t");

namespace platform::win32 {

inline std::wstring wide(std::u16string_view s)
{
    return std::wstring(reinterpret_cast<const wchar_t *>(s.data()), s.size());
}

inline std::u16string u16(std::wstring_view s)
{
    return std::u16string(reinterpret_cast<const char16_t *>(s.data()), s.size());
}

inline bool isSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

} // namespace platform::win32
