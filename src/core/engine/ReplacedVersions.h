// SPDX-License-Identifier: GPL-3.0-or-later
// The replaced versions a run keeps: each file that a copy replaces goes to
// <destination>/.folvex-versions/<run start, "YYYY-MM-DD HHMMSS">/<its path below the
// destination>, so that one run's versions share one folder, and removing old versions
// removes whole folders without looking at the history kept.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform.h"

inline constexpr const char* kVersionsFolderName = ".folvex-versions";

// "2026-12-09 104512": the name of the versions folder of a run started at nTime (local time).
std::string VersionFolderName(IPlatform& platform, int64_t nTime);
// Whether a name is a run's versions folder: it starts with such a date (a run of the same
// second has a suffix after it).
bool IsVersionFolderName(std::string_view name);

// Files and their bytes in a folder tree.
struct CTreeSize {
    uint64_t nFiles = 0;
    uint64_t nBytes = 0;
};

// A run's versions folder, and what it holds.
struct CVersionFolder {
    std::string strName;
    CTreeSize size;
};

// The names of the run folders in an open versions folder, oldest first; false when it
// could not be read whole (the names read until then are kept).
bool VersionFolderNames(IPlatform& platform, int fdVersions, const std::string& strPath,
                        std::vector<std::string>& names);

// The versions folders of a destination, oldest first, with what each holds (unless
// bMeasure is false: then only their names, without looking into them). None when the
// destination has no versions folder; false when it cannot be read.
bool ListVersionFolders(IPlatform& platform, const std::string& strDestination,
                        std::vector<CVersionFolder>& folders, bool bMeasure = true);

// Counts the files of a folder tree and their bytes; links are counted, never followed.
bool MeasureTree(IPlatform& platform, const CPathAt& at, CTreeSize& size);
// Removes a folder tree, links as themselves; what it removed is added to removed. False,
// with the platform's last error, when something stayed.
bool RemoveTree(IPlatform& platform, const CPathAt& at, CTreeSize& removed);
