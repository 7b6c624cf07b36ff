// SPDX-License-Identifier: GPL-3.0-or-later
// Every run plans before it copies: what cannot work is said before the first byte (a
// destination without room for the plan, files too large or names too long for its file
// system), and nothing is written when the plan does not fit.
#include <gtest/gtest.h>

#include <algorithm>

#include "EngineFixture.h"
#include "Synchronize.h"

namespace {

size_t IndexOf(const std::vector<std::string>& lines, const std::string& strLine) {
    return static_cast<size_t>(std::find(lines.begin(), lines.end(), strLine) - lines.begin());
}

// Too little room: the pair is refused, and neither the destination nor a file is made. The
// room needed is what the plan copies, less what replacing frees, and a margin.
TEST_F(EngineTest, PlanThatDoesNotFitIsRefusedBeforeAnythingIsWritten) {
    BuildTree(Src(), {{"a.bin", std::string(4000, 'a')}, {"sub/b.bin", std::string(6000, 'b')}});
    m_platform.m_nFreeBytes = 64 * (uint64_t{1} << 20);  // the margin alone
    m_pair.m_timeLastCopy = 77;
    const std::vector<std::string> refusal =
        Expand({"ERROR: Not enough free space on the destination: the run needs 67 MB, 67 MB is "
                "free:{D}"});
    EXPECT_EQ(RunChecked(), 1);
    EXPECT_EQ(m_log.Lines(), refusal);
    // A dry run says the same refusal before its summary.
    m_log.Clear();
    EXPECT_EQ(m_pair.DoSyncPair(true), 1);
    EXPECT_EQ(m_log.Lines().at(1), refusal[0]);
    m_log.Clear();
    // Nothing keeps a dry run's figures.
    m_pair.m_nFilesFound = m_pair.m_nDirectories = m_pair.m_nFilesCopied = 0;
    m_pair.m_dwBytesCopied = 0;
    EXPECT_FALSE(Exists(Dst()));
    EXPECT_EQ(m_pair.m_timeLastCopy, 77u);
    // Where replaced files are not kept, what replacing frees counts: the same files again,
    // as large as before, need nothing. Kept, they free nothing.
    m_platform.m_nFreeBytes.reset();
    m_log.Clear();
    EXPECT_EQ(RunChecked(), 0);
    BuildTree(Src(), {{"a.bin", std::string(4000, 'A')}, {"sub/b.bin", std::string(6000, 'B')}});
    m_platform.m_nFreeBytes = 0;
    EXPECT_EQ(RunChecked(), 1);
    m_pair.m_nKeepVersionDays = 0;
    EXPECT_EQ(RunChecked(), 0);
    EXPECT_EQ(ReadFile(Dst("sub/b.bin")), std::string(6000, 'B'));
}

// Room is given in blocks: a thousand one-byte files take a thousand blocks, not a KiB.
TEST_F(EngineTest, SmallFilesTakeWholeBlocks) {
    std::vector<TreeEntry> files;
    for (int n = 0; n < 1000; ++n) {
        files.push_back({"f" + std::to_string(n), "x"});
    }
    BuildTree(Src(), files);
    m_platform.m_nFreeBytes = 64 * (uint64_t{1} << 20) + 2'000'000;  // the margin and 2 MB
    EXPECT_EQ(RunChecked(), 1);
    EXPECT_FALSE(Exists(Dst()));
    m_platform.m_nFreeBytes = 64 * (uint64_t{1} << 20) + 5'000'000;
    EXPECT_EQ(RunChecked(), 0);
}

// A file too large or a name too long for the destination is an error said before the
// first copy; the rest is copied, and the date stays.
TEST_F(EngineTest, FilesTheDestinationCannotHoldAreSaidBeforeTheFirstCopy) {
    BuildTree(Src(), {{"small.txt", "s"},
                      {"large.bin", std::string(100, 'l')},
                      {"a-rather-long-name.txt", "n"},
                      {"z.txt", "z"}});
    CFileSystemTraits fat;
    fat.nMaxFileSize = 50;
    fat.nNameMax = 12;
    m_platform.m_traits = fat;
    m_pair.m_timeLastCopy = 77;
    EXPECT_EQ(RunChecked(), 2);
    EXPECT_EQ(ListTree(Dst()), (std::vector<std::string>{"small.txt", "z.txt"}));
    EXPECT_EQ(m_pair.m_timeLastCopy, 77u);
    // The log shows the newest line first: the errors come after (below) every copy line.
    const std::vector<std::string> lines = m_log.Lines();
    const size_t nTooLarge = IndexOf(
        lines, Expand({"ERROR: File too large for the destination's file system (FAT32 holds "
                       "files below 4 GiB):{S}/large.bin"})[0]);
    const size_t nName =
        IndexOf(lines, Expand({"ERROR: Name not allowed on the destination's file system:{S}/"
                               "a-rather-long-name.txt"})[0]);
    const size_t nFirstCopy = std::max(IndexOf(lines, "OK Copied: " + Dst("small.txt")),
                                       IndexOf(lines, "OK Copied: " + Dst("z.txt")));
    ASSERT_LT(nName, lines.size());
    ASSERT_LT(nTooLarge, lines.size());
    EXPECT_GT(nName, nFirstCopy);
    EXPECT_GT(nTooLarge, nFirstCopy);
}

}  // namespace
