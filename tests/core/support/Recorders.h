// SPDX-License-Identifier: GPL-3.0-or-later
// Plain recorders of the engine's window writes: a log list and a progress window. Both are
// safe to read from another thread while a worker writes into them.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "SyncWindows.h"

class RecordingLog : public ILogList {
public:
    void InsertString(int nIndex, const std::string& strLine) override;

    // The lines as the log window shows them: the newest first.
    std::vector<std::string> Lines() const;
    void Clear();
    // Called after each line is added (on the writing thread), for cancels at a set point.
    std::function<void(const std::string&)> m_onLine;

private:
    mutable std::mutex m_mutex;
    std::deque<std::string> m_lines;
};

class RecordingProgress : public IProgressWindow {
public:
    void SetDlgItemText(int nId, const std::string& strText) override;
    void PostEndOfRun() override;
    bool ConfirmEmptyDestination(const std::string& strDestination) override;

    // The answer to the question whether to copy into an empty destination, and the
    // destinations asked about.
    bool m_bConfirmEmptyDestination = false;
    std::vector<std::string> EmptyDestinationQuestions() const;

    // The last text of a field ("" when never set).
    std::string Field(int nId) const;
    // Every write in order: control id and text.
    std::vector<std::pair<int, std::string>> History() const;
    // Every text written into one field, in order.
    std::vector<std::string> History(int nId) const;
    int EndOfRunCount() const;
    // Waits until the end-of-run command has been posted; false on timeout.
    bool WaitForEndOfRun(int nTimeoutMs);

    // Called after each write (on the writing thread).
    std::function<void(int, const std::string&)> m_onWrite;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_ended;
    std::map<int, std::string> m_fields;
    std::vector<std::pair<int, std::string>> m_history;
    int m_nEndOfRun = 0;
    std::vector<std::string> m_emptyDestinationQuestions;
};
