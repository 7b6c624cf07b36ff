// SPDX-License-Identifier: GPL-3.0-or-later
// The POSIX implementation of the platform, one file per concern: folders and status
// (posix_folders.cpp), the copy (posix_copy.cpp, ChunkCopier.cpp), temporary files and
// leftovers (posix_tempfiles.cpp), file-system traits and ancestry (posix_traits.cpp),
// whole files and the list's lock (posix_files.cpp), the process, clocks and the terminal
// (posix_process.cpp).
#pragma once

#include <signal.h>

#include "platform.h"

class PosixPlatform : public IPlatform {
public:
    int OpenFolder(const CPathAt& at, bool bFollowLink) override;
    bool ReadFolder(int fdFolder, const std::string& strPath,
                    std::vector<CDirEntry>& entries) override;
    bool IsFolderEmpty(int fdFolder, bool& bEmpty) override;
    bool CreateDirectory(const CPathAt& at) override;
    bool RemoveFolder(const CPathAt& at) override;
    bool RemoveFile(const CPathAt& at) override;
    bool GetStatus(const CPathAt& at, bool bFollowLink, CFileStatus& status) override;
    bool SetAttributes(const CPathAt& at, uint8_t attributes) override;
    bool CopyFileEx(const CPathAt& from, const CPathAt& to, CopyProgressRoutine pProgress,
                    void* pData, const std::atomic<int32_t>* pCancel, uint32_t nCopyFlags,
                    int fdTempFolder, CKeepReplaced* pKeep) override;
    void RemoveLeftoverTempFiles(int fdFolder, const std::string& strPath) override;
    bool FlushFileSystem(int fdFolder, const std::string& strPath) override;
    CFileSystemTraits FileSystemTraits(int fdFolder, bool bMayProbe) override;
    int32_t GetLastError() override;
    uint32_t GetTickCount() override;
    uint32_t GetCurrentTime() override;
    CFolderAncestry FolderAncestry(const std::string& strPath) override;
    bool IsFolderWithin(int fdFolder, const CFolderIdentity& ancestor) override;
    bool ReadWholeFile(const std::string& strPath, std::string& bytes, int& nErrno) override;
    bool Exists(const std::string& strPath) override;
    bool RenameFile(const std::string& strFrom, const std::string& strTo,
                    std::string& strError) override;
    bool WriteFileAtomically(const std::string& strPath, const std::string& bytes,
                             std::string& strError) override;
    std::string ResolveFileLinks(const std::string& strPath) override;
    bool MakeFolders(const std::string& strFolder, std::string& strError) override;
    bool IsWritableFolder(const std::string& strFolder) override;
    int LockFolder(const std::string& strFolder, std::chrono::milliseconds wait, bool& bTimedOut,
                   std::string& strError) override;
    bool FreeSpace(int fdFolder, uint64_t& nFree, uint64_t& nTotal) override;
    int64_t OpenFileLimit() override;
    unsigned ProcessorCount() override;
    std::thread StartThread(std::function<void()> run) override;
    void SetInterruptHandler(void (*pHandler)(int)) override;
    void HoldHangup(bool bHold) override;
    bool LocalTime(int64_t nTime, std::tm& local) override;
    bool IsTerminal(int fd) override;
    int TerminalWidth(int fd) override;

private:
    // The handlers of SIGINT and SIGTERM before the first SetInterruptHandler, and the
    // signal mask before HoldHangup.
    bool m_bHandlerSet = false;
    struct sigaction m_previousInt {};
    struct sigaction m_previousTerm {};
    sigset_t m_maskBeforeHold{};
};
