// Extended: a real with a 64-bit significand and a 15-bit exponent, rounded to nearest with
// ties to even after every operation — the x87 80-bit format.
//
// The calculation states where a result is first rounded to Extended and then stored as a
// Double or a Single; this type makes each of those places explicit. An Extended value is
// made from a Double, a Single or an integer (exactly), combined with + - * /, and leaves
// only through toDouble(), which rounds to binary64.
//
// The backend is the x87 `long double`. Its precision and rounding depend on the x87 control
// word, and the SSE conversions to float on MXCSR, so every public entry point of the
// library holds an ExtendedMode for the duration of its work.
#pragma once

#include <cfloat>
#include <cmath>
#include <cstdint>

#if !defined(__x86_64__) || LDBL_MANT_DIG != 64
#error "calc: Extended arithmetic needs the x87 80-bit long double of x86-64 (GCC or Clang); \
a portable Extended backend for this target does not exist yet"
#endif

namespace calc::detail {

class Extended {
public:
    constexpr Extended() = default;
    constexpr explicit Extended(double value) : m_value(value) {}
    constexpr explicit Extended(float value) : m_value(value) {}
    // Every 64-bit integer is exact in a 64-bit significand.
    constexpr explicit Extended(std::int64_t value) : m_value(static_cast<long double>(value)) {}
    constexpr explicit Extended(std::int32_t value) : m_value(value) {}

    friend Extended operator+(Extended a, Extended b) { return Extended(a.m_value + b.m_value, 0); }
    friend Extended operator-(Extended a, Extended b) { return Extended(a.m_value - b.m_value, 0); }
    friend Extended operator*(Extended a, Extended b) { return Extended(a.m_value * b.m_value, 0); }
    friend Extended operator/(Extended a, Extended b) { return Extended(a.m_value / b.m_value, 0); }

    friend bool operator<(Extended a, Extended b) { return a.m_value < b.m_value; }
    friend bool operator>=(Extended a, Extended b) { return a.m_value >= b.m_value; }

    // Rounds to binary64, to nearest with ties to even.
    double toDouble() const { return static_cast<double>(m_value); }

    bool isNaN() const { return std::isnan(m_value); }
    // Clears the sign, of NaNs too.
    Extended abs() const { return Extended(std::fabs(m_value), 0); }
    // Cut toward zero to a whole number (the value stays an Extended). Finite values only.
    Extended truncated() const;

private:
    constexpr Extended(long double value, int) : m_value(value) {}

    long double m_value = 0.0L;
};

inline Extended Extended::truncated() const {
    // |value| >= 2^63 is already whole; below that the int64 conversion cuts toward zero.
    constexpr long double kTwoTo63 = 9223372036854775808.0L;
    if (!(m_value < kTwoTo63 && m_value > -kTwoTo63)) return *this;
    return Extended(static_cast<long double>(static_cast<std::int64_t>(m_value)), 0);
}

// Sets the floating-point environment the library computes in, and restores the caller's on
// destruction: x87 control word 0x037F (64-bit significand, round to nearest, all exceptions
// masked) and MXCSR 0x1F80 (round to nearest, all exceptions masked, no flush to zero).
class ExtendedMode {
public:
    ExtendedMode() {
        asm volatile("fnstcw %0" : "=m"(m_savedControlWord) : : "memory");
        asm volatile("stmxcsr %0" : "=m"(m_savedMxcsr) : : "memory");
        const std::uint16_t controlWord = 0x037F;
        const std::uint32_t mxcsr = 0x1F80;
        asm volatile("fldcw %0" : : "m"(controlWord) : "memory");
        asm volatile("ldmxcsr %0" : : "m"(mxcsr) : "memory");
    }
    ~ExtendedMode() {
        asm volatile("fldcw %0" : : "m"(m_savedControlWord) : "memory");
        asm volatile("ldmxcsr %0" : : "m"(m_savedMxcsr) : "memory");
    }
    ExtendedMode(const ExtendedMode&) = delete;
    ExtendedMode& operator=(const ExtendedMode&) = delete;

private:
    std::uint16_t m_savedControlWord = 0;
    std::uint32_t m_savedMxcsr = 0;
};

}  // namespace calc::detail
