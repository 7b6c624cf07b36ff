#include "PathOverlap.h"

#include <algorithm>
#include <vector>

#include "platform.h"

namespace {

// The components of a path, with empty and "." components dropped and ".." applied. A
// resolved path is absolute; only the part that does not exist yet can hold "..".
std::vector<std::string> Components(const std::string& strPath) {
    std::vector<std::string> parts;
    size_t nStart = 0;
    while (nStart <= strPath.size()) {
        size_t nEnd = strPath.find('/', nStart);
        if (nEnd == std::string::npos) {
            nEnd = strPath.size();
        }
        const std::string strPart = strPath.substr(nStart, nEnd - nStart);
        if (strPart == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
        } else if (!strPart.empty() && strPart != ".") {
            parts.push_back(strPart);
        }
        nStart = nEnd + 1;
    }
    return parts;
}

bool StartsWith(const std::vector<std::string>& whole, const std::vector<std::string>& head) {
    return head.size() <= whole.size() && std::equal(head.begin(), head.end(), whole.begin());
}

}  // namespace

FolderOverlap CheckFolderOverlap(const std::string& strSource, const std::string& strDestination,
                                 IPlatform& platform) {
    if (strSource.empty() || strDestination.empty()) {
        return FolderOverlap::EmptyFolder;
    }
    const std::vector<std::string> source = Components(platform.ResolvePath(strSource));
    const std::vector<std::string> destination = Components(platform.ResolvePath(strDestination));
    if (source == destination) {
        return FolderOverlap::SameFolder;
    }
    if (StartsWith(destination, source)) {
        return FolderOverlap::DestinationInsideSource;
    }
    if (StartsWith(source, destination)) {
        return FolderOverlap::SourceInsideDestination;
    }
    return FolderOverlap::None;
}
