// The progress window's running totals: what the engine tells, the share of the file under
// way from its field writes, and their wording.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "RunTotals.h"
#include "SyncWindows.h"

namespace {

constexpr int kBytes = IDC_PROGRESS_BYTES;
constexpr int kPercent = IDC_PROGRESS_PERCENT;

// What the engine told (files checked, copied, bytes), then the field texts it wrote.
struct TotalsCase {
    const char* szName;
    uint64_t told[3];
    std::vector<std::pair<int, std::string>> writes;
    uint64_t nBytesCopied;
};

class RunTotalsTest : public testing::TestWithParam<TotalsCase> {};

TEST_P(RunTotalsTest, WholeFilesFromTheEngineAndTheShareOfTheFileUnderWay) {
    CRunTotals totals;
    const TotalsCase& c = GetParam();
    totals.Add(c.told[0], c.told[1], c.told[2]);
    for (const auto& [nId, strText] : c.writes) {
        totals.OnFieldText(nId, strText);
    }
    EXPECT_EQ(totals.FilesChecked(), c.told[0]);
    EXPECT_EQ(totals.FilesCopied(), c.told[1]);
    EXPECT_EQ(totals.BytesCopied(), c.nBytesCopied);
}

INSTANTIATE_TEST_SUITE_P(
    Writes, RunTotalsTest,
    testing::Values(
        TotalsCase{"HalfWay", {0, 0, 0}, {{kBytes, "1000 bytes to copy"}, {kPercent, "50%"}}, 500},
        // A finished file counts once, when the engine tells it.
        TotalsCase{
            "DoneOnce", {1, 1, 1000}, {{kBytes, "1000 bytes to copy"}, {kPercent, "100%"}}, 1000},
        TotalsCase{"ANewFileStartsAtNothing",
                   {2, 1, 7},
                   {{kBytes, "1000 bytes to copy"}, {kPercent, "40%"}, {kBytes, "7 bytes"}},
                   7},
        TotalsCase{"BeyondFourGiB",
                   {1, 1, 8589934592ull},
                   {{kBytes, "8589934592 bytes to copy"}, {kPercent, "25%"}},
                   8589934592ull + 2147483648ull}),
    [](const auto& info) { return std::string(info.param.szName); });

TEST(RunTotalsTest, Wording) {
    EXPECT_EQ(FormatCount(999), "999");
    EXPECT_EQ(FormatCount(1234567), "1,234,567");
    const std::vector<std::pair<double, std::string>> sizes = {
        {999, "999 B"}, {999.6, "1.0 kB"}, {9949, "9.9 kB"}, {9951, "10 kB"}, {18.4e18, "18 EB"}};
    for (const auto& [dBytes, strText] : sizes) {
        EXPECT_EQ(FormatBytes(dBytes), strText) << dBytes;
    }
    EXPECT_EQ(FormatRunTotals(1234, 56, 1200000000, 310e6),
              "1,234 files checked, 56 copied, 1.2 GB at 310 MB/s");
    EXPECT_EQ(FormatRunTotals(std::nullopt, 1, 3, 0), "1 file copied, 3 B at 0 B/s");
}

TEST(RateMeterTest, RateOfAboutTheLastTwoSeconds) {
    CRateMeter rate;
    rate.AddSample(0, 0);
    rate.AddSample(500, 1'000'000);
    EXPECT_DOUBLE_EQ(rate.BytesPerSecond(), 2'000'000.0);
    // Stalled for longer than the window: the rate falls to zero.
    rate.AddSample(1000, 10'000'000);
    rate.AddSample(3500, 10'000'000);
    EXPECT_DOUBLE_EQ(rate.BytesPerSecond(), 0.0);
}

}  // namespace
