// SPDX-License-Identifier: GPL-3.0-or-later
#include "VersionsListing.h"

#include <string>
#include <vector>

#include "DisplayText.h"
#include "ReplacedVersions.h"
#include "RunTotals.h"
#include "SyncText.h"

namespace {

// One side's versions folder: its path, then its dated folders.
bool PrintSide(const std::string& strHeading, const std::string& strFolder, std::ostream& out,
               IPlatform& platform) {
    const std::string strVersions = strFolder + "/" + kVersionsFolderName;
    out << EscapeControlCharacters(strHeading + strVersions) << '\n';
    std::vector<CVersionFolder> folders;
    const bool bWhole = ListVersionFolders(platform, strFolder, folders);
    const int32_t nError = bWhole ? 0 : platform.GetLastError();
    for (const CVersionFolder& folder : folders) {
        out << "   "
            << EscapeControlCharacters(folder.strName + ": " + FormatCount(folder.size.nFiles) +
                                       " files, " +
                                       FormatBytes(static_cast<double>(folder.size.nBytes)))
            << '\n';
    }
    if (!bWhole) {
        out << EscapeControlCharacters(
                   WithReason("ERROR: Couldn't read the replaced versions:" + strVersions, nError))
            << '\n';
        return false;
    }
    if (folders.empty()) {
        out << "   No replaced versions yet\n";
    }
    return true;
}

}  // namespace

bool PrintPairVersions(int nPair, const CSyncPair& pair, std::ostream& out, IPlatform& platform) {
    const std::string strPair = "Pair " + std::to_string(nPair);
    bool bWhole = PrintSide(strPair + ": ", pair.m_strDestination, out, platform);
    // Both ways, the way back keeps what it replaces on the source side.
    if (pair.m_bBothWays != 0) {
        bWhole = PrintSide(strPair + ", other way: ", pair.m_strSource, out, platform) && bWhole;
    }
    return bWhole;
}
