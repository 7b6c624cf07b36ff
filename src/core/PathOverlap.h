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

// Compares whole path components, after dropping trailing separators, with symbolic
// links resolved as far as the folders exist (through the platform's ResolvePath).
FolderOverlap CheckFolderOverlap(const std::string& strSource, const std::string& strDestination,
                                 IPlatform& platform);
