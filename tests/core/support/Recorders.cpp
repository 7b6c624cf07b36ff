// SPDX-License-Identifier: GPL-3.0-or-later
#include "Recorders.h"

#include <chrono>

void RecordingLog::InsertString(int nIndex, const std::string& strLine) {
    {
        std::lock_guard lock(m_mutex);
        if (nIndex == 0) {
            m_lines.push_front(strLine);
        } else {
            m_lines.push_back(strLine);
        }
    }
    if (m_onLine) {
        m_onLine(strLine);
    }
}

std::vector<std::string> RecordingLog::Lines() const {
    std::lock_guard lock(m_mutex);
    return {m_lines.begin(), m_lines.end()};
}

void RecordingLog::Clear() {
    std::lock_guard lock(m_mutex);
    m_lines.clear();
}

void RecordingProgress::SetDlgItemText(int nId, const std::string& strText) {
    {
        std::lock_guard lock(m_mutex);
        m_fields[nId] = strText;
        m_history.emplace_back(nId, strText);
    }
    if (m_onWrite) {
        m_onWrite(nId, strText);
    }
}

void RecordingProgress::PostEndOfRun() {
    std::lock_guard lock(m_mutex);
    ++m_nEndOfRun;
    m_ended.notify_all();
}

bool RecordingProgress::ConfirmEmptyDestination(const std::string& strDestination) {
    std::lock_guard lock(m_mutex);
    m_emptyDestinationQuestions.push_back(strDestination);
    return m_bConfirmEmptyDestination;
}

std::vector<std::string> RecordingProgress::EmptyDestinationQuestions() const {
    std::lock_guard lock(m_mutex);
    return m_emptyDestinationQuestions;
}

std::string RecordingProgress::Field(int nId) const {
    std::lock_guard lock(m_mutex);
    const auto it = m_fields.find(nId);
    return it == m_fields.end() ? std::string() : it->second;
}

std::vector<std::pair<int, std::string>> RecordingProgress::History() const {
    std::lock_guard lock(m_mutex);
    return m_history;
}

std::vector<std::string> RecordingProgress::History(int nId) const {
    std::vector<std::string> texts;
    for (const auto& [nField, strText] : History()) {
        if (nField == nId) {
            texts.push_back(strText);
        }
    }
    return texts;
}

int RecordingProgress::EndOfRunCount() const {
    std::lock_guard lock(m_mutex);
    return m_nEndOfRun;
}

bool RecordingProgress::WaitForEndOfRun(int nTimeoutMs) {
    std::unique_lock lock(m_mutex);
    return m_ended.wait_for(lock, std::chrono::milliseconds(nTimeoutMs),
                            [this] { return m_nEndOfRun > 0; });
}
