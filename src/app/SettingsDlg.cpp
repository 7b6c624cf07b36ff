// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsDlg.h"

#include <QPushButton>
#include <QSpinBox>

#include "DialogBuilder.h"
#include "SettingsFile.h"
#include "UserPrompts.h"

CSettingsDlg::CSettingsDlg(std::string strPath, QWidget* pParent)
    : QDialog(pParent), m_strPath(std::move(strPath)) {
    BuildDialog(*this, SettingsDialogTemplate());
    m_spKeepDays = Control<QSpinBox>(*this, IDC_KEEP_DAYS);
    m_spKeepDays->setRange(0, static_cast<int>(kMostKeepVersionDays));
    m_spKeepDays->setValue(static_cast<int>(ReadSettings(m_strPath).nKeepVersionDays));
    m_spKeepDays->setFocus();
    m_spKeepDays->selectAll();
    connect(Control<QPushButton>(*this, IDOK), &QPushButton::clicked, this, &CSettingsDlg::OnOK);
    connect(Control<QPushButton>(*this, IDCANCEL), &QPushButton::clicked, this, &QDialog::reject);
}

void CSettingsDlg::OnOK() {
    // A number typed but not yet confirmed counts as the user sees it.
    m_spKeepDays->interpretText();
    QString strError;
    if (!WriteKeepVersionDays(m_strPath, static_cast<uint32_t>(m_spKeepDays->value()), strError)) {
        ShowMessageBox(this, strError, MessageButtons::Ok, QMessageBox::Warning);
        return;
    }
    accept();
}
