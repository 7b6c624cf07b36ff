// SPDX-License-Identifier: GPL-3.0-or-later
// The runner without a window: exit statuses, the log oldest first with a header and a
// summary for each pair and a total for the group, --quiet, the log file, the hint for pairs
// that copy everything, the listing, a dry run that writes nothing, the save that writes back only
// the pairs that ran, found where they were read, keeping what others changed in the list
// meanwhile, a list lock held elsewhere, list files that are no file, and interrupts while
// the list is read and while it is saved.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <regex>
#include <sstream>

#include "EngineFixture.h"
#include "GroupListFile.h"
#include "GroupListLocation.h"
#include "Runner.h"

namespace {

// The list file's reads and writes with a hook before each, and a read that fails.
class ListFilePlatform : public ForwardingPlatform {
public:
    using ForwardingPlatform::ForwardingPlatform;
    bool ReadWholeFile(const std::string& strPath, std::string& bytes, int& nErrno) override {
        if (m_beforeRead) {
            m_beforeRead();
        }
        if (m_nReadErrno != 0) {
            nErrno = m_nReadErrno;
            return false;
        }
        return ForwardingPlatform::ReadWholeFile(strPath, bytes, nErrno);
    }
    bool WriteFileAtomically(const std::string& strPath, const std::string& bytes,
                             std::string& strError) override {
        if (m_beforeWrite) {
            m_beforeWrite();
        }
        return ForwardingPlatform::WriteFileAtomically(strPath, bytes, strError);
    }

    std::function<void()> m_beforeRead;
    std::function<void()> m_beforeWrite;
    int m_nReadErrno = 0;
};

class RunnerTest : public EngineTest {
protected:
    // Writes a list with the group "Daily": pair 1 copies the source to the destination with
    // the date checked, pair 2 has a source that does not exist.
    void WriteList() {
        CSyncGroupList list;
        CSyncGroup* pGroup = CreateGroup(list);
        pGroup->m_strName = "Daily";
        CSyncPair* pGood = CreatePair(*pGroup);
        pGood->m_strSource = Src();
        pGood->m_strDestination = Dst();
        pGood->m_bCheckDestDate = 1;
        CSyncPair* pBad = CreatePair(*pGroup);
        pBad->m_strSource = m_temp / "missing";
        pBad->m_strDestination = m_temp / "dst2";
        CreateGroup(list)->m_strName = "Empty";
        std::string strError;
        ASSERT_TRUE(SaveGroupList(ListPath(), list, strError)) << strError;
    }
    std::string ListPath() const { return m_temp / "Synclist.dat"; }

    int Run(CRunnerOptions options) {
        options.strListFile = ListPath();
        m_out.str("");
        m_err.str("");
        return RunCommandLine(options, m_out, m_err, nullptr);
    }
    CSyncGroupList Reload() const {
        CSyncGroupList list;
        EXPECT_EQ(LoadGroupListFile(ListPath(), list, {}), LoadOutcome::Loaded);
        return list;
    }

    // Lets another program change the list while the first file is copied.
    void EditDuringRun(std::function<void(CSyncGroupList&)> edit) {
        m_platform.m_beforeCopy = [this, edit](const std::string&, const std::string&) {
            CSyncGroupList list = Reload();
            edit(list);
            std::string strError;
            SaveGroupList(ListPath(), list, strError);
            m_platform.m_beforeCopy = nullptr;
        };
    }

    std::ostringstream m_out;
    std::ostringstream m_err;
};

// The output with the clock's parts, which change from run to run, as "<date>" and "<time>".
std::string WithoutClock(const std::string& strText) {
    static const std::regex date("(^|\n)[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} ");
    static const std::regex time("[0-9]+\\.[0-9] s, [0-9.]+ [kMGT]?B/s");
    return std::regex_replace(std::regex_replace(strText, date, "$1<date>"), time, "<time>");
}

TEST_F(RunnerTest, ExitStatusesAndLineOrder) {
    BuildTree(Src(), {{"a.txt", "a"}});
    WriteList();
    EXPECT_EQ(Run({.strGroup = "Daily", .nPair = 1}), kExitClean);
    EXPECT_EQ(WithoutClock(m_out.str()),
              Expand({"<date> Daily, pair 1 of 2: {S} -> {D} (sub-folders, check destination "
                      "date)\nOK Copied: {D}/a.txt\nSucces: Copied 1 files from {S} to {D}\n"
                      "Daily, pair 1 clean: 1 files checked, 1 copied (1 bytes, 1 B), 0 versions "
                      "kept, 0 warnings, 0 errors, <time>\nGroup \"Daily\" clean: 1 pairs, 1 "
                      "files checked, 1 copied (1 bytes, 1 B), 0 versions kept, 0 warnings, 0 "
                      "errors, <time>\n"})[0]);
    EXPECT_EQ(Run({.strGroup = "1"}), kExitErrors);  // pair 2 has no source
    const std::string strSeparator(27, '*');
    const std::string strOut = WithoutClock(m_out.str());
    EXPECT_NE(strOut.find(Expand({"Succes: Copied 0 files from {S} to {D}\nDaily, pair 1 clean: "
                                  "1 files checked, 0 copied"})[0]),
              std::string::npos)
        << strOut;
    EXPECT_NE(
        strOut.find(strSeparator + "\n<date> Daily, pair 2 of 2: " + m_temp / "missing" + " -> " +
                    m_temp / "dst2" + " (sub-folders)\nDaily, pair 2: " + kCopiesEverythingHint +
                    "\nERROR: Couldn't read folder:" + m_temp / "missing" +
                    " (No such file or directory)\nDaily, pair 2 errors: 0 files checked, "
                    "0 copied (0 bytes, 0 B), 0 versions kept, 0 warnings, 1 errors, <time>\n" +
                    strSeparator + "\nGroup \"Daily\" errors: 2 pairs, 1 files checked"),
        std::string::npos)
        << strOut;

    const std::string strBefore = ReadFile(ListPath());
    for (const CRunnerOptions& bad :
         {CRunnerOptions{.strGroup = "Nope"}, CRunnerOptions{.strGroup = "3"},
          CRunnerOptions{.strGroup = "Daily", .nPair = 3}}) {
        EXPECT_EQ(Run(bad), kExitUsage) << bad.strGroup;
        EXPECT_FALSE(m_err.str().empty());
    }
    EXPECT_EQ(ReadFile(ListPath()), strBefore);
    ::unlink(ListPath().c_str());
    EXPECT_EQ(Run({.strGroup = "Daily"}), kExitUsage);
    EXPECT_FALSE(Exists(ListPath()));
}

// The status and the report follow the worst pair: an error outweighs a warning, and a
// warning alone (a destination newer than its source) is not an error.
TEST_F(RunnerTest, StatusAndReportFollowTheWorstPair) {
    const struct {
        const char* szName;
        const char* szDestinationTime;  // a.txt at the destination: none, "older", "newer"
        int32_t nPair;
        int nStatus;
        RunResult result;
        uint64_t nWarnings;
        uint64_t nErrors;
    } cases[] = {
        {"clean", "", 1, kExitClean, RunResult::Clean, 0, 0},
        {"newer destination", "newer", 1, kExitWarnings, RunResult::Warnings, 1, 0},
        {"newer destination and an error", "newer", 0, kExitErrors, RunResult::Errors, 1, 1},
        {"older destination", "older", 1, kExitClean, RunResult::Clean, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.szName);
        std::filesystem::remove_all(Dst());
        BuildTree(Src(), {{"a.txt", "a", 1600000000}});
        if (std::string(c.szDestinationTime) == "newer") {
            BuildTree(Dst(), {{"a.txt", "b", 1650000000}});
        } else if (std::string(c.szDestinationTime) == "older") {
            BuildTree(Dst(), {{"a.txt", "b", 1500000000}});
        }
        WriteList();
        CRunReport report;
        m_out.str("");
        EXPECT_EQ(RunCommandLine({.strListFile = ListPath(), .strGroup = "Daily", .nPair = c.nPair},
                                 m_out, m_err, nullptr, false, Platform(), &report),
                  c.nStatus)
            << m_out.str();
        EXPECT_EQ(report.result, c.result);
        EXPECT_EQ(report.nExitStatus, c.nStatus);
        EXPECT_EQ(report.totals.nWarnings, c.nWarnings);
        EXPECT_EQ(report.totals.nErrors, c.nErrors);
        EXPECT_EQ(report.strGroup, "Daily");
        EXPECT_EQ(report.nGroup, 1);
        ASSERT_FALSE(report.pairs.empty());
        const CPairReport& first = report.pairs.front();
        EXPECT_EQ(first.nPair, 1);
        EXPECT_EQ(first.strSource, Src());
        EXPECT_EQ(first.figures.nFilesChecked, 1u);
        EXPECT_EQ(first.problems.size(), c.nWarnings);
        EXPECT_NE(m_out.str().find(std::string("Daily, pair 1 ") + ResultName(first.result) + ":"),
                  std::string::npos);
    }
}

// --quiet leaves out the header and the lines of files copied, but keeps errors, warnings,
// the hint and the summaries.
TEST_F(RunnerTest, QuietKeepsErrorsWarningsHintAndSummaries) {
    BuildTree(Src(), {{"a.txt", "a", 1600000000}, {"b.txt", "b"}});
    BuildTree(Dst(), {{"a.txt", "x", 1650000000}});
    WriteList();
    EXPECT_EQ(Run({.strGroup = "Daily", .bQuiet = true}), kExitErrors);
    std::vector<std::string> starts;
    std::istringstream lines(WithoutClock(m_out.str()));
    for (std::string strLine; std::getline(lines, strLine);) {
        starts.push_back(strLine.substr(0, strLine.find_first_of(":!")));
    }
    EXPECT_EQ(starts,
              (std::vector<std::string>{"WARNING", "Daily, pair 1 warnings", "Daily, pair 2",
                                        "ERROR", "Daily, pair 2 errors", "Group \"Daily\" errors"}))
        << m_out.str();
    EXPECT_EQ(ReadFile(Dst("b.txt")), "b");
}

// The log file gets the same lines, each after a time stamp; a new one is for the user
// alone, an existing one keeps its mode and is appended to; one that cannot be opened ends
// the command before anything runs.
TEST_F(RunnerTest, LogFileIsPrivateStampedAndCheckedFirst) {
    BuildTree(Src(), {{"a.txt", "a"}});
    WriteList();
    const std::string strLog = m_temp / "run.log";
    EXPECT_EQ(Run({.strGroup = "Daily", .nPair = 1, .strLogFile = strLog}), kExitClean);
    struct stat st {};
    ASSERT_EQ(::stat(strLog.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    const auto stamped = [](const std::string& strOut) {
        std::string strLog;
        std::istringstream lines(strOut);
        for (std::string strLine; std::getline(lines, strLine);) {
            strLog += "<date>" + strLine + "\n";
        }
        return WithoutClock(strLog);
    };
    std::string strExpected = stamped(m_out.str());
    EXPECT_EQ(WithoutClock(ReadFile(strLog)), strExpected);

    ASSERT_EQ(::chmod(strLog.c_str(), 0640), 0);
    EXPECT_EQ(Run({.strGroup = "Daily", .nPair = 1, .bQuiet = true, .strLogFile = strLog}),
              kExitClean);
    ASSERT_EQ(::stat(strLog.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    strExpected += stamped(m_out.str());
    EXPECT_EQ(WithoutClock(ReadFile(strLog)), strExpected);

    std::filesystem::remove_all(Dst());
    const std::string strBefore = ReadFile(ListPath());
    for (const std::string& strBad : {m_temp.Path(), m_temp / "no/such/folder/run.log"}) {
        EXPECT_EQ(Run({.strGroup = "Daily", .strLogFile = strBad}), kExitErrors);
        EXPECT_EQ(m_err.str().rfind("folvex: cannot open the log file " + strBad + ": ", 0), 0u)
            << m_err.str();
        EXPECT_TRUE(m_out.str().empty());
    }
    EXPECT_FALSE(Exists(Dst()));
    EXPECT_EQ(ReadFile(ListPath()), strBefore);
}

TEST_F(RunnerTest, ListingNumbersGroupsAndPairs) {
    WriteList();
    EXPECT_EQ(Run({.command = CRunnerOptions::Command::List}), kExitClean);
    EXPECT_EQ(m_out.str(), "1. Daily\n   1. " + Src() + " -> " + Dst() +
                               "\n      sub-folders, check destination date\n   2. " +
                               m_temp / "missing" + " -> " + m_temp / "dst2" +
                               "\n      sub-folders\n      " + kCopiesEverythingHint +
                               "\n2. Empty\n   (no pairs)\n");
}

TEST_F(RunnerTest, DryRunWritesNothing) {
    BuildTree(Src(), {{"a.txt", "a"}});
    WriteList();
    const std::string strBefore = ReadFile(ListPath());
    EXPECT_EQ(Run({.strGroup = "Daily", .nPair = 1, .bDryRun = true}), kExitClean);
    EXPECT_NE(m_out.str().find(Expand({"Would copy (new): {D}/a.txt\nDry run: would copy 1 files "
                                       "(1 B) from {S} to {D}; "})[0]),
              std::string::npos)
        << m_out.str();
    EXPECT_EQ(m_out.str().find("B/s"), std::string::npos);  // a dry run has no rate
    EXPECT_NE(m_out.str().find("Daily, pair 1 (dry run) clean: 1 files checked, 1 to copy"),
              std::string::npos)
        << m_out.str();
    EXPECT_EQ(ReadFile(ListPath()), strBefore);
    EXPECT_FALSE(Exists(Dst()));
}

// A destination that is empty although the last run found files: an error unless
// --allow-empty-destination is given.
TEST_F(RunnerTest, EmptyDestinationAfterAnEarlierRunNeedsLeave) {
    BuildTree(Src(), {{"a.txt", "a"}});
    WriteList();
    EXPECT_EQ(Run({.strGroup = "Daily", .nPair = 1}), kExitClean);
    std::filesystem::remove(Dst("a.txt"));
    EXPECT_EQ(Run({.strGroup = "Daily", .nPair = 1}), kExitErrors);
    EXPECT_NE(m_out.str().find("\nERROR: Destination folder is empty, although an earlier run "
                               "copied files there (is its disk mounted?):" +
                               Dst() + "\nDaily, pair 1 errors: "),
              std::string::npos)
        << m_out.str();
    EXPECT_FALSE(Exists(Dst("a.txt")));
    EXPECT_EQ(Run({.strGroup = "Daily", .nPair = 1}), kExitErrors);  // and again next time
    EXPECT_EQ(Run({.strGroup = "Daily", .nPair = 1, .bAllowEmptyDestination = true}), kExitClean);
    EXPECT_TRUE(Exists(Dst("a.txt")));
}

// Another program changes the list while the run goes on: its changes stay, and the pair
// that ran gets its figures and date.
TEST_F(RunnerTest, SaveKeepsWhatOthersChangedMeanwhile) {
    BuildTree(Src(), {{"a.txt", "a"}});
    WriteList();
    m_platform.m_beforeCopy = [this](const std::string&, const std::string&) {
        CSyncGroupList list = Reload();
        GroupAtIndex(list, 1)->m_strName = "Renamed elsewhere";
        CreateGroup(list)->m_strName = "Added elsewhere";
        std::string strError;
        SaveGroupList(ListPath(), list, strError);
    };
    EXPECT_EQ(Run({.strGroup = "Daily", .nPair = 1}), kExitClean);
    const CSyncGroupList list = Reload();
    ASSERT_EQ(list.GetCount(), 3);
    EXPECT_EQ(GroupAtIndex(list, 1)->m_strName, "Renamed elsewhere");
    EXPECT_EQ(GroupAtIndex(list, 2)->m_strName, "Added elsewhere");
    const CSyncPair& ran = *PairAtIndex(*GroupAtIndex(list, 0), 0);
    EXPECT_EQ(ran.m_nFilesCopied, 1u);
    EXPECT_EQ(ran.m_timeLastCopy, 1700000000u);
    EXPECT_EQ(PairAtIndex(*GroupAtIndex(list, 0), 1)->m_nFilesFound, 0u);
}

// The exclude text and the other pairs belong to whoever edited them meanwhile; the run
// brings only its date and figures.
TEST_F(RunnerTest, SaveKeepsAnExcludeEditedMeanwhile) {
    BuildTree(Src(), {{"a.txt", "a"}});
    WriteList();
    EditDuringRun([](CSyncGroupList& list) {
        PairAtIndex(*GroupAtIndex(list, 0), 0)->m_strExclude = ".tmp;Cache";
    });
    EXPECT_EQ(Run({.strGroup = "Daily", .nPair = 1}), kExitClean);
    const CSyncGroupList list = Reload();
    const CSyncPair& ran = *PairAtIndex(*GroupAtIndex(list, 0), 0);
    EXPECT_EQ(ran.m_strExclude, ".tmp;Cache");
    EXPECT_EQ(ran.m_nFilesCopied, 1u);
    EXPECT_EQ(ran.m_timeLastCopy, 1700000000u);
}

// Two groups of one name: the one run by its number gets the figures.
TEST_F(RunnerTest, SaveGoesToTheGroupThatRanNotTheFirstOfItsName) {
    BuildTree(Src(), {{"a.txt", "a"}});
    CSyncGroupList list;
    for (int i = 0; i < 2; ++i) {
        CSyncGroup* pGroup = CreateGroup(list);
        pGroup->m_strName = "Daily";
        CSyncPair* pPair = CreatePair(*pGroup);
        pPair->m_strSource = Src();
        pPair->m_strDestination = Dst();
        pPair->m_strExclude = "group" + std::to_string(i + 1);
    }
    std::string strError;
    ASSERT_TRUE(SaveGroupList(ListPath(), list, strError)) << strError;
    EXPECT_EQ(Run({.strGroup = "2"}), kExitClean);
    const CSyncGroupList saved = Reload();
    const CSyncPair& first = *PairAtIndex(*GroupAtIndex(saved, 0), 0);
    const CSyncPair& second = *PairAtIndex(*GroupAtIndex(saved, 1), 0);
    EXPECT_EQ(first.m_timeLastCopy, 0u);
    EXPECT_EQ(first.m_nFilesFound, 0u);
    EXPECT_EQ(first.m_strExclude, "group1");
    EXPECT_EQ(second.m_timeLastCopy, 1700000000u);
    EXPECT_EQ(second.m_nFilesCopied, 1u);
    EXPECT_EQ(second.m_strExclude, "group2");
}

// The list changed its shape meanwhile: a pair that moved is found by its folders in its
// group; one that is gone gets its figures printed, and the run says it could not save.
TEST_F(RunnerTest, SaveFindsAMovedPairAndPrintsWhatItCannotSave) {
    BuildTree(Src(), {{"a.txt", "a"}});
    WriteList();
    EditDuringRun([](CSyncGroupList& list) {
        CSyncGroup& daily = *GroupAtIndex(list, 0);
        const CSyncPair* pFirst = PairAtIndex(daily, 0);
        const std::string strSource = pFirst->m_strSource;
        const std::string strDestination = pFirst->m_strDestination;
        RemovePair(daily, 0, pFirst);
        CreatePair(daily)->m_strSource = "/added/elsewhere";
        CSyncPair* pMoved = CreatePair(daily);
        pMoved->m_strSource = strSource;
        pMoved->m_strDestination = strDestination;
    });
    EXPECT_EQ(Run({.strGroup = "Daily", .nPair = 1}), kExitClean);
    const CSyncGroupList list = Reload();
    EXPECT_EQ(PairAtIndex(*GroupAtIndex(list, 0), 2)->m_nFilesCopied, 1u);
    EXPECT_EQ(PairAtIndex(*GroupAtIndex(list, 0), 1)->m_nFilesFound, 0u);

    EditDuringRun([](CSyncGroupList& edited) {
        for (CSyncPair& pair : GroupAtIndex(edited, 0)->m_listPairs) {
            pair.m_strDestination += "-elsewhere";
        }
    });
    ::unlink(Dst("a.txt").c_str());  // copied again: the destination is empty now
    EXPECT_EQ(Run({.strGroup = "Daily", .nPair = 3, .bAllowEmptyDestination = true}), kExitErrors);
    EXPECT_NE(m_err.str().find("is no longer in the list; its figures are not saved"),
              std::string::npos);
    EXPECT_NE(m_out.str().find("Not saved: group \"Daily\", pair 3, " + Src() + " -> " + Dst() +
                               ": last copy "),
              std::string::npos)
        << m_out.str();
    EXPECT_NE(m_out.str().find("found 1 files in 0 folders, copied 1 files (1 bytes)"),
              std::string::npos);
}

// Another folvex holds the lock past the wait: the run says so, prints its figures and
// ends with an error, the list untouched.
TEST_F(RunnerTest, LockHeldElsewhereIsReportedWithTheFigures) {
    BuildTree(Src(), {{"a.txt", "a"}});
    WriteList();
    const std::string strBefore = ReadFile(ListPath());
    const CGroupListLock held(ListPath());
    ASSERT_TRUE(held.Locked());
    EXPECT_EQ(Run({.strGroup = "Daily", .nPair = 1, .lockWait = std::chrono::milliseconds(50)}),
              kExitErrors);
    EXPECT_NE(m_out.str().find("ERROR: The group list is locked by another folvex:" + ListPath() +
                               "\nNot saved: group \"Daily\", pair 1, "),
              std::string::npos)
        << m_out.str();
    EXPECT_EQ(ReadFile(ListPath()), strBefore);
}

// A list file that is no regular file is refused at once, and one that cannot be read says
// why; nothing runs.
TEST_F(RunnerTest, ListFileThatCannotBeReadSaysWhy) {
    struct Case {
        const char* szName;
        std::function<void(const std::string&)> make;
        int nReadErrno;
        std::string strSaid;
    };
    const Case cases[] = {
        {"missing", [](const std::string&) {}, 0, "folvex: Sync list not found!\nfolvex: cannot"},
        {"FIFO", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }, 0,
         "is not a regular file (a FIFO, a socket or a device)."},
        {"folder", [](const std::string& p) { MakeFolders(p); }, 0, "is a folder, not a file."},
        {"unreadable", [](const std::string& p) { WriteFile(p, "x"); }, EACCES,
         "folvex: Sync list not found!\nfolvex: Cannot read {L}: Permission denied\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.szName);
        const std::string strList = m_temp / (std::string("list-") + c.szName);
        c.make(strList);
        ListFilePlatform platform(m_platform);
        platform.m_nReadErrno = c.nReadErrno;
        const ScopedPlatform installed(platform);
        m_err.str("");
        EXPECT_EQ(
            RunCommandLine({.strListFile = strList, .strGroup = "Daily"}, m_out, m_err, nullptr),
            kExitUsage);
        std::string strSaid = c.strSaid;
        if (const size_t n = strSaid.find("{L}"); n != std::string::npos) {
            strSaid.replace(n, 3, strList);
        }
        EXPECT_NE(m_err.str().find(strSaid), std::string::npos) << m_err.str();
    }
}

// An interrupt while the list is read ends the command with its status, nothing run; one
// while the list is saved lets the save finish, with no temporary file left.
TEST_F(RunnerTest, InterruptsWhileTheListIsReadOrSaved) {
    BuildTree(Src(), {{"a.txt", "a"}});
    WriteList();
    ListFilePlatform platform(m_platform);
    const ScopedPlatform installed(platform);
    platform.m_beforeRead = [] { ::raise(SIGINT); };
    EXPECT_EQ(Run({.strGroup = "Daily", .nPair = 1}), kExitInterrupted);
    EXPECT_FALSE(Exists(Dst()));

    platform.m_beforeRead = nullptr;
    platform.m_beforeWrite = [] { ::raise(SIGTERM); };
    EXPECT_EQ(Run({.strGroup = "Daily", .nPair = 1}), kExitInterrupted);
    EXPECT_EQ(ReadFile(Dst("a.txt")), "a");
    EXPECT_EQ(PairAtIndex(*GroupAtIndex(Reload(), 0), 0)->m_nFilesCopied, 1u);
    EXPECT_EQ(ListTree(m_temp.Path()),
              (std::vector<std::string>{"Synclist.dat", "dst/", "dst/a.txt", "src/", "src/a.txt"}));
}

// The portable copy beside the program where its folder may be written; else the user's
// configuration folder. A system folder never holds the list, even for root.
TEST(GroupListLocation, PortableOrConfigurationFolder) {
    TempFolder temp;
    ::setenv("XDG_CONFIG_HOME", (temp / "config").c_str(), 1);
    EXPECT_EQ(DefaultGroupListPath(temp / "folvex"), temp / "Synclist.dat");
    EXPECT_EQ(DefaultGroupListPath("/usr/bin/folvex"), temp / "config/folvex/Synclist.dat");
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", temp.Path().c_str(), 1);
    EXPECT_EQ(DefaultGroupListPath("/usr/local/bin/folvex"), temp / ".config/folvex/Synclist.dat");
    const CGroupListLock lock(temp / "made/on/demand/Synclist.dat");
    EXPECT_TRUE(lock.Locked()) << lock.Error();
}

}  // namespace
