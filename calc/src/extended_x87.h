// X87Extended: the Extended type as the x87 80-bit `long double` of x86 and x86-64 (GCC,
// Clang, MinGW).
//
// Its precision and rounding come from the x87 control word, which must hold 0x037F (64-bit
// significand, round to nearest, exceptions masked) while it computes: every public entry
// point of the library holds a FloatingPointMode, which sets it.
#pragma once

#include <cfloat>
#include <cmath>
#include <cstdint>

#if !(defined(__i386__) || defined(__x86_64__)) || LDBL_MANT_DIG != 64
#error "extended_x87.h needs the x87 80-bit long double of x86 or x86-64"
#endif

namespace calc::detail {

class X87Extended {
public:
    constexpr X87Extended() = default;
    constexpr explicit X87Extended(double value) : m_value(value) {}
    constexpr explicit X87Extended(float value) : m_value(value) {}
    // Every 64-bit integer is exact in a 64-bit significand.
    constexpr explicit X87Extended(std::int64_t value) : m_value(static_cast<long double>(value)) {}
    constexpr explicit X87Extended(std::int32_t value) : m_value(value) {}

    friend X87Extended operator+(X87Extended a, X87Extended b) { return X87Extended(a.m_value + b.m_value, 0); }
    friend X87Extended operator-(X87Extended a, X87Extended b) { return X87Extended(a.m_value - b.m_value, 0); }
    friend X87Extended operator*(X87Extended a, X87Extended b) { return X87Extended(a.m_value * b.m_value, 0); }
    friend X87Extended operator/(X87Extended a, X87Extended b) { return X87Extended(a.m_value / b.m_value, 0); }

    friend bool operator<(X87Extended a, X87Extended b) { return a.m_value < b.m_value; }
    friend bool operator>=(X87Extended a, X87Extended b) { return a.m_value >= b.m_value; }

    // Rounds to binary64, to nearest with ties to even.
    double toDouble() const { return static_cast<double>(m_value); }

    bool isNaN() const { return std::isnan(m_value); }
    // Clears the sign, of NaNs too.
    X87Extended abs() const { return X87Extended(std::fabs(m_value), 0); }
    // Cut toward zero to a whole number (the value stays an Extended): values of magnitude
    // 2^63 and more, infinities and NaNs stay as they are, and a zero result is +0.
    X87Extended truncated() const {
        constexpr long double kTwoTo63 = 9223372036854775808.0L;
        if (!(m_value < kTwoTo63 && m_value > -kTwoTo63)) return *this;
        return X87Extended(static_cast<long double>(static_cast<std::int64_t>(m_value)), 0);
    }

private:
    constexpr X87Extended(long double value, int) : m_value(value) {}

    long double m_value = 0.0L;
};

}  // namespace calc::detail
