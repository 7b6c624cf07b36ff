// SPDX-License-Identifier: GPL-3.0-or-later
// The archive's primitives: byte layout, text length prefixes, and reads that run short.
#include <gtest/gtest.h>

#include <string>

#include "Archive.h"

namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) {
        s.push_back(static_cast<char>(v));
    }
    return s;
}

TEST(Archive, IntegersAreLittleEndianAndRoundTrip) {
    CArchive out;
    out << int32_t{-2} << uint32_t{0x01020304} << int32_t{INT32_MIN} << uint32_t{0xFFFFFFFF};
    EXPECT_EQ(out.Bytes(), Bytes({0xFE, 0xFF, 0xFF, 0xFF, 0x04, 0x03, 0x02, 0x01, 0x00, 0x00, 0x00,
                                  0x80, 0xFF, 0xFF, 0xFF, 0xFF}));
    CArchive in(out.Bytes());
    int32_t a = 0, c = 0;
    uint32_t b = 0, d = 0;
    in >> a >> b >> c >> d;
    EXPECT_FALSE(in.Failed());
    EXPECT_EQ(a, -2);
    EXPECT_EQ(b, 0x01020304u);
    EXPECT_EQ(c, INT32_MIN);
    EXPECT_EQ(d, 0xFFFFFFFFu);
}

struct PrefixCase {
    size_t nLength;
    std::string prefix;
};

class TextPrefix : public ::testing::TestWithParam<PrefixCase> {};

TEST_P(TextPrefix, IsWrittenAndReadBack) {
    const PrefixCase& c = GetParam();
    const std::string text(c.nLength, 'x');
    CArchive out;
    out << text;
    ASSERT_EQ(out.Bytes().size(), c.prefix.size() + c.nLength);
    EXPECT_EQ(out.Bytes().substr(0, c.prefix.size()), c.prefix);
    CArchive in(out.Bytes());
    std::string back;
    in >> back;
    EXPECT_FALSE(in.Failed());
    EXPECT_EQ(back, text);
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, TextPrefix,
    ::testing::Values(PrefixCase{0, Bytes({0x00})}, PrefixCase{254, Bytes({0xFE})},
                      PrefixCase{255, Bytes({0xFF, 0xFF, 0x00})},
                      PrefixCase{65533, Bytes({0xFF, 0xFD, 0xFF})},
                      PrefixCase{65534, Bytes({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00})},
                      PrefixCase{70000, Bytes({0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00})}));

TEST(Archive, TextsAreBytes) {
    std::string every;
    for (int i = 0; i < 256; ++i) {
        every.push_back(static_cast<char>(i));
    }
    CArchive out;
    out << every << std::string("\0a\0", 3);
    CArchive in(out.Bytes());
    std::string back, zeros;
    in >> back >> zeros;
    EXPECT_FALSE(in.Failed());
    EXPECT_EQ(back, every);
    EXPECT_EQ(zeros, std::string("\0a\0", 3));
}

// Damaged streams: each read fails without touching its target, and so does every read
// after it.
TEST(Archive, ShortOrLyingInputFailsAndStaysFailed) {
    const std::string cases[] = {
        "",                                                 // nothing at all
        Bytes({0x05, 'a', 'b'}),                            // length past the end
        Bytes({0xFF, 0xFE, 0xFF, 'a'}),                     // the reserved prefix
        Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}),  // 2 GiB promised, nothing there
        Bytes({0xFF, 0x01}),                                // the 16-bit length cut short
    };
    for (const std::string& input : cases) {
        CArchive in(input);
        std::string text = "kept";
        in >> text;
        EXPECT_TRUE(in.Failed()) << input.size();
        EXPECT_EQ(text, "kept");
        int32_t n = 7;
        in >> n;
        EXPECT_EQ(n, 7);
    }
    CArchive in(Bytes({1, 2, 3}));
    int32_t n = 7;
    in >> n;
    EXPECT_TRUE(in.Failed());
    EXPECT_EQ(n, 7);
}

}  // namespace
