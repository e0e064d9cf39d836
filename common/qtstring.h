#pragma once
// Crossing between Qt text and the platform layer's UTF-16 strings.
#include <QString>
#include <string>

inline QString qs(const std::u16string &s) { return QString::fromStdU16String(s); }
inline std::u16string us(const QString &s) { return s.toStdU16String(); }
