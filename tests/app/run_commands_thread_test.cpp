// SPDX-License-Identifier: GPL-3.0-or-later
// Start and StartAll on real temporary folders: the log lines in order, the separator
// lines, the error summary and the last-copy date.
#include <gtest/gtest.h>

#include <QDateEdit>
#include <QLabel>
#include <QListWidget>
#include <ctime>

#include "AppTestSupport.h"
#include "DateTransfer.h"
#include "DialogBuilder.h"
#include "FileTree.h"
#include "FolvexDlg.h"
#include "LogListBox.h"
#include "SettingsFile.h"
#include "TempFolder.h"

namespace {

const QString kSeparator(27, QLatin1Char('*'));
const QString kErrorSummary = "There where errors!\nCheck Logwindow";

class RunCommandsTest : public testing::Test {
protected:
    // A pair copying folder name/src to name/dst; the source holds the given files.
    CSyncPair* AddPair(CSyncGroup& group, const std::string& strName,
                       const std::vector<std::string>& files) {
        CSyncPair* pPair = CreatePair(group);
        pPair->m_strSource = m_temp / (strName + "/src");
        pPair->m_strDestination = m_temp / (strName + "/dst");
        MakeFolders(pPair->m_strSource);
        for (const std::string& strFile : files) {
            WriteFile(pPair->m_strSource + "/" + strFile, "content of " + strFile);
        }
        return pPair;
    }

    // A pair that the engine refuses: source and destination are the same folder.
    CSyncPair* AddFailingPair(CSyncGroup& group) {
        CSyncPair* pPair = CreatePair(group);
        pPair->m_strSource = pPair->m_strDestination = m_temp / "same";
        MakeFolders(pPair->m_strSource);
        return pPair;
    }

    CFolvexDlg& Open() {
        m_dlg = std::make_unique<CFolvexDlg>(m_list);
        ShowActive(*m_dlg);
        return *m_dlg;
    }

    QStringList Log() const { return LogLines(*m_dlg->m_lbLog); }

    static QString Copied(const CSyncPair& pair, const std::string& strFile) {
        return QString::fromStdString("OK Copied: " + pair.m_strDestination + "/" + strFile);
    }

    static QString Success(const CSyncPair& pair, int nFiles) {
        return QString::fromStdString("Succes: Copied " + std::to_string(nFiles) + " files from " +
                                      pair.m_strSource + " to " + pair.m_strDestination);
    }

    TempFolder m_temp;
    CSyncGroupList m_list;
    PromptAnswerer m_prompts;
    std::unique_ptr<CFolvexDlg> m_dlg;
};

TEST_F(RunCommandsTest, StartCopiesCurrentPairAndMovesDateToToday) {
    CSyncGroup* pGroup = CreateGroup(m_list);
    CSyncPair* pPair = AddPair(*pGroup, "one", {"a.txt"});
    pPair->m_nKeepVersionDays = 0;
    CFolvexDlg& dlg = Open();
    dlg.m_lbLog->InsertString(-1, std::string("No selection!"));
    const QString strInfoBefore = Control<QLabel>(dlg, IDC_SYNC_INFO)->text();
    ClickControl(dlg, IDC_START);
    EXPECT_EQ(pPair->m_nKeepVersionDays, kDefaultKeepVersionDays);  // no settings written

    EXPECT_EQ(Log(), QStringList({Success(*pPair, 1), Copied(*pPair, "a.txt")}));
    EXPECT_EQ(ReadFile(pPair->m_strDestination + "/a.txt"), "content of a.txt");
    EXPECT_TRUE(m_prompts.m_messages.isEmpty());
    EXPECT_EQ(Control<QDateEdit>(dlg, IDC_LAST_COPY)->date(),
              LocalDateOf(static_cast<CTime32>(std::time(nullptr))));
    EXPECT_EQ(dlg.m_timeLastCopy, pPair->m_timeLastCopy);
    // The info text shows the new figures only when the pair is shown again.
    EXPECT_EQ(Control<QLabel>(dlg, IDC_SYNC_INFO)->text(), strInfoBefore);
    dlg.m_lbPairs->setCurrentRow(0);
    dlg.OnSelchangePairs();
    EXPECT_TRUE(Control<QLabel>(dlg, IDC_SYNC_INFO)
                    ->text()
                    .startsWith("1 Files in 0 Directories  Copied:1"));
}

TEST_F(RunCommandsTest, FileNameWithLineBreakShowsAsOneVisibleLine) {
    CSyncPair* pPair = AddPair(*CreateGroup(m_list), "names", {"a\nOK Copied: b"});
    CFolvexDlg& dlg = Open();
    ClickControl(dlg, IDC_START);
    EXPECT_EQ(Log(), QStringList({Success(*pPair, 1),
                                  QString::fromStdString("OK Copied: " + pPair->m_strDestination +
                                                         "/a\\nOK Copied: b")}));
}

TEST_F(RunCommandsTest, StartWithErrorsShowsSummaryOnce) {
    AddFailingPair(*CreateGroup(m_list));
    CFolvexDlg& dlg = Open();
    ClickControl(dlg, IDC_START);
    EXPECT_EQ(m_prompts.m_messages, QStringList({kErrorSummary}));
    ASSERT_EQ(Log().size(), 1);
    EXPECT_TRUE(Log().front().startsWith("ERROR: Source and destination are the same folder"));
}

TEST_F(RunCommandsTest, StartWithoutPairLogsNoDataOnly) {
    CreateGroup(m_list);
    CFolvexDlg& dlg = Open();
    dlg.m_lbLog->InsertString(0, std::string("old line"));
    ClickControl(dlg, IDC_START);
    EXPECT_EQ(Log(), QStringList({"No data for this selection!"}));
    EXPECT_TRUE(m_prompts.m_messages.isEmpty());
}

TEST_F(RunCommandsTest, StartAllRunsPairsInOrderWithSeparatorsAndOneSummary) {
    CSyncGroup* pGroup = CreateGroup(m_list);
    CSyncPair* pFirst = AddPair(*pGroup, "first", {"f.txt"});
    AddFailingPair(*pGroup);
    CSyncPair* pThird = AddPair(*pGroup, "third", {"t.txt"});
    QString strError;
    ASSERT_TRUE(WriteKeepVersionDays(SettingsFile(), 4, strError));
    CFolvexDlg& dlg = Open();
    ClickControl(dlg, IDC_START_ALL);
    // Each pair ran with the days of the settings.
    for (const CSyncPair& pair : pGroup->m_listPairs) {
        EXPECT_EQ(pair.m_nKeepVersionDays, 4u);
    }
    ASSERT_TRUE(WriteKeepVersionDays(SettingsFile(), kDefaultKeepVersionDays, strError));

    const QStringList log = Log();
    ASSERT_EQ(log.size(), 8) << log.join("\n").toStdString();
    EXPECT_EQ(log[0], kSeparator);
    EXPECT_EQ(log[1], Success(*pThird, 1));
    EXPECT_EQ(log[2], Copied(*pThird, "t.txt"));
    EXPECT_EQ(log[3], kSeparator);
    EXPECT_TRUE(log[4].startsWith("ERROR: Source and destination are the same folder"));
    EXPECT_EQ(log[5], kSeparator);
    EXPECT_EQ(log[6], Success(*pFirst, 1));
    EXPECT_EQ(log[7], Copied(*pFirst, "f.txt"));
    EXPECT_EQ(m_prompts.m_messages, QStringList({kErrorSummary}));
    // The current pair's new date reaches the date picker.
    EXPECT_EQ(dlg.m_timeLastCopy, pFirst->m_timeLastCopy);
}

TEST_F(RunCommandsTest, StartAllOnEmptyGroupDoesNothing) {
    CreateGroup(m_list);
    CFolvexDlg& dlg = Open();
    ClickControl(dlg, IDC_START_ALL);
    EXPECT_TRUE(Log().isEmpty());
    EXPECT_TRUE(m_prompts.m_messages.isEmpty());
}

TEST_F(RunCommandsTest, StartAllWithoutGroupLogsInvalidSelectionAndSummary) {
    CFolvexDlg& dlg = Open();
    ClickControl(dlg, IDC_START_ALL);
    EXPECT_EQ(Log(), QStringList({"Invalid group selection"}));
    EXPECT_EQ(m_prompts.m_messages, QStringList({kErrorSummary}));
}

TEST_F(RunCommandsTest, BothWaysPairCopiesBackAndKeepsFolders) {
    CSyncGroup* pGroup = CreateGroup(m_list);
    CSyncPair* pPair = AddPair(*pGroup, "both", {"forward.txt"});
    WriteFile(pPair->m_strDestination + "/back.txt", "back");
    pPair->m_bBothWays = 1;
    pPair->m_bCheckDestDate = 1;
    const std::string strSource = pPair->m_strSource;
    CFolvexDlg& dlg = Open();
    ClickControl(dlg, IDC_START);
    EXPECT_EQ(ReadFile(strSource + "/back.txt"), "back");
    EXPECT_TRUE(Exists(pPair->m_strDestination + "/forward.txt"));
    EXPECT_EQ(pPair->m_strSource, strSource);
    EXPECT_TRUE(m_prompts.m_messages.isEmpty());
}

}  // namespace
