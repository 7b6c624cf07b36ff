// The real platform with faults and clocks of the test's choosing: a failing n-th copy, a
// failing status query, an unreadable folder, a set tick and current time, and hooks that
// run just before a status query or a copy (to delete a file, or to cancel at that point).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform.h"

class FaultPlatform : public ForwardingPlatform {
public:
    FaultPlatform();

    std::unique_ptr<IFolderEnum> FindFiles(const std::string& strFolder) override;
    bool CreateDirectory(const std::string& strPath) override;
    bool GetStatus(const std::string& strPath, CFileStatus& status) override;
    bool CopyFileEx(const std::string& strSource, const std::string& strDestination,
                    CopyProgressRoutine pProgress, void* pData,
                    const std::atomic<int32_t>* pCancel) override;
    int32_t GetLastError() override;
    uint32_t GetTickCount() override;
    uint32_t GetCurrentTime() override;

    // The n-th copy (1-based) fails with this code before it writes anything.
    int m_nFailCopyNumber = 0;
    int m_nFailCopyErrno = ENOSPC;
    // Status queries of these paths fail with ENOENT.
    std::set<std::string> m_failStatusPaths;
    // These folders cannot be enumerated (EACCES), whatever their permission bits.
    std::set<std::string> m_unreadableFolders;
    // Folder creations of these paths fail (EACCES) without creating anything.
    std::set<std::string> m_uncreatableFolders;
    // When set, the tick starts here and advances by m_nTickStep at every reading.
    std::optional<uint32_t> m_nTick;
    uint32_t m_nTickStep = 0;
    std::optional<uint32_t> m_nCurrentTime;
    // Copies report progress as if the file were this large and succeed without writing.
    std::optional<int64_t> m_nFakeCopySize;

    std::function<void(const std::string&)> m_beforeStatus;
    std::function<void(const std::string& strSource, const std::string& strDestination)>
        m_beforeCopy;

    int CopyCount() const { return m_nCopies; }
    std::vector<std::string> CreatedFolders() const { return m_created; }

private:
    bool Injected(int nErrno);

    PosixPlatform m_posix;
    int m_nCopies = 0;
    int32_t m_nInjectedError = 0;
    std::vector<std::string> m_created;
};
