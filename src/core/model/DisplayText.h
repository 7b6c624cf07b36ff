// SPDX-License-Identifier: GPL-3.0-or-later
// Texts made safe to show one per line: file names may hold line breaks and other control
// characters, which must not make one line look like two or hide what a name holds.
#pragma once

#include <string>
#include <string_view>

// Shows control characters visibly: bytes below 0x20 and 0x7F as \n, \r, \t or \xHH, the
// C1 controls U+0080..U+009F and the line and paragraph separators U+2028 and U+2029 as
// \uHHHH. Every other byte, including bytes that are not valid UTF-8, is kept as it is.
std::string EscapeControlCharacters(std::string_view text);
