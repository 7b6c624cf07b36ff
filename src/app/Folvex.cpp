// SPDX-License-Identifier: GPL-3.0-or-later
#include "Folvex.h"

#include "FolvexDlg.h"
#include "GroupListLocation.h"
#include "GroupListMerge.h"
#include "HelpViewer.h"
#include "SettingsFile.h"
#include "UserPrompts.h"
#include "platform.h"

namespace {

void ShowLoadMessage(const std::string& strMessage) {
    ShowMessageBox(nullptr, QString::fromStdString(strMessage), MessageButtons::Ok,
                   QMessageBox::Warning);
}

bool AskRetry(const QString& strText) {
    return ShowMessageBox(nullptr, strText, MessageButtons::RetryCancel, QMessageBox::Critical) ==
           QMessageBox::Retry;
}

}  // namespace

CFolvexApp::CFolvexApp(std::string strListPath) : m_strListPath(std::move(strListPath)) {}

std::string CFolvexApp::GroupListPath() const {
    return m_strListPath;
}

std::string CFolvexApp::BackupPath() const {
    return GroupListPath() + ".bak";
}

bool CFolvexApp::InitInstance() {
    LoadGroupList();
    // The settings live beside the list in use; a damaged file only costs its values.
    UseSettingsFile(SettingsPathBeside(GroupListPath()));
    const QString strSettingsProblem = ReadSettings(SettingsFile()).strProblem;
    if (!strSettingsProblem.isEmpty()) {
        ShowMessageBox(nullptr, strSettingsProblem, MessageButtons::Ok, QMessageBox::Warning);
    }
    CFolvexDlg dlg(m_listGroups);
    m_pMainWnd = &dlg;
    QObject::connect(&dlg, &CFolvexDlg::HelpCommand, &dlg, [&dlg] { ShowHelpViewer(&dlg); });
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return false;
}

int CFolvexApp::ExitInstance() {
    SaveGroupList();
    return 0;
}

bool CFolvexApp::LoadGroupList() {
    m_loadOutcome =
        LoadGroupListFile(GroupListPath(), m_listGroups, ShowLoadMessage, &m_strLoadedBytes);
    // A file that is there but cannot be read is kept aside when the list is saved.
    m_bUnreadFileExists =
        m_loadOutcome == LoadOutcome::NotFound && Platform().Exists(GroupListPath());
    if (m_loadOutcome == LoadOutcome::Loaded) {
        LoadGroupListBytes(m_strLoadedBytes, m_listLoaded, {});
        m_strLoadedBytes.clear();
    }
    return m_loadOutcome == LoadOutcome::Loaded;
}

bool CFolvexApp::KeepUnreadFile() {
    const bool bKeepBytes = m_loadOutcome == LoadOutcome::Invalid ||
                            m_loadOutcome == LoadOutcome::NewerVersion ||
                            m_loadOutcome == LoadOutcome::Damaged;
    const bool bKeepFile = m_loadOutcome == LoadOutcome::NotFound && m_bUnreadFileExists;
    if (!bKeepBytes && !bKeepFile) {
        return true;
    }
    const QString strBackup = QString::fromStdString(BackupPath());
    for (;;) {
        std::string strError;
        bool bKept = false;
        {
            const CGroupListLock lock(GroupListPath());
            if (bKeepBytes) {
                bKept = Platform().WriteFileAtomically(BackupPath(), m_strLoadedBytes, strError);
            } else {
                // The file exists but could not be read: move it aside as it is.
                bKept = Platform().RenameFile(GroupListPath(), BackupPath(), strError);
            }
        }
        if (bKept) {
            ShowMessageBox(nullptr,
                           QStringLiteral("The group list file could not be read whole when "
                                          "Folvex started.\nIts previous content is kept as\n%1")
                               .arg(strBackup),
                           MessageButtons::Ok, QMessageBox::Information);
            m_loadOutcome = LoadOutcome::Loaded;
            m_strLoadedBytes.clear();
            return true;
        }
        if (!AskRetry(QStringLiteral("Could not keep the unread group list file as\n%1\n\n%2\n\n"
                                     "Retry, or Cancel to leave %3 as it is and not save "
                                     "this session's changes.")
                          .arg(strBackup, QString::fromStdString(strError),
                               QString::fromStdString(GroupListPath())))) {
            return false;
        }
    }
}

bool CFolvexApp::WriteGroupList(std::string& strError) {
    // A failed lock does not stop the save: the user's work comes first.
    const CGroupListLock lock(GroupListPath());
    CSyncGroupList current;
    if (!m_listLoaded.IsEmpty() &&
        LoadGroupListFile(GroupListPath(), current, {}) == LoadOutcome::Loaded) {
        TakeRunsSavedElsewhere(m_listGroups, m_listLoaded, current);
    }
    return ::SaveGroupList(GroupListPath(), m_listGroups, strError);
}

bool CFolvexApp::SaveGroupList() {
    if (!KeepUnreadFile()) {
        return false;
    }
    for (;;) {
        std::string strError;
        if (WriteGroupList(strError)) {
            return true;
        }
        if (!AskRetry(QStringLiteral("Could not save the group list to\n%1\n\n%2\n\n"
                                     "Retry, or Cancel to quit without saving.")
                          .arg(QString::fromStdString(GroupListPath()),
                               QString::fromStdString(strError)))) {
            return false;
        }
    }
}
