// SPDX-License-Identifier: GPL-3.0-or-later
#include "Sync_ProgressDlg.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <system_error>

#include "DialogBuilder.h"
#include "PercentBar.h"
#include "SyncGroup.h"
#include "Synchronize.h"
#include "UserPrompts.h"
#include "resources.h"

namespace {

constexpr int kValueFields[] = {IDC_PROGRESS_FOLDER, IDC_PROGRESS_DEST,    IDC_PROGRESS_FILE,
                                IDC_PROGRESS_BYTES,  IDC_PROGRESS_PERCENT, IDC_PROGRESS_SPARE};

void ShowFieldText(const QWidget& dialog, int nId, const QString& strText) {
    QWidget* pField = FindControl(dialog, nId);
    if (auto* pBar = qobject_cast<CPercentBar*>(pField)) {
        pBar->SetText(strText);
    } else if (auto* pLabel = qobject_cast<QLabel*>(pField)) {
        pLabel->setText(strText);
    }
}

}  // namespace

CSyncProgressDlg::CSyncProgressDlg(QWidget* pParent, IPlatform& platform)
    : QDialog(pParent), m_platform(platform), m_fieldUpdate(this, [this] { ApplyFieldTexts(); }) {
    // No close box: the window ends only on the end-of-run command.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    BuildDialog(*this, ProgressDialogTemplate());
    connect(Control<QPushButton>(*this, IDC_PROGRESS_CANCEL), &QPushButton::clicked, this,
            &CSyncProgressDlg::OnCancel);
    connect(Control<QPushButton>(*this, IDC_PROGRESS_START), &QPushButton::clicked, this,
            &CSyncProgressDlg::OnStart);
}

CSyncProgressDlg::~CSyncProgressDlg() {
    // Only reached with a live worker if the window is destroyed outside its modal run.
    if (m_worker.joinable()) {
        if (m_pPair != nullptr) {
            m_pPair->m_bCancel = 1;
        }
        m_worker.join();
    }
}

int CSyncProgressDlg::exec() {
    // A cancel pressed from now on, even before the worker reaches its first file, stops
    // this pair; one left from an earlier pair does not.
    if (m_pPair != nullptr) {
        m_pPair->m_bCancel.store(0);
    }
    ClearFieldTexts();
    // The start command arrives inside the modal loop, once every control exists.
    QMetaObject::invokeMethod(this, &CSyncProgressDlg::OnStart, Qt::QueuedConnection);
    Control<QPushButton>(*this, IDC_PROGRESS_CANCEL)->setFocus();
    if (QWidget* pOwner = parentWidget()) {
        // The template places the window relative to its owner's client area.
        const CDialogTemplate& dlgTemplate = ProgressDialogTemplate();
        move(pOwner->mapToGlobal(
            DialogUnitsOf(*this).ToPixels(dlgTemplate.x, dlgTemplate.y, 0, 0).topLeft()));
    }
    return QDialog::exec();
}

bool CSyncProgressDlg::StartWorker(std::string& strError) {
    try {
        m_worker =
            std::thread(SyncThreadProc, static_cast<void*>(static_cast<IProgressWindow*>(this)));
    } catch (const std::system_error& error) {
        strError = error.what();
        return false;
    }
    return true;
}

void CSyncProgressDlg::OnStart() {
    if (m_pPair == nullptr) {
        done(0);  // nothing to run
        return;
    }
    if (m_worker.joinable()) {
        return;  // already running
    }
    m_pPair->m_pPlatform = &m_platform;
    std::string strError;
    if (!StartWorker(strError)) {
        // No end-of-run command will come: end now and say why in the log.
        if (m_pPair->m_pLogList != nullptr) {
            m_pPair->m_pLogList->InsertString(
                0, "ERROR: Could not start the synchronization: " + strError);
        }
        done(0);
    }
}

void CSyncProgressDlg::PostEndOfRun() {
    QMetaObject::invokeMethod(this, "OnEndOfRun", Qt::QueuedConnection);
}

void CSyncProgressDlg::OnEndOfRun() {
    // The worker's last act was the post, so the join is short.
    if (m_worker.joinable()) {
        m_worker.join();
    }
    ApplyFieldTexts();
    done(m_pPair != nullptr && m_pPair->m_nErrors <= 0 ? 1 : 0);
}

bool CSyncProgressDlg::ConfirmEmptyDestination(const std::string& strDestination) {
    // The question and its answer pass under a lock of our own, not as arguments of the
    // queued call, so that the hand-over is one a thread checker can see.
    std::unique_lock lock(m_questionMutex);
    m_strQuestionFolder = strDestination;
    m_answer.reset();
    lock.unlock();
    QMetaObject::invokeMethod(this, "AskEmptyDestination", Qt::QueuedConnection);
    lock.lock();
    m_answered.wait(lock, [this] { return m_answer.has_value(); });
    return *m_answer;
}

void CSyncProgressDlg::AskEmptyDestination() {
    QString strFolder;
    {
        std::lock_guard lock(m_questionMutex);
        strFolder = QString::fromStdString(m_strQuestionFolder);
    }
    const bool bYes =
        ShowMessageBox(this,
                       QStringLiteral("The destination folder is empty, although an earlier run "
                                      "copied files there. Is its disk mounted? Copy everything "
                                      "again?\n\n%1")
                           .arg(strFolder),
                       MessageButtons::YesNoDefaultNo, QMessageBox::Question) == QMessageBox::Yes;
    std::lock_guard lock(m_questionMutex);
    m_answer = bYes;
    m_answered.notify_all();
}

void CSyncProgressDlg::OnCancel() {
    if (m_pPair != nullptr) {
        m_pPair->m_bCancel = 1;
    }
}

void CSyncProgressDlg::reject() {
    OnCancel();
}

void CSyncProgressDlg::closeEvent(QCloseEvent* pEvent) {
    pEvent->ignore();
    OnCancel();
}

void CSyncProgressDlg::SetDlgItemText(int nId, const std::string& strText) {
    {
        std::lock_guard lock(m_fieldMutex);
        m_fieldTexts[nId] = strText;
        m_totals.OnFieldText(nId, strText);
    }
    m_fieldUpdate.Request();
}

void CSyncProgressDlg::AddRunTotals(uint64_t nFilesChecked, uint64_t nFilesCopied,
                                    uint64_t nBytesCopied) {
    {
        std::lock_guard lock(m_fieldMutex);
        m_totals.Add(nFilesChecked, nFilesCopied, nBytesCopied);
    }
    m_fieldUpdate.Request();
}

void CSyncProgressDlg::PlanStarted() {
    {
        std::lock_guard lock(m_fieldMutex);
        m_totals.PlanStarted();
    }
    m_fieldUpdate.Request();
}

void CSyncProgressDlg::PlanMade(uint64_t nFilesToCopy, uint64_t nBytesToCopy) {
    {
        std::lock_guard lock(m_fieldMutex);
        m_totals.PlanMade(nFilesToCopy, nBytesToCopy, m_runClock.elapsed());
    }
    m_fieldUpdate.Request();
}

QString CSyncProgressDlg::GetDlgItemText(int nId) const {
    std::lock_guard lock(m_fieldMutex);
    const auto it = m_fieldTexts.find(nId);
    return it == m_fieldTexts.end() ? QString() : QString::fromStdString(it->second);
}

void CSyncProgressDlg::ApplyFieldTexts() {
    std::map<int, std::string> texts;
    CRunTotals totals;
    {
        std::lock_guard lock(m_fieldMutex);
        texts = m_fieldTexts;
        totals = m_totals;
    }
    for (const auto& [nId, strText] : texts) {
        ShowFieldText(*this, nId, QString::fromStdString(strText));
    }
    ShowFieldText(*this, IDC_PROGRESS_SPARE,
                  QString::fromStdString(totals.WholeRunText(m_runClock.elapsed())));
}

void CSyncProgressDlg::ClearFieldTexts() {
    {
        std::lock_guard lock(m_fieldMutex);
        m_fieldTexts.clear();
        m_totals = CRunTotals();
    }
    m_runClock.start();
    for (int nId : kValueFields) {
        ShowFieldText(*this, nId, QString());
    }
}
