// SPDX-License-Identifier: GPL-3.0-or-later
// A platform that reads through another one and refuses every write, for a dry run and for
// a run's plan: it makes no folder, copies, replaces, removes or flushes nothing, and changes
// no attribute. A refused call fails with kErrorReadOnly, so that the caller can tell
// what it would have done; a write that nobody thought of cannot happen.
#pragma once

#include "ForwardingPlatform.h"

class ReadOnlyPlatform : public ForwardingPlatform {
public:
    // bAllowProbe: the one write it lets through is a probe's temporary file, which finds out
    // what a file system keeps and goes again at once (a run's plan, not a dry run).
    explicit ReadOnlyPlatform(IPlatform& inner, bool bAllowProbe = false)
        : ForwardingPlatform(inner), m_bAllowProbe(bAllowProbe) {}

    bool CreateDirectory(const CPathAt& at) override;
    bool RemoveFolder(const CPathAt& at) override;
    bool RemoveFile(const CPathAt& at) override;
    bool SetAttributes(const CPathAt& at, uint8_t attributes) override;
    bool CopyFileEx(const CPathAt& from, const CPathAt& to, CopyProgressRoutine pProgress,
                    void* pData, const std::atomic<int32_t>* pCancel, uint32_t nCopyFlags,
                    int fdTempFolder, CKeepReplaced* pKeep) override;
    void RemoveLeftoverTempFiles(int fdFolder, const std::string& strPath) override;
    bool FlushFileSystem(int fdFolder, const std::string& strPath) override;
    CFileSystemTraits FileSystemTraits(int fdFolder, bool bMayProbe) override;
    bool RenameFile(const std::string& strFrom, const std::string& strTo,
                    std::string& strError) override;
    bool WriteFileAtomically(const std::string& strPath, const std::string& bytes,
                             std::string& strError) override;
    bool MakeFolders(const std::string& strFolder, std::string& strError) override;
    int32_t GetLastError() override;

protected:
    void Forwarded() override;

private:
    bool m_bAllowProbe;

    bool Refuse();
    bool Refuse(std::string& strError);
};
