// SPDX-License-Identifier: GPL-3.0-or-later
#include "PathOverlap.h"

#include <algorithm>

#include "platform.h"

namespace {

bool Holds(const std::vector<CFolderIdentity>& chain, const CFolderIdentity& identity) {
    return std::find(chain.begin(), chain.end(), identity) != chain.end();
}

}  // namespace

FolderOverlap CheckFolderOverlap(const std::string& strSource, const std::string& strDestination,
                                 IPlatform& platform) {
    if (strSource.empty() || strDestination.empty()) {
        return FolderOverlap::EmptyFolder;
    }
    const CFolderAncestry source = platform.FolderAncestry(strSource);
    const CFolderAncestry destination = platform.FolderAncestry(strDestination);
    if (source.chain.empty() || destination.chain.empty()) {
        return FolderOverlap::None;
    }
    if (source.bExists && destination.bExists &&
        source.chain.front() == destination.chain.front()) {
        return FolderOverlap::SameFolder;
    }
    // The source is the destination or a folder above it: the walk would meet its copy.
    if (source.bExists && Holds(destination.chain, source.chain.front())) {
        return FolderOverlap::DestinationInsideSource;
    }
    if (destination.bExists && Holds(source.chain, destination.chain.front())) {
        return FolderOverlap::SourceInsideDestination;
    }
    return FolderOverlap::None;
}
