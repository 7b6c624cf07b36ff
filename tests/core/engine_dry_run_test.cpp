// A dry run tells, for every file, what the run would do and why, through the same decision
// the run acts on, and changes nothing at all.
#include <gtest/gtest.h>

#include <algorithm>

#include "EngineFixture.h"

namespace {

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
    std::vector<std::string> lines = m_log.Lines();
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, Expand({"WARNING! Destination file is newer! Skipped:{S}/newer-there.txt",
                             "Would copy (new): {D}/new.txt", "Would copy (new): {D}/sub/deep.txt",
                             "Would copy (size differs, ATTRIB -RHS): {D}/longer.txt",
                             "Would skip (excluded): {S}/skip.tmp",
                             "Would skip (same time): {S}/same.txt"}));
}

TEST_F(EngineTest, CleanDryRunSaysWhatItWouldCopy) {
    BuildTree(Src(), {{"a.txt", "a"}});
    EXPECT_EQ(m_pair.DoSyncPair(true), 0);
    EXPECT_FALSE(Exists(Dst()));
    EXPECT_EQ(m_log.Lines().front(), Expand({"Dry run: would copy 1 files from {S} to {D}"})[0]);
    EXPECT_EQ(m_pair.m_timeLastCopy, 0u);
}

}  // namespace
