// SPDX-License-Identifier: GPL-3.0-or-later
// What must hold after every run, whatever went wrong: the source tree is unchanged,
// nothing outside the destination changes (not even a mode, not even through a link), no
// temporary file of a copy is left behind, and every destination file is either the one
// that was there before or a complete copy of its source with the source's modification
// time. A file in a versions folder is an old destination file of its path, as it was.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>

struct FileState {
    bool bFolder = false;
    bool bRegular = false;
    uint64_t nSize = 0;
    size_t nContentHash = 0;
    int64_t nMtimeNs = 0;
    unsigned nMode = 0;
    bool operator==(const FileState&) const = default;
};

// Relative path ("sub/three.txt", folders with a trailing "/") to state. Links count as
// what they lead to (links to folders are entered, as the walk enters them), or, with
// bFollowLinks false, as themselves. Links into strNotInto are not entered.
using TreeSnapshot = std::map<std::string, FileState>;
TreeSnapshot Snapshot(const std::string& strRoot, bool bFollowLinks = true,
                      const std::string& strNotInto = {});

class InvariantChecker {
public:
    // Takes the "before" pictures of both folders, and of everything else below strWorld
    // (when given).
    InvariantChecker(const std::string& strSource, const std::string& strDestination,
                     const std::string& strWorld = {});
    // For a one-way run; where it keeps what it replaces, also that every file it replaced
    // is kept.
    testing::AssertionResult Check(bool bKeepsReplaced = false) const;
    // For a run both ways: each folder's files are their old selves or copies of the other's.
    testing::AssertionResult CheckBothWays() const;

private:
    TreeSnapshot Outside() const;

    std::string m_strSource;
    std::string m_strDestination;
    std::string m_strWorld;
    TreeSnapshot m_source;
    TreeSnapshot m_destination;
    TreeSnapshot m_destinationAsIs;  // links as themselves
    TreeSnapshot m_outside;
};
