// SPDX-License-Identifier: GPL-3.0-or-later
// Folders and file status: opening, reading, making and removing folders, the status of a
// file, and its attributes.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "PosixPlatform.h"
#include "posix_internal.h"

namespace {

using posix::FileDescriptor;
using posix_internal::Fail;

FileKind KindOf(mode_t mode) {
    if (S_ISREG(mode)) {
        return FileKind::Regular;
    }
    if (S_ISDIR(mode)) {
        return FileKind::Folder;
    }
    return S_ISLNK(mode) ? FileKind::Link : FileKind::Other;
}

void FillStatus(const struct stat& st, CFileStatus& status) {
    status.m_mtime = st.st_mtim.tv_sec;
    status.m_mtimeNs = static_cast<int32_t>(st.st_mtim.tv_nsec);
    status.m_size64 = static_cast<uint64_t>(st.st_size);
    status.m_size = static_cast<int32_t>(static_cast<uint32_t>(status.m_size64));
    status.m_kind = KindOf(st.st_mode);
    status.m_nDevice = st.st_dev;
    status.m_nInode = st.st_ino;
    status.m_attribute = 0;
    if ((st.st_mode & S_IWUSR) == 0) {
        status.m_attribute |= ATTR_READONLY;
    }
    if (S_ISDIR(st.st_mode)) {
        status.m_attribute |= ATTR_DIRECTORY;
    }
}

}  // namespace

int PosixPlatform::OpenFolder(const CPathAt& at, bool bFollowLink) {
    const int fd = ::openat(at.fdFolder, at.szName,
                            O_RDONLY | O_DIRECTORY | O_CLOEXEC | (bFollowLink ? 0 : O_NOFOLLOW));
    if (fd < 0) {
        Fail();
    }
    return fd;
}

bool PosixPlatform::ReadFolder(int fdFolder, const std::string& /*strPath*/,
                               std::vector<CDirEntry>& entries) {
    alignas(8) char buffer[32768];
    for (;;) {
        const ssize_t nRead = ::getdents64(fdFolder, buffer, sizeof buffer);
        if (nRead < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Fail();
        }
        if (nRead == 0) {
            return true;
        }
        for (ssize_t nOffset = 0; nOffset < nRead;) {
            const auto* pEntry = reinterpret_cast<const dirent64*>(buffer + nOffset);
            nOffset += pEntry->d_reclen;
            const char* szName = pEntry->d_name;
            if (szName[0] == '.' &&
                (szName[1] == '\0' || (szName[1] == '.' && szName[2] == '\0'))) {
                continue;
            }
            unsigned char type = pEntry->d_type;
            if (type == DT_UNKNOWN) {
                struct stat st {};
                if (::fstatat(fdFolder, szName, &st, AT_SYMLINK_NOFOLLOW) == 0) {
                    type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : DT_REG;
                }
            }
            CDirEntry& entry = entries.emplace_back();
            entry.m_strName.assign(szName);
            entry.m_bIsDirectory = type == DT_DIR;
            entry.m_bIsLink = type == DT_LNK;
        }
    }
}

bool PosixPlatform::IsFolderEmpty(int fdFolder, bool& bEmpty) {
    // A descriptor of its own, so that the folder's own descriptor keeps its reading place.
    FileDescriptor folder(::openat(fdFolder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.Valid()) {
        return Fail();
    }
    alignas(8) char buffer[4096];
    for (;;) {
        const ssize_t nRead = ::getdents64(folder.Get(), buffer, sizeof buffer);
        if (nRead < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Fail();
        }
        bEmpty = nRead == 0;
        for (ssize_t nOffset = 0; nOffset < nRead;) {
            const auto* pEntry = reinterpret_cast<const dirent64*>(buffer + nOffset);
            nOffset += pEntry->d_reclen;
            if (std::strcmp(pEntry->d_name, ".") != 0 && std::strcmp(pEntry->d_name, "..") != 0) {
                return true;
            }
        }
        if (bEmpty) {
            return true;
        }
    }
}

bool PosixPlatform::CreateDirectory(const CPathAt& at) {
    return ::mkdirat(at.fdFolder, at.szName, 0777) == 0 || Fail();
}

bool PosixPlatform::RemoveFolder(const CPathAt& at) {
    return ::unlinkat(at.fdFolder, at.szName, AT_REMOVEDIR) == 0 || Fail();
}

bool PosixPlatform::RemoveFile(const CPathAt& at) {
    return ::unlinkat(at.fdFolder, at.szName, 0) == 0 || Fail();
}

bool PosixPlatform::GetStatus(const CPathAt& at, bool bFollowLink, CFileStatus& status) {
    struct stat st {};
    // An empty name asks for the open folder itself, which needs no lookup.
    const int nFlags =
        (bFollowLink ? 0 : AT_SYMLINK_NOFOLLOW) | (at.szName[0] == '\0' ? AT_EMPTY_PATH : 0);
    if (::fstatat(at.fdFolder, at.szName, &st, nFlags) == 0) {
        FillStatus(st, status);
        return true;
    }
    const int nErrno = errno;
    // A link that leads nowhere, or round in a circle, is reported as what it is.
    if (bFollowLink && (nErrno == ENOENT || nErrno == ELOOP) &&
        ::fstatat(at.fdFolder, at.szName, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode)) {
        FillStatus(st, status);
        status.m_kind = FileKind::BrokenLink;
        return true;
    }
    return Fail(nErrno);
}

bool PosixPlatform::SetAttributes(const CPathAt& at, uint8_t attributes) {
    // A handle of the file itself, never of what a link leads to.
    FileDescriptor file(::openat(at.fdFolder, at.szName, O_PATH | O_NOFOLLOW | O_CLOEXEC));
    struct stat st {};
    if (!file.Valid() || ::fstat(file.Get(), &st) != 0) {
        return Fail();
    }
    if (S_ISLNK(st.st_mode)) {
        return Fail(ELOOP);
    }
    // Read-only takes every write bit away; writable gives the owner the write bit back.
    const mode_t mode =
        (attributes & ATTR_READONLY) != 0 ? (st.st_mode & ~mode_t{0222}) : (st.st_mode | S_IWUSR);
    if ((mode & 07777) == (st.st_mode & 07777)) {
        return true;
    }
    const std::string strProc = posix_internal::ProcFdPath(file.Get());
    return ::chmod(strProc.c_str(), mode & 07777) == 0 || Fail();
}
