// SPDX-License-Identifier: GPL-3.0-or-later
// Whole-tree helpers around the timed runs: reading a tree into the page cache, flushing
// written data, comparing two trees, free space.
#pragma once

#include <cstdint>
#include <string>

struct TreeSize {
    uint64_t nFiles = 0;
    uint64_t nBytes = 0;
};

// Reads every file below strRoot once, so that timed runs start from a warm cache.
TreeSize WarmTree(const std::string& strRoot);

// Writes back every dirty page of the file system that holds strPath, so that one run's
// write-back does not slow the next one.
void SettleFileSystem(const std::string& strPath);

// Empty when strCopy holds every file of strOriginal with the same bytes and modification
// second; otherwise the first difference found.
std::string FirstDifference(const std::string& strOriginal, const std::string& strCopy);

// Bytes an unprivileged user may still write on the file system that holds strPath.
uint64_t FreeBytes(const std::string& strPath);
