#include "RunnerConsole.h"

#include <unistd.h>

#include "DisplayText.h"

namespace {

// The progress line is drawn at most this often.
constexpr auto kDrawInterval = std::chrono::milliseconds(100);

// Back to the start of the line, and the line cleared.
constexpr const char* kEraseLine = "\r\033[K";

}  // namespace

void CRunnerConsole::InsertString(int /*nIndex*/, const std::string& strLine) {
    std::lock_guard lock(m_mutex);
    if (m_bSameScreen) {
        EraseProgress();
    }
    m_out << EscapeControlCharacters(strLine) << '\n';
    m_out.flush();
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
