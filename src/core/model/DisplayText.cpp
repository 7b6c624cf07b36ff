// SPDX-License-Identifier: GPL-3.0-or-later
#include "DisplayText.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

// Bytes that start something to escape: ASCII controls, DEL, and the lead bytes of the
// two-byte (C1) and three-byte (U+2028, U+2029) sequences.
bool MayNeedEscape(unsigned char c) {
    return c < 0x20 || c == 0x7F || c == 0xC2 || c == 0xE2;
}

void AppendEscapedByte(std::string& out, unsigned char c) {
    switch (c) {
        case '\n':
            out += "\\n";
            return;
        case '\r':
            out += "\\r";
            return;
        case '\t':
            out += "\\t";
            return;
        default:
            out += "\\x";
            out += kHexDigits[c >> 4];
            out += kHexDigits[c & 0x0F];
    }
}

void AppendCodePoint(std::string& out, uint32_t nCodePoint) {
    out += "\\u";
    for (int nShift = 12; nShift >= 0; nShift -= 4) {
        out += kHexDigits[(nCodePoint >> nShift) & 0x0F];
    }
}

}  // namespace

std::string EscapeControlCharacters(std::string_view text) {
    const auto first = std::find_if(text.begin(), text.end(), [](char c) {
        return MayNeedEscape(static_cast<unsigned char>(c));
    });
    if (first == text.end()) {
        return std::string(text);
    }
    std::string out(text.begin(), first);
    out.reserve(text.size() + 8);
    for (size_t i = static_cast<size_t>(first - text.begin()); i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const auto next = [&](size_t n) {
            return i + n < text.size() ? static_cast<unsigned char>(text[i + n]) : 0;
        };
        if (c < 0x20 || c == 0x7F) {
            AppendEscapedByte(out, c);
        } else if (c == 0xC2 && next(1) >= 0x80 && next(1) <= 0x9F) {
            AppendCodePoint(out, next(1));
            i += 1;
        } else if (c == 0xE2 && next(1) == 0x80 && (next(2) == 0xA8 || next(2) == 0xA9)) {
            AppendCodePoint(out, 0x2000u + next(2) - 0x80u);
            i += 2;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}
