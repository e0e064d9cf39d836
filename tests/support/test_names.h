#pragma once
// Readable names for the rows of parameterised tests. Without them CTest lists a row by its bytes
// ("Table/Scramble.BothWays/48-byte object <90-4E ...>", different on every run); with them by what
// the row is about ("Table/Scramble.BothWays/00_abc").
#include <QString>
#include <cstddef>
#include <gtest/gtest.h>
#include <string>

namespace testnames {

// The row's index, two digits, then the letters and digits of text (UTF-8; "æ", "ø", "å" become
// "ae", "o", "a"), every other run of characters one "_", at most 48 of them. Unique as the indexes are.
std::string rowName(std::size_t index, const std::string &text);

inline std::string utf8(const std::string &s) { return s; }
inline std::string utf8(const char *s) { return s ? std::string(s) : std::string("null"); }
inline std::string utf8(const QString &s) { return s.toStdString(); }
inline std::string utf8(const std::u16string &s) { return QString::fromStdU16String(s).toStdString(); }
inline std::string utf8(const char16_t *s) { return s ? QString::fromUtf16(s).toStdString() : std::string("absent"); }

// A name generator for INSTANTIATE_TEST_SUITE_P: describe(row) gives the text.
template <class Describe>
auto by(Describe describe)
{
    return [describe](const auto &info) { return rowName(info.index, utf8(describe(info.param))); };
}

// For rows that print themselves (an operator<< or PrintTo beside their type).
inline auto printed()
{
    return [](const auto &info) { return rowName(info.index, ::testing::PrintToString(info.param)); };
}

} // namespace testnames
