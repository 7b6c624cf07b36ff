// SPDX-License-Identifier: GPL-3.0-or-later
// A run says "Succes" only when every selected file is copied, whole and on disk: folders
// that cannot be read, a destination that has gone, deep trees, the flush, the date of the
// run, leftovers of killed copies and a cancel before the first file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "EngineFixture.h"
#include "PosixHandles.h"

namespace {

bool Contains(const std::vector<std::string>& lines, const std::string& strLine) {
    return std::find(lines.begin(), lines.end(), strLine) != lines.end();
}

TEST_F(EngineTest, FolderReadingThatFailsPartWayIsAnError) {
    BuildTree(Src(), {{"sub/a.txt", "a"}, {"sub/b.txt", "b"}});
    m_platform.m_folderReadsFailing.insert(Src("sub"));
    m_pair.m_timeLastCopy = 77;
    EXPECT_EQ(RunChecked(), 1);
    EXPECT_TRUE(Contains(m_log.Lines(),
                         "ERROR: Couldn't read folder:" + Src("sub") + " (Input/output error)"));
    EXPECT_EQ(m_pair.m_nFilesCopied, 1u);  // what was read is still copied
    EXPECT_EQ(m_pair.m_timeLastCopy, 77u);
}

// A destination folder that has gone after an earlier run found something is not made
// again; a pair that never found anything makes it, whatever its date.
TEST_F(EngineTest, DestinationThatHasGoneIsNotMadeAgain) {
    for (const bool bRanBefore : {true, false}) {
        BuildTree(Src(), {{"a.txt", "a"}});
        std::filesystem::remove_all(Dst());
        m_log.Clear();
        m_pair.m_nFilesFound = bRanBefore ? 1 : 0;
        m_pair.m_timeLastCopy = 1600000000;
        EXPECT_EQ(RunChecked(), bRanBefore ? 1 : 0);
        EXPECT_EQ(Exists(Dst()), !bRanBefore);
        if (bRanBefore) {
            EXPECT_EQ(m_log.Lines(),
                      (std::vector<std::string>{
                          "ERROR: Destination folder not found (is its disk mounted?):" + Dst()}));
            // What the earlier run found stays, so the next run looks again.
            EXPECT_EQ(m_pair.m_nFilesFound, 1u);
            EXPECT_EQ(RunChecked(), 1);
            EXPECT_FALSE(Exists(Dst()));
        }
    }
}

// An empty destination after an earlier run found files may be a mount point whose disk is
// not mounted: it is copied into only when the user says so. Others are not asked about.
TEST_F(EngineTest, EmptyDestinationAfterAnEarlierRunIsFilledOnlyWhenConfirmed) {
    struct Case {
        uint32_t nFoundBefore;
        bool bDestinationEmpty;
        bool bAnswer;
        bool bAsked;
        bool bCopies;
    };
    for (const Case& c : {Case{5, true, false, true, false}, Case{5, true, true, true, true},
                          Case{0, true, false, false, true}, Case{5, false, false, false, true}}) {
        std::filesystem::remove_all(Dst());
        BuildTree(Src(), {{"a.txt", "a"}});
        MakeFolders(Dst());
        if (!c.bDestinationEmpty) {
            WriteFile(Dst("other.txt"), "o");
        }
        m_log.Clear();
        RecordingProgress progress;
        progress.m_bConfirmEmptyDestination = c.bAnswer;
        m_pair.m_pProgressDlg = &progress;
        m_pair.m_nFilesFound = c.nFoundBefore;
        EXPECT_EQ(RunChecked(), c.bCopies ? 0 : 1);
        EXPECT_EQ(progress.EmptyDestinationQuestions().size(), c.bAsked ? 1u : 0u);
        EXPECT_EQ(Exists(Dst("a.txt")), c.bCopies);
        if (!c.bCopies) {
            EXPECT_EQ(m_pair.m_nFilesFound, c.nFoundBefore);  // the next run asks again
            EXPECT_EQ(
                m_log.Lines(),
                (std::vector<std::string>{"ERROR: Destination folder is empty, although an earlier "
                                          "run copied files there (is its disk mounted?):" +
                                          Dst()}));
        }
    }
    m_pair.m_pProgressDlg = &m_progress;
}

// A chain of folders named strLevel, nDepth deep below strRoot, each with the file "f".
void MakeChain(const std::string& strRoot, const std::string& strLevel, int nDepth) {
    posix::FileDescriptor folder(::open(strRoot.c_str(), O_DIRECTORY | O_RDONLY));
    for (int i = 0; i < nDepth; ++i) {
        ASSERT_EQ(::mkdirat(folder.Get(), strLevel.c_str(), 0755), 0);
        const int fdFile = ::openat(folder.Get(), "f", O_CREAT | O_WRONLY, 0644);
        ASSERT_EQ(::write(fdFile, "x", 1), 1);
        ::close(fdFile);
        folder.Reset(::openat(folder.Get(), strLevel.c_str(), O_DIRECTORY | O_RDONLY));
    }
}

// Far fewer descriptors than one per level, while it lives.
class ScopedFileLimit {
public:
    explicit ScopedFileLimit(rlim_t nLimit) {
        ::getrlimit(RLIMIT_NOFILE, &m_previous);
        rlimit limit = m_previous;
        limit.rlim_cur = nLimit;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
    ~ScopedFileLimit() { ::setrlimit(RLIMIT_NOFILE, &m_previous); }

private:
    rlimit m_previous{};
};

// Deeper than the descriptors allow and longer than the system's path limit.
TEST_F(EngineTest, DeepTreeIsWalkedWhole) {
    constexpr int kDepth = 320;
    MakeChain(Src(), "level-folder-1", kDepth);  // 320 * 15 > 4096
    int32_t nErrors = 0;
    {
        const ScopedFileLimit limit(64);
        nErrors = m_pair.DoSync();
    }
    EXPECT_EQ(nErrors, 0) << m_log.Lines().front();
    EXPECT_EQ(m_pair.m_nDirectories, static_cast<uint32_t>(kDepth));
    EXPECT_EQ(m_pair.m_nFilesCopied, static_cast<uint32_t>(kDepth));
}

// When the walk comes back up a deep tree, a destination folder that another folder has
// replaced meanwhile is not written into.
TEST_F(EngineTest, DestinationFolderReplacedWhileTheWalkWasBelowIsNotWrittenInto) {
    MakeFolders(Src("a"));
    MakeChain(Src("a"), "deep", 40);
    std::vector<std::string> after;  // files of "a" that the walk meets after "deep"
    for (int i = 0; i < 20; ++i) {
        WriteFile(Src("a/f" + std::to_string(i)), "x");
    }
    bool bDeepSeen = false;
    for (const auto& entry : std::filesystem::directory_iterator(Src("a"))) {
        const std::string strName = entry.path().filename();
        if (strName == "deep") {
            bDeepSeen = true;
        } else if (bDeepSeen && strName != "f") {
            after.push_back(strName);
        }
    }
    if (after.empty()) {
        GTEST_SKIP() << "every file of the folder comes before the deep one";
    }
    std::string strDeepest = Src("a");
    for (int i = 0; i < 40; ++i) {
        strDeepest += "/deep";
    }
    m_platform.m_beforeStatus = [&](const std::string& strPath) {
        // Once the run has made "a" and copies below it.
        if (strPath == strDeepest && Exists(Dst("a")) && !Exists(Dst("a.moved"))) {
            std::filesystem::rename(Dst("a"), Dst("a.moved"));
            MakeFolders(Dst("a"));
        }
    };
    {
        const ScopedFileLimit limit(64);
        m_pair.DoSync();
    }
    for (const std::string& strName : after) {
        EXPECT_TRUE(Contains(m_log.Lines(), "ERROR: Copying file: " + Dst("a/" + strName) +
                                                " (No such file or directory)"));
    }
    EXPECT_TRUE(std::filesystem::is_empty(Dst("a")));
}

TEST_F(EngineTest, FailedFlushIsAnErrorAndUpToDateRunsDoNotFlush) {
    BuildTree(Src(), {{"a.txt", "a"}});
    m_pair.m_bCheckDestDate = 1;
    m_platform.m_nFlushErrno = EIO;
    EXPECT_EQ(RunChecked(), 1);
    EXPECT_EQ(m_log.Lines().front(), "ERROR: Flushing to disk:" + Dst() + " (Input/output error)");
    EXPECT_EQ(m_pair.m_timeLastCopy, 0u);
    EXPECT_EQ(m_platform.FlushCount(), 1);

    m_platform.m_nFlushErrno = 0;
    EXPECT_EQ(RunChecked(), 0);  // nothing to write, nothing to flush
    EXPECT_EQ(m_platform.FlushCount(), 1);
}

TEST_F(EngineTest, LastCopyDateIsTheTimeTheRunStarted) {
    BuildTree(Src(), {{"a.txt", "a"}});
    m_platform.m_beforeCopy = [this](const std::string&, const std::string&) {
        m_platform.m_nCurrentTime = 1700000099;
    };
    EXPECT_EQ(RunChecked(), 0);
    EXPECT_EQ(m_pair.m_timeLastCopy, 1700000000u);
}

// A killed copy's temporary file is never copied or counted, and goes from a folder that
// the run writes into once its process has ended.
// Copies make their named temporary files in one folder at the top of the destination. A
// run that writes removes what killed copies left there, and the folder once it is empty;
// neither the folder nor temporary files are ever copied.
TEST_F(EngineTest, LeftoversOfKilledCopiesAreNeitherCopiedNorKept) {
    const std::string strLeftover = ".folvex-tmp-999999999-1";  // above any process id
    BuildTree(Src(), {{"a.txt", "a"}, {strLeftover, "half"}, {".folvex-tmp/" + strLeftover, "h"}});
    BuildTree(Dst(), {{"old.txt", "o", 1600000000}, {".folvex-tmp/" + strLeftover, "half"}});
    m_pair.m_bCheckDestDate = 1;
    EXPECT_EQ(m_pair.DoSync(), 0);
    EXPECT_EQ(m_pair.m_nFilesFound, 1u);
    EXPECT_EQ(m_pair.m_nDirectories, 0u);
    EXPECT_EQ(ListTree(Dst()), (std::vector<std::string>{"a.txt", "old.txt"}));
}

TEST_F(EngineTest, CancelBeforeTheFirstFileIsNotLost) {
    BuildTree(Src(), {{"a.txt", "a"}});
    m_pair.m_bCancel.store(1);
    EXPECT_EQ(RunChecked(), 1);
    EXPECT_EQ(m_log.Lines(), std::vector<std::string>{"User cancelled operation!"});
    EXPECT_FALSE(Exists(Dst("a.txt")));
}

}  // namespace
