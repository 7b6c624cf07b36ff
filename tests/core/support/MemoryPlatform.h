// SPDX-License-Identifier: GPL-3.0-or-later
// A file system in memory behind the platform interface, for the engine's large table tests:
// folders, files with their data, times and modes, and links, all under one lock, so that
// the pipeline's workers may use it at once. Paths are absolute. Faults are chosen by path.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "platform.h"

class MemoryPlatform : public IPlatform {
public:
    MemoryPlatform();
    ~MemoryPlatform() override;

    // Building the tree; missing folders above are made.
    void AddFolder(const std::string& strPath);
    void AddFile(const std::string& strPath, const std::string& strData, int64_t nMtime,
                 unsigned nMode = 0644);
    void AddLink(const std::string& strPath, const std::string& strTarget);
    // Everything below a folder, links as themselves: relative path to a description of its
    // kind, data, time and mode.
    std::map<std::string, std::string> Describe(const std::string& strRoot) const;

    // Status queries of these paths fail (ENOENT), these folders cannot be opened (EACCES),
    // copies from these paths fail (EACCES).
    std::set<std::string> m_failStatusPaths;
    std::set<std::string> m_unreadableFolders;
    std::set<std::string> m_failCopyPaths;

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
    struct Node;
    struct Found;
    Found Resolve(const std::string& strPath, bool bFollowLast, int nDepth = 0) const;
    Found ResolveAt(const CPathAt& at, bool bFollowLast) const;
    bool Fail(int nErrno);
    void Place(const std::string& strPath, std::shared_ptr<Node> node);

    mutable std::mutex m_mutex;
    std::shared_ptr<Node> m_root;
    std::map<int, std::pair<std::shared_ptr<Node>, std::string>> m_open;  // descriptor: node, path
    int m_nNextDescriptor = 1000;
    uint64_t m_nNextInode = 1;
    uint32_t m_nTick = 0;
};
