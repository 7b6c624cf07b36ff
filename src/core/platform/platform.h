// SPDX-License-Identifier: GPL-3.0-or-later
// The operating-system services that the engine and the group list file rely on, behind
// one interface. PosixPlatform is the real implementation; tests wrap it to inject faults
// and a tick of their own.
//
// The engine reaches files through open folders: every call names a folder descriptor and a
// name in it (the *at() calls), so no path is ever resolved again from the root, a path
// longer than the system's limit still works, and no link can redirect a later call.
#pragma once

#include <fcntl.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <thread>
#include <vector>

// Attribute bits of the file status record: read-only is the owner's missing write bit, and
// a folder is a folder. Hidden and system have no meaning here and are never set; the
// "Overwrite +RHS files" rule names them still.
enum FileAttribute : uint8_t {
    ATTR_READONLY = 0x01,
    ATTR_HIDDEN = 0x02,
    ATTR_SYSTEM = 0x04,
    ATTR_DIRECTORY = 0x10,
};

// What kind of thing a status query found.
enum class FileKind : uint8_t {
    Regular,
    Folder,
    Link,        // only when links are not followed
    BrokenLink,  // a link that leads nowhere or to itself, when links are followed
    Other,       // FIFO, socket, device
};

// What the status query gives for a file. m_mtime holds whole seconds since 1970 (the
// fraction dropped) as the figures use them; m_mtimeNs the nanoseconds beside them, for the
// same-file decision. m_size holds the low 32 bits of the size, as the stored figures use
// it; m_size64 the true size.
struct CFileStatus {
    int64_t m_mtime = 0;
    int32_t m_size = 0;
    uint64_t m_size64 = 0;
    uint8_t m_attribute = 0;
    int32_t m_mtimeNs = 0;
    FileKind m_kind = FileKind::Regular;
    uint64_t m_nDevice = 0;
    uint64_t m_nInode = 0;
};

// One entry of a folder, as the folder lists it ("." and ".." are left out).
struct CDirEntry {
    std::string m_strName;
    bool m_bIsDirectory = false;  // a folder itself, not a link to one
    bool m_bIsLink = false;
};

// Where a file or folder is: an open folder, a name in it, and the whole path that the two
// stand for, for log lines and for tests that inject faults by path. With AT_FDCWD as the
// folder, the name is a path of its own.
struct CPathAt {
    int fdFolder;
    const char* szName;
    const std::string& strPath;

    static CPathAt Whole(const std::string& strPath) {
        return {AT_FDCWD, strPath.c_str(), strPath};
    }
};

// Which names a file system cannot hold.
enum class NameRules : uint8_t {
    Posix,    // only "/" and the empty name
    Windows,  // exFAT and NTFS: also "*:<>?\|, control characters, a trailing dot or blank
    Fat,      // FAT: the same, and the device names CON, NUL, COM1...
};

// What a file system keeps of what a copy gives it.
struct CFileSystemTraits {
    // The step of the modification times it keeps, in nanoseconds (1: full precision).
    int64_t nTimeStepNs = 1;
    bool bKeepsPermissions = true;
    // Names that differ only in letter case name the same file.
    bool bIgnoresCase = false;
    bool bHardLinks = true;
    bool bKeepsTimes = true;
    // The longest name it holds, in bytes; the largest file (0: no limit but the disk's).
    uint64_t nNameMax = 255;
    uint64_t nMaxFileSize = 0;
    // The unit it gives room in: a file takes its size rounded up to it.
    uint64_t nBlockSize = 4096;
    // It makes unnamed files (O_TMPFILE), which a new copy is written into.
    bool bUnnamedFiles = true;
    NameRules names = NameRules::Posix;
    // Its type cannot vouch that it keeps what it is given: times are read back after a copy.
    bool bVerifyTimes = false;
    // Found out by a probe in the folder rather than known from the type.
    bool bProbed = false;
    // The type's name, for the log ("exfat (fuseblk)", "fusefat"); empty for POSIX types.
    std::string strType;
};

// A folder's identity: its device and inode numbers. Two paths with the same identity are
// the same folder, whatever links, bind mounts or second mounts lie between them.
struct CFolderIdentity {
    uint64_t nDevice = 0;
    uint64_t nInode = 0;
    bool operator==(const CFolderIdentity&) const = default;
};

// The identities of a folder and of every folder above it up to the root, nearest first.
// Where the path does not exist (yet), the chain starts at the deepest folder of it that
// does, and bExists is false.
struct CFolderAncestry {
    std::vector<CFolderIdentity> chain;
    bool bExists = false;
};

// Flags of the copy.
enum CopyFlags : uint32_t {
    COPY_FILE_DEFAULT = 0,
    // The destination cannot keep permission bits: the copy does not try to set them.
    COPY_FILE_NO_PERMISSIONS = 1,
    // The destination's file system makes no unnamed files: a named temporary file at once.
    COPY_FILE_NAMED_TEMP = 2,
};

// The copy's progress routine: total file size, total bytes transferred, stream size,
// stream bytes transferred, stream number, callback reason, source and destination file
// descriptors, context value. Returns 0 to continue.
using CopyProgressRoutine = uint32_t (*)(int64_t, int64_t, int64_t, int64_t, uint32_t, uint32_t,
                                         int, int, void*);

enum CopyCallbackReason : uint32_t {
    CALLBACK_CHUNK_FINISHED = 0,
    CALLBACK_STREAM_SWITCH = 1,
};

// The error code of a copy whose source changed while it was copied, twice in a row. It
// lies outside the system's codes, so it is never mistaken for one.
constexpr int32_t kErrorSourceChanged = 0x10000;
// The error code of a write that a read-only platform (a dry run's) refused.
constexpr int32_t kErrorReadOnly = 0x10002;
// The error code of a file that is a FIFO, socket or device where a regular file belongs.
constexpr int32_t kErrorNotRegularFile = 0x10001;

// Whether a name is one of the copy's own temporary files.
bool IsCopyTempName(const std::string& strName);
// The folder, at the top of a destination's part on one device, where copies make their
// named temporary files. Never walked nor copied.
inline constexpr const char* kStagingFolderName = ".folvex-tmp";

// Where a copy keeps the regular file it replaces, so that the old data is never lost: the
// old file is linked there before the new one is renamed over it, or, where the file system
// has no hard links, renamed there first. Asked for only when there is such a file.
struct CKeepReplaced {
    // Opens the folder that keeps it, making it where need be: a descriptor the copy closes,
    // or -1 with the reason in nError.
    std::function<int(int32_t& nError)> openFolder;
    const char* szName = nullptr;  // its name there
    bool bHardLinks = true;
    // Out: the old file could not be kept, so nothing was replaced (the last error says why).
    bool bFailed = false;
    // Out: the old file was kept.
    bool bKept = false;
};

class IPlatform {
public:
    virtual ~IPlatform() = default;

    // Opens a folder for listing and for the calls below it; a link as the last part of the
    // path is followed only when asked. The descriptor (the caller closes it), or -1.
    virtual int OpenFolder(const CPathAt& at, bool bFollowLink) = 0;
    // Reads every entry of a folder just opened, in the system's order. False when the
    // reading failed part-way; the entries read until then are kept.
    virtual bool ReadFolder(int fdFolder, const std::string& strPath,
                            std::vector<CDirEntry>& entries) = 0;
    // Whether an open folder holds no entry at all; false when it cannot be read.
    virtual bool IsFolderEmpty(int fdFolder, bool& bEmpty) = 0;
    // Creates one folder level; false when it failed (an existing folder included).
    virtual bool CreateDirectory(const CPathAt& at) = 0;
    // Removes an empty folder; false when it failed (it is not empty, or it is in use).
    virtual bool RemoveFolder(const CPathAt& at) = 0;
    // Removes a file, or a link itself; false when it failed (a folder included).
    virtual bool RemoveFile(const CPathAt& at) = 0;
    // Status of a file (an empty name: of the open folder itself); false when it cannot be
    // queried.
    virtual bool GetStatus(const CPathAt& at, bool bFollowLink, CFileStatus& status) = 0;
    // Applies an attribute byte: read-only clear makes the file writable. Times are kept. A
    // link is never followed: only a regular file is changed.
    virtual bool SetAttributes(const CPathAt& at, uint8_t attributes) = 0;
    // Copies a regular file over an existing destination, fail-safe: the new data appears
    // under the destination's name only once complete. Carries the source's permission bits
    // and modification time. Watches *pCancel between chunks. A source that changes while it
    // is copied is copied again once; a second change fails with kErrorSourceChanged. A
    // destination that is a link is replaced itself; what it leads to is never touched. A
    // named temporary file is made in fdTempFolder, a folder on the destination's file
    // system (-1: beside the destination). With pKeep, a regular file that the copy replaces
    // is kept there first; if it cannot be kept, it is not replaced.
    virtual bool CopyFileEx(const CPathAt& from, const CPathAt& to, CopyProgressRoutine pProgress,
                            void* pData, const std::atomic<int32_t>* pCancel, uint32_t nCopyFlags,
                            int fdTempFolder, CKeepReplaced* pKeep) = 0;
    // Removes the copy's temporary files that a process which has ended left in a folder.
    virtual void RemoveLeftoverTempFiles(int fdFolder, const std::string& strPath) = 0;
    // Writes what is cached for the file system of an open folder to its disk.
    virtual bool FlushFileSystem(int fdFolder, const std::string& strPath) = 0;
    // What the file system of an open folder keeps. Where its type does not tell, and
    // bMayProbe allows, a temporary file in the folder finds out.
    virtual CFileSystemTraits FileSystemTraits(int fdFolder, bool bMayProbe) = 0;
    // The error code of the calling thread's last failed operation.
    virtual int32_t GetLastError() = 0;
    // Milliseconds of a monotonic clock, 32 bits, wrapping.
    virtual uint32_t GetTickCount() = 0;
    // The current time, in seconds since 1970.
    virtual uint32_t GetCurrentTime() = 0;
    // The identities of a folder and of the folders above it, for comparing folders.
    virtual CFolderAncestry FolderAncestry(const std::string& strPath) = 0;
    // Whether an open folder is the given one or lies below it, as ".." leads up from it.
    virtual bool IsFolderWithin(int fdFolder, const CFolderIdentity& ancestor) = 0;
    // Reads a whole regular file; false when it cannot be opened or read, with the reason in
    // nErrno (ENOENT: there is nothing of that name). A folder (EISDIR), FIFO or device
    // (kErrorNotRegularFile) is refused without waiting for it or reading from it.
    virtual bool ReadWholeFile(const std::string& strPath, std::string& bytes, int& nErrno) = 0;
    // Whether anything has that name (a link counts as itself).
    virtual bool Exists(const std::string& strPath) = 0;
    // Gives a file another name in the same file system; false, with strError, on failure.
    virtual bool RenameFile(const std::string& strFrom, const std::string& strTo,
                            std::string& strError) = 0;
    // Replaces a file atomically: a temporary file in the same folder, flushed to disk,
    // renamed over the path. A link is followed: its target is replaced and it stays a link.
    // On failure the old file is intact and no temporary file is left; strError then says
    // why.
    virtual bool WriteFileAtomically(const std::string& strPath, const std::string& bytes,
                                     std::string& strError) = 0;
    // The path of the file a path names once links at its end are followed (a relative
    // link from its own folder); the path itself when it is no link. A link to nothing gives
    // the path it leads to, where a file can then be made.
    virtual std::string ResolveFileLinks(const std::string& strPath) = 0;
    // Makes a folder and the folders above it that are missing (only the user may enter
    // them); false, with strError, on failure.
    virtual bool MakeFolders(const std::string& strFolder, std::string& strError) = 0;
    // Whether the process may make files in a folder.
    virtual bool IsWritableFolder(const std::string& strFolder) = 0;
    // Takes an exclusive lock on a folder, waiting at most so long for another holder; the
    // descriptor that holds it (the caller closes it), or -1 with strError, and bTimedOut
    // when another holder kept it.
    virtual int LockFolder(const std::string& strFolder, std::chrono::milliseconds wait,
                           bool& bTimedOut, std::string& strError) = 0;

    // The room left on the file system of an open folder for this process's files, in bytes,
    // and its size; false when it cannot be queried.
    virtual bool FreeSpace(int fdFolder, uint64_t& nFree, uint64_t& nTotal) = 0;

    // The process, its threads and signals, clocks and the terminal.
    // The most descriptors the process may hold open at once.
    virtual int64_t OpenFileLimit() = 0;
    // How many processors the process can use.
    virtual unsigned ProcessorCount() = 0;
    // Starts a thread; throws std::system_error when the system refuses one.
    virtual std::thread StartThread(std::function<void()> run) = 0;
    // SIGINT and SIGTERM call pHandler, which must be safe in a signal handler; nullptr puts
    // back the handlers there were before.
    virtual void SetInterruptHandler(void (*pHandler)(int)) = 0;
    // A hang-up (SIGHUP) is held back while bHold, and takes effect when let go.
    virtual void HoldHangup(bool bHold) = 0;
    // A time in seconds since 1970 as the local date and time; false when it has none.
    virtual bool LocalTime(int64_t nTime, std::tm& local) = 0;
    // Whether a descriptor is a terminal; the width of the terminal in columns (0: unknown).
    virtual bool IsTerminal(int fd) = 0;
    virtual int TerminalWidth(int fd) = 0;
};

// The platform in use where no other is handed on: the POSIX one unless a test has installed
// another. The engine never reads it; the program and the runner hand a platform to it.
IPlatform& Platform();

// Installs another platform for its lifetime (tests only; not while a run goes on).
class ScopedPlatform {
public:
    explicit ScopedPlatform(IPlatform& platform);
    ~ScopedPlatform();
    ScopedPlatform(const ScopedPlatform&) = delete;
    ScopedPlatform& operator=(const ScopedPlatform&) = delete;

private:
    IPlatform* m_pPrevious;
};
