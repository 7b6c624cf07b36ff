// SPDX-License-Identifier: GPL-3.0-or-later
#include "RunnerConsole.h"

#include <unistd.h>

#include <utility>

#include "DisplayText.h"

namespace {

// The progress line is drawn at most this often.
constexpr auto kDrawInterval = std::chrono::milliseconds(100);

// Back to the start of the line, and the line cleared.
constexpr const char* kEraseLine = "\r\033[K";

}  // namespace

void CRunnerConsole::InsertString(int /*nIndex*/, const std::string& strLine) {
    std::lock_guard lock(m_mutex);
    const bool bError = strLine.rfind("ERROR", 0) == 0;
    const bool bWarning = strLine.rfind("WARNING", 0) == 0;
    if (bError || bWarning) {
        ++(bError ? m_pair.nErrorLines : m_pair.nWarningLines);
        if (m_pair.problems.size() < kReportedProblems) {
            m_pair.problems.push_back(strLine);
        }
    }
    WriteLine(strLine, bError || bWarning);
}

void CRunnerConsole::ReportLine(const std::string& strLine, bool bNotable) {
    std::lock_guard lock(m_mutex);
    WriteLine(strLine, bNotable);
}

void CRunnerConsole::BeginPair() {
    std::lock_guard lock(m_mutex);
    m_pair = {};
}

CPairCounts CRunnerConsole::EndPair() {
    std::lock_guard lock(m_mutex);
    return std::exchange(m_pair, {});
}

// Under the lock.
void CRunnerConsole::WriteLine(const std::string& strLine, bool bNotable) {
    if (m_lines.bQuiet && !bNotable) {
        return;
    }
    const std::string strShown = EscapeControlCharacters(strLine);
    if (m_bSameScreen) {
        EraseProgress();
    }
    m_out << strShown << '\n';
    m_out.flush();
    std::string strError;
    if (m_lines.pLog != nullptr && !m_lines.pLog->WriteLine(strShown, strError) &&
        m_lines.pErr != nullptr) {
        EraseProgress();
        *m_lines.pErr << "folvex: " << strError << '\n';
    }
}

void CRunnerConsole::SetDlgItemText(int nId, const std::string& strText) {
    if (m_pProgress == nullptr) {
        return;
    }
    std::lock_guard lock(m_mutex);
    m_fields[nId] = strText;
    m_totals.OnFieldText(nId, strText);
    DrawNowAndThen();
}

void CRunnerConsole::AddRunTotals(uint64_t nFilesChecked, uint64_t nFilesCopied,
                                  uint64_t nBytesCopied) {
    std::lock_guard lock(m_mutex);
    m_totals.Add(nFilesChecked, nFilesCopied, nBytesCopied);
    m_pair.nFilesChecked += nFilesChecked;
    m_pair.nFilesCopied += nFilesCopied;
    m_pair.nBytesCopied += nBytesCopied;
    DrawNowAndThen();
}

void CRunnerConsole::PlanStarted() {
    std::lock_guard lock(m_mutex);
    m_totals.PlanStarted();
}

void CRunnerConsole::PlanMade(uint64_t nFilesToCopy, uint64_t nBytesToCopy) {
    std::lock_guard lock(m_mutex);
    m_totals.PlanMade(nFilesToCopy, nBytesToCopy, ElapsedMs());
}

int64_t CRunnerConsole::ElapsedMs() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 m_started)
        .count();
}

// Under the lock.
void CRunnerConsole::DrawNowAndThen() {
    const auto now = std::chrono::steady_clock::now();
    if (m_pProgress != nullptr && now - m_lastDrawn >= kDrawInterval) {
        m_lastDrawn = now;
        DrawProgress();
    }
}

void CRunnerConsole::ClearProgress() {
    std::lock_guard lock(m_mutex);
    EraseProgress();
}

// Under the lock.
void CRunnerConsole::EraseProgress() {
    if (m_bProgressShown) {
        *m_pProgress << kEraseLine << std::flush;
        m_bProgressShown = false;
    }
}

// "<the whole run: files, bytes, time left>  <file, or the folder before the first file>",
// cut at the left to the terminal's width.
void CRunnerConsole::DrawProgress() {
    const std::string& strFile = m_fields[IDC_PROGRESS_FILE];
    std::string strWhere =
        EscapeControlCharacters(strFile.empty() ? m_fields[IDC_PROGRESS_FOLDER] : strFile);
    const std::string strHead = m_totals.WholeRunText(ElapsedMs()) + "  ";
    // The progress line goes to standard error (see CommandLine.cpp).
    const int nWidth = m_platform.TerminalWidth(STDERR_FILENO);
    const size_t nRoom = static_cast<size_t>(nWidth > 10 ? nWidth : 80) - 1;
    if (strHead.size() + strWhere.size() > nRoom) {
        const size_t nKeep = nRoom > strHead.size() + 3 ? nRoom - strHead.size() - 3 : 0;
        strWhere = "..." + strWhere.substr(strWhere.size() - nKeep);
    }
    *m_pProgress << kEraseLine << strHead << strWhere << std::flush;
    m_bProgressShown = true;
}
