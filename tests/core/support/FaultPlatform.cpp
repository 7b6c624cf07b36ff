// SPDX-License-Identifier: GPL-3.0-or-later
#include "FaultPlatform.h"

#include <cerrno>

namespace {

// The error a fault left, per thread as the system's own last error is.
thread_local int32_t t_nInjectedError = 0;

}  // namespace

FaultPlatform::FaultPlatform() : ForwardingPlatform(m_posix) {}

bool FaultPlatform::Injected(int nErrno) {
    t_nInjectedError = nErrno;
    return false;
}

int FaultPlatform::OpenFolder(const CPathAt& at, bool bFollowLink) {
    t_nInjectedError = 0;
    if (m_unreadableFolders.count(at.strPath) != 0) {
        Injected(EACCES);
        return -1;
    }
    return ForwardingPlatform::OpenFolder(at, bFollowLink);
}

bool FaultPlatform::ReadFolder(int fdFolder, const std::string& strPath,
                               std::vector<CDirEntry>& entries) {
    t_nInjectedError = 0;
    const bool bRead = ForwardingPlatform::ReadFolder(fdFolder, strPath, entries);
    if (bRead && m_folderReadsFailing.count(strPath) != 0) {
        entries.resize(std::min<size_t>(entries.size(), 1));
        return Injected(EIO);
    }
    return bRead;
}

bool FaultPlatform::CreateDirectory(const CPathAt& at) {
    t_nInjectedError = 0;
    {
        std::lock_guard lock(m_mutex);
        m_created.push_back(at.strPath);
    }
    if (m_uncreatableFolders.count(at.strPath) != 0) {
        return Injected(EACCES);
    }
    return ForwardingPlatform::CreateDirectory(at);
}

bool FaultPlatform::GetStatus(const CPathAt& at, bool bFollowLink, CFileStatus& status) {
    t_nInjectedError = 0;
    if (m_beforeStatus) {
        std::lock_guard lock(m_mutex);
        m_beforeStatus(at.strPath);
    }
    if (m_failStatusPaths.count(at.strPath) != 0) {
        return Injected(ENOENT);
    }
    return ForwardingPlatform::GetStatus(at, bFollowLink, status);
}

bool FaultPlatform::CopyFileEx(const CPathAt& from, const CPathAt& to,
                               CopyProgressRoutine pProgress, void* pData,
                               const std::atomic<int32_t>* pCancel, uint32_t nCopyFlags,
                               int fdTempFolder, CKeepReplaced* pKeep) {
    t_nInjectedError = 0;
    int nCopy = 0;
    {
        std::lock_guard lock(m_mutex);
        nCopy = ++m_nCopies;
        m_nLastCopyFlags = nCopyFlags;
        if (m_beforeCopy) {
            m_beforeCopy(from.strPath, to.strPath);
        }
    }
    if (nCopy == m_nFailCopyNumber) {
        return Injected(m_nFailCopyErrno);
    }
    if (m_failCopyPaths.count(from.strPath) != 0) {
        return Injected(EACCES);
    }
    if (m_nFakeCopySize) {
        const int64_t nSize = *m_nFakeCopySize;
        pProgress(nSize, 0, nSize, 0, 1, CALLBACK_STREAM_SWITCH, -1, -1, pData);
        if (pCancel->load() != 0) {
            return Injected(ECANCELED);
        }
        pProgress(nSize, nSize / 2, nSize, nSize / 2, 1, CALLBACK_CHUNK_FINISHED, -1, -1, pData);
        pProgress(nSize, nSize, nSize, nSize, 1, CALLBACK_CHUNK_FINISHED, -1, -1, pData);
        return true;
    }
    return ForwardingPlatform::CopyFileEx(from, to, pProgress, pData, pCancel, nCopyFlags,
                                          fdTempFolder, pKeep);
}

bool FaultPlatform::FlushFileSystem(int fdFolder, const std::string& strPath) {
    t_nInjectedError = 0;
    {
        std::lock_guard lock(m_mutex);
        ++m_nFlushes;
    }
    if (m_nFlushErrno != 0) {
        return Injected(m_nFlushErrno);
    }
    return ForwardingPlatform::FlushFileSystem(fdFolder, strPath);
}

bool FaultPlatform::WriteFileAtomically(const std::string& strPath, const std::string& bytes,
                                        std::string& strError) {
    if (strPath == m_strWriteFailPath && m_nWriteFailures > 0) {
        --m_nWriteFailures;
        strError = "No space left on device";
        return false;
    }
    return ForwardingPlatform::WriteFileAtomically(strPath, bytes, strError);
}

bool FaultPlatform::RenameFile(const std::string& strFrom, const std::string& strTo,
                               std::string& strError) {
    if (m_nRenameFailures > 0) {
        --m_nRenameFailures;
        strError = "Device or resource busy";
        return false;
    }
    return ForwardingPlatform::RenameFile(strFrom, strTo, strError);
}

CFileSystemTraits FaultPlatform::FileSystemTraits(int fdFolder, bool bMayProbe) {
    return m_traits ? *m_traits : ForwardingPlatform::FileSystemTraits(fdFolder, bMayProbe);
}

bool FaultPlatform::FreeSpace(int fdFolder, uint64_t& nFree, uint64_t& nTotal) {
    if (m_nFreeBytes || m_freeBytesNow) {
        nFree = m_freeBytesNow ? m_freeBytesNow() : *m_nFreeBytes;
        nTotal = uint64_t{1} << 40;
        return true;
    }
    return ForwardingPlatform::FreeSpace(fdFolder, nFree, nTotal);
}

int32_t FaultPlatform::GetLastError() {
    return t_nInjectedError != 0 ? t_nInjectedError : ForwardingPlatform::GetLastError();
}

uint32_t FaultPlatform::GetTickCount() {
    if (!m_nTick) {
        return ForwardingPlatform::GetTickCount();
    }
    const uint32_t nNow = *m_nTick;
    *m_nTick = nNow + m_nTickStep;
    return nNow;
}

uint32_t FaultPlatform::GetCurrentTime() {
    return m_nCurrentTime ? *m_nCurrentTime : ForwardingPlatform::GetCurrentTime();
}

int FaultPlatform::CopyCount() const {
    std::lock_guard lock(m_mutex);
    return m_nCopies;
}

int FaultPlatform::FlushCount() const {
    std::lock_guard lock(m_mutex);
    return m_nFlushes;
}

uint32_t FaultPlatform::LastCopyFlags() const {
    std::lock_guard lock(m_mutex);
    return m_nLastCopyFlags;
}

std::vector<std::string> FaultPlatform::CreatedFolders() const {
    std::lock_guard lock(m_mutex);
    return m_created;
}
