// SPDX-License-Identifier: GPL-3.0-or-later
// Small POSIX helpers shared by the platform layer's files and the engine.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <string>
#include <utility>

namespace posix {

// Closes a descriptor when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    ~FileDescriptor() { Close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            Reset(std::exchange(other.m_fd, -1));
        }
        return *this;
    }
    int Get() const { return m_fd; }
    // Gives the descriptor up to the caller, who closes it.
    int Release() { return std::exchange(m_fd, -1); }
    bool Valid() const { return m_fd >= 0; }
    void Reset(int fd) {
        Close();
        m_fd = fd;
    }
    // Closes now; false when the close reported an error (a late write error included).
    bool Close() {
        if (m_fd < 0) {
            return true;
        }
        const int rc = ::close(m_fd);
        m_fd = -1;
        return rc == 0;
    }

private:
    int m_fd;
};

// Writes all the bytes, at nOffset, or at the file's own position when nOffset is -1,
// going on after short writes and interruptions. False with errno set on failure.
inline bool WriteAll(int fd, const void* pData, size_t nBytes, off_t nOffset = -1) {
    const char* p = static_cast<const char*>(pData);
    while (nBytes > 0) {
        const ssize_t n = nOffset < 0 ? ::write(fd, p, nBytes) : ::pwrite(fd, p, nBytes, nOffset);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        p += n;
        nBytes -= static_cast<size_t>(n);
        if (nOffset >= 0) {
            nOffset += n;
        }
    }
    return true;
}

// The folder part of a path: "." for a bare name, "/" for a name in the root.
inline std::string FolderOf(const std::string& strPath) {
    const size_t nCut = strPath.rfind('/');
    if (nCut == std::string::npos) {
        return ".";
    }
    return nCut == 0 ? "/" : strPath.substr(0, nCut);
}

}  // namespace posix
