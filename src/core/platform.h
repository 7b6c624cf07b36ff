// The operating-system services that the engine and the group list file rely on, behind
// one interface. PosixPlatform is the real implementation; tests wrap it to inject faults
// and a tick of their own.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

// Attribute bits of the file status record.
enum FileAttribute : uint8_t {
    ATTR_READONLY = 0x01,
    ATTR_HIDDEN = 0x02,
    ATTR_SYSTEM = 0x04,
    ATTR_VOLUME = 0x08,
    ATTR_DIRECTORY = 0x10,
    ATTR_ARCHIVE = 0x20,
};

// What the status query gives for a path. Times are whole seconds since 1970 (the fraction
// dropped). m_size holds the low 32 bits of the size, as the stored figures use it;
// m_size64 the true size, for what the user sees.
struct CFileStatus {
    int64_t m_ctime = 0;
    int64_t m_mtime = 0;
    int64_t m_atime = 0;
    int32_t m_size = 0;
    uint64_t m_size64 = 0;
    uint8_t m_attribute = 0;
    std::string m_szFullName;
};

// One entry of a folder enumeration.
struct CDirEntry {
    std::string m_strName;      // the entry's name
    std::string m_strFilePath;  // the enumerated folder, the separator, the name
    bool m_bIsDirectory = false;
    bool m_bIsDots = false;  // "." or ".."
};

// An open enumeration of one folder's entries, in the system's order.
class IFolderEnum {
public:
    virtual ~IFolderEnum() = default;
    // Moves to the next entry; false when none is left (or the folder can no longer be read).
    virtual bool FindNextFile(CDirEntry& entry) = 0;
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

class IPlatform {
public:
    virtual ~IPlatform() = default;

    // Opens an enumeration of every entry of the folder; nullptr when it cannot be opened.
    virtual std::unique_ptr<IFolderEnum> FindFiles(const std::string& strFolder) = 0;
    // Creates one folder level; false when it failed (an existing folder included).
    virtual bool CreateDirectory(const std::string& strPath) = 0;
    // Status of a path (links followed); false when it cannot be queried.
    virtual bool GetStatus(const std::string& strPath, CFileStatus& status) = 0;
    // Applies an attribute byte: read-only clear makes the file writable. Times are kept.
    virtual bool SetAttributes(const std::string& strPath, uint8_t attributes) = 0;
    // Copies a regular file over an existing destination, fail-safe: a temporary file in
    // the destination folder renamed over the destination once complete. Carries the
    // source's permission bits and modification time. Watches *pCancel between chunks.
    virtual bool CopyFileEx(const std::string& strSource, const std::string& strDestination,
                            CopyProgressRoutine pProgress, void* pData,
                            const std::atomic<int32_t>* pCancel) = 0;
    // The error code of the calling thread's last failed operation.
    virtual int32_t GetLastError() = 0;
    // Milliseconds of a monotonic clock, 32 bits, wrapping.
    virtual uint32_t GetTickCount() = 0;
    // The current time, in seconds since 1970.
    virtual uint32_t GetCurrentTime() = 0;
    // The path with symbolic links resolved as far as it exists, for comparing folders.
    virtual std::string ResolvePath(const std::string& strPath) = 0;
    // Reads a whole file; false when it cannot be opened or read.
    virtual bool ReadWholeFile(const std::string& strPath, std::string& bytes) = 0;
    // Replaces a file atomically: a temporary file in the same folder, flushed to disk,
    // renamed over the path. On failure the old file is intact and no temporary file is
    // left; strError then says why.
    virtual bool WriteFileAtomically(const std::string& strPath, const std::string& bytes,
                                     std::string& strError) = 0;
};

// The POSIX implementation.
class PosixPlatform : public IPlatform {
public:
    std::unique_ptr<IFolderEnum> FindFiles(const std::string& strFolder) override;
    bool CreateDirectory(const std::string& strPath) override;
    bool GetStatus(const std::string& strPath, CFileStatus& status) override;
    bool SetAttributes(const std::string& strPath, uint8_t attributes) override;
    bool CopyFileEx(const std::string& strSource, const std::string& strDestination,
                    CopyProgressRoutine pProgress, void* pData,
                    const std::atomic<int32_t>* pCancel) override;
    int32_t GetLastError() override;
    uint32_t GetTickCount() override;
    uint32_t GetCurrentTime() override;
    std::string ResolvePath(const std::string& strPath) override;
    bool ReadWholeFile(const std::string& strPath, std::string& bytes) override;
    bool WriteFileAtomically(const std::string& strPath, const std::string& bytes,
                             std::string& strError) override;
};

// A platform that forwards every call to another one; fault-injecting wrappers derive from
// it and override what they change.
class ForwardingPlatform : public IPlatform {
public:
    explicit ForwardingPlatform(IPlatform& inner) : m_inner(inner) {}
    std::unique_ptr<IFolderEnum> FindFiles(const std::string& strFolder) override {
        return m_inner.FindFiles(strFolder);
    }
    bool CreateDirectory(const std::string& strPath) override {
        return m_inner.CreateDirectory(strPath);
    }
    bool GetStatus(const std::string& strPath, CFileStatus& status) override {
        return m_inner.GetStatus(strPath, status);
    }
    bool SetAttributes(const std::string& strPath, uint8_t attributes) override {
        return m_inner.SetAttributes(strPath, attributes);
    }
    bool CopyFileEx(const std::string& strSource, const std::string& strDestination,
                    CopyProgressRoutine pProgress, void* pData,
                    const std::atomic<int32_t>* pCancel) override {
        return m_inner.CopyFileEx(strSource, strDestination, pProgress, pData, pCancel);
    }
    int32_t GetLastError() override { return m_inner.GetLastError(); }
    uint32_t GetTickCount() override { return m_inner.GetTickCount(); }
    uint32_t GetCurrentTime() override { return m_inner.GetCurrentTime(); }
    std::string ResolvePath(const std::string& strPath) override {
        return m_inner.ResolvePath(strPath);
    }
    bool ReadWholeFile(const std::string& strPath, std::string& bytes) override {
        return m_inner.ReadWholeFile(strPath, bytes);
    }
    bool WriteFileAtomically(const std::string& strPath, const std::string& bytes,
                             std::string& strError) override {
        return m_inner.WriteFileAtomically(strPath, bytes, strError);
    }

protected:
    IPlatform& m_inner;
};

// The platform in use: the POSIX one unless a test has installed another.
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
