// Folding of full-width forms into ASCII.
#include <calc/calc.h>

namespace calc {
namespace {

// The ASCII character that a folded code point becomes, or 0 when it stays as it is.
char foldedAscii(char32_t codePoint) {
    if (codePoint >= 0xFF01 && codePoint <= 0xFF5D && codePoint != 0xFF04)
        return static_cast<char>(codePoint - 0xFEE0);  // ！..｝ -> '!'..'}'; ＄ stays
    switch (codePoint) {
        case 0xFFE5: return '$';  // ￥
        case 0xFFE3: return '~';  // ￣
        case 0xFF5E: return '~';  // ～
        case 0x3000: return ' ';  // ideographic space
        case 0x2605:              // ★
        case 0x2606: return '*';  // ☆
        default: return 0;
    }
}

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

std::string foldFullWidth(std::string_view text) {
    // Every folded character is a three-byte UTF-8 sequence (lead byte 0xE0..0xEF). A lead
    // byte never occurs inside another character, so one pass over the bytes finds them all;
    // anything else, malformed bytes included, is copied as it stands.
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b0 = static_cast<unsigned char>(text[i]);
        if ((b0 & 0xF0) == 0xE0 && i + 2 < text.size()) {
            const auto b1 = static_cast<unsigned char>(text[i + 1]);
            const auto b2 = static_cast<unsigned char>(text[i + 2]);
            if (isContinuation(b1) && isContinuation(b2)) {
                const char32_t codePoint = (char32_t{b0 & 0x0Fu} << 12) |
                                           (char32_t{b1 & 0x3Fu} << 6) | char32_t{b2 & 0x3Fu};
                if (const char ascii = foldedAscii(codePoint)) {
                    out.push_back(ascii);
                    i += 3;
                    continue;
                }
            }
        }
        out.push_back(text[i]);
        ++i;
    }
    return out;
}

}  // namespace calc
