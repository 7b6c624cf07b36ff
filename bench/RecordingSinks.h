// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's two windows replaced by plain recorders, so that a run costs the engine's
// work alone.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "SyncWindows.h"

// Keeps every log line, newest first as the log window would show it. The lines are kept
// in arrival order and reversed only when asked for, so an insert costs O(1).
class RecordingLogList : public ILogList {
public:
    void InsertString(int nIndex, const std::string& strLine) override {
        (void)nIndex;
        m_linesOldestFirst.push_back(strLine);
    }
    size_t Count() const { return m_linesOldestFirst.size(); }
    const std::string& Newest() const { return m_linesOldestFirst.back(); }

private:
    std::vector<std::string> m_linesOldestFirst;
};

// Keeps the last text of each value field.
class RecordingProgressWindow : public IProgressWindow {
public:
    void SetDlgItemText(int nId, const std::string& strText) override { m_fields[nId] = strText; }
    void PostEndOfRun() override { ++m_nEndOfRunPosts; }

    std::map<int, std::string> m_fields;
    int m_nEndOfRunPosts = 0;
};
