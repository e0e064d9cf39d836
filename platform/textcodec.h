#pragma once
// The platform's 8-bit code page: Windows-1252 here, the ANSI code page on Windows. Each byte is one
// character of the code page, so the caller sizes the buffers: n bytes give n code units and back.
#include <cstddef>

namespace platform::textcodec {

// Decodes n bytes into n code units at out.
void decode8bit(const char *in, std::size_t n, char16_t *out);
// Encodes n code units into n bytes at out. False, with out unspecified, when a character has no
// byte in the code page.
bool encode8bit(const char16_t *in, std::size_t n, char *out);

} // namespace platform::textcodec
