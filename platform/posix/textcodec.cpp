// Windows-1252. The five bytes the code page leaves undefined map to the C1 controls of the same
// value, as Windows itself does, so every byte survives a round trip.
#include "platform/textcodec.h"

#include <array>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> t{};
        for (int b = 0; b < 256; ++b)
            t[b] = (b >= 0x80 && b < 0xA0) ? k80to9F[b - 0x80] : char16_t(b);
        return t;
    }();
    std::size_t i = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time: every byte but 0x80-0x9F is its own code point (ASCII and the letters
    // æøå alike), so the block is widened as it is and only those few bytes are looked up.
    const __m128i zero = _mm_setzero_si128();
    const __m128i top3 = _mm_set1_epi8(char(0xE0));
    const __m128i from80 = _mm_set1_epi8(char(0x80));
    while (i + 16 <= n) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + i));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), _mm_unpacklo_epi8(bytes, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i + 8), _mm_unpackhi_epi8(bytes, zero));
        for (unsigned odd = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(bytes, top3), from80))); odd;
             odd &= odd - 1) {
            const std::size_t k = i + std::size_t(__builtin_ctz(odd));
            out[k] = table[static_cast<unsigned char>(in[k])];
        }
        i += 16;
    }
#endif
    for (; i < n; ++i)
        out[i] = table[static_cast<unsigned char>(in[i])];
}

bool encode8bit(const char16_t *in, std::size_t n, char *out)
{
    const auto one = [&](std::size_t k) {
        const char16_t c = in[k];
        const int b = c < 0x80 ? c : byteFor(c);
        out[k] = char(b);
        return b >= 0;
    };
    std::size_t i = 0;
#if defined(__SSE2__)
    // Runs of ASCII are narrowed eight code units at a time.
    const __m128i high = _mm_set1_epi16(short(0xFF80));
    while (i + 8 <= n) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + i));
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(units, high), _mm_setzero_si128())) == 0xFFFF) {
            _mm_storel_epi64(reinterpret_cast<__m128i *>(out + i), _mm_packus_epi16(units, units));
            i += 8;
            continue;
        }
        for (const std::size_t end = i + 8; i < end; ++i)
            if (!one(i))
                return false;
    }
#endif
    for (; i < n; ++i)
        if (!one(i))
            return false;
    return true;
}

} // namespace platform::textcodec
