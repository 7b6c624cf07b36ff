// The progress window's running totals as told from the engine's field writes, their
// wording, and the percent line drawn as a bar.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "PercentBar.h"
#include "RunTotals.h"
#include "SyncWindows.h"

namespace {

using FieldWrite = std::pair<int, std::string>;

struct TotalsCase {
    const char* szName;
    std::vector<FieldWrite> writes;
    uint64_t nFilesCopied;
    uint64_t nBytesCopied;
};

class RunTotalsTest : public testing::TestWithParam<TotalsCase> {};

TEST_P(RunTotalsTest, CountsFilesCopiedWhole) {
    CRunTotals totals;
    for (const auto& [nId, strText] : GetParam().writes) {
        totals.OnFieldText(nId, strText);
    }
    EXPECT_EQ(totals.FilesCopied(), GetParam().nFilesCopied);
    EXPECT_EQ(totals.BytesCopied(), GetParam().nBytesCopied);
}

constexpr int kBytes = IDC_PROGRESS_BYTES;
constexpr int kPercent = IDC_PROGRESS_PERCENT;

INSTANTIATE_TEST_SUITE_P(
    Writes, RunTotalsTest,
    testing::Values(
        TotalsCase{"Nothing", {}, 0, 0},
        TotalsCase{"FoldersOnly", {{IDC_PROGRESS_FOLDER, "/a"}, {IDC_PROGRESS_DEST, "/b"}}, 0, 0},
        TotalsCase{"OneFileWhole",
                   {{IDC_PROGRESS_FILE, "/b/f"},
                    {kBytes, "1000 bytes to copy"},
                    {kPercent, "0%"},
                    {kPercent, "100%"}},
                   1,
                   1000},
        TotalsCase{"HalfWay", {{kBytes, "1000 bytes to copy"}, {kPercent, "50%"}}, 0, 500},
        TotalsCase{"RepeatedHundredCountsOnce",
                   {{kBytes, "10 bytes to copy"}, {kPercent, "100%"}, {kPercent, "100%"}},
                   1,
                   10},
        TotalsCase{"FailedCopyAddsNothing",
                   {{kBytes, "1000 bytes to copy"},
                    {kPercent, "40%"},
                    {kBytes, "7 bytes to copy"},
                    {kPercent, "100%"}},
                   1,
                   7},
        TotalsCase{"EmptyFile", {{kBytes, "0 bytes to copy"}, {kPercent, "100%"}}, 1, 0},
        TotalsCase{"PercentWithoutFileIgnored", {{kPercent, "100%"}}, 0, 0},
        TotalsCase{"BeyondFourGiB",
                   {{kBytes, "8589934592 bytes to copy"},
                    {kPercent, "100%"},
                    {kBytes, "8589934592 bytes to copy"},
                    {kPercent, "25%"}},
                   1,
                   8589934592ull + 2147483648ull},
        TotalsCase{"UnreadableTextsCountAsZero",
                   {{kBytes, "many bytes"}, {kPercent, "n/a"}, {kPercent, "100%"}},
                   1,
                   0}),
    [](const auto& info) { return std::string(info.param.szName); });

TEST(RunTotalsFormatTest, CountsAndBytes) {
    const std::vector<std::pair<uint64_t, std::string>> counts = {
        {0, "0"}, {999, "999"}, {1000, "1,000"}, {1234567, "1,234,567"}};
    for (const auto& [nCount, strText] : counts) {
        EXPECT_EQ(FormatCount(nCount), strText);
    }
    const std::vector<std::pair<double, std::string>> sizes = {
        {0, "0 B"},          {999, "999 B"},    {999.6, "1.0 kB"}, {1000, "1.0 kB"},
        {9949, "9.9 kB"},    {9951, "10 kB"},   {310e6, "310 MB"}, {1.2e9, "1.2 GB"},
        {999.4e9, "999 GB"}, {18.4e18, "18 EB"}};
    for (const auto& [dBytes, strText] : sizes) {
        EXPECT_EQ(FormatBytes(dBytes), strText) << dBytes;
    }
    EXPECT_EQ(FormatRunTotals(1234, 56, 1200000000, 310e6),
              "1,234 files checked, 56 copied, 1.2 GB at 310 MB/s");
    EXPECT_EQ(FormatRunTotals(std::nullopt, 56, 1200000000, 310e6),
              "56 files copied, 1.2 GB at 310 MB/s");
    EXPECT_EQ(FormatRunTotals(std::nullopt, 1, 3, 0), "1 file copied, 3 B at 0 B/s");
}

TEST(RateMeterTest, RateOfTheLastTwoSeconds) {
    CRateMeter rate;
    EXPECT_EQ(rate.BytesPerSecond(), 0.0);
    rate.AddSample(0, 0);
    rate.AddSample(500, 1'000'000);
    EXPECT_DOUBLE_EQ(rate.BytesPerSecond(), 2'000'000.0);
    // Fast at first, then stalled for longer than the window: the rate falls to zero.
    rate.AddSample(1000, 10'000'000);
    rate.AddSample(3500, 10'000'000);
    rate.AddSample(4000, 10'000'000);
    EXPECT_DOUBLE_EQ(rate.BytesPerSecond(), 0.0);
    // The base is the newest sample at or before the window's start, here at 1000 ms.
    rate.AddSample(5000, 12'000'000);
    EXPECT_DOUBLE_EQ(rate.BytesPerSecond(), 500'000.0);
}

TEST(PercentBarTest, ShowsTextAsWrittenOverItsNumber) {
    const std::vector<std::tuple<QString, int>> cases = {
        {"45%", 45}, {"100%", 100}, {"", 0}, {"n/a", 0}, {"250%", 100}, {"-5%", 0}, {"99.6%", 100}};
    CPercentBar bar;
    for (const auto& [strText, nValue] : cases) {
        bar.SetText(strText);
        EXPECT_EQ(bar.text(), strText);
        EXPECT_EQ(bar.value(), nValue) << strText.toStdString();
    }
}

}  // namespace
