#include "RunnerConsole.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include "DisplayText.h"

namespace {

// The progress line is drawn at most this often.
constexpr auto kDrawInterval = std::chrono::milliseconds(100);

size_t TerminalWidth() {
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 10) {
        return size.ws_col;
    }
    return 80;
}

}  // namespace

void CRunnerConsole::InsertString(int /*nIndex*/, const std::string& strLine) {
    std::lock_guard lock(m_mutex);
    if (m_bProgressShown && m_bSameScreen) {
        *m_pProgress << "\r\033[K" << std::flush;
        m_bProgressShown = false;
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
    if (nId == IDC_PROGRESS_FILE) {
        ++m_nFilesStarted;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now - m_lastDrawn >= kDrawInterval) {
        m_lastDrawn = now;
        DrawProgress();
    }
}

void CRunnerConsole::ClearProgress() {
    std::lock_guard lock(m_mutex);
    if (m_bProgressShown) {
        *m_pProgress << "\r\033[K" << std::flush;
        m_bProgressShown = false;
    }
}

// "<percent> <files> files  <file, or the folder before the first file>", cut at the left
// to the terminal's width.
void CRunnerConsole::DrawProgress() {
    const std::string& strFile = m_fields[IDC_PROGRESS_FILE];
    std::string strWhere =
        EscapeControlCharacters(strFile.empty() ? m_fields[IDC_PROGRESS_FOLDER] : strFile);
    const std::string strHead =
        m_fields[IDC_PROGRESS_PERCENT] + " " + std::to_string(m_nFilesStarted) + " files  ";
    const size_t nRoom = TerminalWidth() - 1;
    if (strHead.size() + strWhere.size() > nRoom) {
        const size_t nKeep = nRoom > strHead.size() + 3 ? nRoom - strHead.size() - 3 : 0;
        strWhere = "..." + strWhere.substr(strWhere.size() - nKeep);
    }
    *m_pProgress << "\r\033[K" << strHead << strWhere << std::flush;
    m_bProgressShown = true;
}
