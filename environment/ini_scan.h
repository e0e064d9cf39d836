#pragma once
// Line scanning for the INI document, eight code units at a time where the processor allows.
// Guarantee: the same position as a plain walk to the first CR or LF.
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ini_scan {

// The first CR or LF in [p, end), or end.
inline const char16_t *findLineBreak(const char16_t *p, const char16_t *end)
{
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi16('\n');
    const __m128i cr = _mm_set1_epi16('\r');
    while (end - p >= 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        const int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(units, lf), _mm_cmpeq_epi16(units, cr)));
        if (mask)
            return p + __builtin_ctz(unsigned(mask)) / 2;
        p += 8;
    }
#endif
    while (p < end && *p != u'\n' && *p != u'\r')
        ++p;
    return p;
}

} // namespace ini_scan
