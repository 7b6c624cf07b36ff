// SPDX-License-Identifier: GPL-3.0-or-later
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
    const std::vector<std::pair<double, std::string>> times = {{0.4, "about 5 s left"},
                                                               {43, "about 45 s left"},
                                                               {61, "about 2 min left"},
                                                               {7800, "about 2 h 10 min left"}};
    for (const auto& [dSeconds, strText] : times) {
        EXPECT_EQ(FormatTimeLeft(dSeconds), strText) << dSeconds;
    }
}

// The run as a whole: the files checked while a plan is made, then what is copied of what
// the plans said, with the time left once the copy has gone on for two seconds.
TEST(RunTotalsTest, TheWholeRun) {
    CRunTotals totals;
    totals.PlanStarted();
    totals.Add(1204, 0, 0);
    EXPECT_EQ(totals.WholeRunText(0), "Checking files... 1,204");
    totals.PlanMade(4009, 3'400'000'000, 1000);
    totals.Add(0, 1204, 1'100'000'000);
    EXPECT_EQ(totals.WholeRunText(2000), "1,204 of 4,009 files, 1.1 GB of 3.4 GB");
    // 1.1 GB in 11 s: the 2.3 GB left take about 23 s.
    EXPECT_EQ(totals.WholeRunText(12000),
              "1,204 of 4,009 files, 1.1 GB of 3.4 GB, about 25 s left");
    // The other direction of "Both ways" counts its files checked afresh, its plan on top.
    totals.PlanStarted();
    totals.Add(7, 0, 0);
    EXPECT_EQ(totals.WholeRunText(13000), "Checking files... 7");
}

}  // namespace
