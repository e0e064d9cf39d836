// Windows-1252. The five bytes the code page leaves undefined map to the C1 controls of the same
// value, as Windows itself does, so every byte survives a round trip.
#include "platform/textcodec.h"

#include <array>

namespace platform::textcodec {

namespace {
constexpr std::array<char16_t, 32> k80to9F = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

int byteFor(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < 32; ++i)
        if (k80to9F[i] == c)
            return 0x80 + i;
    return -1;
}
} // namespace

void decode8bit(const char *in, std::size_t n, char16_t *out)
{
    for (std::size_t i = 0; i < n; ++i) {
        const auto b = static_cast<unsigned char>(in[i]);
        out[i] = (b >= 0x80 && b < 0xA0) ? k80to9F[b - 0x80] : char16_t(b);
    }
}

bool encode8bit(const char16_t *in, std::size_t n, char *out)
{
    for (std::size_t i = 0; i < n; ++i) {
        const char16_t c = in[i];
        if (c < 0x80) {
            out[i] = char(c);
            continue;
        }
        const int b = byteFor(c);
        if (b < 0)
            return false;
        out[i] = char(b);
    }
    return true;
}

} // namespace platform::textcodec
