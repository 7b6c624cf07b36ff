// SPDX-License-Identifier: GPL-3.0-or-later
#include "Invariants.h"

#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string_view>

#include "FileTree.h"
#include "platform.h"

namespace fs = std::filesystem;

TreeSnapshot Snapshot(const std::string& strRoot, bool bFollowLinks,
                      const std::string& strNotInto) {
    TreeSnapshot snapshot;
    for (const std::string& strRelative : ListTree(strRoot, bFollowLinks, strNotInto)) {
        const std::string strPath = strRoot + "/" + strRelative;
        struct stat st {};
        if ((!bFollowLinks || ::stat(strPath.c_str(), &st) != 0) &&
            ::lstat(strPath.c_str(), &st) != 0) {
            continue;
        }
        FileState state;
        state.bFolder = S_ISDIR(st.st_mode);
        state.bRegular = S_ISREG(st.st_mode);
        state.nMode = st.st_mode & 07777;
        if (S_ISREG(st.st_mode)) {
            const std::string strContent = ReadFile(strPath);
            state.nSize = strContent.size();
            state.nContentHash = std::hash<std::string>{}(strContent);
            state.nMtimeNs = int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
        }
        snapshot.emplace(strRelative, state);
    }
    return snapshot;
}

namespace {

bool IsTempFile(const std::string& strRelative) {
    const size_t nSlash = strRelative.rfind('/', strRelative.size() - 2);
    const std::string strName =
        nSlash == std::string::npos ? strRelative : strRelative.substr(nSlash + 1);
    return IsCopyTempName(strName);
}

bool SameFile(const FileState& a, const FileState& b) {
    return a.nSize == b.nSize && a.nContentHash == b.nContentHash && a.nMtimeNs == b.nMtimeNs;
}

constexpr std::string_view kVersions = ".folvex-versions/";

// A file kept in a run's versions folder: the old file of its path, byte for byte and with
// its time. The path below the run's folder, or none for any other file.
std::optional<std::string> KeptPath(const std::string& strRelative) {
    if (strRelative.rfind(kVersions, 0) != 0) {
        return std::nullopt;
    }
    const size_t nRunEnd = strRelative.find('/', kVersions.size());
    return nRunEnd == std::string::npos ? std::string() : strRelative.substr(nRunEnd + 1);
}

// Every old file that is not there as it was is kept in a versions folder.
testing::AssertionResult OldFilesKept(const std::string& strRoot, const TreeSnapshot& now,
                                      const TreeSnapshot& old) {
    std::set<std::string> kept;
    for (const auto& [strRelative, state] : now) {
        if (const auto strKept = KeptPath(strRelative); strKept && !state.bFolder) {
            kept.insert(*strKept);
        }
    }
    for (const auto& [strRelative, state] : old) {
        const auto itNow = now.find(strRelative);
        if (!state.bRegular || KeptPath(strRelative) ||
            (itNow != now.end() && SameFile(itNow->second, state)) ||
            kept.count(strRelative) != 0) {
            continue;
        }
        return testing::AssertionFailure()
               << "replaced and not kept: " << strRoot << "/" << strRelative;
    }
    return testing::AssertionSuccess();
}

// Every file of `now` is its `old` self, a complete copy of the same name in `from`, or an
// old file kept in a versions folder.
testing::AssertionResult FilesAreOldOrCopies(const std::string& strRoot, const TreeSnapshot& now,
                                             const TreeSnapshot& old, const TreeSnapshot& from) {
    for (const auto& [strRelative, state] : now) {
        if (IsTempFile(strRelative)) {
            return testing::AssertionFailure()
                   << "temporary file left: " << strRoot << "/" << strRelative;
        }
        if (state.bFolder) {
            continue;
        }
        const auto itOld = old.find(strRelative);
        if (const auto strKept = KeptPath(strRelative);
            strKept && (itOld == old.end() || !SameFile(itOld->second, state))) {
            const auto itReplaced = old.find(*strKept);
            if (itReplaced == old.end() || !SameFile(itReplaced->second, state)) {
                return testing::AssertionFailure()
                       << "kept, but not the old file: " << strRoot << "/" << strRelative;
            }
            continue;
        }
        // The permission bits may differ: "Overwrite +RHS files" clears read-only first.
        if (itOld != old.end() && itOld->second.nSize == state.nSize &&
            itOld->second.nContentHash == state.nContentHash &&
            itOld->second.nMtimeNs == state.nMtimeNs) {
            continue;
        }
        const auto itFrom = from.find(strRelative);
        const bool bCopy = itFrom != from.end() && itFrom->second.nSize == state.nSize &&
                           itFrom->second.nContentHash == state.nContentHash &&
                           itFrom->second.nMtimeNs == state.nMtimeNs;
        if (!bCopy) {
            return testing::AssertionFailure()
                   << "neither the old file nor a complete copy: " << strRoot << "/" << strRelative;
        }
    }
    return testing::AssertionSuccess();
}

}  // namespace

InvariantChecker::InvariantChecker(const std::string& strSource, const std::string& strDestination,
                                   const std::string& strWorld)
    : m_strSource(strSource),
      m_strDestination(strDestination),
      m_strWorld(strWorld),
      m_source(Snapshot(strSource, true, strDestination)),
      m_destination(Snapshot(strDestination)),
      m_destinationAsIs(Snapshot(strDestination, false)),
      m_outside(Outside()) {}

// Everything below the world folder but the destination, links as themselves.
TreeSnapshot InvariantChecker::Outside() const {
    TreeSnapshot outside;
    if (m_strWorld.empty()) {
        return outside;
    }
    const std::string strSkip = m_strDestination.substr(m_strWorld.size() + 1) + "/";
    for (auto& [strRelative, state] : Snapshot(m_strWorld, false)) {
        if (strRelative.rfind(strSkip, 0) != 0 && strRelative + "/" != strSkip) {
            outside.emplace(strRelative, state);
        }
    }
    return outside;
}

testing::AssertionResult InvariantChecker::Check(bool bKeepsReplaced) const {
    const TreeSnapshot source = Snapshot(m_strSource, true, m_strDestination);
    if (source != m_source) {
        return testing::AssertionFailure() << "the source tree changed: " << m_strSource;
    }
    const TreeSnapshot outside = Outside();
    for (const TreeSnapshot* pOne : {&outside, &m_outside}) {
        const TreeSnapshot& other = pOne == &outside ? m_outside : outside;
        for (const auto& [strRelative, state] : *pOne) {
            const auto it = other.find(strRelative);
            if (it == other.end() || it->second != state) {
                return testing::AssertionFailure()
                       << "changed outside the destination: " << m_strWorld << "/" << strRelative;
            }
        }
    }
    const TreeSnapshot destination = Snapshot(m_strDestination);
    const testing::AssertionResult files =
        FilesAreOldOrCopies(m_strDestination, destination, m_destination, m_source);
    if (!files || !bKeepsReplaced) {
        return files;
    }
    return OldFilesKept(m_strDestination, Snapshot(m_strDestination, false), m_destinationAsIs);
}

testing::AssertionResult InvariantChecker::CheckBothWays() const {
    const testing::AssertionResult source =
        FilesAreOldOrCopies(m_strSource, Snapshot(m_strSource), m_source, m_destination);
    if (!source) {
        return source;
    }
    return FilesAreOldOrCopies(m_strDestination, Snapshot(m_strDestination), m_destination,
                               m_source);
}
