// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: construction, data transfer, initialisation, keys, the About entry.
#include "FolvexDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>

#include "DateTransfer.h"
#include "DialogBuilder.h"
#include "GrowingLayout.h"
#include "HelpViewer.h"
#include "LogListBox.h"
#include "WindowPlacement.h"
#include "resources.h"

namespace {

void TextToControl(QLineEdit& edit, const std::string& strValue) {
    edit.setText(QString::fromStdString(strValue));
}

// Keeps the member's bytes unless the user changed the text, so a folder name that is not
// valid UTF-8 survives a transfer that only ticks a check box.
void TextFromControl(const QLineEdit& edit, std::string& strValue) {
    if (edit.text() != QString::fromStdString(strValue)) {
        strValue = edit.text().toStdString();
    }
}

void CheckToControl(QCheckBox& box, int32_t bValue) {
    box.setChecked(bValue != 0);
}

void CheckFromControl(const QCheckBox& box, int32_t& bValue) {
    bValue = box.isChecked() ? 1 : 0;
}

constexpr const char* kPlacementKey = "MainWindow/Geometry";

}  // namespace

CAboutDlg::CAboutDlg(QWidget* pParent) : QDialog(pParent) {
    BuildDialog(*this, AboutDialogTemplate());
    connect(Control<QPushButton>(*this, IDOK), &QPushButton::clicked, this, &QDialog::accept);
}

CFolvexDlg::CFolvexDlg(CSyncGroupList& listGroups, QWidget* pParent)
    : QDialog(pParent), m_hIcon(LoadAppIcon()), m_listGroups(listGroups) {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    BuildDialog(*this, MainDialogTemplate());
    // The pair list and the log take what the window grows by.
    new CGrowingLayout(*this, IDC_PAIRS, IDC_LOG);
    RestoreWindowPlacement(*this, kPlacementKey);
    m_cbGroups = Control<QComboBox>(*this, IDC_GROUPS);
    m_lbLog = Control<CLogListBox>(*this, IDC_LOG);
    m_lbPairs = Control<QListWidget>(*this, IDC_PAIRS);
    m_edSource = Control<QLineEdit>(*this, IDC_SOURCE);
    m_edDestination = Control<QLineEdit>(*this, IDC_DESTINATION);
    m_edExclude = Control<QLineEdit>(*this, IDC_EXCLUDE);
    m_edExclude->setToolTip(ExcludeFieldToolTip());
    m_chkOnlyNewer = Control<QCheckBox>(*this, IDC_ONLY_NEWER);
    m_chkSubFolders = Control<QCheckBox>(*this, IDC_SUBFOLDERS);
    m_chkCheckDestDate = Control<QCheckBox>(*this, IDC_CHECK_DEST_DATE);
    m_chkOverwriteRHS = Control<QCheckBox>(*this, IDC_OVERWRITE_RHS);
    m_chkBothWays = Control<QCheckBox>(*this, IDC_BOTH_WAYS);
    m_dtLastCopy = Control<QDateEdit>(*this, IDC_LAST_COPY);
    m_stSyncInfo = Control<QLabel>(*this, IDC_SYNC_INFO);
    m_strNoPairInfo = m_stSyncInfo->text();
    ConnectHandlers();
    OnInitDialog();
}

CFolvexDlg::~CFolvexDlg() {
    // A help viewer that "&Help" opened goes with the window.
    QuitHelpViewer();
}

void CFolvexDlg::ConnectHandlers() {
    const auto onClick = [this](int nId, void (CFolvexDlg::*pHandler)()) {
        connect(Control<QAbstractButton>(*this, nId), &QAbstractButton::clicked, this, pHandler);
    };
    connect(Control<QPushButton>(*this, IDCANCEL), &QPushButton::clicked, this, &QDialog::reject);
    connect(Control<QPushButton>(*this, ID_HELP), &QPushButton::clicked, this,
            &CFolvexDlg::HelpCommand);
    onClick(IDC_SOURCE_DIR, &CFolvexDlg::OnSourceDir);
    onClick(IDC_DESTINATION_DIR, &CFolvexDlg::OnDestinationDir);
    onClick(IDC_START, &CFolvexDlg::OnStart);
    onClick(IDC_START_ALL, &CFolvexDlg::OnStartAll);
    onClick(IDC_ADD, &CFolvexDlg::OnAdd);
    onClick(IDC_REMOVE, &CFolvexDlg::OnRemove);
    onClick(IDC_REVERSE, &CFolvexDlg::OnReverse);
    for (int nId :
         {IDC_ONLY_NEWER, IDC_SUBFOLDERS, IDC_CHECK_DEST_DATE, IDC_OVERWRITE_RHS, IDC_BOTH_WAYS}) {
        onClick(nId, &CFolvexDlg::StoreCurrentPair);
    }
    for (QLineEdit* pEdit : {m_edSource, m_edDestination, m_edExclude}) {
        connect(pEdit, &QLineEdit::textEdited, this, &CFolvexDlg::StoreCurrentPair);
    }
    connect(m_dtLastCopy, &QDateEdit::dateChanged, this, &CFolvexDlg::StoreCurrentPair);
    connect(m_lbPairs, &QListWidget::itemSelectionChanged, this, &CFolvexDlg::OnSelchangePairs);
    m_lbPairs->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_lbPairs, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        ShowContextMenu(m_lbPairs->viewport()->mapToGlobal(pos), true);
    });
    connect(m_cbGroups, &QComboBox::activated, this, &CFolvexDlg::OnSelchangeGroups);
    connect(m_cbGroups->lineEdit(), &QLineEdit::textEdited, this, &CFolvexDlg::OnEditGroupName);

    // Keyboard focus of the two lists decides what Add and Remove act on.
    for (QWidget* pWatched : {static_cast<QWidget*>(m_lbPairs), static_cast<QWidget*>(m_cbGroups),
                              static_cast<QWidget*>(m_cbGroups->lineEdit())}) {
        pWatched->installEventFilter(this);
    }
}

void CFolvexDlg::OnInitDialog() {
    UpdateData(false);
    setWindowIcon(m_hIcon);
    m_nCurPair = 0;
    FillLists(0);
    Control<QPushButton>(*this, IDCANCEL)->setFocus();
}

void CFolvexDlg::UpdateData(bool bSaveAndValidate) {
    if (bSaveAndValidate) {
        CheckFromControl(*m_chkOnlyNewer, m_bOnlyNewer);
        CheckFromControl(*m_chkCheckDestDate, m_bCheckDestDate);
        CheckFromControl(*m_chkOverwriteRHS, m_bOverwriteRHS);
        CheckFromControl(*m_chkSubFolders, m_bSubFolders);
        TextFromControl(*m_edDestination, m_strDestination);
        TextFromControl(*m_edExclude, m_strExclude);
        TextFromControl(*m_edSource, m_strSource);
        m_timeLastCopy = WithLocalDate(m_timeLastCopy, m_dtLastCopy->date());
        CheckFromControl(*m_chkBothWays, m_bBothWays);
        return;
    }
    const QSignalBlocker blockDate(m_dtLastCopy);
    const QSignalBlocker blockSource(m_edSource);
    const QSignalBlocker blockDestination(m_edDestination);
    const QSignalBlocker blockExclude(m_edExclude);
    CheckToControl(*m_chkOnlyNewer, m_bOnlyNewer);
    CheckToControl(*m_chkCheckDestDate, m_bCheckDestDate);
    CheckToControl(*m_chkOverwriteRHS, m_bOverwriteRHS);
    CheckToControl(*m_chkSubFolders, m_bSubFolders);
    TextToControl(*m_edDestination, m_strDestination);
    TextToControl(*m_edExclude, m_strExclude);
    TextToControl(*m_edSource, m_strSource);
    m_dtLastCopy->setDate(LocalDateOf(m_timeLastCopy));
    CheckToControl(*m_chkBothWays, m_bBothWays);
}

void CFolvexDlg::done(int nResult) {
    // Every way of closing the window ends here.
    SaveWindowPlacement(*this, kPlacementKey);
    QDialog::done(nResult);
}

void CFolvexDlg::OnOK() {
    UpdateData(true);
    accept();
}

void CFolvexDlg::keyPressEvent(QKeyEvent* pEvent) {
    const bool bEnter = pEvent->key() == Qt::Key_Return || pEvent->key() == Qt::Key_Enter;
    if (bEnter && qobject_cast<QPushButton*>(focusWidget()) == nullptr) {
        // Enter with no button focused is the confirm command.
        OnOK();
        return;
    }
    QDialog::keyPressEvent(pEvent);
}

bool CFolvexDlg::eventFilter(QObject* pWatched, QEvent* pEvent) {
    if (pEvent->type() == QEvent::FocusIn) {
        m_nLastFocusList = pWatched == m_lbPairs ? IDC_PAIRS : IDC_GROUPS;
    }
    return QDialog::eventFilter(pWatched, pEvent);
}

void CFolvexDlg::contextMenuEvent(QContextMenuEvent* pEvent) {
    ShowContextMenu(pEvent->globalPos(), false);
}

void CFolvexDlg::ShowContextMenu(const QPoint& globalPos, bool bOnPairList) {
    QMenu menu(this);
    FillContextMenu(menu, bOnPairList);
    menu.exec(globalPos);
}

void CFolvexDlg::FillContextMenu(QMenu& menu, bool bOnPairList) {
    if (bOnPairList) {
        QAction* pOpen =
            menu.addAction(tr("Open replaced versions"), this, &CFolvexDlg::OnOpenReplacedVersions);
        pOpen->setEnabled(!m_lbPairs->selectedItems().isEmpty());
        menu.addSeparator();
    }
    menu.addAction(tr("Settings..."), this, &CFolvexDlg::OnSettings);
    menu.addSeparator();
    // This platform's system menu cannot take entries; the About entry lives here.
    menu.addAction(tr("&Close"), this, &QDialog::reject);
    const QString strAbout = LoadResourceString(IDS_ABOUTBOX);
    if (!strAbout.isEmpty()) {
        menu.addSeparator();
        menu.addAction(strAbout, this, [this] { OnSysCommand(IDM_ABOUTBOX); });
    }
}

void CFolvexDlg::OnSysCommand(int nId) {
    if ((nId & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout(this);
        dlgAbout.exec();
    }
}

void CFolvexDlg::SetInfoText(const QString& strText) {
    m_stSyncInfo->setText(strText);
}
