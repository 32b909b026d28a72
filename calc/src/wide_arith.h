// 128-bit unsigned arithmetic for the portable Extended: a pair of 64-bit words with the
// few operations the rounding needs, and the two wide steps (64 x 64 -> 128 multiply,
// 128 / 64 divide). Those two use the compiler's `unsigned __int128` where it has one; the
// `portable` versions use only 64-bit words and serve every other compiler (MSVC).
#pragma once

#include <cstdint>

namespace calc::detail {

struct U128 {
    std::uint64_t hi = 0;
    std::uint64_t lo = 0;
};

inline bool isZero(U128 a) { return (a.hi | a.lo) == 0; }

inline U128 operator+(U128 a, U128 b) {
    U128 r{a.hi + b.hi, a.lo + b.lo};
    if (r.lo < a.lo) ++r.hi;
    return r;
}

// Requires a >= b.
inline U128 operator-(U128 a, U128 b) {
    U128 r{a.hi - b.hi, a.lo - b.lo};
    if (a.lo < b.lo) --r.hi;
    return r;
}

// Shifts by 0..127 bits.
inline U128 shiftLeft(U128 a, int bits) {
    if (bits == 0) return a;
    if (bits >= 64) return {a.lo << (bits - 64), 0};
    return {(a.hi << bits) | (a.lo >> (64 - bits)), a.lo << bits};
}

inline U128 shiftRight(U128 a, int bits) {
    if (bits == 0) return a;
    if (bits >= 64) return {0, a.hi >> (bits - 64)};
    return {a.hi >> bits, (a.lo >> bits) | (a.hi << (64 - bits))};
}

// Bit `index` (0..127).
inline bool testBit(U128 a, int index) {
    return index >= 64 ? ((a.hi >> (index - 64)) & 1u) != 0 : ((a.lo >> index) & 1u) != 0;
}

// Whether any of the bits below `index` (0..128) is set.
inline bool anyBitBelow(U128 a, int index) {
    if (index >= 128) return !isZero(a);
    if (index > 64) return a.lo != 0 || (a.hi << (128 - index)) != 0;
    if (index == 64) return a.lo != 0;
    if (index == 0) return false;
    return (a.lo << (64 - index)) != 0;
}

// Number of leading zero bits of a nonzero word.
inline int leadingZeros64(std::uint64_t a) {
#if defined(__GNUC__) || defined(__clang__)
    return __builtin_clzll(a);
#else
    int n = 0;
    for (int step = 32; step > 0; step /= 2) {
        if ((a >> (64 - step)) == 0) {
            n += step;
            a <<= step;
        }
    }
    return n;
#endif
}

// Position of the highest set bit plus one (1..128) of a nonzero value.
inline int bitLength(U128 a) {
    return a.hi != 0 ? 128 - leadingZeros64(a.hi) : 64 - leadingZeros64(a.lo);
}

namespace portable {

// a * b from four 32 x 32 -> 64 products.
inline U128 multiplyWide(std::uint64_t a, std::uint64_t b) {
    constexpr std::uint64_t kLow32 = 0xFFFFFFFFu;
    const std::uint64_t a0 = a & kLow32, a1 = a >> 32, b0 = b & kLow32, b1 = b >> 32;
    const std::uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
    // The middle column: at most 3 (2^32 - 1) + ... < 2^64, so it cannot overflow.
    const std::uint64_t middle = (p00 >> 32) + (p01 & kLow32) + (p10 & kLow32);
    return {p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32), (middle << 32) | (p00 & kLow32)};
}

// (hi:lo) / d for a normalized divisor (bit 63 set) and hi < d, so that the quotient fits in
// 64 bits: two steps of schoolbook division in base 2^32, each with a quotient digit
// estimated from the divisor's top half and corrected at most twice.
inline std::uint64_t divideWide(std::uint64_t hi, std::uint64_t lo, std::uint64_t d,
                                std::uint64_t& remainder) {
    constexpr std::uint64_t kBase = std::uint64_t{1} << 32;
    const std::uint64_t d1 = d >> 32, d0 = d & 0xFFFFFFFFu;
    const std::uint64_t n1 = lo >> 32, n0 = lo & 0xFFFFFFFFu;

    // First digit: (hi:n1) / d.
    std::uint64_t q1 = hi / d1;
    std::uint64_t r = hi - q1 * d1;
    while (q1 >= kBase || q1 * d0 > ((r << 32) | n1)) {
        --q1;
        r += d1;
        if (r >= kBase) break;
    }
    const std::uint64_t top = (hi << 32 | n1) - q1 * d;  // < d, wraps correctly mod 2^64

    // Second digit: (top:n0) / d.
    std::uint64_t q0 = top / d1;
    r = top - q0 * d1;
    while (q0 >= kBase || q0 * d0 > ((r << 32) | n0)) {
        --q0;
        r += d1;
        if (r >= kBase) break;
    }
    remainder = (top << 32 | n0) - q0 * d;
    return (q1 << 32) | q0;
}

}  // namespace portable

#if defined(__SIZEOF_INT128__)

inline U128 multiplyWide(std::uint64_t a, std::uint64_t b) {
    const unsigned __int128 p = static_cast<unsigned __int128>(a) * b;
    return {static_cast<std::uint64_t>(p >> 64), static_cast<std::uint64_t>(p)};
}

inline std::uint64_t divideWide(std::uint64_t hi, std::uint64_t lo, std::uint64_t d,
                                std::uint64_t& remainder) {
    const unsigned __int128 n = (static_cast<unsigned __int128>(hi) << 64) | lo;
    remainder = static_cast<std::uint64_t>(n % d);
    return static_cast<std::uint64_t>(n / d);
}

#else

inline U128 multiplyWide(std::uint64_t a, std::uint64_t b) { return portable::multiplyWide(a, b); }

inline std::uint64_t divideWide(std::uint64_t hi, std::uint64_t lo, std::uint64_t d,
                                std::uint64_t& remainder) {
    return portable::divideWide(hi, lo, d, remainder);
}

#endif

}  // namespace calc::detail
