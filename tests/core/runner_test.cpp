// The runner without a window: exit statuses, the log oldest first with a separator after
// each pair, the listing, a dry run that writes nothing, and the save that writes back only
// the pairs that ran, keeping what others changed in the list meanwhile.
#include <gtest/gtest.h>

#include <sstream>

#include "EngineFixture.h"
#include "GroupListFile.h"
#include "GroupListLocation.h"
#include "Runner.h"

namespace {

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

    std::ostringstream m_out;
    std::ostringstream m_err;
};

TEST_F(RunnerTest, ExitStatusesAndLineOrder) {
    BuildTree(Src(), {{"a.txt", "a"}});
    WriteList();
    EXPECT_EQ(Run({.strGroup = "Daily", .nPair = 1}), kExitClean);
    EXPECT_EQ(m_out.str(),
              Expand({"OK Copied: {D}/a.txt\nSucces: Copied 1 files from {S} to {D}\n"})[0]);
    EXPECT_EQ(Run({.strGroup = "1"}), kExitErrors);  // pair 2 has no source
    const std::string strSeparator(27, '*');
    EXPECT_EQ(m_out.str(), Expand({"Succes: Copied 0 files from {S} to {D}\n"})[0] + strSeparator +
                               "\nERROR: Couldn't read folder:" + m_temp / "missing" +
                               " (No such file or directory)\n" + strSeparator + "\n");

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

TEST_F(RunnerTest, ListingNumbersGroupsAndPairs) {
    WriteList();
    EXPECT_EQ(Run({.command = CRunnerOptions::Command::List}), kExitClean);
    EXPECT_EQ(m_out.str(), "1. Daily\n   1. " + Src() + " -> " + Dst() +
                               "\n      sub-folders, check destination date\n   2. " +
                               m_temp / "missing" + " -> " + m_temp / "dst2" +
                               "\n      sub-folders\n2. Empty\n   (no pairs)\n");
}

TEST_F(RunnerTest, DryRunWritesNothing) {
    BuildTree(Src(), {{"a.txt", "a"}});
    WriteList();
    const std::string strBefore = ReadFile(ListPath());
    EXPECT_EQ(Run({.strGroup = "Daily", .nPair = 1, .bDryRun = true}), kExitClean);
    EXPECT_EQ(m_out.str(), Expand({"Would copy (new): {D}/a.txt\nDry run: would copy 1 files "
                                   "from {S} to {D}\n"})[0]);
    EXPECT_EQ(ReadFile(ListPath()), strBefore);
    EXPECT_FALSE(Exists(Dst()));
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
