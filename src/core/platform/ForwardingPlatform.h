// SPDX-License-Identifier: GPL-3.0-or-later
// A platform that forwards every call to another one; fault-injecting wrappers derive from
// it and override what they change.
#pragma once

#include <utility>

#include "platform.h"

class ForwardingPlatform : public IPlatform {
public:
    explicit ForwardingPlatform(IPlatform& inner) : m_inner(inner) {}
    int OpenFolder(const CPathAt& at, bool bFollowLink) override {
        Forwarded();
        return m_inner.OpenFolder(at, bFollowLink);
    }
    bool ReadFolder(int fdFolder, const std::string& strPath,
                    std::vector<CDirEntry>& entries) override {
        Forwarded();
        return m_inner.ReadFolder(fdFolder, strPath, entries);
    }
    bool IsFolderEmpty(int fdFolder, bool& bEmpty) override {
        Forwarded();
        return m_inner.IsFolderEmpty(fdFolder, bEmpty);
    }
    bool CreateDirectory(const CPathAt& at) override {
        Forwarded();
        return m_inner.CreateDirectory(at);
    }
    bool RemoveFolder(const CPathAt& at) override {
        Forwarded();
        return m_inner.RemoveFolder(at);
    }
    bool RemoveFile(const CPathAt& at) override {
        Forwarded();
        return m_inner.RemoveFile(at);
    }
    bool GetStatus(const CPathAt& at, bool bFollowLink, CFileStatus& status) override {
        Forwarded();
        return m_inner.GetStatus(at, bFollowLink, status);
    }
    bool SetAttributes(const CPathAt& at, uint8_t attributes) override {
        Forwarded();
        return m_inner.SetAttributes(at, attributes);
    }
    bool CopyFileEx(const CPathAt& from, const CPathAt& to, CopyProgressRoutine pProgress,
                    void* pData, const std::atomic<int32_t>* pCancel, uint32_t nCopyFlags,
                    int fdTempFolder, CKeepReplaced* pKeep) override {
        Forwarded();
        return m_inner.CopyFileEx(from, to, pProgress, pData, pCancel, nCopyFlags, fdTempFolder,
                                  pKeep);
    }
    void RemoveLeftoverTempFiles(int fdFolder, const std::string& strPath) override {
        Forwarded();
        m_inner.RemoveLeftoverTempFiles(fdFolder, strPath);
    }
    bool FlushFileSystem(int fdFolder, const std::string& strPath) override {
        Forwarded();
        return m_inner.FlushFileSystem(fdFolder, strPath);
    }
    CFileSystemTraits FileSystemTraits(int fdFolder, bool bMayProbe) override {
        Forwarded();
        return m_inner.FileSystemTraits(fdFolder, bMayProbe);
    }
    int32_t GetLastError() override {
        Forwarded();
        return m_inner.GetLastError();
    }
    uint32_t GetTickCount() override {
        Forwarded();
        return m_inner.GetTickCount();
    }
    uint32_t GetCurrentTime() override {
        Forwarded();
        return m_inner.GetCurrentTime();
    }
    CFolderAncestry FolderAncestry(const std::string& strPath) override {
        Forwarded();
        return m_inner.FolderAncestry(strPath);
    }
    bool IsFolderWithin(int fdFolder, const CFolderIdentity& ancestor) override {
        Forwarded();
        return m_inner.IsFolderWithin(fdFolder, ancestor);
    }
    bool ReadWholeFile(const std::string& strPath, std::string& bytes, int& nErrno) override {
        Forwarded();
        return m_inner.ReadWholeFile(strPath, bytes, nErrno);
    }
    bool Exists(const std::string& strPath) override {
        Forwarded();
        return m_inner.Exists(strPath);
    }
    bool RenameFile(const std::string& strFrom, const std::string& strTo,
                    std::string& strError) override {
        Forwarded();
        return m_inner.RenameFile(strFrom, strTo, strError);
    }
    bool WriteFileAtomically(const std::string& strPath, const std::string& bytes,
                             std::string& strError) override {
        Forwarded();
        return m_inner.WriteFileAtomically(strPath, bytes, strError);
    }
    std::string ResolveFileLinks(const std::string& strPath) override {
        Forwarded();
        return m_inner.ResolveFileLinks(strPath);
    }
    bool MakeFolders(const std::string& strFolder, std::string& strError) override {
        Forwarded();
        return m_inner.MakeFolders(strFolder, strError);
    }
    bool IsWritableFolder(const std::string& strFolder) override {
        Forwarded();
        return m_inner.IsWritableFolder(strFolder);
    }
    int LockFolder(const std::string& strFolder, std::chrono::milliseconds wait, bool& bTimedOut,
                   std::string& strError) override {
        Forwarded();
        return m_inner.LockFolder(strFolder, wait, bTimedOut, strError);
    }
    bool FreeSpace(int fdFolder, uint64_t& nFree, uint64_t& nTotal) override {
        Forwarded();
        return m_inner.FreeSpace(fdFolder, nFree, nTotal);
    }
    int64_t OpenFileLimit() override {
        Forwarded();
        return m_inner.OpenFileLimit();
    }
    unsigned ProcessorCount() override {
        Forwarded();
        return m_inner.ProcessorCount();
    }
    std::thread StartThread(std::function<void()> run) override {
        Forwarded();
        return m_inner.StartThread(std::move(run));
    }
    void SetInterruptHandler(void (*pHandler)(int)) override {
        Forwarded();
        m_inner.SetInterruptHandler(pHandler);
    }
    void HoldHangup(bool bHold) override {
        Forwarded();
        m_inner.HoldHangup(bHold);
    }
    bool LocalTime(int64_t nTime, std::tm& local) override {
        Forwarded();
        return m_inner.LocalTime(nTime, local);
    }
    bool IsTerminal(int fd) override {
        Forwarded();
        return m_inner.IsTerminal(fd);
    }
    int TerminalWidth(int fd) override {
        Forwarded();
        return m_inner.TerminalWidth(fd);
    }

protected:
    // Called before every call is forwarded (a wrapper that keeps an error of its own clears
    // it here).
    virtual void Forwarded() {}

    IPlatform& m_inner;
};
