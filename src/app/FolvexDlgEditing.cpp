// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's editing: which group and pair are current, the two lists, showing and
// storing the current pair, Add, Remove, Reverse, the folder choosers and renaming.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalBlocker>

#include "FolvexDlg.h"
#include "LogListBox.h"
#include "SyncInfoText.h"
#include "UserPrompts.h"
#include "resources.h"

namespace {

template <class T>
QVariant RecordData(T* pRecord) {
    return QVariant::fromValue(reinterpret_cast<quintptr>(pRecord));
}

template <class T>
T* RecordOf(const QVariant& data) {
    return reinterpret_cast<T*>(data.value<quintptr>());
}

}  // namespace

CSyncGroup* CFolvexDlg::GroupAt(int32_t nIndex) const {
    if (nIndex < 0 || nIndex >= m_cbGroups->count()) {
        return nullptr;
    }
    return RecordOf<CSyncGroup>(m_cbGroups->itemData(nIndex));
}

CSyncPair* CFolvexDlg::PairAt(int32_t nIndex) const {
    QListWidgetItem* pItem = nIndex < 0 ? nullptr : m_lbPairs->item(nIndex);
    return pItem == nullptr ? nullptr : RecordOf<CSyncPair>(pItem->data(Qt::UserRole));
}

CSyncGroup* CFolvexDlg::SelectedGroup() const {
    return GroupAt(m_cbGroups->currentIndex());
}

void CFolvexDlg::FillLists(int32_t nWanted) {
    const QSignalBlocker blockGroups(m_cbGroups);
    const QSignalBlocker blockPairs(m_lbPairs);
    m_cbGroups->clear();
    for (CSyncGroup& group : m_listGroups) {
        m_cbGroups->addItem(QString::fromStdString(group.m_strName), RecordData(&group));
    }
    const int32_t nGroups = m_listGroups.GetCount();
    m_nCurGroup = (nWanted < 1 || nGroups == 0) ? 0 : std::min(nWanted, nGroups - 1);
    m_lbPairs->clear();
    if (nGroups == 0) {
        m_nCurPair = 0;
    } else {
        CSyncGroup* pGroup = GroupAt(m_nCurGroup);
        for (CSyncPair& pair : pGroup->m_listPairs) {
            auto* pItem = new QListWidgetItem(PairLineText(pair), m_lbPairs);
            pItem->setData(Qt::UserRole, RecordData(&pair));
            pair.m_pLogList = m_lbLog;
        }
        const int32_t nPairs = pGroup->m_listPairs.GetCount();
        m_nCurPair = nPairs == 0 ? 0 : std::min(m_nCurPair, nPairs - 1);
        m_cbGroups->setCurrentIndex(m_nCurGroup);
        if (nPairs > 0) {
            m_lbPairs->setCurrentRow(m_nCurPair);
        }
    }
    ShowCurrentPair();
}

void CFolvexDlg::ShowCurrentPair() {
    CSyncPair* pPair = PairAt(m_nCurPair);
    if (pPair == nullptr) {
        ShowNoPair();
        return;
    }
    m_bOnlyNewer = pPair->m_bOnlyNewer;
    m_bCheckDestDate = pPair->m_bCheckDestDate;
    m_bOverwriteRHS = pPair->m_bOverwriteRHS;
    m_bBothWays = pPair->m_bBothWays;
    m_bSubFolders = pPair->m_bSubFolders;
    m_strDestination = pPair->m_strDestination;
    m_strExclude = pPair->m_strExclude;
    m_strSource = pPair->m_strSource;
    m_timeLastCopy = pPair->m_timeLastCopy;
    SetInfoText(SyncInfoText(*pPair));
    // "Both ways" needs "Check destination date"; the pair follows at the next store.
    if (m_bBothWays && !m_bCheckDestDate) {
        m_bCheckDestDate = 1;
    }
    UpdateData(false);
}

void CFolvexDlg::ShowNoPair() {
    // Empty fields, so that nobody edits a pair that is no longer there. What is typed
    // into them changes no pair.
    m_bOnlyNewer = 0;
    m_bCheckDestDate = 0;
    m_bOverwriteRHS = 0;
    m_bBothWays = 0;
    m_bSubFolders = 0;
    m_strDestination.clear();
    m_strExclude.clear();
    m_strSource.clear();
    m_timeLastCopy = 0;
    SetInfoText(m_strNoPairInfo);
    UpdateData(false);
}

void CFolvexDlg::StoreCurrentPair() {
    UpdateData(true);
    CSyncPair* pPair = PairAt(m_nCurPair);
    if (pPair == nullptr) {
        return;
    }
    if (m_bBothWays && !m_bCheckDestDate) {
        m_bCheckDestDate = 1;
        UpdateData(false);
    }
    pPair->m_bOnlyNewer = m_bOnlyNewer;
    pPair->m_bCheckDestDate = m_bCheckDestDate;
    pPair->m_bOverwriteRHS = m_bOverwriteRHS;
    pPair->m_bSubFolders = m_bSubFolders;
    pPair->m_strDestination = m_strDestination;
    pPair->m_strExclude = m_strExclude;
    pPair->m_strSource = m_strSource;
    pPair->m_timeLastCopy = m_timeLastCopy;
    pPair->m_bBothWays = m_bBothWays;
    pPair->m_pLogList = m_lbLog;
    const QSignalBlocker blockPairs(m_lbPairs);
    m_lbPairs->item(m_nCurPair)->setText(PairLineText(*pPair));
}

void CFolvexDlg::OnSelchangePairs() {
    const QList<QListWidgetItem*> selected = m_lbPairs->selectedItems();
    if (selected.isEmpty()) {
        return;
    }
    m_nCurPair = m_lbPairs->row(selected.front());
    ShowCurrentPair();
}

void CFolvexDlg::OnSelchangeGroups() {
    const int nSelected = m_cbGroups->currentIndex();
    if (nSelected < 0) {
        return;
    }
    m_nCurGroup = nSelected;
    m_nCurPair = 0;
    FillLists(nSelected);
}

void CFolvexDlg::OnEditGroupName() {
    CSyncGroup* pGroup = GroupAt(m_nCurGroup);
    if (pGroup != nullptr) {
        RenameGroup(*pGroup, m_cbGroups->lineEdit()->text().toStdString());
    }
}

void CFolvexDlg::OnAdd() {
    CSyncGroup* pGroup = SelectedGroup();
    if (pGroup == nullptr || m_nLastFocusList == IDC_GROUPS) {
        CreateGroup(m_listGroups);
        m_nCurGroup = m_listGroups.GetCount() - 1;
    } else {
        CreatePair(*pGroup);
    }
    FillLists(m_nCurGroup);
}

void CFolvexDlg::OnRemove() {
    CSyncGroup* pGroup = GroupAt(m_nCurGroup);
    if (pGroup == nullptr) {
        return;
    }
    if (m_nLastFocusList == IDC_GROUPS) {
        if (ShowMessageBox(this, QStringLiteral("Delete group?"), MessageButtons::YesNo,
                           QMessageBox::Question) != QMessageBox::Yes) {
            return;
        }
        RemoveGroup(m_listGroups, m_nCurGroup, pGroup);
        FillLists(m_nCurGroup);
        return;
    }
    CSyncPair* pPair = PairAt(m_nCurPair);
    if (pPair == nullptr) {
        m_lbLog->InsertString(-1, std::string("No selection!"));
        return;
    }
    RemovePair(*pGroup, m_nCurPair, pPair);
    FillLists(m_nCurGroup);
}

void CFolvexDlg::OnReverse() {
    std::swap(m_strSource, m_strDestination);
    UpdateData(false);
    StoreCurrentPair();
}

void CFolvexDlg::ChooseFolderInto(std::string& strFolder) {
    const QString strChosen = ChooseFolder(this, QStringLiteral("Select destination folder"));
    if (strChosen.isEmpty()) {
        return;
    }
    strFolder = strChosen.toStdString();
    UpdateData(false);
    StoreCurrentPair();
}

void CFolvexDlg::OnSourceDir() {
    ChooseFolderInto(m_strSource);
}

void CFolvexDlg::OnDestinationDir() {
    ChooseFolderInto(m_strDestination);
}
