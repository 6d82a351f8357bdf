// UTF-8 decoding into Windows-1252 bytes.
#include "platform/Utf8Text.h"

#include <cstdint>

#include "platform/CodePage.h"

namespace platform {

namespace {

char Cp1252ByteFor(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
    for (int i = 0; i < 32; ++i)
        if (kCp1252HighRow[i] != 0 && kCp1252HighRow[i] == cp) return static_cast<char>(0x80 + i);
    return '?';
}

/// Decodes one UTF-8 sequence at `text[i]`; returns its length, 0 when malformed.
std::size_t DecodeOne(std::string_view text, std::size_t i, char32_t& cp) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length;
    char32_t minimum;
    if (lead < 0x80) {
        cp = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, cp = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, cp = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, cp = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (next & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return length;
}

}  // namespace

std::string Utf8ToCp1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        char32_t cp = 0;
        const std::size_t length = DecodeOne(text, i, cp);
        if (length == 0) {
            out += '?';
            ++i;
            continue;
        }
        out += Cp1252ByteFor(cp);
        i += length;
    }
    return out;
}

bool IsValidUtf8(std::string_view text) noexcept {
    for (std::size_t i = 0; i < text.size();) {
        char32_t cp = 0;
        const std::size_t length = DecodeOne(text, i, cp);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

std::string PathForDisplay(std::string_view path) { return IsValidUtf8(path) ? std::string(path) : Cp1252ToUtf8(path); }

}  // namespace platform
