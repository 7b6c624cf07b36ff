// The POSIX implementation of the platform services the engine uses: folder enumeration,
// folder creation, file status, attributes, the fail-safe file copy, errors and clocks.
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

#include "PosixHandles.h"
#include "platform.h"

namespace {

using posix::FileDescriptor;
using posix::FolderOf;

// The error code of the calling thread's last failed operation.
thread_local int32_t t_nLastError = 0;

// Records errno as the last error and reports failure, so that callers can write
// `return Fail();` right after the failing call.
bool Fail() {
    t_nLastError = errno;
    return false;
}

bool Fail(int nErrno) {
    errno = nErrno;
    t_nLastError = nErrno;
    return false;
}

struct DirCloser {
    void operator()(DIR* pDir) const { ::closedir(pDir); }
};

// Handles of the two folders most recently used by a status query or a copy (in a run: the
// source folder and the destination folder being worked on), so that those calls look up
// one name instead of walking the whole path every time. Cleared whenever a folder is
// enumerated or created, so a handle never outlives the folder visit it was opened for.
class FolderHandles {
public:
    FolderHandles() = default;
    FolderHandles(const FolderHandles&) = delete;
    FolderHandles& operator=(const FolderHandles&) = delete;
    ~FolderHandles() { Clear(); }

    struct Split {
        int fdFolder;        // AT_FDCWD when the folder could not be opened
        const char* szName;  // then the whole path
    };

    // The handle of the path's folder and the name inside it. The handle stays valid until
    // two other folders have been asked for, or until Clear.
    Split Get(const std::string& strPath) {
        const size_t nCut = strPath.rfind('/');
        if (nCut == std::string::npos || nCut + 1 == strPath.size()) {
            return {AT_FDCWD, strPath.c_str()};
        }
        const std::string_view folder =
            nCut == 0 ? std::string_view("/") : std::string_view(strPath).substr(0, nCut);
        const char* szName = strPath.c_str() + nCut + 1;
        for (int i = 0; i < 2; ++i) {
            if (m_slots[i].fd >= 0 && m_slots[i].strFolder == folder) {
                m_nLastUsed = i;
                return {m_slots[i].fd, szName};
            }
        }
        const std::string strFolder(folder);
        const int fd = ::open(strFolder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            return {AT_FDCWD, strPath.c_str()};
        }
        const int nSlot = 1 - m_nLastUsed;
        Slot& slot = m_slots[nSlot];
        if (slot.fd >= 0) {
            ::close(slot.fd);
        }
        slot.fd = fd;
        slot.strFolder = strFolder;
        m_nLastUsed = nSlot;
        return {fd, szName};
    }

    void Clear() {
        for (Slot& slot : m_slots) {
            if (slot.fd >= 0) {
                ::close(slot.fd);
                slot.fd = -1;
            }
        }
    }

private:
    struct Slot {
        std::string strFolder;
        int fd = -1;
    };
    Slot m_slots[2];
    int m_nLastUsed = 0;
};

thread_local FolderHandles t_folders;

class PosixFolderEnum : public IFolderEnum {
public:
    PosixFolderEnum(std::unique_ptr<DIR, DirCloser> pDir, const std::string& strFolder)
        : m_pDir(std::move(pDir)), m_strPrefix(strFolder + "/") {}

    bool FindNextFile(CDirEntry& entry) override {
        errno = 0;
        const dirent* pEntry = ::readdir(m_pDir.get());
        if (pEntry == nullptr) {
            if (errno != 0) {
                Fail();
            }
            return false;
        }
        const char* szName = pEntry->d_name;
        entry.m_strName.assign(szName);
        entry.m_strFilePath.assign(m_strPrefix).append(entry.m_strName);
        entry.m_bIsDots =
            szName[0] == '.' && (szName[1] == '\0' || (szName[1] == '.' && szName[2] == '\0'));
        // A link is never a folder here, so a link to a folder is not walked into and a
        // link cycle cannot make a walk endless.
        unsigned char type = pEntry->d_type;
        if (type == DT_UNKNOWN) {
            struct stat st {};
            if (::fstatat(::dirfd(m_pDir.get()), szName, &st, AT_SYMLINK_NOFOLLOW) == 0) {
                type = S_ISDIR(st.st_mode) ? DT_DIR : DT_REG;
            }
        }
        entry.m_bIsDirectory = type == DT_DIR;
        return true;
    }

private:
    std::unique_ptr<DIR, DirCloser> m_pDir;
    std::string m_strPrefix;
};

// The named temporary file that replaces an existing destination: a hidden name in the
// destination folder, unique to this process and copy, and short, so that a long
// destination name cannot make it too long.
constexpr const char* kTempPrefix = ".folvex-tmp-";
std::atomic<uint64_t> g_nTempCounter{0};

const std::string& ProcessTag() {
    static const std::string strTag = std::to_string(::getpid()) + "-";
    return strTag;
}

// The descriptor of the new file, or -1 with errno set.
int CreateNamedTemp(int fdFolder, const std::string& strFolder, std::string& strTempName,
                    mode_t mode) {
    for (int nAttempt = 0; nAttempt < 100; ++nAttempt) {
        strTempName = kTempPrefix + ProcessTag() + std::to_string(g_nTempCounter.fetch_add(1));
        if (fdFolder == AT_FDCWD) {
            strTempName = strFolder + "/" + strTempName;
        }
        const int fd = ::openat(fdFolder, strTempName.c_str(),
                                O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, mode);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

// Removes the named temporary file unless the copy completed and renamed it.
class TempFileGuard {
public:
    TempFileGuard(int fdFolder, const std::string& strName)
        : m_fdFolder(fdFolder), m_strName(strName) {}
    ~TempFileGuard() {
        if (!m_bKept) {
            ::unlinkat(m_fdFolder, m_strName.c_str(), 0);
        }
    }
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;
    void Keep() { m_bKept = true; }

private:
    int m_fdFolder;
    const std::string& m_strName;
    bool m_bKept = false;
};

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
    const std::string strProc = "/proc/self/fd/" + std::to_string(fdFile);
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

// copy_file_range moves at most this much per call, so progress and the cancel request
// are seen between chunks at a cost of well under 1%.
constexpr size_t kChunkBytes = size_t{4} << 20;
// The read/write fallback's buffer; larger buffers are slower on these machines.
constexpr size_t kBufferBytes = size_t{128} << 10;

// Copies the data of one file in chunks, reporting progress and watching the cancel
// request. The descriptors' offsets are at the start of both files.
class ChunkCopier {
public:
    ChunkCopier(int fdSource, int fdTarget, int64_t nTotal, CopyProgressRoutine pProgress,
                void* pData, const std::atomic<int32_t>* pCancel)
        : m_fdSource(fdSource),
          m_fdTarget(fdTarget),
          m_nTotal(nTotal),
          m_pProgress(pProgress),
          m_pData(pData),
          m_pCancel(pCancel) {}

    // False with the last error set when the copy failed or was cancelled.
    bool Run() {
        if (!Report(CALLBACK_STREAM_SWITCH)) {
            return false;
        }
        bool bUseRange = true;
        for (;;) {
            // The size that fstat gave is copied, and no more: that spares the call that
            // would only report the end. An empty file is read to its end, since pseudo
            // files report the size 0 and yet hold data.
            if (m_nTotal > 0 && m_nDone >= m_nTotal) {
                return true;
            }
            ssize_t n = 0;
            if (bUseRange) {
                n = ::copy_file_range(m_fdSource, nullptr, m_fdTarget, nullptr, kChunkBytes, 0);
                // Refused, or nothing from a file that should hold data (some pseudo file
                // systems): read and write instead.
                if ((n < 0 && m_nDone == 0 && RangeCopyRefused(errno)) ||
                    (n == 0 && m_nDone == 0)) {
                    bUseRange = false;
                    continue;
                }
            } else {
                n = ReadWriteChunk();
            }
            if (n < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return Fail();
            }
            if (n == 0) {
                return true;  // the file ended early: it shrank while it was copied
            }
            m_nDone += n;
            if (!Report(CALLBACK_CHUNK_FINISHED)) {
                return false;
            }
        }
    }

private:
    static bool RangeCopyRefused(int nErrno) {
        return nErrno == EXDEV || nErrno == EINVAL || nErrno == ENOSYS || nErrno == EOPNOTSUPP ||
               nErrno == EPERM || nErrno == EBADF;
    }

    ssize_t ReadWriteChunk() {
        if (!m_pBuffer) {
            m_pBuffer = std::make_unique<char[]>(kBufferBytes);
        }
        const ssize_t nRead = ::read(m_fdSource, m_pBuffer.get(), kBufferBytes);
        if (nRead <= 0) {
            return nRead;
        }
        ssize_t nWritten = 0;
        while (nWritten < nRead) {
            const ssize_t n = ::write(m_fdTarget, m_pBuffer.get() + nWritten,
                                      static_cast<size_t>(nRead - nWritten));
            if (n < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return -1;
            }
            nWritten += n;
        }
        return nRead;
    }

    // Reports progress, then looks at the cancel request.
    bool Report(uint32_t nReason) {
        if (m_pProgress != nullptr && !m_bQuiet) {
            const uint32_t nAnswer = m_pProgress(m_nTotal, m_nDone, m_nTotal, m_nDone, 1, nReason,
                                                 m_fdSource, m_fdTarget, m_pData);
            // 3 asks for no further reports; 1 (cancel) and 2 (stop) end the copy.
            if (nAnswer == 3) {
                m_bQuiet = true;
            } else if (nAnswer != 0) {
                return Fail(ECANCELED);
            }
        }
        if (m_pCancel != nullptr && m_pCancel->load(std::memory_order_relaxed) != 0) {
            return Fail(ECANCELED);
        }
        return true;
    }

    int m_fdSource;
    int m_fdTarget;
    int64_t m_nTotal;
    int64_t m_nDone = 0;
    CopyProgressRoutine m_pProgress;
    void* m_pData;
    const std::atomic<int32_t>* m_pCancel;
    bool m_bQuiet = false;
    std::unique_ptr<char[]> m_pBuffer;
};

}  // namespace

std::unique_ptr<IFolderEnum> PosixPlatform::FindFiles(const std::string& strFolder) {
    t_folders.Clear();
    std::unique_ptr<DIR, DirCloser> pDir(::opendir(strFolder.c_str()));
    if (!pDir) {
        Fail();
        return nullptr;
    }
    return std::make_unique<PosixFolderEnum>(std::move(pDir), strFolder);
}

bool PosixPlatform::CreateDirectory(const std::string& strPath) {
    t_folders.Clear();
    return ::mkdir(strPath.c_str(), 0777) == 0 || Fail();
}

bool PosixPlatform::GetStatus(const std::string& strPath, CFileStatus& status) {
    struct stat st {};
    const FolderHandles::Split path = t_folders.Get(strPath);
    if (::fstatat(path.fdFolder, path.szName, &st, 0) != 0) {
        return Fail();
    }
    status.m_ctime = st.st_ctim.tv_sec;
    status.m_mtime = st.st_mtim.tv_sec;
    status.m_atime = st.st_atim.tv_sec;
    status.m_size64 = static_cast<uint64_t>(st.st_size);
    status.m_size = static_cast<int32_t>(static_cast<uint32_t>(status.m_size64));
    status.m_attribute = 0;
    if ((st.st_mode & S_IWUSR) == 0) {
        status.m_attribute |= ATTR_READONLY;
    }
    if (S_ISDIR(st.st_mode)) {
        status.m_attribute |= ATTR_DIRECTORY;
    }
    status.m_szFullName = strPath;
    return true;
}

bool PosixPlatform::SetAttributes(const std::string& strPath, uint8_t attributes) {
    struct stat st {};
    if (::stat(strPath.c_str(), &st) != 0) {
        return Fail();
    }
    // Read-only takes every write bit away; writable gives the owner the write bit back.
    const mode_t mode =
        (attributes & ATTR_READONLY) != 0 ? (st.st_mode & ~mode_t{0222}) : (st.st_mode | S_IWUSR);
    if ((mode & 07777) == (st.st_mode & 07777)) {
        return true;
    }
    return ::chmod(strPath.c_str(), mode & 07777) == 0 || Fail();
}

namespace {

enum class CopyResult { Done, Failed, Retry };

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

bool MayReplace(const FolderHandles::Split& to) {
    struct stat st {};
    // Gone meanwhile: the rename will create it.
    return ::fstatat(to.fdFolder, to.szName, &st, 0) != 0 || MayReplace(st);
}

// Gives the finished data its permission bits and modification time. The bits were
// asked for at creation; they need setting again only where the creation mask took some.
bool FinishData(int fd, const struct stat& stSource) {
    const mode_t mode = stSource.st_mode & 0777;
    if ((mode & CreationMask()) != 0 && ::fchmod(fd, mode) != 0) {
        return Fail();
    }
    const timespec times[2] = {{0, UTIME_OMIT}, stSource.st_mtim};
    return ::futimens(fd, times) == 0 || Fail();
}

// Links a finished unnamed file over an existing destination: under a temporary name
// first, then renamed over it.
bool ReplaceWithUnnamed(int fdFile, const FolderHandles::Split& to) {
    if (!MayReplace(to)) {
        return false;
    }
    std::string strTempName;
    for (int nAttempt = 0;; ++nAttempt) {
        strTempName = kTempPrefix + ProcessTag() + std::to_string(g_nTempCounter.fetch_add(1));
        if (to.fdFolder == AT_FDCWD) {
            strTempName = FolderOf(to.szName) + "/" + strTempName;
        }
        if (LinkUnnamed(fdFile, to.fdFolder, strTempName.c_str())) {
            break;
        }
        if (errno != EEXIST || nAttempt == 100) {
            return Fail();
        }
    }
    TempFileGuard guard(to.fdFolder, strTempName);
    if (::renameat(to.fdFolder, strTempName.c_str(), to.fdFolder, to.szName) != 0) {
        return Fail();
    }
    guard.Keep();
    return true;
}

// The copy through an unnamed file, which appears under the destination's name only
// once it is complete. Retry when this file system or kernel cannot do it.
CopyResult CopyThroughUnnamed(int fdSource, const struct stat& stSource,
                              const FolderHandles::Split& to, const std::string& strDestination,
                              CopyProgressRoutine pProgress, void* pData,
                              const std::atomic<int32_t>* pCancel) {
    const std::string strFolder = to.fdFolder == AT_FDCWD ? FolderOf(strDestination) : ".";
    FileDescriptor target(::openat(to.fdFolder, strFolder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC,
                                   stSource.st_mode & 0777));
    if (!target.Valid()) {
        if (UnnamedFilesRefused(errno)) {
            g_linkMethod.store(LinkMethod::Unavailable);
            return CopyResult::Retry;
        }
        Fail();
        return CopyResult::Failed;
    }
    ChunkCopier copier(fdSource, target.Get(), static_cast<int64_t>(stSource.st_size), pProgress,
                       pData, pCancel);
    if (!copier.Run() || !FinishData(target.Get(), stSource)) {
        return CopyResult::Failed;
    }
    if (!LinkUnnamed(target.Get(), to.fdFolder, to.szName)) {
        if (errno == EAGAIN) {
            return CopyResult::Retry;
        }
        if (errno != EEXIST) {
            Fail();
            return CopyResult::Failed;
        }
        // The destination exists: replace it, if it may be replaced.
        if (!ReplaceWithUnnamed(target.Get(), to)) {
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
CopyResult CopyThroughNamed(int fdSource, const struct stat& stSource,
                            const FolderHandles::Split& to, const std::string& strDestination,
                            CopyProgressRoutine pProgress, void* pData,
                            const std::atomic<int32_t>* pCancel) {
    std::string strTempName;
    FileDescriptor target(CreateNamedTemp(to.fdFolder, FolderOf(strDestination), strTempName,
                                          stSource.st_mode & 0777));
    if (!target.Valid()) {
        Fail();
        return CopyResult::Failed;
    }
    TempFileGuard guard(to.fdFolder, strTempName);
    ChunkCopier copier(fdSource, target.Get(), static_cast<int64_t>(stSource.st_size), pProgress,
                       pData, pCancel);
    if (!copier.Run() || !FinishData(target.Get(), stSource)) {
        return CopyResult::Failed;
    }
    if (!target.Close() ||
        ::renameat(to.fdFolder, strTempName.c_str(), to.fdFolder, to.szName) != 0) {
        Fail();
        return CopyResult::Failed;
    }
    guard.Keep();
    return CopyResult::Done;
}

CopyResult CopyOnce(const std::string& strSource, const std::string& strDestination,
                    CopyProgressRoutine pProgress, void* pData,
                    const std::atomic<int32_t>* pCancel) {
    // Non-blocking, so that a FIFO or device is opened without waiting for a peer; the
    // type test below then turns it away. Reads of a regular file ignore the flag.
    const FolderHandles::Split from = t_folders.Get(strSource);
    FileDescriptor source(
        ::openat(from.fdFolder, from.szName, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
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
    // named file; a new one is written unnamed and linked in place.
    const FolderHandles::Split to = t_folders.Get(strDestination);
    struct stat stTarget {};
    const bool bExists = ::fstatat(to.fdFolder, to.szName, &stTarget, 0) == 0;
    if (bExists && !MayReplace(stTarget)) {
        return CopyResult::Failed;
    }
    if (!bExists && g_linkMethod.load() != LinkMethod::Unavailable) {
        return CopyThroughUnnamed(source.Get(), stSource, to, strDestination, pProgress, pData,
                                  pCancel);
    }
    return CopyThroughNamed(source.Get(), stSource, to, strDestination, pProgress, pData, pCancel);
}

}  // namespace

bool PosixPlatform::CopyFileEx(const std::string& strSource, const std::string& strDestination,
                               CopyProgressRoutine pProgress, void* pData,
                               const std::atomic<int32_t>* pCancel) {
    CopyResult result = CopyOnce(strSource, strDestination, pProgress, pData, pCancel);
    if (result == CopyResult::Retry) {
        result = CopyOnce(strSource, strDestination, pProgress, pData, pCancel);
    }
    return result == CopyResult::Done;
}

int32_t PosixPlatform::GetLastError() {
    return t_nLastError;
}

uint32_t PosixPlatform::GetTickCount() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const uint64_t nMs =
        static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(nMs);
}

uint32_t PosixPlatform::GetCurrentTime() {
    return static_cast<uint32_t>(::time(nullptr));
}

std::string PosixPlatform::ResolvePath(const std::string& strPath) {
    if (strPath.empty()) {
        return strPath;
    }
    // Resolve the deepest part that exists and keep the rest as written.
    std::string strHead = strPath;
    std::string strTail;
    for (;;) {
        char szResolved[PATH_MAX];
        if (::realpath(strHead.c_str(), szResolved) != nullptr) {
            std::string strResult(szResolved);
            if (!strTail.empty()) {
                if (strResult.back() != '/') {
                    strResult += '/';
                }
                strResult += strTail;
            }
            return strResult;
        }
        if (strHead == "." || strHead == "/") {
            return strPath;  // not even the starting point can be resolved
        }
        while (strHead.size() > 1 && strHead.back() == '/') {
            strHead.pop_back();
        }
        const size_t nCut = strHead.rfind('/');
        std::string strLast;
        if (nCut == std::string::npos) {
            strLast = strHead;
            strHead = ".";
        } else {
            strLast = strHead.substr(nCut + 1);
            strHead = nCut == 0 ? "/" : strHead.substr(0, nCut);
        }
        strTail = strTail.empty() ? strLast : strLast + "/" + strTail;
    }
}
