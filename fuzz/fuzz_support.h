// Shared pieces of the fuzz targets: reporting a wrong result, and printing texts and bit
// patterns so that a finding can be read and replayed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace fuzz {

inline std::string hex(std::uint64_t value, int digits) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out = "0x";
    for (int i = digits - 1; i >= 0; --i) out += kDigits[(value >> (4 * i)) & 0xFu];
    return out;
}

inline std::uint32_t bitsOf(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

inline std::uint64_t bitsOf(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

inline float singleFromBits(std::uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

inline double doubleFromBits(std::uint64_t bits) {
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// A text as a C string literal; long texts are shortened in the middle.
inline std::string quoted(std::string_view text) {
    std::string body;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            body += '\\';
            body += ch;
        } else if (c >= 0x20 && c < 0x7F) {
            body += ch;
        } else {
            body += "\\x" + hex(c, 2).substr(2);
        }
    }
    if (body.size() > 300)
        body = body.substr(0, 140) + "\" ...(" + std::to_string(text.size()) + " bytes)... \"" +
               body.substr(body.size() - 140);
    return "\"" + body + "\"";
}

// A wrong result: says what and on which input, then aborts, which the fuzzer records as a
// finding and a replay as a failed test.
[[noreturn]] inline void fail(const std::string& what, std::string_view input) {
    std::fprintf(stderr, "\nWRONG RESULT: %s\n  input: %s\n", what.c_str(), quoted(input).c_str());
    std::fflush(stderr);
    std::abort();
}

inline std::string_view asText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

}  // namespace fuzz
