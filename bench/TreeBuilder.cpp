// SPDX-License-Identifier: GPL-3.0-or-later
#include "TreeBuilder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "PosixHandles.h"

namespace {

constexpr int kTopFolders = 2;
constexpr int kMiddleFoldersEach = 9;
constexpr int kLeafFoldersEach = 10;
constexpr int kFilesPerFolder = 100;
constexpr size_t kSmallMinBytes = 1024;
constexpr size_t kSmallMaxBytes = 64 * 1024;

constexpr int kLargeFiles = 8;
constexpr size_t kLargeBytes = size_t{128} << 20;
constexpr size_t kLargeChunk = size_t{1} << 20;

// splitmix64: small, fast and the same everywhere, so the trees never change.
class Random {
public:
    explicit Random(uint64_t seed) : m_state(seed) {}
    uint64_t Next() {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    void Fill(std::vector<char>& buffer, size_t nBytes) {
        for (size_t n = 0; n < nBytes; n += sizeof(uint64_t)) {
            const uint64_t value = Next();
            std::memcpy(buffer.data() + n, &value, std::min(sizeof value, nBytes - n));
        }
    }

private:
    uint64_t m_state;
};

void MakeFolder(const std::string& strPath) {
    if (::mkdir(strPath.c_str(), 0777) != 0) {
        throw std::runtime_error("cannot create " + strPath + ": " + std::strerror(errno));
    }
}

void WriteAll(int fd, const char* pData, size_t nBytes, const std::string& strPath) {
    if (!posix::WriteAll(fd, pData, nBytes)) {
        throw std::runtime_error("cannot write " + strPath + ": " + std::strerror(errno));
    }
}

posix::FileDescriptor CreateFile(const std::string& strPath) {
    posix::FileDescriptor fd(
        ::open(strPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (!fd.Valid()) {
        throw std::runtime_error("cannot create " + strPath + ": " + std::strerror(errno));
    }
    return fd;
}

std::string Numbered(const char* szPrefix, int nNumber, const char* szSuffix = "") {
    char szName[64];
    std::snprintf(szName, sizeof szName, "%s%05d%s", szPrefix, nNumber, szSuffix);
    return szName;
}

void FillSmallFolder(const std::string& strFolder, Random& random, std::vector<char>& buffer,
                     TreeSize& size) {
    for (int nFile = 0; nFile < kFilesPerFolder; ++nFile) {
        const size_t nBytes =
            kSmallMinBytes + random.Next() % (kSmallMaxBytes - kSmallMinBytes + 1);
        random.Fill(buffer, nBytes);
        const std::string strPath = strFolder + "/" + Numbered("file", nFile, ".dat");
        posix::FileDescriptor fd = CreateFile(strPath);
        WriteAll(fd.Get(), buffer.data(), nBytes, strPath);
        ++size.nFiles;
        size.nBytes += nBytes;
    }
}

}  // namespace

TreeSize BuildSmallTree(const std::string& strRoot) {
    TreeSize size;
    Random random(20000);
    std::vector<char> buffer(kSmallMaxBytes);
    MakeFolder(strRoot);
    for (int nTop = 0; nTop < kTopFolders; ++nTop) {
        const std::string strTop = strRoot + "/" + Numbered("top", nTop);
        MakeFolder(strTop);
        FillSmallFolder(strTop, random, buffer, size);
        for (int nMiddle = 0; nMiddle < kMiddleFoldersEach; ++nMiddle) {
            const std::string strMiddle = strTop + "/" + Numbered("mid", nMiddle);
            MakeFolder(strMiddle);
            FillSmallFolder(strMiddle, random, buffer, size);
            for (int nLeaf = 0; nLeaf < kLeafFoldersEach; ++nLeaf) {
                const std::string strLeaf = strMiddle + "/" + Numbered("leaf", nLeaf);
                MakeFolder(strLeaf);
                FillSmallFolder(strLeaf, random, buffer, size);
            }
        }
    }
    return size;
}

TreeSize BuildLargeTree(const std::string& strRoot) {
    TreeSize size;
    Random random(128);
    std::vector<char> buffer(kLargeChunk);
    MakeFolder(strRoot);
    for (int nFile = 0; nFile < kLargeFiles; ++nFile) {
        const std::string strPath = strRoot + "/" + Numbered("large", nFile, ".bin");
        posix::FileDescriptor fd = CreateFile(strPath);
        for (size_t nDone = 0; nDone < kLargeBytes; nDone += kLargeChunk) {
            random.Fill(buffer, kLargeChunk);
            WriteAll(fd.Get(), buffer.data(), kLargeChunk, strPath);
        }
        ++size.nFiles;
        size.nBytes += kLargeBytes;
    }
    return size;
}
