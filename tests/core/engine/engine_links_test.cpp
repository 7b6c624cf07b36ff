// SPDX-License-Identifier: GPL-3.0-or-later
// A run never writes outside its destination or into its source, whatever links and mounts
// say: links in the destination are never followed, links in the source are walked like
// folders unless they lead round in a circle or into the destination, aliases of the same
// folder are refused by identity, and file systems that keep less are handled.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>

#include "EngineFixture.h"
#include "Synchronize.h"

namespace {

class EngineLinks;

struct LinkCase {
    const char* szName;
    std::function<void(const EngineLinks&)> prepare;
    std::vector<std::string> lines;  // in any order; {S}, {D} are the folders
    int32_t nErrors;
    std::vector<std::string> destination;  // ListTree of the destination afterwards
};

void PrintTo(const LinkCase& c, std::ostream* pOut) {
    *pOut << c.szName;
}

class EngineLinks : public EngineTest, public testing::WithParamInterface<LinkCase> {
public:
    using EngineTest::Dst;
    using EngineTest::Src;
    std::string Temp(const std::string& strName) const { return m_temp / strName; }
    void Link(const std::string& strTarget, const std::string& strLink) const {
        ASSERT_EQ(::symlink(strTarget.c_str(), strLink.c_str()), 0) << strLink;
    }
};

TEST_P(EngineLinks, StayInsideTheLines) {
    const LinkCase& c = GetParam();
    MakeFolders(Dst());
    c.prepare(*this);
    m_pair.m_bOverwriteRHS = 1;
    EXPECT_EQ(RunChecked(), c.nErrors);
    // Entries come in the order the folder lists them.
    std::vector<std::string> lines = m_log.Lines();
    std::vector<std::string> expected = Expand(c.lines);
    std::sort(lines.begin(), lines.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(ListTree(Dst()), c.destination);
}

INSTANTIATE_TEST_SUITE_P(
    Engine, EngineLinks,
    testing::Values(
        LinkCase{"DestinationSubFolderLinksOutside",
                 [](const EngineLinks& t) {
                     BuildTree(t.Src(), {{"sub/inner.txt", "i"}});
                     MakeFolders(t.Temp("outside"));
                     t.Link("../outside", t.Dst("sub"));
                 },
                 {"ERROR: Destination is not a folder:{D}/sub"},
                 1,
                 {"sub"}},
        LinkCase{"DestinationSubFolderLinksIntoTheSource",
                 [](const EngineLinks& t) {
                     BuildTree(t.Src(), {{"a/notes.txt", "a"}, {"b/notes.txt", "b"}});
                     t.Link(t.Src("b"), t.Dst("a"));
                 },
                 {"OK Copied: {D}/b/notes.txt", "ERROR: Destination is not a folder:{D}/a"},
                 1,
                 {"a", "b/", "b/notes.txt"}},
        LinkCase{"DestinationSubFolderIsAFile",
                 [](const EngineLinks& t) {
                     BuildTree(t.Src(), {{"sub/inner.txt", "i"}});
                     WriteFile(t.Dst("sub"), "a file");
                 },
                 {"ERROR: Destination is not a folder:{D}/sub"},
                 1,
                 {"sub"}},
        LinkCase{"DestinationFileLinksToReadOnlyFileOutside",
                 [](const EngineLinks& t) {
                     BuildTree(t.Src(), {{"f.txt", "new"}});
                     const std::string strOutside = t.Temp("ro");
                     WriteFile(strOutside, "outside");
                     SetMode(strOutside, 0444);
                     t.Link(strOutside, t.Dst("f.txt"));
                 },
                 {"Succes: Copied 1 files from {S} to {D}", "OK Copied: {D}/f.txt"},
                 0,
                 {"f.txt"}},
        LinkCase{"SourceLinkToAFolderIsWalked",
                 [](const EngineLinks& t) {
                     BuildTree(t.Temp("elsewhere"), {{"far.txt", "far"}});
                     t.Link("../elsewhere", t.Src("linked"));
                 },
                 {"Succes: Copied 1 files from {S} to {D}", "OK Copied: {D}/linked/far.txt"},
                 0,
                 {"linked/", "linked/far.txt"}},
        LinkCase{"SourceLinksInACircleOrIntoTheDestination",
                 [](const EngineLinks& t) {
                     BuildTree(t.Src(), {{"sub/a.txt", "a"}});
                     t.Link("..", t.Src("sub/up"));
                     t.Link(t.Dst(), t.Src("backup"));
                 },
                 {"Succes: Copied 1 files from {S} to {D}", "Skipped folder link loop:{S}/backup",
                  "Skipped folder link loop:{S}/sub/up", "OK Copied: {D}/sub/a.txt"},
                 0,
                 {"sub/", "sub/a.txt"}},
        // A link to the destination of its own folder: each level would list itself again.
        LinkCase{"SourceLinkIntoItsOwnDestinationFolder",
                 [](const EngineLinks& t) {
                     BuildTree(t.Src(), {{"sub/a.txt", "a"}});
                     MakeFolders(t.Dst("sub"));
                     t.Link(t.Dst("sub"), t.Src("sub/L"));
                 },
                 {"Succes: Copied 1 files from {S} to {D}", "Skipped folder link loop:{S}/sub/L",
                  "OK Copied: {D}/sub/a.txt"},
                 0,
                 {"sub/", "sub/a.txt"}},
        LinkCase{"SourceLinkToAnotherFolderInsideTheDestination",
                 [](const EngineLinks& t) {
                     BuildTree(t.Src(), {{"a/x.txt", "x"}});
                     BuildTree(t.Dst(), {{"b/old.txt", "o"}});
                     t.Link(t.Dst("b"), t.Src("a/L"));
                 },
                 {"Succes: Copied 1 files from {S} to {D}", "Skipped folder link loop:{S}/a/L",
                  "OK Copied: {D}/a/x.txt"},
                 0,
                 {"a/", "a/x.txt", "b/", "b/old.txt"}}),
    [](const testing::TestParamInfo<LinkCase>& info) { return info.param.szName; });

// The outside file a destination link led to keeps its data and its mode.
TEST_F(EngineTest, DestinationLinkIsReplacedNotWrittenThrough) {
    BuildTree(Src(), {{"f.txt", "new"}});
    WriteFile(m_temp / "ro", "outside");
    SetMode(m_temp / "ro", 0444);
    MakeFolders(Dst());
    ASSERT_EQ(::symlink((m_temp / "ro").c_str(), Dst("f.txt").c_str()), 0);
    m_pair.m_bOverwriteRHS = 1;
    EXPECT_EQ(RunChecked(), 0);
    EXPECT_EQ(ReadFile(m_temp / "ro"), "outside");
    EXPECT_EQ(Mode(m_temp / "ro"), 0444u);
    EXPECT_EQ(ReadFile(Dst("f.txt")), "new");
}

// A bind mount of the source is the source: a destination inside it is refused, and a
// bind mount of the destination inside the source is never entered.
TEST_F(EngineTest, BindMountsAreSeenThrough) {
    BuildTree(Src(), {{"a.txt", "a"}, {"view/", ""}});
    if (::mount(Src().c_str(), Src("view").c_str(), nullptr, MS_BIND, nullptr) != 0) {
        GTEST_SKIP() << "mounting is not allowed here: " << std::strerror(errno);
    }
    m_pair.m_strDestination = Src("view/backup");
    EXPECT_EQ(m_pair.DoSync(), 1);
    const std::string strLine = m_log.Lines().front();
    EXPECT_EQ(strLine.rfind("ERROR: Destination folder lies inside the source folder!", 0), 0u)
        << strLine;
    EXPECT_FALSE(Exists(Src("backup")));
    ::umount(Src("view").c_str());

    MakeFolders(Dst());
    ASSERT_EQ(::mount(Dst().c_str(), Src("view").c_str(), nullptr, MS_BIND, nullptr), 0);
    m_pair.m_strDestination = Dst();
    m_log.Clear();
    EXPECT_EQ(m_pair.DoSync(), 0);
    ::umount(Src("view").c_str());
    const std::vector<std::string> lines = m_log.Lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Skipped folder link loop:" + Src("view")),
              lines.end());
    EXPECT_EQ(ListTree(Dst()), std::vector<std::string>{"a.txt"});
}

// Of names that differ only in letter case, the one the destination already holds is
// copied, whichever the folder lists first: a destination that ignores case never gets one
// file's data under another's name.
TEST_F(EngineTest, CaseClashKeepsTheNameTheDestinationHolds) {
    BuildTree(Src(), {{"a.txt", "small a"}, {"A.TXT", "capital A", 1600000100}});
    BuildTree(Dst(), {{"A.TXT", "capital A, older", 1600000000}});
    CFileSystemTraits folding;
    folding.bIgnoresCase = true;
    m_platform.m_traits = folding;
    m_pair.m_bCheckDestDate = 1;
    EXPECT_EQ(RunChecked(), 1);
    EXPECT_EQ(ReadFile(Dst("A.TXT")), "capital A");
    EXPECT_FALSE(Exists(Dst("a.txt")));
    const std::vector<std::string> lines = m_log.Lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "ERROR: Name differs only in letter case from one already copied:" +
                            Src("a.txt")),
              lines.end());
}

// Names that FAT, exFAT or NTFS cannot hold are errors before anything is written; their
// folders are not made.
TEST_F(EngineTest, NamesTheDestinationCannotHoldAreErrors) {
    BuildTree(Src(), {{"a:b.txt", "1"}, {"ok.txt", "2"}, {"what?/in.txt", "3"}, {"CON", "4"}});
    for (const NameRules rules : {NameRules::Windows, NameRules::Fat}) {
        std::filesystem::remove_all(Dst());
        m_log.Clear();
        m_pair.m_nFilesFound = 0;  // a first run, which makes the destination
        m_pair.m_nDirectories = 0;
        m_pair.m_nFilesCopied = 0;
        m_pair.m_dwBytesCopied = 0;
        CFileSystemTraits traits;
        traits.names = rules;
        m_platform.m_traits = traits;
        EXPECT_EQ(RunChecked(), rules == NameRules::Fat ? 3 : 2);
        const std::vector<std::string> expected = rules == NameRules::Fat
                                                      ? std::vector<std::string>{"ok.txt"}
                                                      : std::vector<std::string>{"CON", "ok.txt"};
        EXPECT_EQ(ListTree(Dst()), expected);
        const std::vector<std::string> lines = m_log.Lines();
        for (const char* szName : {"a:b.txt", "what?"}) {
            EXPECT_NE(std::find(lines.begin(), lines.end(),
                                "ERROR: Name not allowed on the destination's file system:" +
                                    Src(szName)),
                      lines.end())
                << szName;
        }
    }
}

// A destination whose type cannot vouch for the times it keeps is asked after each copy.
TEST_F(EngineTest, TimeTheDestinationDidNotKeepIsAnError) {
    BuildTree(Src(), {{"a.txt", "a"}});
    CFileSystemTraits forgetful;
    forgetful.bVerifyTimes = true;
    forgetful.bKeepsTimes = false;
    forgetful.strType = "forgetful";
    m_platform.m_traits = forgetful;
    EXPECT_EQ(RunChecked(), 1);
    EXPECT_EQ(
        m_log.Lines(),
        Expand({"ERROR: Destination did not keep the file's time:{D}/a.txt", "OK Copied: {D}/a.txt",
                "Destination file system forgetful: letter case kept, times not kept:{D}"}));
    m_platform.m_traits->bKeepsTimes = true;  // ext4 keeps them: read back, they are right
    m_log.Clear();
    WriteFile(Src("a.txt"), "changed", 1600000000);
    EXPECT_EQ(RunChecked(), 0);
}

// A file system mounted inside the destination is flushed too, and a destination folder
// that is on it gets what that file system keeps.
TEST_F(EngineTest, EveryFileSystemWrittenToIsFlushed) {
    BuildTree(Src(), {{"a.txt", "a"}, {"inner/b.txt", "b"}});
    MakeFolders(Dst("inner"));
    if (::mount("tmpfs", Dst("inner").c_str(), "tmpfs", 0, nullptr) != 0) {
        GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    }
    const int32_t nErrors = RunChecked();
    const int nFlushes = m_platform.FlushCount();
    ::umount(Dst("inner").c_str());
    EXPECT_EQ(nErrors, 0);
    EXPECT_EQ(nFlushes, 2);
}

// A destination like FAT: no permission bits, letter case ignored.
TEST_F(EngineTest, FileSystemThatKeepsLess) {
    BuildTree(Src(), {{"Notes.txt", "N"}, {"notes.TXT", "n"}, {"Sub/a", "1"}, {"sub/b", "2"}});
    CFileSystemTraits fat;
    fat.nTimeStepNs = 2'000'000'000;
    fat.bKeepsPermissions = false;
    fat.bIgnoresCase = true;
    m_platform.m_traits = fat;
    EXPECT_EQ(RunChecked(), 2);
    EXPECT_EQ(m_platform.LastCopyFlags(), COPY_FILE_NO_PERMISSIONS);
    EXPECT_EQ(m_pair.m_nFilesCopied, 2u);
    const std::vector<std::string> lines = m_log.Lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& s) {
                                return s.rfind(
                                           "ERROR: Name differs only in letter case from one "
                                           "already copied:",
                                           0) == 0;
                            }),
              2);
}

}  // namespace
