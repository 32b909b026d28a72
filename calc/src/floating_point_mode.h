// FloatingPointMode: the floating-point environment the library computes in, set for as long
// as the object lives and the caller's restored when it is destroyed.
//
// The library's results must not depend on what the caller left behind. Besides the x87
// Extended arithmetic, the hardware conversion from Double to Single, std::nearbyint and
// the decimal conversions of the standard library follow the current mode. The mode set
// here is: round to nearest with ties to even, subnormal operands and results kept (no
// flush to zero, no denormals-are-zero), NaN operands propagated (no default NaN), every
// exception masked; and on x86 the x87 unit at a 64-bit significand (control word 0x037F),
// which a caller may have left at 53 bits (the usual start-up state on Windows).
#pragma once

#include <cfenv>
#include <cstdint>

#if defined(__x86_64__) || defined(_M_X64) || defined(__SSE__)
#define CALC_FP_MODE_MXCSR 1
#include <xmmintrin.h>
#endif
#if (defined(__i386__) || defined(__x86_64__)) && (defined(__GNUC__) || defined(__clang__))
#define CALC_FP_MODE_X87 1
#endif
#if defined(__aarch64__) && (defined(__GNUC__) || defined(__clang__))
#define CALC_FP_MODE_FPCR 1
#endif
#if !defined(CALC_FP_MODE_MXCSR) && !defined(CALC_FP_MODE_X87)
#define CALC_FP_MODE_CFENV 1
#endif

namespace calc::detail {

class FloatingPointMode {
public:
    FloatingPointMode() {
#if defined(CALC_FP_MODE_X87)
        asm volatile("fnstcw %0" : "=m"(m_savedControlWord) : : "memory");
        const std::uint16_t controlWord = 0x037F;
        asm volatile("fldcw %0" : : "m"(controlWord) : "memory");
#endif
#if defined(CALC_FP_MODE_MXCSR)
        // 0x1F80: every exception masked, round to nearest, FTZ (bit 15) and DAZ (bit 6) off.
        m_savedMxcsr = _mm_getcsr();
        _mm_setcsr(0x1F80u);
#endif
#if defined(CALC_FP_MODE_CFENV)
        std::fegetenv(&m_savedEnvironment);
        std::fesetround(FE_TONEAREST);
#endif
#if defined(CALC_FP_MODE_FPCR)
        // FPCR bit 24 (FZ) flushes subnormals to zero, bit 25 (DN) replaces every NaN result
        // by the default NaN; bits 8-12 and 15 enable exception traps. All off; the rounding
        // field (bits 22-23) is already round to nearest.
        std::uint64_t fpcr = 0;
        asm volatile("mrs %0, fpcr" : "=r"(fpcr) : : "memory");
        m_savedFpcr = fpcr;
        fpcr &= ~((std::uint64_t{1} << 24) | (std::uint64_t{1} << 25) | (std::uint64_t{0x1F} << 8) |
                  (std::uint64_t{1} << 15));
        asm volatile("msr fpcr, %0" : : "r"(fpcr) : "memory");
#endif
    }

    ~FloatingPointMode() {
#if defined(CALC_FP_MODE_FPCR)
        asm volatile("msr fpcr, %0" : : "r"(m_savedFpcr) : "memory");
#endif
#if defined(CALC_FP_MODE_CFENV)
        std::fesetenv(&m_savedEnvironment);
#endif
#if defined(CALC_FP_MODE_MXCSR)
        _mm_setcsr(m_savedMxcsr);
#endif
#if defined(CALC_FP_MODE_X87)
        asm volatile("fldcw %0" : : "m"(m_savedControlWord) : "memory");
#endif
    }

    FloatingPointMode(const FloatingPointMode&) = delete;
    FloatingPointMode& operator=(const FloatingPointMode&) = delete;

private:
#if defined(CALC_FP_MODE_X87)
    std::uint16_t m_savedControlWord = 0;
#endif
#if defined(CALC_FP_MODE_MXCSR)
    unsigned int m_savedMxcsr = 0;
#endif
#if defined(CALC_FP_MODE_CFENV)
    std::fenv_t m_savedEnvironment{};
#endif
#if defined(CALC_FP_MODE_FPCR)
    std::uint64_t m_savedFpcr = 0;
#endif
};

}  // namespace calc::detail
