// SPDX-License-Identifier: GPL-3.0-or-later
// What a run replaces is kept in its dated versions folder, or not replaced at all; old
// versions go by age at the end of a run, and oldest first where the plan needs room; the
// walk never copies a versions folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "EngineFixture.h"
#include "ReplacedVersions.h"

namespace {

constexpr int64_t kOld = 1600000000;
constexpr int64_t kNew = 1600000100;

bool HasLine(const std::vector<std::string>& lines, const std::string& strLine) {
    return std::find(lines.begin(), lines.end(), strLine) != lines.end();
}

uint64_t BytesBelow(const std::string& strFolder) {
    uint64_t nBytes = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(strFolder, error)) {
        nBytes += entry.is_regular_file() ? entry.file_size() : 0;
    }
    return nBytes;
}

// The run's versions folder, as the fixture's clock names it.
std::string Versions(const std::vector<std::string>& expanded) {
    return expanded[0].substr(expanded[0].find(':') + 1);
}

}  // namespace

// Replaced files are kept at their paths below the run's folder, byte for byte and with
// their times (the invariants check that); new files are not. A second run of the same
// second keeps its own folder; with no days to keep, nothing is kept.
TEST_F(EngineTest, ReplacedFilesAreKeptInTheRunsFolder) {
    BuildTree(Src(), {{"a.txt", "new a", kNew}, {"sub/b.txt", "new b", kNew}, {"c.txt", "c"}});
    BuildTree(Dst(), {{"a.txt", "old a", kOld}, {"sub/b.txt", "old b", kOld}});
    const std::vector<std::string> kept = Expand({"Kept 2 replaced files in:{V}"});
    EXPECT_EQ(RunChecked(), 0);
    EXPECT_TRUE(HasLine(m_log.Lines(), kept[0]));
    EXPECT_EQ(m_pair.m_nKeptVersions, 2u);
    const std::string strRun = Versions(kept);
    EXPECT_EQ(ReadFile(strRun + "/a.txt"), "old a");
    EXPECT_EQ(ReadFile(strRun + "/sub/b.txt"), "old b");
    EXPECT_FALSE(Exists(strRun + "/c.txt"));

    WriteFile(Src("a.txt"), "newer a", kNew + 100);
    EXPECT_EQ(RunChecked(), 0);
    EXPECT_EQ(ReadFile(strRun + "-2/a.txt"), "new a");

    m_pair.m_nKeepVersionDays = 0;
    WriteFile(Src("a.txt"), "newest a", kNew + 200);
    EXPECT_EQ(RunChecked(), 0);
    EXPECT_FALSE(Exists(strRun + "-3"));
}

// Where the old file cannot be kept, it is not replaced, and the line says why.
TEST_F(EngineTest, FileThatCannotBeKeptIsNotReplaced) {
    BuildTree(Src(), {{"a.txt", "new", kNew}, {"n.txt", "only new"}});
    BuildTree(Dst(), {{"a.txt", "old", kOld}});
    m_platform.m_uncreatableFolders.insert(Dst(kVersionsFolderName));
    EXPECT_EQ(RunChecked(), 1);
    EXPECT_TRUE(HasLine(
        m_log.Lines(),
        Expand({"ERROR: Couldn't keep the replaced version:{D}/a.txt (Permission denied)"})[0]));
    EXPECT_TRUE(HasLine(m_log.Lines(), Expand({"OK Copied: {D}/n.txt"})[0]));
    EXPECT_EQ(ReadFile(Dst("a.txt")), "old");
}

// At the end of a run, run folders older than the days kept go whole; a dry run removes
// nothing, and neither does a run that keeps no versions.
TEST_F(EngineTest, AgedVersionsGoWholeAtTheEndOfARun) {
    BuildTree(Src(), {{"a.txt", "a"}});
    const std::string strVersions = Dst(kVersionsFolderName);
    BuildTree(strVersions, {{"2023-09-01 120000/x.txt", "xxxx"},
                            {"2023-09-01 120000/deep/y.txt", "yy"},
                            {"2023-11-10 120000/z.txt", "z"},
                            {"not a run/w.txt", "w"}});
    m_pair.m_bCheckDestDate = 1;
    EXPECT_EQ(m_pair.DoSyncPair(true), 0);
    m_pair.m_nKeepVersionDays = 0;
    EXPECT_EQ(m_pair.DoSync(), 0);
    EXPECT_TRUE(Exists(strVersions + "/2023-09-01 120000"));

    m_log.Clear();
    m_pair.m_nKeepVersionDays = 30;
    EXPECT_EQ(m_pair.DoSync(), 0);
    EXPECT_EQ(m_log.Lines().at(1),
              "Removed 2 old versions (6 B):" + strVersions + "/2023-09-01 120000");
    EXPECT_EQ(ListTree(strVersions),
              (std::vector<std::string>{"2023-11-10 120000/", "2023-11-10 120000/z.txt",
                                        "not a run/", "not a run/w.txt"}));
}

// Short of room, the oldest run folders go first, one at a time, until the plan fits; if
// removing them all is not enough, the pair is refused.
TEST_F(EngineTest, OldestVersionsMakeRoomForThePlan) {
    BuildTree(Src(), {{"a.bin", std::string(3000, 'a')}});
    const std::string strVersions = Dst(kVersionsFolderName);
    BuildTree(strVersions, {{"2023-11-01 120000/old.bin", std::string(5000, 'o')},
                            {"2023-11-10 120000/young.bin", std::string(5000, 'y')}});
    const uint64_t nMargin = uint64_t{64} << 20;
    const uint64_t nBase = nMargin + 1000;  // the oldest folder alone makes room
    m_platform.m_freeBytesNow = [&] { return nBase + 10000 - BytesBelow(strVersions); };
    EXPECT_EQ(m_pair.DoSyncPair(true), 0);  // a dry run only says what would go
    EXPECT_TRUE(HasLine(m_log.Lines(), "Would remove 1 old versions (5.0 kB):" + strVersions +
                                           "/2023-11-01 120000"));
    EXPECT_EQ(BytesBelow(strVersions), 10000u);
    m_log.Clear();
    EXPECT_EQ(RunChecked(), 0);
    EXPECT_EQ(m_log.Lines().back(),
              "Removed 1 old versions (5.0 kB):" + strVersions + "/2023-11-01 120000");
    EXPECT_TRUE(Exists(Dst("a.bin")));
    EXPECT_TRUE(Exists(strVersions + "/2023-11-10 120000/young.bin"));

    m_log.Clear();
    WriteFile(Src("b.bin"), std::string(30000, 'b'));
    EXPECT_EQ(RunChecked(), 1);
    EXPECT_FALSE(Exists(Dst("b.bin")));
    EXPECT_FALSE(Exists(strVersions + "/2023-11-10 120000"));
    EXPECT_EQ(m_log.Lines().front().rfind("ERROR: Not enough free space", 0), 0u);
}

// Both ways: each direction keeps what it replaces on its own side, and neither copies the
// other side's versions folder.
TEST_F(EngineTest, BothWaysNeverCopiesAVersionsFolder) {
    BuildTree(Src(), {{"a.txt", "new a", kNew},
                      {"b.txt", "old b", kOld},
                      {".folvex-versions/2023-01-01 000000/s.txt", "s"}});
    BuildTree(Dst(), {{"a.txt", "old a", kOld},
                      {"b.txt", "new b", kNew},
                      {".folvex-versions/2023-01-02 000000/d.txt", "d"}});
    m_pair.m_bBothWays = 1;
    m_pair.m_bCheckDestDate = 1;  // each way copies only what is newer
    m_pair.m_nKeepVersionDays = 3650;
    const InvariantChecker invariants(Src(), Dst(), m_temp.Path());
    EXPECT_EQ(m_pair.DoSyncPair(), 1);  // the forward way's "Destination file is newer!"
    EXPECT_TRUE(invariants.CheckBothWays());
    for (const std::string& strSide : {Src(), Dst()}) {
        const std::vector<std::string> tree = ListTree(strSide + "/" + kVersionsFolderName);
        // its own old run and this run's, one file each
        EXPECT_EQ(tree.size(), 4u) << strSide << ": " << testing::PrintToString(tree);
    }
    EXPECT_FALSE(Exists(Dst(".folvex-versions/2023-01-01 000000")));
    EXPECT_FALSE(Exists(Src(".folvex-versions/2023-01-02 000000")));
    EXPECT_EQ(m_pair.m_nFilesFound, 2u);  // the reverse direction's: a.txt and b.txt
}
