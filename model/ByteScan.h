// Searching short texts for a few byte values eight bytes at a time. The record reader and
// writer look at every field of every line; for fields of a few dozen bytes a library call
// per field costs more than the search.
#pragma once

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace bytescan {

constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHighs = 0x8080808080808080ull;

inline std::uint64_t Load(const char* p) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// High bit set in each byte of word that equals c (and possibly in the bytes after it).
inline std::uint64_t Matches(std::uint64_t word, unsigned char c) {
    const std::uint64_t v = word ^ (kOnes * c);
    return (v - kOnes) & ~v & kHighs;
}

// High bit set in exactly the bytes of word that equal c.
inline std::uint64_t ExactMatches(std::uint64_t word, unsigned char c) {
    const std::uint64_t v = word ^ (kOnes * c);
    return ~(((v & ~kHighs) + ~kHighs) | v | ~kHighs);
}

// The first byte c in [p, end), or end.
inline const char* Find(const char* p, const char* end, char c) {
    const unsigned char u = static_cast<unsigned char>(c);
#if defined(__SSE2__)
    // Sixteen bytes at a time where the processor has the instructions; a path is about
    // three such steps.
    const __m128i needle = _mm_set1_epi8(c);
    for (; end - p >= 16; p += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        if (const int m = _mm_movemask_epi8(_mm_cmpeq_epi8(chunk, needle))) {
            return p + __builtin_ctz(static_cast<unsigned>(m));
        }
    }
#endif
    for (; end - p >= 8; p += 8) {
        if (const std::uint64_t m = Matches(Load(p), u)) {
#if defined(__GNUC__) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
            // The lowest marked byte is always a true match (false marks only follow one).
            return p + (__builtin_ctzll(m) >> 3);
#else
            (void)m;
            break;
#endif
        }
    }
    while (p < end && *p != c) ++p;
    return p;
}

// The first byte a or b in [p, end), or end.
inline const char* FindEither(const char* p, const char* end, char a, char b) {
#if defined(__SSE2__)
    const __m128i na = _mm_set1_epi8(a), nb = _mm_set1_epi8(b);
    for (; end - p >= 16; p += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i hits = _mm_or_si128(_mm_cmpeq_epi8(chunk, na), _mm_cmpeq_epi8(chunk, nb));
        if (const int m = _mm_movemask_epi8(hits)) {
            return p + __builtin_ctz(static_cast<unsigned>(m));
        }
    }
#endif
    while (p < end && *p != a && *p != b) ++p;
    return p;
}

// n bytes of a and b alike; short texts (a directory part, a file name) are compared in two
// overlapping words, without a library call.
inline bool Equal(const char* a, const char* b, std::size_t n) {
    if (n >= 8 && n <= 16) {
        return ((Load(a) ^ Load(b)) | (Load(a + n - 8) ^ Load(b + n - 8))) == 0;
    }
    if (n > 16 && n <= 32) {
        return ((Load(a) ^ Load(b)) | (Load(a + 8) ^ Load(b + 8)) |
                (Load(a + n - 16) ^ Load(b + n - 16)) | (Load(a + n - 8) ^ Load(b + n - 8))) == 0;
    }
    return n == 0 || std::memcmp(a, b, n) == 0;
}

// Copies n bytes to p. Most texts (a field, a file name) are a few dozen bytes or less: they
// are copied in two overlapping moves of a fixed size, without a library call and without
// reading outside the text.
inline void Copy(char* p, const char* text, std::size_t n) {
    if (n <= 16) {
        if (n >= 8) {
            const std::uint64_t first = Load(text), last = Load(text + n - 8);
            std::memcpy(p, &first, 8);
            std::memcpy(p + n - 8, &last, 8);
        } else if (n >= 4) {
            std::uint32_t first, last;
            std::memcpy(&first, text, 4);
            std::memcpy(&last, text + n - 4, 4);
            std::memcpy(p, &first, 4);
            std::memcpy(p + n - 4, &last, 4);
        } else if (n > 0) {
            p[0] = text[0];
            p[n / 2] = text[n / 2];
            p[n - 1] = text[n - 1];
        }
    } else if (n <= 32) {
        char first[16], last[16];
        std::memcpy(first, text, 16);
        std::memcpy(last, text + n - 16, 16);
        std::memcpy(p, first, 16);
        std::memcpy(p + n - 16, last, 16);
    } else {
        std::memcpy(p, text, n);
    }
}

// A text of at most eight bytes in one word, the other bytes zero: every byte of the text is
// in it, at a place fixed by n, so that texts of one length are equal when their words are.
inline std::uint64_t Gather(const char* p, std::size_t n) {
    if (n >= 4) {
        std::uint32_t first, last;
        std::memcpy(&first, p, 4);
        std::memcpy(&last, p + n - 4, 4);
        return first | (std::uint64_t(last) << 32);
    }
    if (n == 0) return 0;
    return static_cast<unsigned char>(p[0]) |
           (std::uint64_t(static_cast<unsigned char>(p[n / 2])) << 8) |
           (std::uint64_t(static_cast<unsigned char>(p[n - 1])) << 16);
}

// True when [p, end) holds any of the bytes a, b and c, none of which may be zero.
inline bool HasAny(const char* p, const char* end, char a, char b, char c) {
    const unsigned char ua = static_cast<unsigned char>(a);
    const unsigned char ub = static_cast<unsigned char>(b);
    const unsigned char uc = static_cast<unsigned char>(c);
    if (end - p >= 8) {
        for (; end - p >= 8; p += 8) {
            const std::uint64_t word = Load(p);
            if (Matches(word, ua) | Matches(word, ub) | Matches(word, uc)) return true;
        }
        if (p == end) return false;
        // The last few bytes in the word that ends the text, some looked at twice.
        const std::uint64_t word = Load(end - 8);
        return (Matches(word, ua) | Matches(word, ub) | Matches(word, uc)) != 0;
    }
    // Four to seven bytes (a file's name) gathered into one word, whose other bytes, zero,
    // are none of the bytes sought here; fewer (a "?") one by one.
    if (end - p >= 4) {
        const std::uint64_t word = Gather(p, static_cast<std::size_t>(end - p));
        return (Matches(word, ua) | Matches(word, ub) | Matches(word, uc)) != 0;
    }
    for (; p < end; ++p) {
        if (*p == a || *p == b || *p == c) return true;
    }
    return false;
}

}  // namespace bytescan
