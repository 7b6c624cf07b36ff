// SPDX-License-Identifier: GPL-3.0-or-later
// What the POSIX platform's files share among themselves.
#pragma once

#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string>

#include "PosixHandles.h"
#include "platform.h"

namespace posix_internal {

// Records errno (or nErrno) as the calling thread's last error and reports failure, so that
// callers can write `return Fail();` right after the failing call. (posix_process.cpp)
bool Fail();
bool Fail(int nErrno);
int32_t LastError();

// The path through which /proc names an open descriptor of this process.
inline std::string ProcFdPath(int fd) {
    return "/proc/self/fd/" + std::to_string(fd);
}

// A folder and a name in it, ready for the *at() calls: a path given whole is split into
// its folder (opened here, as a path handle) and its last part.
class SplitPath {
public:
    explicit SplitPath(const CPathAt& at) : m_fdFolder(at.fdFolder), m_szName(at.szName) {
        if (at.fdFolder != AT_FDCWD) {
            return;
        }
        const size_t nCut = at.strPath.rfind('/');
        if (nCut == std::string::npos || nCut + 1 == at.strPath.size()) {
            return;
        }
        m_owned.Reset(
            ::open(posix::FolderOf(at.strPath).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (m_owned.Valid()) {
            m_fdFolder = m_owned.Get();
            m_szName = at.strPath.c_str() + nCut + 1;
        }
    }
    int Folder() const { return m_fdFolder; }
    const char* Name() const { return m_szName; }

private:
    posix::FileDescriptor m_owned;
    int m_fdFolder;
    const char* m_szName;
};

// A new name for a temporary file of the copy, unique to this process and copy.
// (posix_tempfiles.cpp)
std::string NewTempName();

// Puts something under a new temporary name: tries names until `place` takes one, or fails
// for another reason than a name in use. False with errno set.
template <class Place>
bool PlaceUnderTempName(std::string& strTempName, Place place) {
    for (int nAttempt = 0; nAttempt < 100; ++nAttempt) {
        strTempName = NewTempName();
        if (place(strTempName.c_str())) {
            return true;
        }
        if (errno != EEXIST) {
            return false;
        }
    }
    return false;
}

// Creates a new file under a temporary name of the copy's own (".folvex-tmp-<process>-<n>")
// in a folder; its descriptor, or -1 with errno set. (posix_tempfiles.cpp)
int CreateNamedTemp(int fdFolder, std::string& strTempName, mode_t mode);

// Removes the named temporary file unless the copy completed and renamed it.
class TempFileGuard {
public:
    TempFileGuard(int fdFolder, const std::string& strName)
        : m_fdFolder(fdFolder), m_strName(strName) {}
    ~TempFileGuard() {
        if (!m_bKept) {
            ::unlinkat(m_fdFolder, m_strName.c_str(), 0);
        }
    }
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;
    void Keep() { m_bKept = true; }

private:
    int m_fdFolder;
    const std::string& m_strName;
    bool m_bKept = false;
};

}  // namespace posix_internal
