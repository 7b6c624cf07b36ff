// SPDX-License-Identifier: GPL-3.0-or-later
// The settings window: how many days the files a run replaces are kept.
#pragma once

#include <QDialog>
#include <string>

class QSpinBox;

class CSettingsDlg : public QDialog {
    Q_OBJECT
public:
    // Shows what the settings file at strPath holds.
    CSettingsDlg(std::string strPath, QWidget* pParent = nullptr);

    int DoModal() { return exec(); }
    // OK: writes the settings file; on failure the user is told why and the window stays.
    void OnOK();

private:
    std::string m_strPath;
    QSpinBox* m_spKeepDays = nullptr;
};
