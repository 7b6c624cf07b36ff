// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReadOnlyPlatform.h"

namespace {

// Whether the calling thread's last call was refused.
thread_local bool t_bRefused = false;

}  // namespace

bool ReadOnlyPlatform::Refuse() {
    t_bRefused = true;
    return false;
}

bool ReadOnlyPlatform::Refuse(std::string& strError) {
    strError = "nothing is written in a dry run";
    return Refuse();
}

void ReadOnlyPlatform::Forwarded() {
    t_bRefused = false;
}

int32_t ReadOnlyPlatform::GetLastError() {
    return t_bRefused ? kErrorReadOnly : m_inner.GetLastError();
}

bool ReadOnlyPlatform::CreateDirectory(const CPathAt& /*at*/) {
    return Refuse();
}

bool ReadOnlyPlatform::RemoveFolder(const CPathAt& /*at*/) {
    return Refuse();
}

bool ReadOnlyPlatform::RemoveFile(const CPathAt& /*at*/) {
    return Refuse();
}

bool ReadOnlyPlatform::SetAttributes(const CPathAt& /*at*/, uint8_t /*attributes*/) {
    return Refuse();
}

bool ReadOnlyPlatform::CopyFileEx(const CPathAt& /*from*/, const CPathAt& /*to*/,
                                  CopyProgressRoutine /*pProgress*/, void* /*pData*/,
                                  const std::atomic<int32_t>* /*pCancel*/, uint32_t /*nCopyFlags*/,
                                  int /*fdTempFolder*/, CKeepReplaced* /*pKeep*/) {
    return Refuse();
}

void ReadOnlyPlatform::RemoveLeftoverTempFiles(int /*fdFolder*/, const std::string& /*strPath*/) {
    Refuse();
}

bool ReadOnlyPlatform::FlushFileSystem(int /*fdFolder*/, const std::string& /*strPath*/) {
    return Refuse();
}

CFileSystemTraits ReadOnlyPlatform::FileSystemTraits(int fdFolder, bool bMayProbe) {
    Forwarded();
    return m_inner.FileSystemTraits(fdFolder, bMayProbe && m_bAllowProbe);
}

bool ReadOnlyPlatform::RenameFile(const std::string& /*strFrom*/, const std::string& /*strTo*/,
                                  std::string& strError) {
    return Refuse(strError);
}

bool ReadOnlyPlatform::WriteFileAtomically(const std::string& /*strPath*/,
                                           const std::string& /*bytes*/, std::string& strError) {
    return Refuse(strError);
}

bool ReadOnlyPlatform::MakeFolders(const std::string& /*strFolder*/, std::string& strError) {
    return Refuse(strError);
}
