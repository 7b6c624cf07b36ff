#include "FaultPlatform.h"

#include <cerrno>

FaultPlatform::FaultPlatform() : ForwardingPlatform(m_posix) {}

bool FaultPlatform::Injected(int nErrno) {
    m_nInjectedError = nErrno;
    return false;
}

std::unique_ptr<IFolderEnum> FaultPlatform::FindFiles(const std::string& strFolder) {
    m_nInjectedError = 0;
    if (m_unreadableFolders.count(strFolder) != 0) {
        Injected(EACCES);
        return nullptr;
    }
    return ForwardingPlatform::FindFiles(strFolder);
}

bool FaultPlatform::CreateDirectory(const std::string& strPath) {
    m_nInjectedError = 0;
    m_created.push_back(strPath);
    if (m_uncreatableFolders.count(strPath) != 0) {
        return Injected(EACCES);
    }
    return ForwardingPlatform::CreateDirectory(strPath);
}

bool FaultPlatform::GetStatus(const std::string& strPath, CFileStatus& status) {
    m_nInjectedError = 0;
    if (m_beforeStatus) {
        m_beforeStatus(strPath);
    }
    if (m_failStatusPaths.count(strPath) != 0) {
        return Injected(ENOENT);
    }
    return ForwardingPlatform::GetStatus(strPath, status);
}

bool FaultPlatform::CopyFileEx(const std::string& strSource, const std::string& strDestination,
                               CopyProgressRoutine pProgress, void* pData,
                               const std::atomic<int32_t>* pCancel) {
    m_nInjectedError = 0;
    ++m_nCopies;
    if (m_beforeCopy) {
        m_beforeCopy(strSource, strDestination);
    }
    if (m_nCopies == m_nFailCopyNumber) {
        return Injected(m_nFailCopyErrno);
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
    return ForwardingPlatform::CopyFileEx(strSource, strDestination, pProgress, pData, pCancel);
}

int32_t FaultPlatform::GetLastError() {
    return m_nInjectedError != 0 ? m_nInjectedError : ForwardingPlatform::GetLastError();
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
