// The user's own regional settings: the short date and the long time as set in the control panel.
#include "platform/win32/wide.h"

#include "platform/datetimetext.h"

namespace platform {

namespace {

SYSTEMTIME systemTime(const LocalTime &t)
{
    SYSTEMTIME st{};
    st.wYear = WORD(t.year);
    st.wMonth = WORD(t.month);
    st.wDay = WORD(t.day);
    st.wHour = WORD(t.hour);
    st.wMinute = WORD(t.minute);
    st.wSecond = WORD(t.second);
    return st;
}

// Both functions answer the size they need (terminating zero included) when given no buffer.
template <typename Format>
std::u16string formatted(Format format)
{
    const int needed = format(nullptr, 0);
    if (needed <= 0)
        return {};
    std::wstring text(std::size_t(needed), L'\0');
    const int written = format(text.data(), needed);
    if (written <= 0)
        return {};
    text.resize(std::size_t(written) - 1);
    return win32::u16(text);
}

} // namespace

std::u16string shortDateText(const LocalTime &t)
{
    const SYSTEMTIME st = systemTime(t);
    return formatted([&](wchar_t *buffer, int size) {
        return GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buffer, size, nullptr);
    });
}

std::u16string longTimeText(const LocalTime &t)
{
    const SYSTEMTIME st = systemTime(t);
    return formatted([&](wchar_t *buffer, int size) {
        return GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &st, nullptr, buffer, size);
    });
}

} // namespace platform
