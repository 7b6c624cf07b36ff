// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's settings and the replaced versions of a pair: "Settings..." and
// "Open replaced versions".
#include <QDesktopServices>
#include <QListWidget>
#include <QUrl>
#include <vector>

#include "FolvexDlg.h"
#include "ReplacedVersions.h"
#include "SettingsDlg.h"
#include "SettingsFile.h"
#include "UserPrompts.h"
#include "platform.h"

namespace {

QString VersionsFolderOf(const std::string& strFolder) {
    return QString::fromStdString(strFolder + "/" + kVersionsFolderName);
}

}  // namespace

void CFolvexDlg::OnSettings() {
    CSettingsDlg dlgSettings(SettingsFile(), this);
    dlgSettings.DoModal();
}

void CFolvexDlg::OnOpenReplacedVersions() {
    const QList<QListWidgetItem*> selected = m_lbPairs->selectedItems();
    const CSyncPair* pPair =
        selected.isEmpty() ? nullptr : PairAt(m_lbPairs->row(selected.front()));
    if (pPair == nullptr) {
        return;
    }
    // Both ways, each direction keeps what it replaces on its own destination side.
    std::vector<std::string> sides = {pPair->m_strDestination};
    if (pPair->m_bBothWays != 0) {
        sides.push_back(pPair->m_strSource);
    }
    for (const std::string& strSide : sides) {
        std::vector<CVersionFolder> folders;
        // Only whether there are any: a long history is not measured for it.
        const bool bRead = ListVersionFolders(Platform(), strSide, folders, false);
        if (!bRead && folders.empty()) {
            ShowMessageBox(
                this,
                QStringLiteral("Couldn't read the replaced versions in\n%1\n\n%2")
                    .arg(VersionsFolderOf(strSide), qt_error_string(Platform().GetLastError())),
                MessageButtons::Ok, QMessageBox::Warning);
            return;
        }
        if (folders.empty()) {
            continue;
        }
        if (!QDesktopServices::openUrl(QUrl::fromLocalFile(VersionsFolderOf(strSide)))) {
            ShowMessageBox(
                this,
                QStringLiteral("No file manager could open\n%1").arg(VersionsFolderOf(strSide)),
                MessageButtons::Ok, QMessageBox::Warning);
        }
        return;
    }
    ShowMessageBox(this,
                   QStringLiteral("There are no replaced versions of this pair yet.\nWhen a run "
                                  "replaces a file, the old one is kept in\n%1")
                       .arg(VersionsFolderOf(pPair->m_strDestination)));
}
