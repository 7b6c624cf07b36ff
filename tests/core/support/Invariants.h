// What must hold after every run, whatever went wrong: the source tree is unchanged, no
// temporary file of a copy is left behind, and every destination file is either the one
// that was there before or a complete copy of its source with the source's modification
// time.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>

struct FileState {
    bool bFolder = false;
    uint64_t nSize = 0;
    size_t nContentHash = 0;
    int64_t nMtimeNs = 0;
    unsigned nMode = 0;
    bool operator==(const FileState&) const = default;
};

// Relative path ("sub/three.txt", folders with a trailing "/") to state.
using TreeSnapshot = std::map<std::string, FileState>;
TreeSnapshot Snapshot(const std::string& strRoot);

class InvariantChecker {
public:
    // Takes the "before" pictures of both folders.
    InvariantChecker(const std::string& strSource, const std::string& strDestination);
    // For a one-way run.
    testing::AssertionResult Check() const;
    // For a run both ways: each folder's files are their old selves or copies of the other's.
    testing::AssertionResult CheckBothWays() const;

private:
    std::string m_strSource;
    std::string m_strDestination;
    TreeSnapshot m_source;
    TreeSnapshot m_destination;
};
