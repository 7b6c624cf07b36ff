// SPDX-License-Identifier: GPL-3.0-or-later
// The copy's temporary files: their names, and the removal of those that a process which
// has ended left behind.
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "PosixPlatform.h"
#include "posix_internal.h"

namespace {

using posix::FileDescriptor;

// The named temporary files of the copy: a hidden name in the destination folder, unique to
// this process and copy, and short, so that a long destination name cannot make it too
// long: ".folvex-tmp-<process id>-<number>".
constexpr const char* kTempPrefix = ".folvex-tmp-";
constexpr size_t kTempPrefixLength = 12;
std::atomic<uint64_t> g_nTempCounter{0};

}  // namespace

namespace posix_internal {

std::string NewTempName() {
    static const std::string strTag = kTempPrefix + std::to_string(::getpid()) + "-";
    return strTag + std::to_string(g_nTempCounter.fetch_add(1));
}

int CreateNamedTemp(int fdFolder, std::string& strTempName, mode_t mode) {
    int fd = -1;
    PlaceUnderTempName(strTempName, [&](const char* szName) {
        fd = ::openat(fdFolder, szName, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, mode);
        return fd >= 0;
    });
    return fd;
}

}  // namespace posix_internal

namespace {

// The process id in a temporary name, or none when the name is not one.
std::optional<pid_t> TempNameProcess(const char* szName) {
    if (std::strncmp(szName, kTempPrefix, kTempPrefixLength) != 0) {
        return std::nullopt;
    }
    const char* p = szName + kTempPrefixLength;
    char* pEnd = nullptr;
    errno = 0;
    const long nPid = std::strtol(p, &pEnd, 10);
    if (pEnd == p || *pEnd != '-' || errno != 0 || nPid <= 0 || nPid > INT_MAX) {
        return std::nullopt;
    }
    const char* pNumber = pEnd + 1;
    if (*pNumber == '\0') {
        return std::nullopt;
    }
    for (const char* q = pNumber; *q != '\0'; ++q) {
        if (*q < '0' || *q > '9') {
            return std::nullopt;
        }
    }
    return static_cast<pid_t>(nPid);
}

// Gone, or a zombie that nobody has reaped yet: it writes nothing any more.
bool ProcessHasEnded(pid_t pid) {
    if (::kill(pid, 0) != 0) {
        return errno == ESRCH;
    }
    // "<pid> (<name>) <state> ...": the name may hold blanks and parentheses.
    FileDescriptor stat(
        ::open(("/proc/" + std::to_string(pid) + "/stat").c_str(), O_RDONLY | O_CLOEXEC));
    char szText[512];
    const ssize_t n = stat.Valid() ? ::read(stat.Get(), szText, sizeof szText - 1) : -1;
    if (n <= 0) {
        return false;
    }
    szText[n] = '\0';
    const char* pClose = std::strrchr(szText, ')');
    return pClose != nullptr && pClose[1] == ' ' && (pClose[2] == 'Z' || pClose[2] == 'X');
}

}  // namespace

bool IsCopyTempName(const std::string& strName) {
    return TempNameProcess(strName.c_str()).has_value();
}

void PosixPlatform::RemoveLeftoverTempFiles(int fdFolder, const std::string& strPath) {
    std::vector<CDirEntry> entries;
    ReadFolder(fdFolder, strPath, entries);
    for (const CDirEntry& entry : entries) {
        const std::optional<pid_t> pid = TempNameProcess(entry.m_strName.c_str());
        if (pid && !entry.m_bIsDirectory && ProcessHasEnded(*pid)) {
            ::unlinkat(fdFolder, entry.m_strName.c_str(), 0);
        }
    }
}
