// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's editing: focus-dependent Add and Remove, the both-ways rule, renaming,
// Reverse, the folder choosers, and the rule that the window's own writes start no handler.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include "AppTestSupport.h"
#include "DateTransfer.h"
#include "DialogBuilder.h"
#include "FolvexDlg.h"
#include "HelpViewer.h"
#include "LogListBox.h"

namespace {

CSyncPair* AddPair(CSyncGroup& group, const std::string& strSource,
                   const std::string& strDestination) {
    CSyncPair* pPair = CreatePair(group);
    pPair->m_strSource = strSource;
    pPair->m_strDestination = strDestination;
    return pPair;
}

class MainWindowTest : public testing::Test {
protected:
    // Three groups "A" (pairs a0, a1), "B" (b0) and "C" (none).
    void MakeThreeGroups() {
        CSyncGroup* pA = CreateGroup(m_list);
        pA->m_strName = "A";
        AddPair(*pA, "/a0/src", "/a0/dst");
        AddPair(*pA, "/a1/src", "/a1/dst");
        CSyncGroup* pB = CreateGroup(m_list);
        pB->m_strName = "B";
        AddPair(*pB, "/b0/src", "/b0/dst");
        CreateGroup(m_list)->m_strName = "C";
    }

    CFolvexDlg& Open() {
        m_dlg = std::make_unique<CFolvexDlg>(m_list);
        ShowActive(*m_dlg);
        return *m_dlg;
    }

    QStringList GroupBoxEntries() const {
        QStringList entries;
        for (int i = 0; i < m_dlg->m_cbGroups->count(); ++i) {
            entries << m_dlg->m_cbGroups->itemText(i);
        }
        return entries;
    }

    QStringList PairLines() const {
        QStringList lines;
        for (int i = 0; i < m_dlg->m_lbPairs->count(); ++i) {
            lines << m_dlg->m_lbPairs->item(i)->text();
        }
        return lines;
    }

    template <class T>
    T* Ctl(int nId) const {
        return Control<T>(*m_dlg, nId);
    }

    void PickGroup(int nIndex) {
        GiveFocus(*m_dlg->m_cbGroups);
        m_dlg->m_cbGroups->setCurrentIndex(nIndex);
        emit m_dlg->m_cbGroups->activated(nIndex);
    }

    void PickPair(int nRow) {
        GiveFocus(*m_dlg->m_lbPairs);
        m_dlg->m_lbPairs->setCurrentRow(nRow);
    }

    CSyncGroupList m_list;
    PromptAnswerer m_prompts;
    std::unique_ptr<CFolvexDlg> m_dlg;
};

TEST_F(MainWindowTest, EmptyListShowsEmptyControlsAndFocusesExit) {
    CFolvexDlg& dlg = Open();
    EXPECT_EQ(dlg.m_cbGroups->count(), 0);
    EXPECT_EQ(dlg.m_lbPairs->count(), 0);
    EXPECT_EQ(Ctl<QLabel>(IDC_SYNC_INFO)->text(), "Sync info");
    EXPECT_TRUE(Ctl<QLineEdit>(IDC_SOURCE)->text().isEmpty());
    EXPECT_FALSE(Ctl<QCheckBox>(IDC_SUBFOLDERS)->isChecked());
    EXPECT_EQ(QApplication::focusWidget(), FindControl(dlg, IDCANCEL));
    EXPECT_EQ(dlg.m_nLastFocusList, 0);
}

TEST_F(MainWindowTest, StartShowsFirstGroupAndItsFirstPair) {
    MakeThreeGroups();
    m_list.GetAt(0)->m_listPairs.GetAt(0)->m_nFilesFound = 7;
    CFolvexDlg& dlg = Open();
    EXPECT_EQ(GroupBoxEntries(), QStringList({"A", "B", "C"}));
    EXPECT_EQ(dlg.m_cbGroups->currentText(), "A");
    EXPECT_EQ(PairLines(), QStringList({"/a0/src  --->>   /a0/dst", "/a1/src  --->>   /a1/dst"}));
    EXPECT_EQ(dlg.m_lbPairs->currentRow(), 0);
    EXPECT_EQ(Ctl<QLineEdit>(IDC_SOURCE)->text(), "/a0/src");
    EXPECT_TRUE(Ctl<QLabel>(IDC_SYNC_INFO)->text().startsWith("7 Files in 0 Directories"));
    // Listing a pair links it to the log window.
    EXPECT_EQ(m_list.GetAt(0)->m_listPairs.GetAt(1)->m_pLogList, dlg.m_lbLog);
}

// Add and Remove act on what had the keyboard focus last.
struct FocusCase {
    const char* szName;
    int nFocus;  // 0: neither list yet
    int nGroupsAfterAdd;
    int nPairsOfAAfterAdd;
};

class AddByFocusTest : public MainWindowTest, public testing::WithParamInterface<FocusCase> {};

TEST_P(AddByFocusTest, AddMakesGroupOrPair) {
    const FocusCase& c = GetParam();
    MakeThreeGroups();
    CFolvexDlg& dlg = Open();
    if (c.nFocus == IDC_PAIRS) {
        GiveFocus(*dlg.m_lbPairs);
    } else if (c.nFocus == IDC_GROUPS) {
        GiveFocus(*dlg.m_cbGroups);
    }
    EXPECT_EQ(dlg.m_nLastFocusList, c.nFocus);
    ClickControl(dlg, IDC_ADD);
    EXPECT_EQ(m_list.GetCount(), c.nGroupsAfterAdd);
    EXPECT_EQ(m_list.GetAt(0)->m_listPairs.GetCount(), c.nPairsOfAAfterAdd);
    if (c.nGroupsAfterAdd == 4) {
        // The new group is current, with no pairs.
        EXPECT_EQ(m_list.GetAt(3)->m_strName, "New Group");
        EXPECT_EQ(dlg.m_nCurGroup, 3);
        EXPECT_EQ(dlg.m_cbGroups->currentText(), "New Group");
        EXPECT_EQ(dlg.m_lbPairs->count(), 0);
    } else {
        // The new pair is the last line; the current pair stays current.
        EXPECT_EQ(PairLines().last(), "  --->>   ");
        EXPECT_EQ(dlg.m_nCurPair, 0);
        EXPECT_EQ(dlg.m_lbPairs->currentRow(), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Focus, AddByFocusTest,
                         testing::Values(FocusCase{"NeitherList", 0, 3, 3},
                                         FocusCase{"PairList", IDC_PAIRS, 3, 3},
                                         FocusCase{"GroupBox", IDC_GROUPS, 4, 2}),
                         [](const auto& info) { return std::string(info.param.szName); });

TEST_F(MainWindowTest, AddWithNoGroupCreatesNewGroupEvenIfOneOfThatNameExists) {
    CreateGroup(m_list);
    m_list.GetAt(0)->m_strName = "New Group";
    CFolvexDlg& dlg = Open();
    GiveFocus(*dlg.m_cbGroups);
    ClickControl(dlg, IDC_ADD);
    EXPECT_EQ(GroupBoxEntries(), QStringList({"New Group", "New Group"}));
    EXPECT_EQ(dlg.m_nCurGroup, 1);
}

TEST_F(MainWindowTest, FirstPairOfEmptyGroupBecomesCurrentWithDefaults) {
    CreateGroup(m_list);
    CFolvexDlg& dlg = Open();
    ClickControl(dlg, IDC_ADD);
    ASSERT_EQ(m_list.GetAt(0)->m_listPairs.GetCount(), 1);
    EXPECT_EQ(dlg.m_lbPairs->currentRow(), 0);
    EXPECT_TRUE(Ctl<QCheckBox>(IDC_SUBFOLDERS)->isChecked());
    for (int nId : {IDC_ONLY_NEWER, IDC_CHECK_DEST_DATE, IDC_OVERWRITE_RHS, IDC_BOTH_WAYS}) {
        EXPECT_FALSE(Ctl<QCheckBox>(nId)->isChecked()) << nId;
    }
    EXPECT_EQ(Ctl<QLabel>(IDC_SYNC_INFO)->text(),
              "0 Files in 0 Directories  Copied:0  0:bytes  Time:0 mSec\n0 Bytes/Sec");
}

struct RemoveGroupCase {
    const char* szName;
    int nGroup;
    QMessageBox::StandardButton answer;
    QStringList groupsAfter;
    QString strCurrentAfter;
};

class RemoveGroupTest : public MainWindowTest,
                        public testing::WithParamInterface<RemoveGroupCase> {};

TEST_P(RemoveGroupTest, AsksThenRemoves) {
    const RemoveGroupCase& c = GetParam();
    MakeThreeGroups();
    CFolvexDlg& dlg = Open();
    PickGroup(c.nGroup);
    m_prompts.m_answers = {c.answer};
    ClickControl(dlg, IDC_REMOVE);
    EXPECT_EQ(m_prompts.m_messages, QStringList({"Delete group?"}));
    EXPECT_EQ(GroupBoxEntries(), c.groupsAfter);
    EXPECT_EQ(dlg.m_cbGroups->currentText(), c.strCurrentAfter);
    // The pair list shows the current group's pairs.
    const CSyncGroup* pCurrent = m_list.GetAt(dlg.m_nCurGroup);
    EXPECT_EQ(dlg.m_lbPairs->count(), pCurrent->m_listPairs.GetCount());
}

INSTANTIATE_TEST_SUITE_P(
    Groups, RemoveGroupTest,
    testing::Values(RemoveGroupCase{"First", 0, QMessageBox::Yes, {"B", "C"}, "B"},
                    RemoveGroupCase{"Last", 2, QMessageBox::Yes, {"A", "B"}, "B"},
                    RemoveGroupCase{"AnsweredNo", 1, QMessageBox::No, {"A", "B", "C"}, "B"}),
    [](const auto& info) { return std::string(info.param.szName); });

TEST_F(MainWindowTest, RemovePairRemovesCurrentAndNextMovesUp) {
    MakeThreeGroups();
    CFolvexDlg& dlg = Open();
    PickPair(0);
    ClickControl(dlg, IDC_REMOVE);
    EXPECT_TRUE(m_prompts.m_messages.isEmpty());
    EXPECT_EQ(PairLines(), QStringList({"/a1/src  --->>   /a1/dst"}));
    EXPECT_EQ(Ctl<QLineEdit>(IDC_SOURCE)->text(), "/a1/src");
}

TEST_F(MainWindowTest, RemovePairWithEmptyListLogsNoSelectionAtEnd) {
    MakeThreeGroups();
    CFolvexDlg& dlg = Open();
    dlg.m_lbLog->InsertString(0, std::string("earlier line"));
    PickGroup(2);  // "C" has no pairs
    GiveFocus(*dlg.m_lbPairs);
    ClickControl(dlg, IDC_REMOVE);
    ClickControl(dlg, IDC_REMOVE);
    EXPECT_EQ(LogLines(*dlg.m_lbLog),
              QStringList({"earlier line", "No selection!", "No selection!"}));
    EXPECT_EQ(m_list.GetCount(), 3);
}

TEST_F(MainWindowTest, GroupFocusLastsUntilPairListIsFocusedAgain) {
    MakeThreeGroups();
    CFolvexDlg& dlg = Open();
    PickGroup(1);
    ClickControl(dlg, IDC_ADD);  // a group
    EXPECT_EQ(m_list.GetCount(), 4);
    PickGroup(0);
    PickPair(1);
    ClickControl(dlg, IDC_ADD);  // a pair of "A"
    EXPECT_EQ(m_list.GetCount(), 4);
    EXPECT_EQ(m_list.GetAt(0)->m_listPairs.GetCount(), 3);
    EXPECT_EQ(dlg.m_nCurPair, 1);
}

TEST_F(MainWindowTest, TypingInSourceUpdatesPairAndLineAtEachKey) {
    MakeThreeGroups();
    CFolvexDlg& dlg = Open();
    PickPair(1);
    CSyncPair* pPair = m_list.GetAt(0)->m_listPairs.GetAt(1);
    QLineEdit* pSource = Ctl<QLineEdit>(IDC_SOURCE);
    int nChanges = 0;
    QObject::connect(dlg.m_lbPairs->model(), &QAbstractItemModel::dataChanged, [&] { ++nChanges; });
    TypeInto(*pSource, "/x");
    EXPECT_EQ(pPair->m_strSource, "/a1/src/x");
    EXPECT_EQ(dlg.m_lbPairs->item(1)->text(), "/a1/src/x  --->>   /a1/dst");
    EXPECT_GE(nChanges, 2);
    EXPECT_EQ(dlg.m_nCurPair, 1);
    TypeInto(*Ctl<QLineEdit>(IDC_EXCLUDE), "*.tmp");
    EXPECT_EQ(pPair->m_strExclude, "*.tmp");
}

TEST_F(MainWindowTest, BothWaysNeedsCheckDestinationDate) {
    MakeThreeGroups();
    CFolvexDlg& dlg = Open();
    CSyncPair* pPair = m_list.GetAt(0)->m_listPairs.GetAt(0);
    QCheckBox* pBothWays = Ctl<QCheckBox>(IDC_BOTH_WAYS);
    QCheckBox* pCheckDate = Ctl<QCheckBox>(IDC_CHECK_DEST_DATE);
    QTest::mouseClick(pBothWays, Qt::LeftButton);
    EXPECT_TRUE(pCheckDate->isChecked());
    EXPECT_EQ(pPair->m_bBothWays, 1);
    EXPECT_EQ(pPair->m_bCheckDestDate, 1);
    QTest::mouseClick(pCheckDate, Qt::LeftButton);
    EXPECT_TRUE(pCheckDate->isChecked());
    EXPECT_EQ(pPair->m_bCheckDestDate, 1);
    (void)dlg;
}

TEST_F(MainWindowTest, StoredBothWaysWithoutDateCheckShowsTickedAndStoresOnNextChange) {
    MakeThreeGroups();
    CSyncPair* pPair = m_list.GetAt(0)->m_listPairs.GetAt(1);
    pPair->m_bBothWays = 1;
    CFolvexDlg& dlg = Open();
    PickPair(1);
    EXPECT_TRUE(Ctl<QCheckBox>(IDC_CHECK_DEST_DATE)->isChecked());
    EXPECT_EQ(pPair->m_bCheckDestDate, 0);
    TypeInto(*Ctl<QLineEdit>(IDC_EXCLUDE), "a");
    EXPECT_EQ(pPair->m_bCheckDestDate, 1);
    (void)dlg;
}

TEST_F(MainWindowTest, RenamingChangesGroupAtOnceAndListAfterRefill) {
    MakeThreeGroups();
    CFolvexDlg& dlg = Open();
    PickGroup(1);
    QLineEdit* pName = dlg.m_cbGroups->lineEdit();
    pName->selectAll();
    QTest::keyClick(pName, Qt::Key_Backspace);
    EXPECT_EQ(m_list.GetAt(1)->m_strName, "");  // an empty name is allowed
    QTest::keyClicks(pName, "Photos");
    EXPECT_EQ(m_list.GetAt(1)->m_strName, "Photos");
    EXPECT_EQ(dlg.m_cbGroups->itemText(1), "B");
    GiveFocus(*dlg.m_lbPairs);
    ClickControl(dlg, IDC_ADD);  // a refill
    EXPECT_EQ(dlg.m_cbGroups->itemText(1), "Photos");
}

// Qt's editable combo box selects the entry whose text matches once editing ends; a
// rename to another group's name must not make that group current.
struct RenameEndCase {
    const char* szName;
    bool bEnterKey;  // else the focus moves to the pair list
};

class RenameToOtherNameTest : public MainWindowTest,
                              public testing::WithParamInterface<RenameEndCase> {};

TEST_P(RenameToOtherNameTest, KeepsRenamedGroupCurrent) {
    MakeThreeGroups();
    CFolvexDlg& dlg = Open();
    PickGroup(1);
    QLineEdit* pName = dlg.m_cbGroups->lineEdit();
    pName->selectAll();
    QTest::keyClicks(pName, "A");
    if (GetParam().bEnterKey) {
        QTest::keyClick(pName, Qt::Key_Return);
    } else {
        GiveFocus(*dlg.m_lbPairs);
    }
    EXPECT_EQ(dlg.m_nCurGroup, 1);
    EXPECT_EQ(dlg.m_cbGroups->currentIndex(), 1);
    EXPECT_EQ(PairLines(), QStringList({"/b0/src  --->>   /b0/dst"}));
    ASSERT_EQ(m_list.GetCount(), 3);
    EXPECT_EQ(m_list.GetAt(0)->m_strName, "A");
    EXPECT_EQ(m_list.GetAt(1)->m_strName, "A");
    if (!GetParam().bEnterKey) {
        // Remove takes the renamed group, not its namesake.
        GiveFocus(*dlg.m_cbGroups);
        ClickControl(dlg, IDC_REMOVE);
        ASSERT_EQ(m_list.GetCount(), 2);
        EXPECT_EQ(m_list.GetAt(0)->m_listPairs.GetCount(), 2);
        EXPECT_EQ(m_list.GetAt(1)->m_strName, "C");
    }
}

INSTANTIATE_TEST_SUITE_P(Ends, RenameToOtherNameTest,
                         testing::Values(RenameEndCase{"FocusLeaves", false},
                                         RenameEndCase{"EnterKey", true}),
                         [](const auto& info) { return std::string(info.param.szName); });

TEST_F(MainWindowTest, ReverseSwapsFoldersOfPairOrOnlyEditsWithoutPair) {
    MakeThreeGroups();
    CFolvexDlg& dlg = Open();
    ClickControl(dlg, IDC_REVERSE);
    const CSyncPair* pPair = m_list.GetAt(0)->m_listPairs.GetAt(0);
    EXPECT_EQ(pPair->m_strSource, "/a0/dst");
    EXPECT_EQ(pPair->m_strDestination, "/a0/src");
    EXPECT_EQ(dlg.m_lbPairs->item(0)->text(), "/a0/dst  --->>   /a0/src");

    PickGroup(2);  // no pairs
    TypeInto(*Ctl<QLineEdit>(IDC_SOURCE), "/typed");
    ClickControl(dlg, IDC_REVERSE);
    EXPECT_TRUE(Ctl<QLineEdit>(IDC_SOURCE)->text().isEmpty());
    EXPECT_EQ(Ctl<QLineEdit>(IDC_DESTINATION)->text(), "/typed");
    EXPECT_EQ(pPair->m_strSource, "/a0/dst");
}

// Without a current pair the fields are empty, never the last pair's values, and stay
// usable; what is typed there changes no pair.
enum class NoPairWay { RemoveLastPair, AddGroup, PickEmptyGroup };

struct NoPairCase {
    const char* szName;
    NoPairWay way;
};

class NoCurrentPairTest : public MainWindowTest, public testing::WithParamInterface<NoPairCase> {};

TEST_P(NoCurrentPairTest, ShowsEmptyFields) {
    MakeThreeGroups();
    CSyncPair* pB0 = m_list.GetAt(1)->m_listPairs.GetAt(0);
    pB0->m_strExclude = ".tmp";
    pB0->m_bOnlyNewer = pB0->m_bBothWays = 1;
    CFolvexDlg& dlg = Open();
    PickGroup(1);
    switch (GetParam().way) {
        case NoPairWay::RemoveLastPair:
            PickPair(0);
            ClickControl(dlg, IDC_REMOVE);
            break;
        case NoPairWay::AddGroup:
            ClickControl(dlg, IDC_ADD);
            break;
        case NoPairWay::PickEmptyGroup:
            PickGroup(2);
            break;
    }
    ASSERT_EQ(dlg.m_lbPairs->count(), 0);
    for (int nId : {IDC_SOURCE, IDC_DESTINATION, IDC_EXCLUDE}) {
        EXPECT_TRUE(Ctl<QLineEdit>(nId)->text().isEmpty()) << nId;
    }
    for (int nId : {IDC_ONLY_NEWER, IDC_SUBFOLDERS, IDC_CHECK_DEST_DATE, IDC_BOTH_WAYS}) {
        EXPECT_FALSE(Ctl<QCheckBox>(nId)->isChecked()) << nId;
    }
    EXPECT_EQ(Ctl<QLabel>(IDC_SYNC_INFO)->text(), "Sync info");
    EXPECT_TRUE(Ctl<QLineEdit>(IDC_SOURCE)->isEnabled());
    TypeInto(*Ctl<QLineEdit>(IDC_EXCLUDE), "x");
    if (GetParam().way != NoPairWay::RemoveLastPair) {
        EXPECT_EQ(pB0->m_strExclude, ".tmp");
    }
}

INSTANTIATE_TEST_SUITE_P(Ways, NoCurrentPairTest,
                         testing::Values(NoPairCase{"RemoveLastPair", NoPairWay::RemoveLastPair},
                                         NoPairCase{"AddGroup", NoPairWay::AddGroup},
                                         NoPairCase{"PickEmptyGroup", NoPairWay::PickEmptyGroup}),
                         [](const auto& info) { return std::string(info.param.szName); });

TEST_F(MainWindowTest, FolderChoosersFillTheirEditAndPair) {
    MakeThreeGroups();
    CFolvexDlg& dlg = Open();
    CSyncPair* pPair = m_list.GetAt(0)->m_listPairs.GetAt(0);
    m_prompts.m_strChosenFolder = "/chosen/source";
    ClickControl(dlg, IDC_SOURCE_DIR);
    m_prompts.m_strChosenFolder = "/chosen/destination";
    ClickControl(dlg, IDC_DESTINATION_DIR);
    m_prompts.m_strChosenFolder.clear();  // cancelled
    ClickControl(dlg, IDC_SOURCE_DIR);
    EXPECT_EQ(pPair->m_strSource, "/chosen/source");
    EXPECT_EQ(pPair->m_strDestination, "/chosen/destination");
    EXPECT_EQ(m_prompts.m_folderTitles, QStringList(3, "Select destination folder"));
}

TEST_F(MainWindowTest, WindowsOwnWritesChangeNoPair) {
    MakeThreeGroups();
    // Bytes that are not UTF-8 must survive showing and storing the pair.
    CSyncPair* pPair = m_list.GetAt(0)->m_listPairs.GetAt(0);
    pPair->m_strSource = "/data/caf\xe9";
    pPair->m_timeLastCopy = 1700000000;
    CFolvexDlg& dlg = Open();
    PickGroup(1);
    PickGroup(0);
    EXPECT_EQ(pPair->m_timeLastCopy, 1700000000u);
    QTest::mouseClick(Ctl<QCheckBox>(IDC_OVERWRITE_RHS), Qt::LeftButton);
    EXPECT_EQ(pPair->m_bOverwriteRHS, 1);
    EXPECT_EQ(pPair->m_strSource, "/data/caf\xe9");
    EXPECT_EQ(pPair->m_timeLastCopy, 1700000000u);
    (void)dlg;
}

TEST_F(MainWindowTest, PickingDateKeepsTimeOfDay) {
    MakeThreeGroups();
    CSyncPair* pPair = m_list.GetAt(0)->m_listPairs.GetAt(0);
    pPair->m_timeLastCopy = 1700000000;
    Open();
    QDateEdit* pDate = Ctl<QDateEdit>(IDC_LAST_COPY);
    EXPECT_EQ(pDate->date(), LocalDateOf(1700000000));
    pDate->setDate(pDate->date().addDays(-1));
    EXPECT_EQ(pPair->m_timeLastCopy, 1700000000u - 86400u);
}

TEST_F(MainWindowTest, AboutEntryOpensAboutBoxAndReturnsUnchanged) {
    MakeThreeGroups();
    CFolvexDlg& dlg = Open();
    QString strShownCaption;
    WhenEventLoopRuns([&] {
        QWidget* pAbout = QApplication::activeModalWidget();
        ASSERT_NE(pAbout, nullptr);
        strShownCaption = pAbout->windowTitle();
        ClickControl(*pAbout, IDOK);
    });
    dlg.OnSysCommand(IDM_ABOUTBOX);
    EXPECT_EQ(strShownCaption, "About Folvex");
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(GroupBoxEntries(), QStringList({"A", "B", "C"}));
}

TEST_F(MainWindowTest, HelpViewerClosesWithMainWindow) {
    CFolvexDlg& dlg = Open();
    int nHelpCommands = 0;
    QObject::connect(&dlg, &CFolvexDlg::HelpCommand, [&] {
        ++nHelpCommands;
        ShowHelpViewer(&dlg);
    });
    ClickControl(dlg, ID_HELP);
    EXPECT_EQ(nHelpCommands, 1);
    EXPECT_TRUE(IsHelpViewerOpen());
    EXPECT_TRUE(dlg.isVisible());
    m_dlg.reset();
    EXPECT_FALSE(IsHelpViewerOpen());
}

struct CloseKeyCase {
    const char* szName;
    Qt::Key key;
    int nFocusId;
    int nResult;
};

class CloseKeyTest : public MainWindowTest, public testing::WithParamInterface<CloseKeyCase> {};

TEST_P(CloseKeyTest, KeyClosesWindow) {
    const CloseKeyCase& c = GetParam();
    MakeThreeGroups();
    CFolvexDlg& dlg = Open();
    GiveFocus(*FindControl(dlg, c.nFocusId));
    QTest::keyClick(FindControl(dlg, c.nFocusId), c.key);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), c.nResult);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, CloseKeyTest,
    testing::Values(CloseKeyCase{"EnterInEdit", Qt::Key_Return, IDC_EXCLUDE, QDialog::Accepted},
                    CloseKeyCase{"EscapeInList", Qt::Key_Escape, IDC_PAIRS, QDialog::Rejected},
                    CloseKeyCase{"EnterOnExit", Qt::Key_Return, IDCANCEL, QDialog::Rejected}),
    [](const auto& info) { return std::string(info.param.szName); });

}  // namespace
