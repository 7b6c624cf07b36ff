// SPDX-License-Identifier: GPL-3.0-or-later
// Whole files, as the group list is kept: reading one, replacing one atomically, links at
// its end, and the folder that holds it, made and locked.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <thread>

#include "PosixHandles.h"
#include "PosixPlatform.h"

namespace {

using posix::FileDescriptor;
using posix::FolderOf;

std::string Describe(const char* szWhat, const std::string& strPath, int nErrno) {
    return std::string(szWhat) + " " + strPath + ": " + std::strerror(nErrno);
}

}  // namespace

std::string PosixPlatform::ResolveFileLinks(const std::string& strPath) {
    constexpr int kMostLinks = 40;  // as the system follows them: a circle ends here
    std::string strResolved = strPath;
    for (int i = 0; i < kMostLinks; ++i) {
        struct stat st {};
        if (::lstat(strResolved.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            return strResolved;
        }
        std::string strTarget(static_cast<size_t>(PATH_MAX), '\0');
        const ssize_t n = ::readlink(strResolved.c_str(), strTarget.data(), strTarget.size());
        if (n <= 0 || static_cast<size_t>(n) >= strTarget.size()) {
            return strResolved;
        }
        strTarget.resize(static_cast<size_t>(n));
        strResolved =
            strTarget.front() == '/' ? strTarget : FolderOf(strResolved) + "/" + strTarget;
    }
    return strResolved;
}

bool PosixPlatform::ReadWholeFile(const std::string& strPath, std::string& bytes, int& nErrno) {
    // Only a regular file is opened: opening a FIFO would wait for a writer, and opening a
    // device may act on it. The open does not wait either, in case the kind changed since.
    struct stat st {};
    if (::stat(strPath.c_str(), &st) != 0) {
        nErrno = errno;
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        nErrno = S_ISDIR(st.st_mode) ? EISDIR : kErrorNotRegularFile;
        return false;
    }
    FileDescriptor fd(::open(strPath.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.Valid() || ::fstat(fd.Get(), &st) != 0) {
        nErrno = errno;
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        nErrno = kErrorNotRegularFile;
        return false;
    }
    bytes.clear();
    bytes.reserve(static_cast<size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            nErrno = errno;
            return false;
        }
        if (n == 0) {
            return true;
        }
        bytes.append(buffer, static_cast<size_t>(n));
    }
}

bool PosixPlatform::Exists(const std::string& strPath) {
    struct stat st {};
    return ::lstat(strPath.c_str(), &st) == 0;
}

bool PosixPlatform::RenameFile(const std::string& strFrom, const std::string& strTo,
                               std::string& strError) {
    if (::rename(strFrom.c_str(), strTo.c_str()) == 0) {
        return true;
    }
    strError = std::strerror(errno);
    return false;
}

bool PosixPlatform::WriteFileAtomically(const std::string& strLinkOrPath, const std::string& bytes,
                                        std::string& strError) {
    // Through a link, the target is replaced from beside it, so the link stays a link.
    const std::string strPath = ResolveFileLinks(strLinkOrPath);
    const std::string strFolder = FolderOf(strPath);
    std::string strTemp = strPath + ".XXXXXX";
    FileDescriptor fd(::mkstemp(strTemp.data()));
    if (!fd.Valid()) {
        strError = Describe("Cannot create a file in", strFolder, errno);
        return false;
    }
    // The new file keeps the permissions of the one it replaces.
    struct stat stOld {};
    const mode_t mode = ::stat(strPath.c_str(), &stOld) == 0 ? (stOld.st_mode & 07777) : 0644;
    int nErrno = 0;
    if (!posix::WriteAll(fd.Get(), bytes.data(), bytes.size()) || ::fchmod(fd.Get(), mode) != 0 ||
        ::fsync(fd.Get()) != 0) {
        nErrno = errno;
    }
    if (!fd.Close() && nErrno == 0) {
        nErrno = errno;
    }
    if (nErrno == 0 && ::rename(strTemp.c_str(), strPath.c_str()) != 0) {
        nErrno = errno;
    }
    if (nErrno != 0) {
        ::unlink(strTemp.c_str());
        strError = Describe("Cannot write", strPath, nErrno);
        return false;
    }
    // Makes the rename itself durable; a failure here loses nothing.
    FileDescriptor folder(::open(strFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Valid()) {
        ::fsync(folder.Get());
    }
    return true;
}

bool PosixPlatform::MakeFolders(const std::string& strFolder, std::string& strError) {
    for (size_t nCut = strFolder.find('/', 1);; nCut = strFolder.find('/', nCut + 1)) {
        const std::string strPart = strFolder.substr(0, nCut);
        if (::mkdir(strPart.c_str(), 0700) != 0 && errno != EEXIST) {
            strError = Describe("Cannot make the folder", strPart, errno);
            return false;
        }
        if (nCut == std::string::npos) {
            return true;
        }
    }
}

bool PosixPlatform::IsWritableFolder(const std::string& strFolder) {
    return ::access(strFolder.c_str(), W_OK) == 0;
}

int PosixPlatform::LockFolder(const std::string& strFolder, std::chrono::milliseconds wait,
                              bool& bTimedOut, std::string& strError) {
    bTimedOut = false;
    FileDescriptor folder(::open(strFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.Valid()) {
        strError = Describe("Cannot open", strFolder, errno);
        return -1;
    }
    // Polled rather than waited for in flock(), so the wait has an end.
    const auto deadline = std::chrono::steady_clock::now() + wait;
    constexpr auto kPollInterval = std::chrono::milliseconds(20);
    while (::flock(folder.Get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) {
            continue;
        }
        if (errno != EWOULDBLOCK) {
            strError = Describe("Cannot lock", strFolder, errno);
            return -1;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            bTimedOut = true;
            return -1;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    return folder.Release();  // the caller holds it now
}
