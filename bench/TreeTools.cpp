// SPDX-License-Identifier: GPL-3.0-or-later
#include "TreeTools.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "PosixHandles.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kReadChunk = 1 << 20;

posix::FileDescriptor OpenForReading(const std::string& strPath) {
    posix::FileDescriptor fd(::open(strPath.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid()) {
        throw std::runtime_error("cannot open " + strPath + ": " + std::strerror(errno));
    }
    return fd;
}

// Reads up to buffer.size() bytes, retrying short reads; returns the count (0 at the end).
size_t ReadChunk(int fd, std::vector<char>& buffer, const std::string& strPath) {
    size_t nDone = 0;
    while (nDone < buffer.size()) {
        const ssize_t n = ::read(fd, buffer.data() + nDone, buffer.size() - nDone);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            throw std::runtime_error("cannot read " + strPath + ": " + std::strerror(errno));
        }
        if (n == 0) {
            break;
        }
        nDone += static_cast<size_t>(n);
    }
    return nDone;
}

// The buffers come from the caller: allocating (and zeroing) them per file would cost
// more than reading the file.
bool SameBytes(const std::string& strA, const std::string& strB, std::vector<char>& bufferA,
               std::vector<char>& bufferB) {
    posix::FileDescriptor fdA = OpenForReading(strA);
    posix::FileDescriptor fdB = OpenForReading(strB);
    for (;;) {
        const size_t nA = ReadChunk(fdA.Get(), bufferA, strA);
        const size_t nB = ReadChunk(fdB.Get(), bufferB, strB);
        if (nA != nB || std::memcmp(bufferA.data(), bufferB.data(), nA) != 0) {
            return false;
        }
        if (nA == 0) {
            return true;
        }
    }
}

bool StatPath(const std::string& strPath, struct stat& info) {
    return ::stat(strPath.c_str(), &info) == 0;
}

}  // namespace

TreeSize WarmTree(const std::string& strRoot) {
    TreeSize size;
    std::vector<char> buffer(kReadChunk);
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(strRoot)) {
        if (!entry.is_regular_file()) {
            continue;
        }
        const std::string strPath = entry.path().string();
        posix::FileDescriptor fd = OpenForReading(strPath);
        while (const size_t n = ReadChunk(fd.Get(), buffer, strPath)) {
            size.nBytes += n;
        }
        ++size.nFiles;
    }
    return size;
}

void SettleFileSystem(const std::string& strPath) {
    posix::FileDescriptor fd(::open(strPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.Valid() || ::syncfs(fd.Get()) != 0) {
        throw std::runtime_error("cannot flush the file system of " + strPath + ": " +
                                 std::strerror(errno));
    }
}

std::string FirstDifference(const std::string& strOriginal, const std::string& strCopy) {
    std::vector<char> bufferOriginal(kReadChunk);
    std::vector<char> bufferCopy(kReadChunk);
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(strOriginal)) {
        // Cut the prefix as text: fs::relative resolves every path component on disk.
        const std::string strTwin = strCopy + entry.path().string().substr(strOriginal.size());
        struct stat original {};
        struct stat twin {};
        if (!StatPath(entry.path().string(), original) || !StatPath(strTwin, twin)) {
            return "missing: " + strTwin;
        }
        if (S_ISDIR(original.st_mode)) {
            if (!S_ISDIR(twin.st_mode)) {
                return "not a folder: " + strTwin;
            }
            continue;
        }
        if (original.st_size != twin.st_size) {
            return "size differs: " + strTwin;
        }
        if (original.st_mtim.tv_sec != twin.st_mtim.tv_sec) {
            return "modification time differs: " + strTwin;
        }
        if (!SameBytes(entry.path().string(), strTwin, bufferOriginal, bufferCopy)) {
            return "content differs: " + strTwin;
        }
    }
    return {};
}

uint64_t FreeBytes(const std::string& strPath) {
    struct statvfs info {};
    if (::statvfs(strPath.c_str(), &info) != 0) {
        throw std::runtime_error("cannot look at the free space of " + strPath + ": " +
                                 std::strerror(errno));
    }
    return static_cast<uint64_t>(info.f_bavail) * info.f_frsize;
}
