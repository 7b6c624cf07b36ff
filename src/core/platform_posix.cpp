// The POSIX implementation of the platform services the engine uses: folders, file status,
// attributes, the fail-safe file copy, leftovers, flushing, errors and clocks.
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <optional>

#include "PosixHandles.h"
#include "platform.h"
#include "platform_posix_internal.h"

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

// A folder and a name in it, ready for the *at() calls: a path given whole is split into
// its folder (opened here, as a path handle) and its last part.
class SplitPath {
public:
    explicit SplitPath(const CPathAt& at) : m_fdFolder(at.fdFolder), m_szName(at.szName) {
        if (at.fdFolder != AT_FDCWD) {
            return;
        }
        const size_t nCut = at.strPath.rfind('/');
        if (nCut == std::string::npos || nCut + 1 == at.strPath.size()) {
            return;
        }
        m_owned.Reset(::open(FolderOf(at.strPath).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (m_owned.Valid()) {
            m_fdFolder = m_owned.Get();
            m_szName = at.strPath.c_str() + nCut + 1;
        }
    }
    int Folder() const { return m_fdFolder; }
    const char* Name() const { return m_szName; }

private:
    FileDescriptor m_owned;
    int m_fdFolder;
    const char* m_szName;
};

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

// The named temporary files of the copy: a hidden name in the destination folder, unique to
// this process and copy, and short, so that a long destination name cannot make it too
// long: ".folvex-tmp-<process id>-<number>".
constexpr const char* kTempPrefix = ".folvex-tmp-";
constexpr size_t kTempPrefixLength = 12;
std::atomic<uint64_t> g_nTempCounter{0};

std::string NewTempName() {
    static const std::string strTag = kTempPrefix + std::to_string(::getpid()) + "-";
    return strTag + std::to_string(g_nTempCounter.fetch_add(1));
}

// The process id in a temporary name, or none when the name is not one.
std::optional<pid_t> TempNameProcess(const char* szName) {
    if (std::strncmp(szName, kTempPrefix, kTempPrefixLength) != 0) {
        return std::nullopt;
    }
    const char* p = szName + kTempPrefixLength;
    char* pEnd = nullptr;
    errno = 0;
    const long nPid = std::strtol(p, &pEnd, 10);
    if (pEnd == p || *pEnd != '-' || errno != 0 || nPid <= 0 || nPid > INT_MAX) {
        return std::nullopt;
    }
    const char* pNumber = pEnd + 1;
    if (*pNumber == '\0') {
        return std::nullopt;
    }
    for (const char* q = pNumber; *q != '\0'; ++q) {
        if (*q < '0' || *q > '9') {
            return std::nullopt;
        }
    }
    return static_cast<pid_t>(nPid);
}

// Gone, or a zombie that nobody has reaped yet: it writes nothing any more.
bool ProcessHasEnded(pid_t pid) {
    if (::kill(pid, 0) != 0) {
        return errno == ESRCH;
    }
    // "<pid> (<name>) <state> ...": the name may hold blanks and parentheses.
    FileDescriptor stat(
        ::open(("/proc/" + std::to_string(pid) + "/stat").c_str(), O_RDONLY | O_CLOEXEC));
    char szText[512];
    const ssize_t n = stat.Valid() ? ::read(stat.Get(), szText, sizeof szText - 1) : -1;
    if (n <= 0) {
        return false;
    }
    szText[n] = '\0';
    const char* pClose = std::strrchr(szText, ')');
    return pClose != nullptr && pClose[1] == ' ' && (pClose[2] == 'Z' || pClose[2] == 'X');
}

// Puts something under a new temporary name: tries names until `place` takes one, or fails
// for another reason than a name in use. False with errno set.
template <class Place>
bool PlaceUnderTempName(std::string& strTempName, Place place) {
    for (int nAttempt = 0; nAttempt < 100; ++nAttempt) {
        strTempName = NewTempName();
        if (place(strTempName.c_str())) {
            return true;
        }
        if (errno != EEXIST) {
            return false;
        }
    }
    return false;
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
// Chunks of at least this size go to the disk as soon as they are copied.
constexpr size_t kEarlyWritebackBytes = size_t{1} << 20;
// The read/write fallback's buffer; larger buffers are slower on these machines.
constexpr size_t kBufferBytes = size_t{128} << 10;

// Copies the data of one file in chunks, reporting progress and watching the cancel
// request. A sparse file is copied region by region: only its data moves, its holes stay
// holes, and the progress runs over its whole size.
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
    bool Run(bool bSparse) {
        if (!Report(CALLBACK_STREAM_SWITCH)) {
            return false;
        }
        if (!bSparse) {
            return CopyRange(0, m_nTotal);
        }
        for (int64_t nPos = 0; nPos < m_nTotal;) {
            const off_t nData = ::lseek(m_fdSource, nPos, SEEK_DATA);
            if (nData < 0) {
                if (errno == ENXIO) {
                    break;  // only a hole is left
                }
                return errno == EINVAL ? CopyRange(nPos, m_nTotal) : Fail();
            }
            off_t nHole = ::lseek(m_fdSource, nData, SEEK_HOLE);
            if (nHole < 0 || nHole > m_nTotal) {
                nHole = static_cast<off_t>(m_nTotal);
            }
            if (nData > m_nDone) {
                m_nDone = nData;
                if (!Report(CALLBACK_CHUNK_FINISHED)) {
                    return false;
                }
            }
            if (!CopyRange(nData, nHole)) {
                return false;
            }
            nPos = nHole;
        }
        // A file that ends in a hole gets its whole size.
        if (::ftruncate(m_fdTarget, static_cast<off_t>(m_nTotal)) != 0) {
            return Fail();
        }
        if (m_nDone < m_nTotal) {
            m_nDone = m_nTotal;
            return Report(CALLBACK_CHUNK_FINISHED);
        }
        return true;
    }

private:
    // Copies [nStart, nEnd) to the same place in the target. The size that fstat gave is
    // copied, and no more: that spares the call that would only report the end (a file
    // that grew or shrank meanwhile is caught afterwards). An empty file is read to its
    // end, since pseudo files report the size 0 and yet hold data.
    bool CopyRange(int64_t nStart, int64_t nEnd) {
        loff_t nIn = nStart;
        loff_t nOut = nStart;
        for (;;) {
            if (m_nTotal > 0 && nIn >= nEnd) {
                return true;
            }
            const size_t nWant =
                m_nTotal > 0 ? static_cast<size_t>(std::min<int64_t>(kChunkBytes, nEnd - nIn))
                             : kChunkBytes;
            ssize_t n = 0;
            if (m_bUseRange) {
                n = ::copy_file_range(m_fdSource, &nIn, m_fdTarget, &nOut, nWant, 0);
                // Refused, or nothing from a file that should hold data (some pseudo file
                // systems): read and write instead.
                if ((n < 0 && nIn == nStart && RangeCopyRefused(errno)) || (n == 0 && nIn == 0)) {
                    m_bUseRange = false;
                    continue;
                }
            } else {
                n = ReadWriteChunk(nIn, nOut, nWant);
            }
            if (n < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return Fail();
            }
            if (n == 0) {
                return true;  // the file ended early: it shrank, which is caught afterwards
            }
            // The disk starts on a large chunk while the next one is copied, so that the
            // flush at the end of the run has less left to do. Small files are left to the
            // flush: starting each one alone costs more than it saves. A failure here costs
            // nothing.
            if (static_cast<size_t>(n) >= kEarlyWritebackBytes) {
                ::sync_file_range(m_fdTarget, nOut - n, n, SYNC_FILE_RANGE_WRITE);
            }
            m_nDone = nIn;
            if (!Report(CALLBACK_CHUNK_FINISHED)) {
                return false;
            }
        }
    }

    static bool RangeCopyRefused(int nErrno) {
        return nErrno == EXDEV || nErrno == EINVAL || nErrno == ENOSYS || nErrno == EOPNOTSUPP ||
               nErrno == EPERM || nErrno == EBADF;
    }

    ssize_t ReadWriteChunk(loff_t& nIn, loff_t& nOut, size_t nWant) {
        if (!m_pBuffer) {
            m_pBuffer = std::make_unique<char[]>(kBufferBytes);
        }
        const ssize_t nRead =
            ::pread(m_fdSource, m_pBuffer.get(), std::min(nWant, kBufferBytes), nIn);
        if (nRead <= 0) {
            return nRead;
        }
        if (!posix::WriteAll(m_fdTarget, m_pBuffer.get(), static_cast<size_t>(nRead), nOut)) {
            return -1;
        }
        nIn += nRead;
        nOut += nRead;
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
    bool m_bUseRange = true;
    std::unique_ptr<char[]> m_pBuffer;
};

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
    int fdTempFolder;  // where named temporary files go; -1: beside the destination
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

// Links a finished unnamed file over an existing destination: under a temporary name
// first, then renamed over it.
bool ReplaceWithUnnamed(int fdFile, int fdFolder, const char* szName, int fdTemp) {
    if (!MayReplace(fdFolder, szName)) {
        return false;
    }
    std::string strTempName;
    if (!PlaceUnderTempName(strTempName, [&](const char* szTempName) {
            return LinkUnnamed(fdFile, fdTemp, szTempName);
        })) {
        return Fail();
    }
    TempFileGuard guard(fdTemp, strTempName);
    if (::renameat(fdTemp, strTempName.c_str(), fdFolder, szName) != 0) {
        return Fail();
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
        if (!ReplaceWithUnnamed(target.Get(), to.Folder(), to.Name(), TempFolder(to, request))) {
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
    if (::fstat(target.Get(), &stWritten) != 0 || !target.Close() ||
        ::renameat(fdTemp, strTempName.c_str(), to.Folder(), to.Name()) != 0) {
        Fail();
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

namespace posix_internal {

int CreateNamedTemp(int fdFolder, std::string& strTempName, mode_t mode) {
    int fd = -1;
    PlaceUnderTempName(strTempName, [&](const char* szName) {
        fd = ::openat(fdFolder, szName, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, mode);
        return fd >= 0;
    });
    return fd;
}

}  // namespace posix_internal

bool IsCopyTempName(const std::string& strName) {
    return TempNameProcess(strName.c_str()).has_value();
}

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
    const std::string strProc = "/proc/self/fd/" + std::to_string(file.Get());
    return ::chmod(strProc.c_str(), mode & 07777) == 0 || Fail();
}

bool PosixPlatform::CopyFileEx(const CPathAt& from, const CPathAt& to,
                               CopyProgressRoutine pProgress, void* pData,
                               const std::atomic<int32_t>* pCancel, uint32_t nCopyFlags,
                               int fdTempFolder) {
    IgnoreFileSizeSignal();
    const CopyRequest request{pProgress, pData, pCancel, nCopyFlags, fdTempFolder};
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

void PosixPlatform::RemoveLeftoverTempFiles(int fdFolder, const std::string& strPath) {
    std::vector<CDirEntry> entries;
    ReadFolder(fdFolder, strPath, entries);
    for (const CDirEntry& entry : entries) {
        const std::optional<pid_t> pid = TempNameProcess(entry.m_strName.c_str());
        if (pid && !entry.m_bIsDirectory && ProcessHasEnded(*pid)) {
            ::unlinkat(fdFolder, entry.m_strName.c_str(), 0);
        }
    }
}

bool PosixPlatform::FlushFileSystem(int fdFolder, const std::string& /*strPath*/) {
    return ::syncfs(fdFolder) == 0 || Fail();
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
