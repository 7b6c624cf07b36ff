// SPDX-License-Identifier: GPL-3.0-or-later
// What a run found out before it writes anything: the folders it walked and, in walk order,
// what it will do there (make a destination folder, copy a file), with the totals. Kept
// compactly: a file is its folder's number and its name in one shared buffer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "CopyDecision.h"
#include "platform.h"

struct CDestinationDevice;

inline constexpr uint32_t kNoFolder = UINT32_MAX;

// The room a file of nSize bytes takes: whole blocks of the file system.
inline uint64_t RoomFor(uint64_t nSize, const CFileSystemTraits& traits) {
    const uint64_t nBlock = traits.nBlockSize != 0 ? traits.nBlockSize : 1;
    return (nSize + nBlock - 1) / nBlock * nBlock;
}

// A folder the walk met: how to find it again from the one above it, and what it found.
struct CPlannedFolder {
    uint32_t nParent = kNoFolder;  // the folder above; kNoFolder for the top
    std::string strName;           // its name there
    bool bReachedByLink = false;
    bool bSourceRead = false;     // its source folder could be read: the walk entered it
    CFolderIdentity source;       // checked when the folder is opened again
    CFolderIdentity destination;  // of the destination folder, when there is one
    bool bDestinationAbsent = false;
    int32_t nDestinationError = 0;  // why nothing can be written into it
    CDestinationDevice* pDevice = nullptr;
};

// One thing the copy does, in walk order: make a destination folder, or copy a file.
struct CPlannedAction {
    enum class Kind : uint8_t { MakeFolder, Copy };
    Kind kind = Kind::Copy;
    bool bDestinationFound = false;  // the copy replaces a file (or what stands there)
    uint8_t nDestinationAttribute = 0;
    FileDecision decision;
    uint32_t nFolder = 0;
    uint32_t nNameOffset = 0;  // in the plan's names
    uint32_t nNameLength = 0;
    uint64_t nSize = 0;
};

// A file the walk found to copy, as a worker hands it on.
struct CPlannedCopy {
    FileDecision decision;
    bool bDestinationFound = false;
    uint8_t nDestinationAttribute = 0;
    uint64_t nSize = 0;
    uint32_t nFolder = 0;
    std::string strName;
};

struct CCopyPlan {
    std::vector<CPlannedFolder> folders;
    std::vector<CPlannedAction> actions;
    std::string names;
    // The totals: files and bytes to copy, and the room on the destination that the copies
    // and new folders take and that replacing frees.
    uint64_t nFiles = 0;
    uint64_t nBytes = 0;
    uint64_t nRoomTaken = 0;
    uint64_t nRoomFreed = 0;

    void AddCopy(const CPlannedCopy& copy);
    void AddMakeFolder(uint32_t nFolder);
    std::string_view NameOf(const CPlannedAction& action) const {
        return std::string_view(names).substr(action.nNameOffset, action.nNameLength);
    }
};
