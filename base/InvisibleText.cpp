// SPDX-License-Identifier: Apache-2.0
#include "InvisibleText.h"

#include <cstdio>

namespace ds {
namespace {

bool IsInvisible(char32_t c) {
    return (c >= 0x80 && c <= 0x9F) || c == 0xAD || c == 0x061C || c == 0x180E || c == 0x200B ||
           c == 0x200E || c == 0x200F || (c >= 0x2028 && c <= 0x202E) ||
           (c >= 0x2060 && c <= 0x2064) || (c >= 0x2066 && c <= 0x206F) || c == 0xFEFF ||
           (c >= 0xFFF9 && c <= 0xFFFB);
}

// The code point of a two- or three-byte UTF-8 sequence at text[at]; 0 for anything else.
size_t Decode(std::string_view text, size_t at, char32_t& c) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const auto tail = [&](size_t i) { return at + i < text.size() && (byte(i) & 0xC0) == 0x80; };
    if ((byte(0) & 0xE0) == 0xC0 && tail(1)) {
        c = (static_cast<char32_t>(byte(0) & 0x1F) << 6) | (byte(1) & 0x3F);
        return 2;
    }
    if ((byte(0) & 0xF0) == 0xE0 && tail(1) && tail(2)) {
        c = (static_cast<char32_t>(byte(0) & 0x0F) << 12) |
            (static_cast<char32_t>(byte(1) & 0x3F) << 6) | (byte(2) & 0x3F);
        return 3;
    }
    return 0;
}

} // namespace

size_t InvisibleAt(std::string_view text, size_t at, char32_t& codePoint) {
    if (at >= text.size() || static_cast<unsigned char>(text[at]) < 0xC0) {
        return 0;
    }
    char32_t c = 0;
    const size_t n = Decode(text, at, c);
    if (n == 0 || !IsInvisible(c)) {
        return 0;
    }
    codePoint = c;
    return n;
}

bool HasInvisible(std::string_view text) {
    char32_t c = 0;
    for (size_t at = 0; at < text.size(); ++at) {
        if (InvisibleAt(text, at, c) != 0) {
            return true;
        }
    }
    return false;
}

std::string ShowInvisible(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    char32_t c = 0;
    for (size_t at = 0; at < text.size();) {
        if (const size_t n = InvisibleAt(text, at, c)) {
            char mark[16];
            std::snprintf(mark, sizeof mark, "<U+%04X>", static_cast<unsigned>(c));
            out += mark;
            at += n;
        } else {
            out += text[at++];
        }
    }
    return out;
}

} // namespace ds
