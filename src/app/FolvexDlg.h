// SPDX-License-Identifier: GPL-3.0-or-later
// The main window "synchronize" and the About box.
#pragma once

#include <QDialog>
#include <QIcon>
#include <string>

#include "SyncGroup.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class CLogListBox;

// The About box: the icon, "Folvex Version 1.0" and OK.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* pParent = nullptr);
};

// The main window. It edits the group list in place: every change in its edits, check boxes
// and date picker is written into the current pair at once. Handlers run on user actions
// only; the window's own writes to its controls never start one.
class CFolvexDlg : public QDialog {
    Q_OBJECT
public:
    explicit CFolvexDlg(CSyncGroupList& listGroups, QWidget* pParent = nullptr);
    ~CFolvexDlg() override;

    int DoModal() { return exec(); }

    // Data transfer: false copies the members into the controls, true the controls into
    // the members.
    void UpdateData(bool bSaveAndValidate);

    void FillLists(int32_t nWanted);
    // Shows the current pair; empty fields when there is none.
    void ShowCurrentPair();
    void StoreCurrentPair();

    // Handlers; public so that the commands can be driven as the user would.
    void OnSelchangePairs();
    void OnSelchangeGroups();
    void OnEditGroupName();
    void OnAdd();
    void OnRemove();
    void OnReverse();
    void OnSourceDir();
    void OnDestinationDir();
    void OnStart();
    void OnStartAll();
    void OnSysCommand(int nId);
    // "Settings...": the settings window, on the settings file.
    void OnSettings();
    // Opens the selected pair's versions folder in the file manager, or says there is none.
    void OnOpenReplacedVersions();
    void OnOK();
    // The context menu: the window's entries, after the pair's own when bOnPairList.
    void FillContextMenu(QMenu& menu, bool bOnPairList);
    // Closes the window, keeping its size and place for the next start.
    void done(int nResult) override;

    // Members, in the order of the window's design.
    int32_t m_nLastFocusList = 0;
    QComboBox* m_cbGroups = nullptr;
    CLogListBox* m_lbLog = nullptr;
    QListWidget* m_lbPairs = nullptr;
    int32_t m_bOnlyNewer = 0;
    int32_t m_bCheckDestDate = 0;
    int32_t m_bOverwriteRHS = 0;
    int32_t m_bSubFolders = 0;
    std::string m_strDestination;
    std::string m_strExclude;
    std::string m_strSource;
    CTime32 m_timeLastCopy = 0;
    int32_t m_bBothWays = 0;
    QIcon m_hIcon;
    int32_t m_nCurPair = 0;
    int32_t m_nCurGroup = 0;

signals:
    // The "&Help" button: the application shows its help.
    void HelpCommand();

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void contextMenuEvent(QContextMenuEvent* pEvent) override;

private:
    void OnInitDialog();
    void ConnectHandlers();
    void ChooseFolderInto(std::string& strFolder);
    CSyncGroup* GroupAt(int32_t nIndex) const;
    CSyncPair* PairAt(int32_t nIndex) const;
    CSyncGroup* SelectedGroup() const;
    void ShowNoPair();
    void SetInfoText(const QString& strText);
    void ShowErrorSummary();
    void ShowContextMenu(const QPoint& globalPos, bool bOnPairList);
    // The days to keep replaced files, from the settings file, onto a pair about to run.
    static void TakeKeepVersionDays(CSyncPair& pair);

    CSyncGroupList& m_listGroups;
    QLineEdit* m_edSource = nullptr;
    QLineEdit* m_edDestination = nullptr;
    QLineEdit* m_edExclude = nullptr;
    QCheckBox* m_chkOnlyNewer = nullptr;
    QCheckBox* m_chkSubFolders = nullptr;
    QCheckBox* m_chkCheckDestDate = nullptr;
    QCheckBox* m_chkOverwriteRHS = nullptr;
    QCheckBox* m_chkBothWays = nullptr;
    QDateEdit* m_dtLastCopy = nullptr;
    QLabel* m_stSyncInfo = nullptr;
    QString m_strNoPairInfo;  // the info text of the template, shown when no pair is current
};
