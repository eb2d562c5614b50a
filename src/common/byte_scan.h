// Looking for given bytes sixteen at a time: the line ends of every line
// read and the separators of every definition line are found this way.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quellon::bytes {

inline constexpr size_t kBlock = 16;

// Bit i is set where block[i] == c, for the kBlock bytes at `block`.
inline std::uint32_t MatchMask(const char* block, char c) {
#if defined(__SSE2__)
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block));
    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(c))));
#else
    std::uint32_t mask = 0;
    for (size_t i = 0; i < kBlock; ++i) {
        mask |= static_cast<std::uint32_t>(block[i] == c) << i;
    }
    return mask;
#endif
}

// Position of the first `a` or `b` at or after `from`, or the text's size.
inline size_t FindEither(std::string_view s, size_t from, char a, char b) {
    const char* p = s.data();
    size_t i = from;
    for (; i + kBlock <= s.size(); i += kBlock) {
        const std::uint32_t mask = MatchMask(p + i, a) | MatchMask(p + i, b);
        if (mask != 0) {
            return i + static_cast<size_t>(std::countr_zero(mask));
        }
    }
    if (i < s.size() && s.size() - from >= kBlock) {
        // The last sixteen bytes, less those the blocks before searched.
        const size_t at = s.size() - kBlock;
        const std::uint32_t mask = (MatchMask(p + at, a) | MatchMask(p + at, b)) >> (i - at);
        return mask != 0 ? i + static_cast<size_t>(std::countr_zero(mask)) : s.size();
    }
    for (; i < s.size(); ++i) {
        if (p[i] == a || p[i] == b) {
            return i;
        }
    }
    return s.size();
}

}  // namespace quellon::bytes
