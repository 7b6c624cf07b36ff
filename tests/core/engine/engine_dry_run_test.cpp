// SPDX-License-Identifier: GPL-3.0-or-later
// A dry run tells, for every file, what the run would do and why, through the same decision
// the run acts on, and changes nothing at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "EngineFixture.h"
#include "Synchronize.h"

namespace {

// The lines with the free space of the disk, which changes from run to run, left out.
std::vector<std::string> WithoutFreeSpace(std::vector<std::string> lines) {
    const std::regex freeSpace("; [0-9.]+ [kMGTP]?B free on the destination$");
    for (std::string& strLine : lines) {
        strLine = std::regex_replace(strLine, freeSpace, "; ... free on the destination");
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

TEST_F(EngineTest, DryRunTellsAndChangesNothing) {
    BuildTree(Src(), {{"new.txt", "n"},
                      {"same.txt", "s", 1600000000},
                      {"newer-there.txt", "o", 1600000000},
                      {"longer.txt", "0123456789", 1600000000},
                      {"skip.tmp", "t"},
                      {"sub/deep.txt", "d"}});
    BuildTree(Dst(), {{"same.txt", "s", 1600000000},
                      {"newer-there.txt", "o", 1600000100},
                      {"longer.txt", "01234", 1600000000}});
    SetMode(Dst("longer.txt"), 0444);
    m_pair.m_bCheckDestDate = 1;
    m_pair.m_bOverwriteRHS = 1;
    m_pair.m_strExclude = ".tmp";
    m_pair.m_timeLastCopy = 77;
    const TreeSnapshot before = Snapshot(m_temp.Path(), false);

    EXPECT_EQ(m_pair.DoSyncPair(true), 1);
    EXPECT_EQ(Snapshot(m_temp.Path(), false), before);
    EXPECT_EQ(m_pair.m_timeLastCopy, 77u);
    EXPECT_EQ(m_platform.FlushCount(), 0);
    EXPECT_EQ(
        WithoutFreeSpace(m_log.Lines()),
        Expand({"Dry run: would copy 3 files (12 B) from {S} to {D}; ... free on the "
                "destination",
                "WARNING! Destination file is newer! Skipped:{S}/newer-there.txt",
                "Would copy (new): {D}/new.txt", "Would copy (new): {D}/sub/deep.txt",
                "Would copy (size differs, ATTRIB -RHS, previous version kept): "
                "{D}/longer.txt",
                "Would skip (excluded): {S}/skip.tmp", "Would skip (same time): {S}/same.txt"}));
}

// A run that tells its skips gives the dry run's reasons for the files it leaves alone, and
// copies as any run does; a run that does not stays silent about them.
TEST_F(EngineTest, RunThatTellsSkipsGivesTheDryRunsReasons) {
    BuildTree(Src(), {{"same.txt", "s", 1600000000}, {"skip.tmp", "t"}, {"new.txt", "n"}});
    BuildTree(Dst(), {{"same.txt", "s", 1600000000}});
    m_pair.m_bCheckDestDate = 1;
    m_pair.m_strExclude = ".tmp";
    SetSyncTellsSkips(true);
    EXPECT_EQ(m_pair.DoSyncPair(), 0);
    SetSyncTellsSkips(false);
    std::vector<std::string> lines = m_log.Lines();
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, Expand({"OK Copied: {D}/new.txt", "Skipped (excluded): {S}/skip.tmp",
                             "Skipped (same time): {S}/same.txt",
                             "Succes: Copied 1 files from {S} to {D}"}));
    EXPECT_EQ(ReadFile(Dst("new.txt")), "n");
}

TEST_F(EngineTest, CleanDryRunSaysWhatItWouldCopy) {
    BuildTree(Src(), {{"a.txt", "a"}});
    EXPECT_EQ(m_pair.DoSyncPair(true), 0);
    EXPECT_FALSE(Exists(Dst()));
    EXPECT_EQ(WithoutFreeSpace(m_log.Lines()).front(),
              Expand({"Dry run: would copy 1 files (1 B) from {S} to {D}; ... free on the "
                      "destination"})[0]);
    EXPECT_EQ(m_pair.m_timeLastCopy, 0u);
}

// The reverse direction of a dry run of "Both ways" judges the destination as the forward
// run would leave it, so the dry run warns of what the real run warns of, and no more.
TEST_F(EngineTest, DryRunBothWaysJudgesTheReverseAsTheForwardLeavesIt) {
    BuildTree(Src(), {{"a.txt", "new", 1600000100}, {"b.txt", "b", 1600000000}});
    BuildTree(Dst(), {{"a.txt", "old", 1600000000}, {"b.txt", "newer", 1600000100}});
    m_pair.m_bBothWays = 1;
    m_pair.m_bCheckDestDate = 1;
    EXPECT_EQ(m_pair.DoSyncPair(true), 1);
    EXPECT_EQ(
        WithoutFreeSpace(m_log.Lines()),
        Expand({"Dry run: would copy 1 files (3 B) from {S} to {D}; ... free on the "
                "destination",
                "Dry run: would copy 1 files (5 B) from {D} to {S}; ... free on the "
                "destination",
                "WARNING! Destination file is newer! Skipped:{S}/b.txt",
                "Would copy (source newer, previous version kept): {D}/a.txt",
                "Would copy (source newer, previous version kept): {S}/b.txt",
                "Would skip (same time): {D}/a.txt"}));
    m_log.Clear();
    EXPECT_EQ(m_pair.DoSyncPair(), 1);  // the same warning, and no other
    const std::vector<std::string> realLines = m_log.Lines();
    EXPECT_EQ(std::count_if(realLines.begin(), realLines.end(),
                            [](const std::string& s) { return s.find("WARNING") == 0; }),
              1);
}

}  // namespace
