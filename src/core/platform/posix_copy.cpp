// SPDX-License-Identifier: GPL-3.0-or-later
// The fail-safe copy of one file: an unnamed or named temporary file that appears under the
// destination's name only once complete, with the source's permission bits and times.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "ChunkCopier.h"
#include "PosixPlatform.h"
#include "posix_internal.h"

namespace {

using posix::FileDescriptor;
using posix_internal::Fail;
using posix_internal::SplitPath;
using posix_internal::TempFileGuard;

// A new destination is written into an unnamed file of the destination folder (O_TMPFILE)
// and linked under its name once complete: cheaper than a named file and a rename, and
// nothing is left behind even if the process dies half way. Where the file system or the
// kernel cannot do this, the copy uses a named temporary file instead.
enum class LinkMethod { EmptyPath, ProcFd, Unavailable };
std::atomic<LinkMethod> g_linkMethod{LinkMethod::EmptyPath};

bool UnnamedFilesRefused(int nErrno) {
    return nErrno == EOPNOTSUPP || nErrno == EISDIR || nErrno == EINVAL || nErrno == ENOSYS;
}

// Gives the unnamed file its name; false with errno set. EEXIST means the destination
// appeared meanwhile.
bool LinkUnnamed(int fdFile, int fdFolder, const char* szName) {
    if (g_linkMethod.load() == LinkMethod::EmptyPath) {
        if (::linkat(fdFile, "", fdFolder, szName, AT_EMPTY_PATH) == 0) {
            return true;
        }
        if (errno != ENOENT && errno != EPERM) {
            return false;
        }
        // Without the right to link by descriptor: through /proc, as the kernel suggests.
        g_linkMethod.store(LinkMethod::ProcFd);
    }
    const std::string strProc = posix_internal::ProcFdPath(fdFile);
    if (::linkat(AT_FDCWD, strProc.c_str(), fdFolder, szName, AT_SYMLINK_FOLLOW) == 0) {
        return true;
    }
    const int nErrno = errno;
    if (nErrno == ENOENT && ::access("/proc/self/fd", F_OK) != 0) {
        g_linkMethod.store(LinkMethod::Unavailable);
        errno = EAGAIN;  // no /proc: the caller copies again through a named file
        return false;
    }
    errno = nErrno;
    return false;
}

enum class CopyResult { Done, Failed, Retry, RetryNamed, SourceChanged };

// The file creation mask, read once; all bits set when it cannot be read, so that every
// copy then sets its permission bits explicitly.
mode_t CreationMask() {
    static const mode_t mask = [] {
        FileDescriptor fd(::open("/proc/self/status", O_RDONLY | O_CLOEXEC));
        char szText[4096];
        const ssize_t n = fd.Valid() ? ::read(fd.Get(), szText, sizeof szText - 1) : -1;
        if (n <= 0) {
            return mode_t{0777};
        }
        szText[n] = '\0';
        const char* szUmask = std::strstr(szText, "Umask:");
        return szUmask != nullptr ? static_cast<mode_t>(std::strtoul(szUmask + 6, nullptr, 8))
                                  : mode_t{0777};
    }();
    return mask;
}

// Refuses to replace a folder, or a read-only file even where permissions do not bind
// (root). False with the last error set.
bool MayReplace(const struct stat& st) {
    if (S_ISDIR(st.st_mode)) {
        return Fail(EISDIR);
    }
    if ((st.st_mode & S_IWUSR) == 0) {
        return Fail(EACCES);
    }
    return true;
}

bool MayReplace(int fdFolder, const char* szName) {
    struct stat st {};
    // Gone meanwhile: the rename will create it. A link is replaced itself.
    return ::fstatat(fdFolder, szName, &st, AT_SYMLINK_NOFOLLOW) != 0 || MayReplace(st);
}

// Whether the source is still what it was when the copy began: same size, same time.
bool SourceUnchanged(int fdSource, const struct stat& stBefore) {
    struct stat stAfter {};
    return ::fstat(fdSource, &stAfter) == 0 && stAfter.st_size == stBefore.st_size &&
           stAfter.st_mtim.tv_sec == stBefore.st_mtim.tv_sec &&
           stAfter.st_mtim.tv_nsec == stBefore.st_mtim.tv_nsec;
}

// What one copy works with besides the descriptors.
struct CopyRequest {
    CopyProgressRoutine pProgress;
    void* pData;
    const std::atomic<int32_t>* pCancel;
    uint32_t nFlags;
    int fdTempFolder;      // where named temporary files go; -1: beside the destination
    CKeepReplaced* pKeep;  // where a replaced file is kept; none: it is not kept
};

// Copies the data, then checks that the source did not change meanwhile, and gives the
// copy its permission bits and modification time. The bits were asked for at creation;
// they need setting again only where the creation mask took some. A file system that
// cannot keep them (FAT) refuses with EPERM: the data and the time still count.
CopyResult WriteData(int fdSource, const struct stat& stSource, int fdTarget,
                     const CopyRequest& request) {
    ChunkCopier copier(fdSource, fdTarget, static_cast<int64_t>(stSource.st_size),
                       request.pProgress, request.pData, request.pCancel);
    // Fewer blocks than the size needs: the file has holes.
    const bool bSparse = stSource.st_blocks * 512 < stSource.st_size;
    if (!copier.Run(bSparse)) {
        return CopyResult::Failed;
    }
    if (!SourceUnchanged(fdSource, stSource)) {
        return CopyResult::SourceChanged;
    }
    const mode_t mode = stSource.st_mode & 0777;
    if ((request.nFlags & COPY_FILE_NO_PERMISSIONS) == 0 && (mode & CreationMask()) != 0 &&
        ::fchmod(fdTarget, mode) != 0 && errno != EPERM) {
        Fail();
        return CopyResult::Failed;
    }
    // Both times: some file systems (FAT and exFAT through FUSE) keep no change of the
    // modification time alone.
    const timespec times[2] = {stSource.st_atim, stSource.st_mtim};
    if (::futimens(fdTarget, times) != 0) {
        Fail();
        return CopyResult::Failed;
    }
    return CopyResult::Done;
}

// Whether a link or rename failed because the file system has no hard links.
bool NoHardLinks(int nErrno) {
    return nErrno == EPERM || nErrno == EOPNOTSUPP || nErrno == ENOSYS || nErrno == EMLINK;
}

// Moves the finished file (szFrom in fdFrom) to the destination's name. A regular file it
// replaces is kept first where the caller asks for it: linked into the keeping folder while
// it still stands in the destination, so that at every moment one of the two names holds
// it; without hard links, renamed there first, so that a crash in between leaves it there.
// If it cannot be kept, nothing is replaced.
bool PlaceFile(int fdFrom, const char* szFrom, int fdFolder, const char* szName,
               CKeepReplaced* pKeep) {
    struct stat stOld {};
    if (pKeep == nullptr || ::fstatat(fdFolder, szName, &stOld, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(stOld.st_mode)) {
        return ::renameat(fdFrom, szFrom, fdFolder, szName) == 0 || Fail();
    }
    int32_t nError = 0;
    const FileDescriptor keep(pKeep->openFolder(nError));
    struct stat stKept {};
    if (!keep.Valid() || ::fstatat(keep.Get(), pKeep->szName, &stKept, AT_SYMLINK_NOFOLLOW) == 0) {
        pKeep->bFailed = true;
        return Fail(keep.Valid() ? EEXIST : nError);
    }
    bool bLinked = false;
    if (pKeep->bHardLinks) {
        bLinked = ::linkat(fdFolder, szName, keep.Get(), pKeep->szName, 0) == 0;
        if (!bLinked && !NoHardLinks(errno)) {
            pKeep->bFailed = true;
            return Fail();
        }
    }
    if (!bLinked) {
        if (::renameat(fdFolder, szName, keep.Get(), pKeep->szName) != 0) {
            pKeep->bFailed = true;
            return Fail();
        }
        // Some file systems (FAT through FUSE) give a renamed file the time of its rename.
        if (::fstatat(keep.Get(), pKeep->szName, &stKept, AT_SYMLINK_NOFOLLOW) == 0 &&
            (stKept.st_mtim.tv_sec != stOld.st_mtim.tv_sec ||
             stKept.st_mtim.tv_nsec != stOld.st_mtim.tv_nsec)) {
            const timespec times[2] = {stOld.st_atim, stOld.st_mtim};
            ::utimensat(keep.Get(), pKeep->szName, times, AT_SYMLINK_NOFOLLOW);
        }
    }
    if (::renameat(fdFrom, szFrom, fdFolder, szName) != 0) {
        const int nErrno = errno;
        // The old file stays where it was: the extra link goes, a moved file comes back.
        if (bLinked) {
            ::unlinkat(keep.Get(), pKeep->szName, 0);
        } else {
            ::renameat(keep.Get(), pKeep->szName, fdFolder, szName);
        }
        return Fail(nErrno);
    }
    pKeep->bKept = true;
    return true;
}

// Links a finished unnamed file over an existing destination: under a temporary name
// first, then renamed over it.
bool ReplaceWithUnnamed(int fdFile, int fdFolder, const char* szName, int fdTemp,
                        CKeepReplaced* pKeep) {
    if (!MayReplace(fdFolder, szName)) {
        return false;
    }
    std::string strTempName;
    if (!posix_internal::PlaceUnderTempName(strTempName, [&](const char* szTempName) {
            return LinkUnnamed(fdFile, fdTemp, szTempName);
        })) {
        return Fail();
    }
    TempFileGuard guard(fdTemp, strTempName);
    if (!PlaceFile(fdTemp, strTempName.c_str(), fdFolder, szName, pKeep)) {
        return false;
    }
    guard.Keep();
    return true;
}

// The folder for the copy's named temporary files.
int TempFolder(const SplitPath& to, const CopyRequest& request) {
    return request.fdTempFolder >= 0 ? request.fdTempFolder : to.Folder();
}

// The copy through an unnamed file, which appears under the destination's name only
// once it is complete. Retry when this file system or kernel cannot do it.
CopyResult CopyThroughUnnamed(int fdSource, const struct stat& stSource, const SplitPath& to,
                              const CopyRequest& request) {
    FileDescriptor target(
        ::openat(to.Folder(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, stSource.st_mode & 0777));
    if (!target.Valid()) {
        if (UnnamedFilesRefused(errno)) {
            return CopyResult::RetryNamed;  // this file system cannot
        }
        Fail();
        return CopyResult::Failed;
    }
    const CopyResult written = WriteData(fdSource, stSource, target.Get(), request);
    if (written != CopyResult::Done) {
        return written;
    }
    if (!LinkUnnamed(target.Get(), to.Folder(), to.Name())) {
        if (errno == EAGAIN) {
            return CopyResult::Retry;
        }
        if (errno != EEXIST) {
            Fail();
            return CopyResult::Failed;
        }
        // The destination exists: replace it, if it may be replaced.
        if (!ReplaceWithUnnamed(target.Get(), to.Folder(), to.Name(), TempFolder(to, request),
                                request.pKeep)) {
            return CopyResult::Failed;
        }
    }
    if (!target.Close()) {
        Fail();
        return CopyResult::Failed;
    }
    return CopyResult::Done;
}

// The copy through a named temporary file renamed over the destination.
CopyResult CopyThroughNamed(int fdSource, const struct stat& stSource, const SplitPath& to,
                            const CopyRequest& request) {
    const int fdTemp = TempFolder(to, request);
    std::string strTempName;
    FileDescriptor target(
        posix_internal::CreateNamedTemp(fdTemp, strTempName, stSource.st_mode & 0777));
    if (!target.Valid()) {
        Fail();
        return CopyResult::Failed;
    }
    TempFileGuard guard(fdTemp, strTempName);
    const CopyResult written = WriteData(fdSource, stSource, target.Get(), request);
    if (written != CopyResult::Done) {
        return written;
    }
    struct stat stWritten {};
    if (::fstat(target.Get(), &stWritten) != 0 || !target.Close()) {
        Fail();
        return CopyResult::Failed;
    }
    if (!PlaceFile(fdTemp, strTempName.c_str(), to.Folder(), to.Name(), request.pKeep)) {
        return CopyResult::Failed;
    }
    guard.Keep();
    // Some file systems (FAT through FUSE) give a file the time of its rename: it is set
    // again under the new name. Whether it holds is for the caller to check.
    struct stat stPlaced {};
    if (::fstatat(to.Folder(), to.Name(), &stPlaced, AT_SYMLINK_NOFOLLOW) == 0 &&
        (stPlaced.st_mtim.tv_sec != stWritten.st_mtim.tv_sec ||
         stPlaced.st_mtim.tv_nsec != stWritten.st_mtim.tv_nsec)) {
        const timespec times[2] = {stSource.st_atim, stSource.st_mtim};
        ::utimensat(to.Folder(), to.Name(), times, AT_SYMLINK_NOFOLLOW);
    }
    return CopyResult::Done;
}

CopyResult CopyOnce(const SplitPath& from, const SplitPath& to, const CopyRequest& request,
                    bool bNamedOnly) {
    // Non-blocking, so that a FIFO or device is opened without waiting for a peer; the
    // type test below then turns it away. Reads of a regular file ignore the flag.
    FileDescriptor source(
        ::openat(from.Folder(), from.Name(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat stSource {};
    if (!source.Valid() || ::fstat(source.Get(), &stSource) != 0) {
        Fail();
        return CopyResult::Failed;
    }
    if (!S_ISREG(stSource.st_mode)) {
        Fail(S_ISDIR(stSource.st_mode) ? EISDIR : ENOTSUP);
        return CopyResult::Failed;
    }
    // An existing destination is checked before any data moves, and replaced through a
    // named file; a new one is written unnamed and linked in place. A link is looked at,
    // and replaced, as itself.
    struct stat stTarget {};
    const bool bExists = ::fstatat(to.Folder(), to.Name(), &stTarget, AT_SYMLINK_NOFOLLOW) == 0;
    if (bExists && !MayReplace(stTarget)) {
        return CopyResult::Failed;
    }
    if (!bExists && !bNamedOnly && (request.nFlags & COPY_FILE_NAMED_TEMP) == 0 &&
        g_linkMethod.load() != LinkMethod::Unavailable) {
        return CopyThroughUnnamed(source.Get(), stSource, to, request);
    }
    return CopyThroughNamed(source.Get(), stSource, to, request);
}

// A file-size limit makes a write fail with EFBIG instead of ending the process.
void IgnoreFileSizeSignal() {
    static const bool bDone = [] {
        struct sigaction action {};
        action.sa_handler = SIG_IGN;
        ::sigemptyset(&action.sa_mask);
        return ::sigaction(SIGXFSZ, &action, nullptr) == 0;
    }();
    (void)bDone;
}

}  // namespace

bool PosixPlatform::CopyFileEx(const CPathAt& from, const CPathAt& to,
                               CopyProgressRoutine pProgress, void* pData,
                               const std::atomic<int32_t>* pCancel, uint32_t nCopyFlags,
                               int fdTempFolder, CKeepReplaced* pKeep) {
    IgnoreFileSizeSignal();
    const CopyRequest request{pProgress, pData, pCancel, nCopyFlags, fdTempFolder, pKeep};
    const SplitPath source(from);
    const SplitPath target(to);
    // A new attempt after a file system refused unnamed files, or after the source changed
    // under the copy; a second change is an error.
    bool bChangedOnce = false;
    bool bNamedOnly = false;
    for (int nAttempt = 0; nAttempt < 3; ++nAttempt) {
        switch (CopyOnce(source, target, request, bNamedOnly)) {
            case CopyResult::Done:
                return true;
            case CopyResult::Failed:
                return false;
            case CopyResult::Retry:
                break;
            case CopyResult::RetryNamed:
                bNamedOnly = true;
                break;
            case CopyResult::SourceChanged:
                if (bChangedOnce) {
                    return Fail(kErrorSourceChanged);
                }
                bChangedOnce = true;
                break;
        }
    }
    return Fail(EAGAIN);  // not reached: each kind of new attempt happens only once
}
