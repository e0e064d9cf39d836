#pragma once
// The platform's 8-bit code page: Windows-1252 here, the ANSI code page on Windows.
#include <string>
#include <string_view>

namespace platform::textcodec {

std::u16string decode8bit(std::string_view bytes);
// False, with out unspecified, when a character has no byte in the code page.
bool encode8bit(std::u16string_view text, std::string &out);

} // namespace platform::textcodec
