// Bit-level helpers shared by the readings, the writings and the calculation.
#pragma once

#include <cstdint>
#include <cstring>
#include <limits>

namespace calc::detail {

// The object representation of `from` as a `To` of the same size (float <-> uint32_t,
// double <-> uint64_t).
template <typename To, typename From>
To bitCast(const From& from) {
    static_assert(sizeof(To) == sizeof(From));
    To to;
    std::memcpy(&to, &from, sizeof(To));
    return to;
}

// Unsigned bits taken as two's complement, without implementation-defined conversions.
inline std::int64_t fromTwosComplement64(std::uint64_t u) {
    constexpr std::uint64_t kSignBit = std::uint64_t{1} << 63;
    if (u < kSignBit) return static_cast<std::int64_t>(u);
    return static_cast<std::int64_t>(u - kSignBit) + std::numeric_limits<std::int64_t>::min();
}

inline std::int32_t fromTwosComplement32(std::uint32_t u) {
    constexpr std::uint32_t kSignBit = std::uint32_t{1} << 31;
    if (u < kSignBit) return static_cast<std::int32_t>(u);
    return static_cast<std::int32_t>(u - kSignBit) + std::numeric_limits<std::int32_t>::min();
}

}  // namespace calc::detail
