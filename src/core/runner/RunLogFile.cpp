// SPDX-License-Identifier: GPL-3.0-or-later
#include "RunLogFile.h"

#include <fcntl.h>

#include <cstring>
#include <ctime>

std::string DateTimeText(IPlatform& platform, int64_t nTime) {
    std::tm local{};
    char szText[32] = "";
    if (platform.LocalTime(nTime, local)) {
        std::strftime(szText, sizeof szText, "%Y-%m-%d %H:%M:%S", &local);
    }
    return szText;
}

std::string NowText(IPlatform& platform) {
    return DateTimeText(platform, platform.GetCurrentTime());
}

bool CRunLogFile::Open(const std::string& strPath, std::string& strError) {
    // Not blocking: a FIFO without a reader is refused rather than waited on.
    m_fd.Reset(
        ::open(strPath.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0600));
    if (!m_fd.Valid()) {
        strError = "cannot open the log file " + strPath + ": " + std::strerror(errno);
        return false;
    }
    const int nFlags = ::fcntl(m_fd.Get(), F_GETFL);
    if (nFlags != -1) {
        ::fcntl(m_fd.Get(), F_SETFL, nFlags & ~O_NONBLOCK);
    }
    m_strPath = strPath;
    m_bFailed = false;
    return true;
}

bool CRunLogFile::WriteLine(const std::string& strLine, std::string& strError) {
    if (!m_fd.Valid() || m_bFailed) {
        return true;
    }
    const std::string strText = NowText(m_platform) + " " + strLine + "\n";
    if (posix::WriteAll(m_fd.Get(), strText.data(), strText.size())) {
        return true;
    }
    m_bFailed = true;
    strError = "cannot write the log file " + m_strPath + ": " + std::strerror(errno) +
               "; the rest of the log goes to standard output only";
    return false;
}
