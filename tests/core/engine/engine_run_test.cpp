// SPDX-License-Identifier: GPL-3.0-or-later
// One synchronization run and the folder walk: figures, closing lines, the last-copy date,
// cancels at every point, injected faults, special files, both-ways pairs.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "EngineFixture.h"
#include "SyncWindows.h"
#include "Synchronize.h"

namespace {

TEST_F(EngineTest, CleanRunOfThreeFiles) {
    BuildTree(Src(), {{"a.txt", "a"}, {"b.txt", "bb"}, {"c.txt", "ccc"}});
    m_platform.m_nTick = 5000;
    m_platform.m_nTickStep = 42;

    EXPECT_EQ(RunChecked(), 0);
    const std::vector<std::string> lines = m_log.Lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], Expand({"Succes: Copied 3 files from {S} to {D}"})[0]);
    for (size_t i = 1; i < 4; ++i) {
        EXPECT_EQ(lines[i].rfind("OK Copied: " + Dst(), 0), 0u) << lines[i];
    }
    EXPECT_EQ(m_pair.m_nFilesFound, 3u);
    EXPECT_EQ(m_pair.m_nFilesCopied, 3u);
    EXPECT_EQ(m_pair.m_nDirectories, 0u);
    EXPECT_EQ(m_pair.m_dwBytesCopied, 6u);
    EXPECT_EQ(m_pair.m_nErrors, 0);
    EXPECT_EQ(m_pair.m_dwElapsedMs, 42u);
    EXPECT_EQ(m_pair.m_timeLastCopy, 1700000000u);
}

TEST_F(EngineTest, DurationIsRightAcrossAWrapOfTheTick) {
    m_platform.m_nTick = 0xFFFFFF00u;
    m_platform.m_nTickStep = 0x300;
    m_pair.DoSync();
    EXPECT_EQ(m_pair.m_dwElapsedMs, 0x300u);
}

TEST_F(EngineTest, SecondRunWithDateCheckCopiesNothing) {
    BuildTree(Src(), {{"a.txt", "a"}, {"sub/b.txt", "b"}});
    m_pair.m_bCheckDestDate = 1;
    EXPECT_EQ(RunChecked(), 0);
    EXPECT_EQ(m_pair.m_nFilesCopied, 2u);
    EXPECT_EQ(RunChecked(), 0);
    EXPECT_EQ(m_pair.m_nFilesCopied, 0u);
    EXPECT_EQ(m_pair.m_nFilesFound, 2u);
    EXPECT_EQ(m_log.Lines()[0], Expand({"Succes: Copied 0 files from {S} to {D}"})[0]);
}

struct WalkCase {
    const char* szName;
    int32_t bSubFolders;
    uint32_t nDirectories;
    uint32_t nFilesFound;
    std::vector<std::string> destination;
};

void PrintTo(const WalkCase& c, std::ostream* pOut) {
    *pOut << c.szName;
}

class FolderWalk : public EngineTest, public testing::WithParamInterface<WalkCase> {};

TEST_P(FolderWalk, CountsAndCreatesSubFolders) {
    const WalkCase& c = GetParam();
    BuildTree(Src(), {{"one.txt", "1"}, {"two.txt", "2"}, {"sub/three.txt", "3"}, {"empty/", ""}});
    m_pair.m_bSubFolders = c.bSubFolders;
    m_platform.m_beforeCopy = [this](const std::string& strSource, const std::string&) {
        if (strSource == Src("sub/three.txt")) {
            EXPECT_TRUE(Exists(Dst("sub")));
        }
    };
    EXPECT_EQ(RunChecked(), 0);
    EXPECT_EQ(m_pair.m_nDirectories, c.nDirectories);
    EXPECT_EQ(m_pair.m_nFilesFound, c.nFilesFound);
    EXPECT_EQ(m_pair.m_nFilesCopied, c.nFilesFound);
    EXPECT_EQ(ListTree(Dst()), c.destination);
}

INSTANTIATE_TEST_SUITE_P(
    Engine, FolderWalk,
    testing::Values(
        WalkCase{
            "WithSubFolders", 1, 2, 3, {"empty/", "one.txt", "sub/", "sub/three.txt", "two.txt"}},
        WalkCase{"WithoutSubFolders", 0, 0, 2, {"one.txt", "two.txt"}}),
    [](const testing::TestParamInfo<WalkCase>& info) { return info.param.szName; });

TEST_F(EngineTest, FolderWithOnlyExcludedFilesIsStillCreatedAndCounted) {
    BuildTree(Src(), {{"skip/a.tmp", "1"}, {"skip/b.tmp", "2"}});
    m_pair.m_strExclude = ".tmp";
    EXPECT_EQ(RunChecked(), 0);
    EXPECT_EQ(ListTree(Dst()), (std::vector<std::string>{"skip/"}));
    EXPECT_EQ(m_pair.m_nDirectories, 1u);
    EXPECT_EQ(m_pair.m_nFilesFound, 2u);
    EXPECT_EQ(m_pair.m_nFilesCopied, 0u);
}

// The folder fields follow the walk while the run plans, then show the folders of the file
// that is being copied.
TEST_F(EngineTest, FolderFieldsFollowTheWalkThenTheFileShown) {
    BuildTree(Src(), {{"sub/deeper/file", "x"}, {"top.txt", "t"}});
    SetSyncThreads(1);  // one file shown after the other
    EXPECT_EQ(RunChecked(), 0);
    std::vector<std::string> folders = m_progress.History(IDC_PROGRESS_FOLDER);
    ASSERT_EQ(folders.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(folders.begin(), folders.begin() + 3),
              (std::vector<std::string>{Src(), Src("sub"), Src("sub/deeper")}));
    std::sort(folders.begin() + 3, folders.end());  // in the order the folder lists them
    EXPECT_EQ(std::vector<std::string>(folders.begin() + 3, folders.end()),
              (std::vector<std::string>{Src(), Src("sub/deeper")}));
    EXPECT_EQ(m_progress.History(IDC_PROGRESS_DEST).size(), 5u);
}

TEST_F(EngineTest, MissingSourceIsAnErrorNotAnEmptyRun) {
    m_pair.m_strSource = m_temp / "no-such-folder";
    m_pair.m_timeLastCopy = 77;
    EXPECT_EQ(m_pair.DoSync(), 1);
    EXPECT_FALSE(Exists(Dst()));  // nothing is made for a source that is not there
    EXPECT_EQ(m_pair.m_nFilesFound + m_pair.m_nDirectories + m_pair.m_nFilesCopied, 0u);
    EXPECT_EQ(m_log.Lines(),
              (std::vector<std::string>{"ERROR: Couldn't read folder:" + m_temp / "no-such-folder" +
                                        " (No such file or directory)"}));
    EXPECT_EQ(m_pair.m_timeLastCopy, 77u);
}

TEST_F(EngineTest, DestinationWithMissingParentFailsEveryCopy) {
    BuildTree(Src(), {{"a.txt", "a"}, {"b.txt", "b"}});
    m_pair.m_strDestination = m_temp / "missing/dst";
    m_pair.m_timeLastCopy = 77;
    EXPECT_EQ(m_pair.DoSync(), 2);
    EXPECT_EQ(m_log.Lines().size(), 2u);
    for (const std::string& strLine : m_log.Lines()) {
        EXPECT_EQ(strLine.rfind("ERROR: Copying file: " + m_temp / "missing/dst/", 0), 0u);
    }
    EXPECT_EQ(m_pair.m_nLastError, ENOENT);
    EXPECT_EQ(m_pair.m_timeLastCopy, 77u);
    EXPECT_FALSE(Exists(m_temp / "missing"));
}

TEST_F(EngineTest, LastErrorSurvivesLaterCleanRuns) {
    WriteFile(Src("a.txt"), "a");
    m_platform.m_nFailCopyNumber = 1;
    EXPECT_EQ(RunChecked(), 1);
    EXPECT_EQ(m_pair.m_nLastError, ENOSPC);
    m_progress.m_bConfirmEmptyDestination = true;  // the failed run left it empty
    EXPECT_EQ(RunChecked(), 0);
    EXPECT_EQ(m_pair.m_nFilesCopied, 1u);
    EXPECT_EQ(m_pair.m_nLastError, ENOSPC);
}

// Faults on the way: a full disk at one copy, a file that vanishes between the walk and its
// status query, a sub-folder that cannot be read. The run goes on after each.
TEST_F(EngineTest, DiskFullOnOneCopyFailsOnlyThatFile) {
    BuildTree(Src(), {{"a.txt", "a"}, {"b.txt", "b"}, {"c.txt", "c"}});
    WriteFile(Dst("a.txt"), "old a");
    WriteFile(Dst("b.txt"), "old b");
    WriteFile(Dst("c.txt"), "old c");
    m_platform.m_nFailCopyNumber = 2;
    m_pair.m_timeLastCopy = 77;
    EXPECT_EQ(RunChecked(), 1);
    EXPECT_EQ(m_pair.m_nFilesCopied, 2u);
    EXPECT_EQ(m_pair.m_nLastError, ENOSPC);
    EXPECT_EQ(m_pair.m_timeLastCopy, 77u);
    const std::vector<std::string> lines = m_log.Lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines.front(), Expand({"Kept 2 replaced files in:{V}"})[0]);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& s) { return s.rfind("ERROR: Copying", 0) == 0; }),
              1);
}

TEST_F(EngineTest, FileVanishingBeforeItsStatusIsReported) {
    BuildTree(Src(), {{"a.txt", "a"}, {"gone.txt", "g"}});
    m_platform.m_beforeStatus = [this](const std::string& strPath) {
        if (strPath == Src("gone.txt")) {
            ::unlink(strPath.c_str());
        }
    };
    // The source changes under the run here, so only the destination is checked.
    EXPECT_EQ(m_pair.DoSync(), 1);
    EXPECT_EQ(ListTree(Dst()), std::vector<std::string>{"a.txt"});
    const std::vector<std::string> lines = m_log.Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(),
                         "ERROR: Couldn't get status for source:" + Src("gone.txt") +
                             " (No such file or directory)"),
              1);
    EXPECT_EQ(m_pair.m_nFilesFound, 2u);
    EXPECT_EQ(m_pair.m_nFilesCopied, 1u);
}

TEST_F(EngineTest, UnreadableSubFolderIsCreatedAndReported) {
    BuildTree(Src(), {{"a.txt", "a"}, {"locked/b.txt", "b"}, {"z/c.txt", "c"}});
    m_platform.m_unreadableFolders.insert(Src("locked"));
    m_pair.m_timeLastCopy = 77;
    EXPECT_EQ(RunChecked(), 1);
    EXPECT_EQ(m_pair.m_nDirectories, 2u);
    EXPECT_EQ(m_pair.m_nFilesFound, 2u);
    EXPECT_EQ(m_pair.m_timeLastCopy, 77u);
    EXPECT_EQ(ListTree(Dst()), (std::vector<std::string>{"a.txt", "locked/", "z/", "z/c.txt"}));
    const std::vector<std::string> lines = m_log.Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(),
                         "ERROR: Couldn't read folder:" + Src("locked") + " (Permission denied)"),
              1);
}

// What cannot be copied as a regular file is reported and never blocks the run; a link to
// a folder (here one that loops back) is not walked into, a link to a file is copied.
// What no file copy can take is passed over with a line that is no error; a link to a file
// is copied.
TEST_F(EngineTest, SpecialFilesAreSkipped) {
    BuildTree(Src(), {{"plain.txt", "p"}});
    ASSERT_EQ(::mkfifo(Src("fifo").c_str(), 0644), 0);
    const int fdSocket = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    Src("socket").copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(fdSocket, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::symlink("plain.txt", Src("link.txt").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", Src(".#lock").c_str()), 0);
    ASSERT_EQ(::symlink("self", Src("self").c_str()), 0);

    EXPECT_EQ(RunChecked(), 0);
    ::close(fdSocket);
    EXPECT_EQ(m_pair.m_nFilesFound, 6u);
    EXPECT_EQ(m_pair.m_nFilesCopied, 2u);
    EXPECT_EQ(ReadFile(Dst("link.txt")), "p");
    std::vector<std::string> skipped;
    for (const std::string& strLine : m_log.Lines()) {
        if (strLine.rfind("Skipped (not a regular file):", 0) == 0) {
            skipped.push_back(strLine.substr(29));
        }
    }
    std::sort(skipped.begin(), skipped.end());
    EXPECT_EQ(skipped,
              (std::vector<std::string>{Src(".#lock"), Src("fifo"), Src("self"), Src("socket")}));
}

// Cancels at four points: before the walk takes an entry, during a chunked copy, between
// two files, and in the forward run of a both-ways pair.
TEST_F(EngineTest, CancelBeforeTheWalkCopiesNothing) {
    BuildTree(Src(), {{"a.txt", "a"}, {"sub/b.txt", "b"}});
    m_pair.m_timeLastCopy = 77;
    m_progress.m_onWrite = [this](int nId, const std::string&) {
        if (nId == IDC_PROGRESS_FOLDER) {
            m_pair.m_bCancel.store(1);
        }
    };
    EXPECT_EQ(RunChecked(), 1);
    EXPECT_EQ(m_log.Lines(), (std::vector<std::string>{"User cancelled operation!"}));
    EXPECT_EQ(m_pair.m_nFilesFound, 0u);
    EXPECT_EQ(m_pair.m_timeLastCopy, 77u);
    EXPECT_FALSE(Exists(Dst()));
}

TEST_F(EngineTest, CancelDuringAChunkedCopyKeepsTheOldDestination) {
    WriteSparseFile(Src("big.bin"), uint64_t{64} << 20);
    WriteFile(Dst("big.bin"), "old");
    m_progress.m_onWrite = [this](int nId, const std::string& strText) {
        if (nId == IDC_PROGRESS_PERCENT && strText != "0%") {
            m_pair.m_bCancel.store(1);
        }
    };
    EXPECT_EQ(RunChecked(), 2);
    EXPECT_EQ(m_log.Lines(), (std::vector<std::string>{"User cancelled operation!",
                                                       "ERROR: Copying file: " + Dst("big.bin") +
                                                           " (Operation canceled)"}));
    EXPECT_EQ(m_pair.m_nLastError, ECANCELED);
    EXPECT_EQ(ReadFile(Dst("big.bin")), "old");
    // The copy stopped after its first chunk.
    const std::vector<std::string> shares = m_progress.History(IDC_PROGRESS_PERCENT);
    EXPECT_EQ(shares.size(), 2u);
}

TEST_F(EngineTest, CancelBetweenFilesStopsTheWalkAtEveryLevel) {
    BuildTree(Src(), {{"a/1.txt", "1"}, {"a/2.txt", "2"}, {"c/3.txt", "3"}, {"c/4.txt", "4"}});
    m_log.m_onLine = [this](const std::string& strLine) {
        if (strLine.rfind("OK Copied: ", 0) == 0) {
            m_pair.m_bCancel.store(1);
        }
    };
    const size_t nFoldersBefore = m_platform.CreatedFolders().size();
    const int32_t nErrors = RunChecked();
    const std::vector<std::string> lines = m_log.Lines();
    EXPECT_EQ(lines[0], "User cancelled operation!");
    if (Threads() == 1) {
        EXPECT_EQ(nErrors, 1);
        EXPECT_EQ(m_pair.m_nFilesCopied, 1u);
        EXPECT_EQ(lines.size(), 2u);
        // Only the destination folder and the first sub-folder were created.
        EXPECT_EQ(m_platform.CreatedFolders().size() - nFoldersBefore, 2u);
        return;
    }
    // Copies that other workers finished meanwhile are logged and counted, and a copy
    // stopped half way is an error, as always.
    const auto count = [&lines](const char* szStart) {
        return std::count_if(lines.begin(), lines.end(),
                             [szStart](const std::string& s) { return s.rfind(szStart, 0) == 0; });
    };
    EXPECT_EQ(count("OK Copied: "), static_cast<long>(m_pair.m_nFilesCopied));
    EXPECT_EQ(nErrors, 1 + count("ERROR: Copying file: "));
}

TEST_F(EngineTest, CancelInTheForwardRunEndsThePair) {
    BuildTree(Src(), {{"a.txt", "a"}, {"b.txt", "b"}});
    BuildTree(Dst(), {{"back.txt", "z"}});
    m_pair.m_bBothWays = 1;
    m_pair.m_bCheckDestDate = 1;
    m_pair.m_timeLastCopy = 77;
    m_log.m_onLine = [this](const std::string& strLine) {
        if (strLine.rfind("OK Copied: " + Dst(), 0) == 0) {
            m_pair.m_bCancel.store(1);
        }
    };
    const InvariantChecker invariants(Src(), Dst());
    SyncThreadProc(&m_progress);
    EXPECT_TRUE(invariants.CheckBothWays());
    EXPECT_EQ(m_progress.EndOfRunCount(), 1);
    EXPECT_EQ(m_log.Lines()[0], "User cancelled operation!");
    EXPECT_FALSE(Exists(Src("back.txt")));
    // One thread stops after the first copy; other threads may be copying the second.
    if (Threads() == 1) {
        EXPECT_EQ(m_log.Lines().size(), 2u);
        EXPECT_EQ(m_pair.m_nErrors, 1);
    }
    EXPECT_EQ(m_pair.m_timeLastCopy, 77u);
    EXPECT_EQ(m_pair.m_strSource, Src());
}

TEST_F(EngineTest, BothWaysRunsBackwardsAndRestoresTheFolders) {
    BuildTree(Src(), {{"a.txt", "a"}});
    m_pair.m_bBothWays = 1;
    m_pair.m_bCheckDestDate = 1;
    const InvariantChecker invariants(Src(), Dst());
    SyncThreadProc(&m_progress);
    EXPECT_TRUE(invariants.CheckBothWays());
    EXPECT_EQ(m_log.Lines(),
              Expand({"Succes: Copied 0 files from {D} to {S}",
                      "Succes: Copied 1 files from {S} to {D}", "OK Copied: {D}/a.txt"}));
    EXPECT_EQ(m_pair.m_strSource, Src());
    EXPECT_EQ(m_pair.m_strDestination, Dst());
    EXPECT_EQ(m_pair.m_nFilesFound, 1u);
    EXPECT_EQ(m_pair.m_nFilesCopied, 0u);
    EXPECT_EQ(m_pair.m_pProgressDlg, nullptr);  // cleared when the run ended
    EXPECT_EQ(m_progress.EndOfRunCount(), 1);
}

// One pair, one result: errors of the forward run count, though the reverse run still runs.
TEST_F(EngineTest, BothWaysCountsTheForwardRunsErrors) {
    BuildTree(Src(), {{"a.txt", "a"}});
    BuildTree(Dst(), {{"b.txt", "b"}});
    m_pair.m_bBothWays = 1;
    m_pair.m_bCheckDestDate = 1;
    m_pair.m_timeLastCopy = 77;
    m_platform.m_nFailCopyNumber = 1;  // the forward run's only copy
    SyncThreadProc(&m_progress);
    EXPECT_EQ(m_pair.m_nErrors, 1);
    EXPECT_EQ(m_pair.m_nFilesCopied, 1u);  // the other figures are the reverse run's
    EXPECT_EQ(m_pair.m_nLastError, ENOSPC);
    EXPECT_EQ(m_pair.m_timeLastCopy, 77u);
    EXPECT_EQ(ReadFile(Src("b.txt")), "b");
    EXPECT_EQ(m_log.Lines().front(), Expand({"Succes: Copied 1 files from {D} to {S}"})[0]);
}

// Both directions compare with the date as it was when the pair started; the date then moves
// to the start of the forward run.
TEST_F(EngineTest, OnlyNewerBothWaysUsesTheDateOfThePairsStart) {
    BuildTree(Dst(), {{"old.txt", "o"}, {"changed.txt", "c"}});
    SetMtime(Dst("old.txt"), 1600000000);
    SetMtime(Dst("changed.txt"), 1650000000);
    m_pair.m_timeLastCopy = 1640000000;
    m_pair.m_bBothWays = 1;
    m_pair.m_bOnlyNewer = 1;
    m_platform.m_nCurrentTime = 1700000000;
    SyncThreadProc(&m_progress);
    EXPECT_FALSE(Exists(Src("old.txt")));
    EXPECT_EQ(ReadFile(Src("changed.txt")), "c");
    EXPECT_EQ(m_log.Lines().front(), Expand({"Succes: Copied 1 files from {D} to {S}"})[0]);
    EXPECT_EQ(m_pair.m_timeLastCopy, 1700000000u);
}

}  // namespace
