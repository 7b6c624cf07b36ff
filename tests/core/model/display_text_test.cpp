// SPDX-License-Identifier: GPL-3.0-or-later
// Escaping of control characters for texts shown one per line.
#include <gtest/gtest.h>

#include <string>

#include "DisplayText.h"

namespace {

struct EscapeCase {
    const char* szName;
    std::string input;
    std::string expected;
};

class EscapeControlCharactersTest : public testing::TestWithParam<EscapeCase> {};

TEST_P(EscapeControlCharactersTest, ShowsControlsAndKeepsOtherBytes) {
    EXPECT_EQ(EscapeControlCharacters(GetParam().input), GetParam().expected);
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    Texts, EscapeControlCharactersTest,
    testing::Values(
        EscapeCase{"Empty", "", ""},
        EscapeCase{"Plain", "OK Copied: /a/b c.txt", "OK Copied: /a/b c.txt"},
        EscapeCase{"BackslashKept", "C:\\dir\\n", "C:\\dir\\n"},
        EscapeCase{"LineBreaks", "a\nOK Copied: b\r\n", "a\\nOK Copied: b\\r\\n"},
        EscapeCase{"Tab", "a\tb", "a\\tb"},
        EscapeCase{"OtherAsciiControls", "\x01\x1b[31m\x1f"s, "\\x01\\x1b[31m\\x1f"},
        EscapeCase{"Nul", "a\0b"s, "a\\x00b"}, EscapeCase{"Delete", "a\x7f", "a\\x7f"},
        EscapeCase{"C1Controls", "\xc2\x80 \xc2\x85 \xc2\x9f", "\\u0080 \\u0085 \\u009f"},
        EscapeCase{"NoBreakSpaceKept", "\xc2\xa0\xc2\xa9", "\xc2\xa0\xc2\xa9"},
        EscapeCase{"Separators",
                   "a\xe2\x80\xa8"
                   "b\xe2\x80\xa9",
                   "a\\u2028b\\u2029"},
        EscapeCase{"OtherPunctuationKept", "\xe2\x80\xa6\xe2\x80\xaa", "\xe2\x80\xa6\xe2\x80\xaa"},
        EscapeCase{"Utf8Kept", "caf\xc3\xa9 \xe6\x97\xa5", "caf\xc3\xa9 \xe6\x97\xa5"},
        EscapeCase{"InvalidUtf8Kept", "caf\xe9 \xff\xfe", "caf\xe9 \xff\xfe"},
        EscapeCase{"TruncatedAtEnd", "a\xc2", "a\xc2"},
        EscapeCase{"TruncatedSeparator", "a\xe2\x80", "a\xe2\x80"},
        EscapeCase{"LeadByteBeforeControl", "\xc2\n", "\xc2\\n"}),
    [](const auto& info) { return std::string(info.param.szName); });

}  // namespace
