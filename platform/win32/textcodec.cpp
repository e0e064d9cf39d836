// The ANSI code page of the system, one byte per character. An encoding that would need a substitute
// character (or a "best fit" look-alike, such as A for Ā) reports failure instead, so the caller
// can choose a Unicode form and nothing is lost. Where the ANSI code page is not a single-byte one
// (East Asian Windows, or UTF-8 as the system code page), one byte cannot be one character, so
// Windows-1252 is used there, as on the other platforms.
#include "platform/win32/wide.h"

#include "platform/textcodec.h"

#include <algorithm>
#include <climits>

namespace platform::textcodec {

namespace {

UINT codePage()
{
    static const UINT cp = [] {
        const UINT acp = GetACP();
        CPINFO info{};
        return GetCPInfo(acp, &info) && info.MaxCharSize == 1 ? acp : 1252u;
    }();
    return cp;
}

// The API counts in int: longer texts go in pieces (any cut is between characters here).
constexpr std::size_t kPiece = std::size_t(INT_MAX) / 2;

} // namespace

void decode8bit(const char *in, std::size_t n, char16_t *out)
{
    const UINT cp = codePage();
    for (std::size_t done = 0; done < n;) {
        const int piece = int(std::min(n - done, kPiece));
        const int written = MultiByteToWideChar(cp, 0, in + done, piece, reinterpret_cast<wchar_t *>(out + done), piece);
        // Cannot happen with a single-byte code page; never leave the caller's buffer undefined.
        for (int i = written > 0 ? written : 0; i < piece; ++i)
            out[done + std::size_t(i)] = char16_t(static_cast<unsigned char>(in[done + std::size_t(i)]));
        done += std::size_t(piece);
    }
}

bool encode8bit(const char16_t *in, std::size_t n, char *out)
{
    const UINT cp = codePage();
    for (std::size_t done = 0; done < n;) {
        const int piece = int(std::min(n - done, kPiece));
        BOOL usedDefault = FALSE;
        const int written = WideCharToMultiByte(cp, WC_NO_BEST_FIT_CHARS, reinterpret_cast<const wchar_t *>(in + done),
                                                piece, out + done, piece, nullptr, &usedDefault);
        // A surrogate pair becomes one substitute byte: counted short as well as flagged.
        if (written != piece || usedDefault)
            return false;
        done += std::size_t(piece);
    }
    return true;
}

} // namespace platform::textcodec
