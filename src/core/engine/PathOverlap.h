// SPDX-License-Identifier: GPL-3.0-or-later
// Whether a pair's two folders can be synchronized safely: both named, not the same
// folder, and neither inside the other.
#pragma once

#include <string>

class IPlatform;

enum class FolderOverlap {
    None,                     // two separate folders
    EmptyFolder,              // the source or the destination text is empty
    SameFolder,               // both texts name the same folder
    DestinationInsideSource,  // the run would walk into what it writes
    SourceInsideDestination,  // the run would write over the folders it reads
};

// Compares folders by identity (device and inode), so links, bind mounts and second mounts
// of the same file system cannot hide an overlap. A destination that does not exist yet is
// judged by the deepest folder of its path that does.
FolderOverlap CheckFolderOverlap(const std::string& strSource, const std::string& strDestination,
                                 IPlatform& platform);
