// SPDX-License-Identifier: GPL-3.0-or-later
// The disks users back up to: exFAT, NTFS and FAT32 images mounted through FUSE, as a USB
// stick is on this kernel. What the run finds out about each, names that differ only in
// letter case, times kept in coarser steps, names Windows cannot hold, and replacing files.
// Where images cannot be mounted (no /dev/fuse, a missing package, not root) every case
// is skipped, and says why.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "EngineFixture.h"
#include "FuseImage.h"
#include "PosixHandles.h"

namespace {

class FuseFileSystems : public EngineTest, public testing::WithParamInterface<FuseKind> {
protected:
    void SetUp() override {
        MakeFolders(m_temp / "disk");
        m_image = std::make_unique<FuseImage>(GetParam(), m_temp / "disk");
        if (!m_image->Problem().empty()) {
            GTEST_SKIP() << NameOf(GetParam()) << ": " << m_image->Problem();
        }
        m_pair.m_strDestination = Disk("dst");
        m_pair.m_bCheckDestDate = 1;
    }
    std::string Disk(const std::string& strRelative) const {
        return m_image->MountPoint() + "/" + strRelative;
    }
    bool IgnoresCase() const { return GetParam() != FuseKind::Ntfs; }
    std::vector<std::string> Lines() const { return m_log.Lines(); }
    bool Logged(const std::string& strLine) const {
        const std::vector<std::string> lines = Lines();
        return std::find(lines.begin(), lines.end(), strLine) != lines.end();
    }

    // Unmounted before the temporary folder that holds it goes.
    std::unique_ptr<FuseImage> m_image;
};

TEST_P(FuseFileSystems, ProbeFindsWhatTheFileSystemKeeps) {
    posix::FileDescriptor folder(::open(m_image->MountPoint().c_str(), O_RDONLY | O_DIRECTORY));
    PosixPlatform platform;
    const CFileSystemTraits traits = platform.FileSystemTraits(folder.Get(), true);
    EXPECT_TRUE(traits.bProbed);
    EXPECT_TRUE(traits.bVerifyTimes);
    EXPECT_EQ(traits.bIgnoresCase, IgnoresCase());
    EXPECT_EQ(traits.bHardLinks, GetParam() == FuseKind::Ntfs);
    EXPECT_EQ(traits.names, GetParam() == FuseKind::Fat ? NameRules::Fat : NameRules::Windows)
        << traits.strType;
    const int64_t nStep = GetParam() == FuseKind::Ntfs  ? 100
                          : GetParam() == FuseKind::Fat ? 2'000'000'000
                                                        : 1'000'000'000;
    EXPECT_EQ(traits.nTimeStepNs, nStep);
    EXPECT_TRUE(ListTree(m_image->MountPoint()).empty());  // the probe leaves nothing
}

// Two names that differ only in letter case never share one file: the second is an error,
// and neither direction of "Both ways" copies one over the other.
TEST_P(FuseFileSystems, LetterCaseNeverLosesAFile) {
    BuildTree(Src(), {{"a.txt", "small a"},
                      {"A.TXT", "capital A"},
                      {"Photos/img1.jpg", "holiday"},
                      {"photos/img1.jpg", "party"}});
    const TreeSnapshot source = Snapshot(Src());
    EXPECT_EQ(m_pair.DoSync(), IgnoresCase() ? 2 : 0);
    EXPECT_EQ(Logged("Succes: Copied 4 files from " + Src() + " to " + Disk("dst")),
              !IgnoresCase());
    // Every file at the destination holds the data of the source file of its name.
    for (const std::string& strRelative : ListTree(Disk("dst"))) {
        if (strRelative.back() != '/') {
            EXPECT_EQ(ReadFile(Disk("dst/" + strRelative)), ReadFile(Src(strRelative)))
                << strRelative;
        }
    }
    m_pair.m_bBothWays = 1;
    m_pair.DoSyncPair();
    EXPECT_EQ(Snapshot(Src()), source);
}

// Times kept in 2-second, 1-second or 100-ns steps count as the same: a second run copies
// and warns of nothing, and "Both ways" leaves the source's dates alone.
TEST_P(FuseFileSystems, TimesAreKeptAndNothingIsCopiedTwice) {
    BuildTree(Src(), {{"a.txt", "a"}, {"sub/b.txt", "b"}, {"c.txt", "c"}});
    SetMtime(Src("a.txt"), 1600000001, 123456789);
    SetMtime(Src("sub/b.txt"), 1600000002, 999999999);
    SetMtime(Src("c.txt"), 1600000003, 0);
    EXPECT_EQ(m_pair.DoSync(), 0) << Lines().front();
    EXPECT_EQ(m_pair.m_nFilesCopied, 3u);
    const TreeSnapshot source = Snapshot(Src());
    m_log.Clear();
    EXPECT_EQ(m_pair.DoSync(), 0) << Lines().front();
    EXPECT_EQ(m_pair.m_nFilesCopied, 0u);
    m_pair.m_bBothWays = 1;
    EXPECT_EQ(m_pair.DoSyncPair(), 0) << Lines().front();
    EXPECT_EQ(m_pair.m_nFilesCopied, 0u);
    EXPECT_EQ(Snapshot(Src()), source);
}

// A name the file system cannot hold is said to be so, and the rest is copied; a file that
// is replaced goes through the one folder for temporary files, which does not stay, and the
// old one is kept (renamed where there are no hard links) with its time.
TEST_P(FuseFileSystems, NamesAndReplacements) {
    BuildTree(Src(), {{"a:b.txt", "colon"}, {"ok.txt", "ok", 1600000100}});
    BuildTree(Disk("dst"), {{"ok.txt", "older", 1600000000}});
    m_pair.m_nFilesFound = 0;
    EXPECT_EQ(m_pair.DoSync(), 1);
    EXPECT_TRUE(
        Logged("ERROR: Name not allowed on the destination's file system:" + Src("a:b.txt")));
    EXPECT_TRUE(Logged("OK Copied: " + Disk("dst/ok.txt")));
    EXPECT_EQ(ReadFile(Disk("dst/ok.txt")), "ok");
    std::vector<std::string> tree = ListTree(Disk("dst"));
    ASSERT_EQ(tree.size(), 4u);
    EXPECT_EQ(tree[3], "ok.txt");
    const std::string strKept = Disk("dst/" + tree[2]);
    EXPECT_EQ(ReadFile(strKept), "older");
    struct stat st {};
    ASSERT_EQ(::stat(strKept.c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 1600000000);
}

INSTANTIATE_TEST_SUITE_P(Disks, FuseFileSystems,
                         testing::Values(FuseKind::ExFat, FuseKind::Ntfs, FuseKind::Fat),
                         [](const testing::TestParamInfo<FuseKind>& info) {
                             return std::string(NameOf(info.param));
                         });

}  // namespace
