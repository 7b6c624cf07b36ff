// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's run commands: Start and StartAll, with the log window and the error
// summary.
#include "FolvexDlg.h"
#include "LogListBox.h"
#include "SettingsFile.h"
#include "Sync_ProgressDlg.h"
#include "UserPrompts.h"

void CFolvexDlg::ShowErrorSummary() {
    ShowMessageBox(this, QStringLiteral("There where errors!\nCheck Logwindow"), MessageButtons::Ok,
                   QMessageBox::Warning);
}

void CFolvexDlg::TakeKeepVersionDays(CSyncPair& pair) {
    // Read at each run, so that a change made meanwhile (by another window too) counts.
    pair.m_nKeepVersionDays = ReadSettings(SettingsFile()).nKeepVersionDays;
}

void CFolvexDlg::OnStart() {
    CSyncPair* pPair = PairAt(m_nCurPair);
    m_lbLog->ResetContent();
    if (pPair == nullptr) {
        m_lbLog->InsertString(-1, std::string("No data for this selection!"));
    } else {
        CSyncProgressDlg dlgProgress(this);
        TakeKeepVersionDays(*pPair);
        dlgProgress.m_pPair = pPair;
        if (dlgProgress.DoModal() == 0) {
            ShowErrorSummary();
        }
        m_timeLastCopy = pPair->m_timeLastCopy;
    }
    UpdateData(false);
}

void CFolvexDlg::OnStartAll() {
    m_lbLog->ResetContent();
    CSyncProgressDlg dlgProgress(this);
    int nFailures = 0;
    CSyncGroup* pGroup = GroupAt(m_nCurGroup);
    if (pGroup == nullptr) {
        nFailures = 1;
        m_lbLog->InsertString(0, std::string("Invalid group selection"));
    } else {
        for (CSyncPair& pair : pGroup->m_listPairs) {
            TakeKeepVersionDays(pair);
            dlgProgress.m_pPair = &pair;
            if (dlgProgress.DoModal() == 0) {
                ++nFailures;
            }
            m_lbLog->InsertString(0, kPairSeparatorLine);
        }
    }
    if (nFailures != 0) {
        ShowErrorSummary();
    }
    if (CSyncPair* pPair = PairAt(m_nCurPair)) {
        m_timeLastCopy = pPair->m_timeLastCopy;
    }
    UpdateData(false);
}
