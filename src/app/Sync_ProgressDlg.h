// SPDX-License-Identifier: GPL-3.0-or-later
// The progress window "Synchronize copying": it starts the worker for one sync pair, shows
// what the engine writes into its value fields (the percent line as a bar), keeps the
// run's running totals in its spare line, turns Cancel (the button, Escape, the window
// manager's close) into the pair's cancel request, and ends only when the worker posts the
// end-of-run command. One window object may run several pairs in a row.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "CoalescedUpdate.h"
#include "RunTotals.h"
#include "SyncWindows.h"
#include "platform.h"

class CSyncProgressDlg : public QDialog, public IProgressWindow {
    Q_OBJECT
public:
    // The pairs it runs work on platform.
    explicit CSyncProgressDlg(QWidget* pParent = nullptr, IPlatform& platform = Platform());
    ~CSyncProgressDlg() override;

    // Runs m_pPair behind the modal window. Returns 1 when the pair's m_nErrors is zero or
    // less when the run ends, else 0; also 0 when no worker could be started.
    int DoModal() { return exec(); }
    int exec() override;

    // IProgressWindow, called by the worker: the text is stored when the call returns and
    // the window shows it at its next repaint.
    void SetDlgItemText(int nId, const std::string& strText) override;
    void PostEndOfRun() override;
    void AddRunTotals(uint64_t nFilesChecked, uint64_t nFilesCopied,
                      uint64_t nBytesCopied) override;
    void PlanStarted() override;
    void PlanMade(uint64_t nFilesToCopy, uint64_t nBytesToCopy) override;
    // Asks the user in a question box, on the window's thread; the worker waits for it.
    bool ConfirmEmptyDestination(const std::string& strDestination) override;

    // The text of a value field as last written.
    QString GetDlgItemText(int nId) const;

    // The cancel action: sets the pair's cancel request, nothing else.
    void OnCancel();

protected:
    void reject() override;
    void closeEvent(QCloseEvent* pEvent) override;
    // Starts the worker thread; false, with the reason, when it cannot be started.
    virtual bool StartWorker(std::string& strError);

private:
    void OnStart();
    // Queued by name from the worker, as CCoalescedUpdate::Deliver is.
    Q_INVOKABLE void OnEndOfRun();
    Q_INVOKABLE void AskEmptyDestination();
    void ApplyFieldTexts();
    void ClearFieldTexts();

    IPlatform& m_platform;
    std::thread m_worker;
    mutable std::mutex m_fieldMutex;
    std::map<int, std::string> m_fieldTexts;
    CRunTotals m_totals;  // under m_fieldMutex: it sees every write, not only the shown ones
    CCoalescedUpdate m_fieldUpdate;
    // The time since the run's start; read by the worker too (QElapsedTimer's elapsed() only
    // reads the clock).
    QElapsedTimer m_runClock;
    // The worker's question about an empty destination, and the user's answer.
    std::mutex m_questionMutex;
    std::condition_variable m_answered;
    std::string m_strQuestionFolder;
    std::optional<bool> m_answer;
};
