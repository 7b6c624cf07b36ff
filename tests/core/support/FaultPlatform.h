// SPDX-License-Identifier: GPL-3.0-or-later
// The real platform with faults and clocks of the test's choosing: a failing n-th copy, a
// failing status query, an unreadable folder, a failing flush, a set tick and current time,
// a file system that keeps less (coarse times, no permission bits, no letter case), and hooks that
// run just before a status query or a copy (to delete a file, or to cancel at that point). Faults
// are chosen by whole path.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ForwardingPlatform.h"
#include "PosixPlatform.h"
#include "platform.h"

class FaultPlatform : public ForwardingPlatform {
public:
    FaultPlatform();

    int OpenFolder(const CPathAt& at, bool bFollowLink) override;
    bool ReadFolder(int fdFolder, const std::string& strPath,
                    std::vector<CDirEntry>& entries) override;
    bool CreateDirectory(const CPathAt& at) override;
    bool GetStatus(const CPathAt& at, bool bFollowLink, CFileStatus& status) override;
    bool CopyFileEx(const CPathAt& from, const CPathAt& to, CopyProgressRoutine pProgress,
                    void* pData, const std::atomic<int32_t>* pCancel, uint32_t nCopyFlags,
                    int fdTempFolder, CKeepReplaced* pKeep) override;
    bool FlushFileSystem(int fdFolder, const std::string& strPath) override;
    bool WriteFileAtomically(const std::string& strPath, const std::string& bytes,
                             std::string& strError) override;
    bool RenameFile(const std::string& strFrom, const std::string& strTo,
                    std::string& strError) override;
    CFileSystemTraits FileSystemTraits(int fdFolder, bool bMayProbe) override;
    bool FreeSpace(int fdFolder, uint64_t& nFree, uint64_t& nTotal) override;
    int32_t GetLastError() override;
    uint32_t GetTickCount() override;
    uint32_t GetCurrentTime() override;

    // The n-th copy (1-based) fails with this code before it writes anything.
    int m_nFailCopyNumber = 0;
    int m_nFailCopyErrno = ENOSPC;
    // Copies from these source paths fail with EACCES before they write anything.
    std::set<std::string> m_failCopyPaths;
    // Status queries of these paths fail with ENOENT.
    std::set<std::string> m_failStatusPaths;
    // These folders cannot be opened (EACCES), whatever their permission bits.
    std::set<std::string> m_unreadableFolders;
    // Reading these folders fails (EIO) after their first entry.
    std::set<std::string> m_folderReadsFailing;
    // Folder creations of these paths fail (EACCES) without creating anything.
    std::set<std::string> m_uncreatableFolders;
    // The flush fails with this code.
    int m_nFlushErrno = 0;
    // The next so many atomic writes of this path fail ("No space left on device"), and the
    // next so many renames ("Device or resource busy").
    std::string m_strWriteFailPath;
    int m_nWriteFailures = 0;
    int m_nRenameFailures = 0;
    // What the destination's file system keeps, instead of what it really keeps.
    std::optional<CFileSystemTraits> m_traits;
    // The room on every file system, instead of what there really is (of 1 TB).
    std::optional<uint64_t> m_nFreeBytes;
    // When set, the free bytes are what it says at each query.
    std::function<uint64_t()> m_freeBytesNow;
    // When set, the tick starts here and advances by m_nTickStep at every reading.
    std::optional<uint32_t> m_nTick;
    uint32_t m_nTickStep = 0;
    std::optional<uint32_t> m_nCurrentTime;
    // Copies report progress as if the file were this large and succeed without writing.
    std::optional<int64_t> m_nFakeCopySize;

    std::function<void(const std::string&)> m_beforeStatus;
    std::function<void(const std::string& strSource, const std::string& strDestination)>
        m_beforeCopy;

    int CopyCount() const;
    int FlushCount() const;
    uint32_t LastCopyFlags() const;
    std::vector<std::string> CreatedFolders() const;

private:
    bool Injected(int nErrno);

    PosixPlatform m_posix;
    mutable std::mutex m_mutex;
    int m_nCopies = 0;
    int m_nFlushes = 0;
    uint32_t m_nLastCopyFlags = 0;
    std::vector<std::string> m_created;
};
