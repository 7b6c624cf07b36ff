// SPDX-License-Identifier: GPL-3.0-or-later
// The info text with its rate, the pair line, and the date picker's transfer.
#include <gtest/gtest.h>

#include <QDateTime>

#include "DateTransfer.h"
#include "SyncGroup.h"
#include "SyncInfoText.h"

namespace {

struct RateCase {
    uint32_t dwBytes;
    uint32_t dwMs;
    uint32_t dwExpected;
};

class BytesPerSecondTest : public testing::TestWithParam<RateCase> {};

TEST_P(BytesPerSecondTest, TruncatesDoubleQuotient) {
    const RateCase& c = GetParam();
    EXPECT_EQ(BytesPerSecond(c.dwBytes, c.dwMs), c.dwExpected);
}

INSTANTIATE_TEST_SUITE_P(
    Rates, BytesPerSecondTest,
    testing::Values(RateCase{1000000, 250, 4000000}, RateCase{12345, 0, 0},
                    // 64.6 is not exact in double precision: 64599.999... truncates.
                    RateCase{323, 5, 64599}, RateCase{0x80000000u, 1000, 0x80000000u},
                    // 4294967295000 keeps its low 32 bits.
                    RateCase{0xFFFFFFFFu, 1, static_cast<uint32_t>(4294967295000ull)}));

TEST(SyncInfoTextTest, NewPairShowsZeros) {
    CSyncPair pair;
    EXPECT_EQ(SyncInfoText(pair),
              "0 Files in 0 Directories  Copied:0  0:bytes  Time:0 mSec\n0 Bytes/Sec");
}

TEST(SyncInfoTextTest, LargeByteCountsPrintUnsigned) {
    CSyncPair pair;
    pair.m_nFilesFound = 12;
    pair.m_nDirectories = 3;
    pair.m_nFilesCopied = 2;
    pair.m_dwBytesCopied = 3000000000u;
    pair.m_dwElapsedMs = 1000;
    EXPECT_EQ(SyncInfoText(pair),
              "12 Files in 3 Directories  Copied:2  3000000000:bytes  Time:1000 mSec\n"
              "3000000000 Bytes/Sec");
}

TEST(PairLineTextTest, ArrowBetweenFolders) {
    CSyncPair pair;
    EXPECT_EQ(PairLineText(pair), "  --->>   ");
    pair.m_strSource = "/home/ann/Foto's";
    pair.m_strDestination = "/media/usb/Foto's";
    EXPECT_EQ(PairLineText(pair), "/home/ann/Foto's  --->>   /media/usb/Foto's");
}

TEST(DateTransferTest, SameDateKeepsValueToTheSecond) {
    for (CTime32 time : {0u, 1u, 1700000000u, 0x7FFFFFFFu}) {
        EXPECT_EQ(WithLocalDate(time, LocalDateOf(time)), time) << time;
    }
}

TEST(DateTransferTest, OtherDateKeepsTimeOfDay) {
    const CTime32 time = 1700000123;
    const CTime32 moved = WithLocalDate(time, LocalDateOf(time).addDays(10));
    const QDateTime before = QDateTime::fromSecsSinceEpoch(time, Qt::LocalTime);
    const QDateTime after = QDateTime::fromSecsSinceEpoch(moved, Qt::LocalTime);
    EXPECT_EQ(after.date(), before.date().addDays(10));
    EXPECT_EQ(after.time(), before.time());
}

TEST(DateTransferTest, DatesOutsideTheRangeAreClamped) {
    EXPECT_EQ(WithLocalDate(0, QDate(1900, 1, 1)), 0u);
    EXPECT_EQ(WithLocalDate(0, QDate(2200, 1, 1)), 0xFFFFFFFFu);
}

}  // namespace
