// Extended: a real with a 64-bit significand and a 15-bit exponent, rounded to nearest with
// ties to even after every operation — the x87 80-bit format.
//
// The calculation states where a result is first rounded to Extended and then stored as a
// Double or a Single; this type makes each of those places explicit. An Extended value is
// made from a Double, a Single or an integer (exactly), combined with + - * /, compared,
// and leaves only through toDouble(), which rounds to binary64.
//
// Two backends give the same bits: the x87 `long double` where there is one (x86 and x86-64
// with a 64-bit `long double` significand: GCC, Clang, MinGW), and SoftExtended, integer
// arithmetic, everywhere else (ARM64, MSVC) or when CALC_SOFT_EXTENDED is defined (the
// CMake option of the same name).
#pragma once

#include <cfloat>

#include "floating_point_mode.h"

#if !defined(CALC_SOFT_EXTENDED) && LDBL_MANT_DIG == 64 && (defined(__i386__) || defined(__x86_64__))
#define CALC_EXTENDED_X87 1
#include "extended_x87.h"
#else
#include "extended_soft.h"
#endif

namespace calc::detail {

#if defined(CALC_EXTENDED_X87)
using Extended = X87Extended;
#else
using Extended = SoftExtended;
#endif

}  // namespace calc::detail
