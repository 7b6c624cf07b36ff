// SPDX-License-Identifier: GPL-3.0-or-later
// The log file of --log-file: the report's lines appended, each after a time stamp. It is
// opened before anything runs, so that a log that cannot be written is an error at the start
// rather than half-way; a new file is made for the user alone (mode 0600), an existing one
// keeps its mode.
#pragma once

#include <string>

#include "PosixHandles.h"
#include "platform.h"

class CRunLogFile {
public:
    explicit CRunLogFile(IPlatform& platform) : m_platform(platform) {}

    // False, with the reason in strError, when the file cannot be opened for appending.
    bool Open(const std::string& strPath, std::string& strError);
    bool IsOpen() const { return m_fd.Valid(); }
    const std::string& Path() const { return m_strPath; }

    // Appends "2024-05-01 02:00:03 <line>\n" in one write, so that lines of runs that share
    // the file do not mix. A failure is told once, in strError, and later lines are dropped.
    bool WriteLine(const std::string& strLine, std::string& strError);

private:
    IPlatform& m_platform;
    posix::FileDescriptor m_fd;
    std::string m_strPath;
    bool m_bFailed = false;
};

// The current local date and time as "2024-05-01 02:00:03"; "" when the platform has none.
std::string NowText(IPlatform& platform);
std::string DateTimeText(IPlatform& platform, int64_t nTime);
