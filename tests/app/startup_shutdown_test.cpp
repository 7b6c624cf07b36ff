// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up with a missing, damaged, invalid, newer, valid and unreadable Synclist.dat, and
// what the save at exit writes: the list, a kept copy of a file that could not be read
// whole, a save that fails and is tried again without holding the list's lock meanwhile, and
// the runs that a runner saved while the window was open.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QComboBox>
#include <QListWidget>

#include "AppTestSupport.h"
#include "DialogBuilder.h"
#include "FaultPlatform.h"
#include "FileTree.h"
#include "Folvex.h"
#include "FolvexDlg.h"
#include "GroupListLocation.h"
#include "TempFolder.h"
#include "ForwardingPlatform.h"
#include "PosixPlatform.h"
#include "platform.h"

namespace {

std::string ValidFileBytes() {
    CSyncGroupList list;
    CSyncGroup* pGroup = CreateGroup(list);
    pGroup->m_strName = "Stored";
    CreatePair(*pGroup)->m_strSource = "/stored/src";
    return StoreGroupList(list);
}

class StartupTest : public testing::Test {
protected:
    std::string ListPath() const { return m_temp / "Synclist.dat"; }
    std::string BackupPath() const { return m_temp / "Synclist.dat.bak"; }

    // Runs start-up; inside the main window, records the groups shown, adds a group when
    // asked, then closes the window with Exit or the window manager's close.
    void RunProgram(bool bAddGroup = false, bool bCloseByWindowManager = false) {
        CFolvexApp app(ListPath());
        WhenEventLoopRuns([&] {
            CFolvexDlg* pMain = app.m_pMainWnd;
            ASSERT_NE(pMain, nullptr);
            ASSERT_TRUE(pMain->isVisible());
            for (int i = 0; i < pMain->m_cbGroups->count(); ++i) {
                m_shownGroups << pMain->m_cbGroups->itemText(i);
            }
            if (bAddGroup) {
                GiveFocus(*pMain->m_cbGroups);
                ClickControl(*pMain, IDC_ADD);
            }
            if (m_inWindow) {
                m_inWindow(app);
            }
            if (bCloseByWindowManager) {
                pMain->close();
            } else {
                ClickControl(*pMain, IDCANCEL);
            }
        });
        EXPECT_FALSE(app.InitInstance());
        EXPECT_EQ(app.m_pMainWnd, nullptr);
        m_nExitCode = app.ExitInstance();
    }

    TempFolder m_temp;
    std::function<void(CFolvexApp&)> m_inWindow;  // while the window is open
    PromptAnswerer m_prompts;
    QStringList m_shownGroups;
    int m_nExitCode = -1;
};

struct StartupCase {
    const char* szName;
    std::string bytes;  // empty: no file
    QString strLoadMessage;
    QStringList shownGroups;
    bool bKeepsBackup;
};

class StartupCaseTest : public StartupTest, public testing::WithParamInterface<StartupCase> {};

TEST_P(StartupCaseTest, LoadsShowsAndSaves) {
    const StartupCase& c = GetParam();
    if (!c.bytes.empty()) {
        WriteFile(ListPath(), c.bytes);
    }
    RunProgram(/*bAddGroup=*/true);

    QStringList expectedMessages;
    if (!c.strLoadMessage.isEmpty()) {
        expectedMessages << c.strLoadMessage;
    }
    if (c.bKeepsBackup) {
        expectedMessages << "The group list file could not be read whole when Folvex "
                            "started.\nIts previous content is kept as\n" +
                                QString::fromStdString(BackupPath());
    }
    EXPECT_EQ(m_prompts.m_messages, expectedMessages);
    EXPECT_EQ(m_shownGroups, c.shownGroups);
    EXPECT_EQ(m_nExitCode, 0);

    // The save writes what the window showed plus the added group.
    CSyncGroupList reloaded;
    ASSERT_EQ(LoadGroupListFile(ListPath(), reloaded, {}), LoadOutcome::Loaded);
    ASSERT_EQ(reloaded.GetCount(), c.shownGroups.size() + 1);
    EXPECT_EQ(reloaded.GetAt(reloaded.GetCount() - 1)->m_strName, "New Group");
    EXPECT_EQ(Exists(BackupPath()), c.bKeepsBackup);
    if (c.bKeepsBackup) {
        EXPECT_EQ(ReadFile(BackupPath()), c.bytes);
    }
}

std::string WithoutLastByte(std::string bytes) {
    bytes.pop_back();               // "\nEnd of list" without its full stop
    bytes[bytes.size() - 13] = 12;  // the trailer's length byte
    return bytes;
}

std::string WithListVersion(std::string bytes, char nVersion) {
    bytes[24] = nVersion;
    return bytes;
}

std::string WithLowerCaseHeader(std::string bytes) {
    bytes[1] = 's';
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Files, StartupCaseTest,
    testing::Values(
        StartupCase{"Missing", "", "Sync list not found!", {}, false},
        StartupCase{"Valid", ValidFileBytes(), "", {"Stored"}, false},
        StartupCase{"DamagedAtEnd",
                    WithoutLastByte(ValidFileBytes()),
                    "Sync list damaged at end!",
                    {"Stored"},
                    true},
        StartupCase{
            "Invalid", WithLowerCaseHeader(ValidFileBytes()), "Invalid Synclist!", {}, true},
        StartupCase{"NewerVersion",
                    WithListVersion(ValidFileBytes(), 3),
                    "Synclist for newer version!",
                    {},
                    true},
        StartupCase{
            "Truncated", ValidFileBytes().substr(0, 40), "Sync list damaged at end!", {}, true}),
    [](const auto& info) { return std::string(info.param.szName); });

TEST_F(StartupTest, UnchangedValidFileIsWrittenBackByteForByte) {
    WriteFile(ListPath(), ValidFileBytes());
    RunProgram(/*bAddGroup=*/false, /*bCloseByWindowManager=*/true);
    EXPECT_EQ(ReadFile(ListPath()), ValidFileBytes());
    EXPECT_TRUE(m_prompts.m_messages.isEmpty());
}

TEST_F(StartupTest, UnreadableFileIsMovedAsideBeforeTheSave) {
    MakeFolders(ListPath());  // a folder where the file should be cannot be read
    WriteFile(ListPath() + "/inside", "kept");
    RunProgram(/*bAddGroup=*/true);
    EXPECT_EQ(ReadFile(BackupPath() + "/inside"), "kept");
    CSyncGroupList reloaded;
    EXPECT_EQ(LoadGroupListFile(ListPath(), reloaded, {}), LoadOutcome::Loaded);
    EXPECT_EQ(reloaded.GetCount(), 1);
}

// The move aside can fail too: the user is told why, and the file stays where it was.
TEST_F(StartupTest, UnreadableFileThatCannotBeMovedStaysInPlace) {
    MakeFolders(ListPath());
    FaultPlatform platform;
    platform.m_nRenameFailures = 5;
    ScopedPlatform installed(platform);
    m_prompts.m_answers = {QMessageBox::Ok, QMessageBox::Retry, QMessageBox::Cancel};
    RunProgram(/*bAddGroup=*/true);
    ASSERT_EQ(m_prompts.m_messages.size(), 3);
    EXPECT_TRUE(m_prompts.m_messages[2].contains("Device or resource busy"));
    EXPECT_EQ(platform.m_nRenameFailures, 3);
    EXPECT_FALSE(Exists(BackupPath()));
}

TEST_F(StartupTest, FailedSaveNamesFileAndReasonAndIsTriedAgain) {
    FaultPlatform platform;
    platform.m_strWriteFailPath = ListPath();
    platform.m_nWriteFailures = 2;
    ScopedPlatform installed(platform);
    m_prompts.m_answers = {QMessageBox::Ok, QMessageBox::Retry, QMessageBox::Retry};
    // A runner could save while the user reads the message.
    m_prompts.m_whileShown = [this](const QString&) {
        EXPECT_TRUE(CGroupListLock(ListPath(), std::chrono::milliseconds(0)).Locked());
    };
    RunProgram(/*bAddGroup=*/true);
    ASSERT_EQ(m_prompts.m_messages.size(), 3);
    EXPECT_EQ(m_prompts.m_messages[0], "Sync list not found!");
    EXPECT_TRUE(m_prompts.m_messages[1].contains(QString::fromStdString(ListPath())));
    EXPECT_TRUE(m_prompts.m_messages[1].contains("No space left on device"));
    CSyncGroupList reloaded;
    EXPECT_EQ(LoadGroupListFile(ListPath(), reloaded, {}), LoadOutcome::Loaded);
    EXPECT_EQ(reloaded.GetCount(), 1);
}

TEST_F(StartupTest, FailedSaveGivenUpLeavesOldFile) {
    WriteFile(ListPath(), ValidFileBytes());
    FaultPlatform platform;
    platform.m_strWriteFailPath = ListPath();
    platform.m_nWriteFailures = 5;
    ScopedPlatform installed(platform);
    m_prompts.m_answers = {QMessageBox::Cancel};
    RunProgram(/*bAddGroup=*/true);
    EXPECT_EQ(m_prompts.m_messages.size(), 1);
    EXPECT_EQ(ReadFile(ListPath()), ValidFileBytes());
}

TEST_F(StartupTest, BackupThatCannotBeWrittenKeepsUnreadFileInPlace) {
    const std::string bytes = WithLowerCaseHeader(ValidFileBytes());
    WriteFile(ListPath(), bytes);
    FaultPlatform platform;
    platform.m_strWriteFailPath = BackupPath();
    platform.m_nWriteFailures = 5;
    ScopedPlatform installed(platform);
    m_prompts.m_answers = {QMessageBox::Ok, QMessageBox::Cancel};
    RunProgram(/*bAddGroup=*/true);
    ASSERT_EQ(m_prompts.m_messages.size(), 2);
    EXPECT_TRUE(m_prompts.m_messages[1].contains(QString::fromStdString(BackupPath())));
    EXPECT_EQ(ReadFile(ListPath()), bytes);
    EXPECT_FALSE(Exists(BackupPath()));
}

// A runner saved a run while the window was open: closing the window keeps that run's date
// and figures, and the user's edit made meanwhile.
TEST_F(StartupTest, RunSavedByARunnerMeanwhileSurvivesTheWindowsSave) {
    WriteFile(ListPath(), ValidFileBytes());
    m_inWindow = [this](CFolvexApp& app) {
        CSyncGroupList file;
        ASSERT_EQ(LoadGroupListFile(ListPath(), file, {}), LoadOutcome::Loaded);
        CSyncPair& ran = *PairAtIndex(*GroupAtIndex(file, 0), 0);
        ran.m_timeLastCopy = 1700000000;
        ran.m_nFilesFound = 5;
        std::string strError;
        ASSERT_TRUE(::SaveGroupList(ListPath(), file, strError)) << strError;
        PairAtIndex(*GroupAtIndex(app.m_listGroups, 0), 0)->m_strExclude = ".tmp";
    };
    RunProgram();
    CSyncGroupList saved;
    ASSERT_EQ(LoadGroupListFile(ListPath(), saved, {}), LoadOutcome::Loaded);
    const CSyncPair& pair = *PairAtIndex(*GroupAtIndex(saved, 0), 0);
    EXPECT_EQ(pair.m_timeLastCopy, 1700000000u);
    EXPECT_EQ(pair.m_nFilesFound, 5u);
    EXPECT_EQ(pair.m_strExclude, ".tmp");
}

// The list cannot be read for another reason than its absence: the message says why.
TEST_F(StartupTest, ListThatIsNoFileOrUnreadableSaysWhy) {
    ASSERT_EQ(::mkfifo(ListPath().c_str(), 0600), 0);
    RunProgram();
    ASSERT_FALSE(m_prompts.m_messages.isEmpty());
    EXPECT_EQ(m_prompts.m_messages[0],
              "Sync list not found!\n" + QString::fromStdString(ListPath()) +
                  " is not a regular file (a FIFO, a socket or a device).");

    class Unreadable : public ForwardingPlatform {
    public:
        using ForwardingPlatform::ForwardingPlatform;
        bool ReadWholeFile(const std::string&, std::string&, int& nErrno) override {
            nErrno = EACCES;
            return false;
        }
    };
    PosixPlatform posix;
    Unreadable platform(posix);
    const ScopedPlatform installed(platform);
    m_prompts.m_messages.clear();
    RunProgram();
    ASSERT_FALSE(m_prompts.m_messages.isEmpty());
    EXPECT_EQ(m_prompts.m_messages[0], "Sync list not found!\nCannot read " +
                                           QString::fromStdString(ListPath()) +
                                           ": Permission denied");
}

}  // namespace
