// The progress window "Synchronize copying": it starts the worker for one sync pair, shows
// what the engine writes into its value fields, turns Cancel (the button, Escape, the
// window manager's close) into the pair's cancel request, and ends only when the worker
// posts the end-of-run command. One window object may run several pairs in a row.
#pragma once

#include <QDialog>
#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "CoalescedUpdate.h"
#include "SyncWindows.h"

class CSyncProgressDlg : public QDialog, public IProgressWindow {
    Q_OBJECT
public:
    explicit CSyncProgressDlg(QWidget* pParent = nullptr);
    ~CSyncProgressDlg() override;

    // Runs m_pPair behind the modal window. Returns 1 when the pair's m_nErrors is zero or
    // less when the run ends, else 0; also 0 when no worker could be started.
    int DoModal() { return exec(); }
    int exec() override;

    // IProgressWindow, called by the worker: the text is stored when the call returns and
    // the window shows it at its next repaint.
    void SetDlgItemText(int nId, const std::string& strText) override;
    void PostEndOfRun() override;

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
    void OnEndOfRun();
    void ApplyFieldTexts();
    void ClearFieldTexts();

    std::thread m_worker;
    mutable std::mutex m_fieldMutex;
    std::map<int, std::string> m_fieldTexts;
    CCoalescedUpdate m_fieldUpdate;
};
