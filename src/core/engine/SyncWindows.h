// SPDX-License-Identifier: GPL-3.0-or-later
// The two small window interfaces through which the engine reaches the desktop windows.
// The Qt windows implement them; tests implement them with plain recorders.
#pragma once

#include <cstdint>
#include <string>

class CSyncPair;

// Control ids of the progress window's value fields, written by the engine.
enum ProgressFieldId : int {
    IDC_PROGRESS_FILE = 118,
    IDC_PROGRESS_BYTES = 119,
    IDC_PROGRESS_PERCENT = 120,
    IDC_PROGRESS_DEST = 121,
    IDC_PROGRESS_FOLDER = 122,
};

// The start command of the progress window; the end-of-run command is PostEndOfRun.
enum ProgressCommandId : int {
    ID_PROGRESS_START = 111,
};

// The line StartAll, and the runner for a group, write after each pair.
inline const std::string kPairSeparatorLine(27, '*');

// The log window: a list of lines. Index 0 inserts at the top, -1 appends at the end.
// Called from the worker thread; the call returns once the line is in the list's store, in
// order with the others (the window draws it later).
class ILogList {
public:
    virtual ~ILogList() = default;
    virtual void InsertString(int nIndex, const std::string& strLine) = 0;
};

// The progress window as the worker sees it.
class IProgressWindow {
public:
    virtual ~IProgressWindow() = default;

    // Replaces the whole text of one value field. Called from the worker thread; the call
    // returns once the text is stored, and the window shows it at its next repaint.
    virtual void SetDlgItemText(int nId, const std::string& strText) = 0;
    // Queues the end-of-run command (id 129) to the window; does not wait.
    virtual void PostEndOfRun() = 0;
    // Adds to the run's running totals: files checked, files copied, bytes copied. Called
    // now and then while a run goes on, in walk order; a window that shows none ignores it.
    virtual void AddRunTotals(uint64_t /*nFilesChecked*/, uint64_t /*nFilesCopied*/,
                              uint64_t /*nBytesCopied*/) {}
    // A run (one direction of a pair) starts to walk its source and decide every file;
    // then it knows what it will copy: so many files of so many bytes, which it copies now.
    virtual void PlanStarted() {}
    virtual void PlanMade(uint64_t /*nFilesToCopy*/, uint64_t /*nBytesToCopy*/) {}
    // Asks whether to copy into a destination folder that is empty although an earlier run
    // copied files there: a mount point whose disk is not mounted is such a folder, and
    // copying into it fills the disk it lies on. Called on the worker thread; returns the
    // answer. A window that cannot ask answers no.
    virtual bool ConfirmEmptyDestination(const std::string& /*strDestination*/) { return false; }

    // The pair to synchronize; set by the caller before every run. Not owned.
    CSyncPair* m_pPair = nullptr;
};
