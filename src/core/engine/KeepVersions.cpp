// SPDX-License-Identifier: GPL-3.0-or-later
// The files a run replaces, kept: each device of the destination side has its versions
// folder at the top of the run's part on it, and in it one folder per run, named by the
// pair's start, that holds the replaced files at their paths below that top. Old runs'
// folders go whole, by age at the end of a run and oldest first where the plan needs room,
// so pruning never looks into the history it keeps.
#include <cerrno>

#include "PairRun.h"
#include "ReplacedVersions.h"
#include "RunTotals.h"
#include "SyncRun.h"
#include "SyncText.h"

namespace {

constexpr int64_t kSecondsPerDay = 24 * 60 * 60;
// Runs started within the same second keep their versions apart.
constexpr int kMostSameSecondRuns = 100;

// "Removed 12 old versions (3.4 MB):<folder>", and the folder removed whole.
bool RemoveRunFolder(IPlatform& platform, int fdVersions, const std::string& strVersions,
                     const std::string& strName, CStepOutcome& step) {
    const std::string strPath = strVersions + "/" + strName;
    CTreeSize removed;
    const bool bWhole = RemoveTree(platform, {fdVersions, strName.c_str(), strPath}, removed);
    step.Line("Removed " + std::to_string(removed.nFiles) + " old versions (" +
              FormatBytes(static_cast<double>(removed.nBytes)) + "):" + strPath);
    if (!bWhole) {
        step.Error(
            WithReason("ERROR: Couldn't remove old versions:" + strPath, platform.GetLastError()));
    }
    return bWhole;
}

}  // namespace

bool CPairRun::KeepsVersions() const {
    return m_pair.m_nKeepVersionDays > 0;
}

// The run's folder for replaced files on the device: the versions folder at the top of the
// run's part of the device, and in it the folder named by the pair's start, with a suffix
// where a run of the same second has one already.
bool CPairRun::OpenRunVersions(const CSyncRun& run, CDestinationDevice& device) const {
    IPlatform& platform = m_platform;
    const CFolderHandles& root = *device.root;
    const std::string strVersions = root.strDestination + "/" + kVersionsFolderName;
    const CPathAt versionsAt{root.destination.Get(), kVersionsFolderName, strVersions};
    // It may well be there; if it cannot be made, that is the reason to tell.
    const int32_t nMakeError = platform.CreateDirectory(versionsAt) ? 0 : platform.GetLastError();
    const posix::FileDescriptor versions(platform.OpenFolder(versionsAt, false));
    if (!versions.Valid()) {
        device.nVersionsError =
            nMakeError != 0 && nMakeError != EEXIST ? nMakeError : platform.GetLastError();
        return false;
    }
    const uint32_t nStart =
        run.plan.timeVersions != 0 ? run.plan.timeVersions : run.plan.timeStarted;
    const std::string strBase = VersionFolderName(platform, nStart);
    for (int n = 1; n <= kMostSameSecondRuns; ++n) {
        const std::string strName = n == 1 ? strBase : strBase + "-" + std::to_string(n);
        const std::string strPath = strVersions + "/" + strName;
        const CPathAt at{versions.Get(), strName.c_str(), strPath};
        if (platform.CreateDirectory(at)) {
            device.versions.Reset(platform.OpenFolder(at, false));
            if (!device.versions.Valid()) {
                break;
            }
            device.strVersionsPath = strPath;
            return true;
        }
        if (platform.GetLastError() != EEXIST) {
            break;
        }
    }
    device.nVersionsError = platform.GetLastError();
    return false;
}

// The folder that keeps a replaced file of the destination folder: the same path below the
// run's versions folder as the file's folder has below the top of the device's part, made
// where it is missing. A descriptor the caller closes, or -1 with the reason.
int CPairRun::OpenKeepFolder(const CSyncRun& run, const CFolderHandles& folder,
                             int32_t& nError) const {
    CDestinationDevice* pDevice = folder.pDevice;
    if (pDevice == nullptr || !pDevice->root) {
        nError = ENOENT;
        return -1;
    }
    IPlatform& platform = m_platform;
    std::string strPath;
    posix::FileDescriptor current;
    {
        std::lock_guard lock(pDevice->versionsMutex);
        if (!pDevice->bVersionsTried) {
            pDevice->bVersionsTried = true;
            OpenRunVersions(run, *pDevice);
        }
        if (!pDevice->versions.Valid()) {
            nError = pDevice->nVersionsError;
            return -1;
        }
        strPath = pDevice->strVersionsPath;
        current.Reset(platform.OpenFolder({pDevice->versions.Get(), ".", strPath}, false));
    }
    const std::string& strTop = pDevice->root->strDestination;
    if (folder.strDestination.compare(0, strTop.size(), strTop) != 0) {
        nError = EXDEV;
        return -1;
    }
    // One level at a time, never through a link; another worker may make a level first.
    std::string_view below = std::string_view(folder.strDestination).substr(strTop.size());
    while (current.Valid() && !below.empty()) {
        below.remove_prefix(1);  // the "/"
        const std::string strName(below.substr(0, below.find('/')));
        below.remove_prefix(strName.size());
        strPath += "/" + strName;
        const CPathAt at{current.Get(), strName.c_str(), strPath};
        platform.CreateDirectory(at);
        current.Reset(platform.OpenFolder(at, false));
    }
    if (!current.Valid()) {
        nError = platform.GetLastError();
        return -1;
    }
    return current.Release();
}

// "Kept 3 replaced files in:<folder>", for each device where the run kept any.
void CPairRun::TellKeptVersions(CSyncRun& run) {
    for (auto& [nDevice, pDevice] : run.devices) {
        m_pair.m_nKeptVersions += pDevice->nKept.load();
        if (pDevice->nKept.load() != 0) {
            AddLogLine("Kept " + std::to_string(pDevice->nKept.load()) +
                       " replaced files in:" + pDevice->strVersionsPath);
        }
    }
}

// At the end of a run: the run folders older than the days the versions are kept, whole.
// Only the names are read; what goes is measured as it goes.
void CPairRun::RemoveAgedVersions(CSyncRun& run) {
    if (!KeepsVersions() || m_bDryRun || Cancelled()) {
        return;
    }
    IPlatform& platform = m_platform;
    const int64_t nOldest = static_cast<int64_t>(platform.GetCurrentTime()) -
                            int64_t{m_pair.m_nKeepVersionDays} * kSecondsPerDay;
    const std::string strOldest = VersionFolderName(platform, nOldest);
    for (auto& [nDevice, pDevice] : run.devices) {
        if (!pDevice->root || !pDevice->root->destination.Valid()) {
            continue;
        }
        const CFolderHandles& root = *pDevice->root;
        const std::string strVersions = root.strDestination + "/" + kVersionsFolderName;
        const posix::FileDescriptor versions(
            platform.OpenFolder({root.destination.Get(), kVersionsFolderName, strVersions}, false));
        if (!versions.Valid()) {
            continue;
        }
        CStepOutcome step;
        std::vector<std::string> names;
        VersionFolderNames(platform, versions.Get(), strVersions, names);
        for (const std::string& strName : names) {
            if (strName.compare(0, strOldest.size(), strOldest) >= 0) {
                break;  // oldest first: the rest are younger
            }
            RemoveRunFolder(platform, versions.Get(), strVersions, strName, step);
        }
        ApplyStep(run, step);
    }
}

// Where the plan needs more room than is free: the oldest run folders of the destination's
// versions go, one by one, until it fits. Whether it fits now; nFree is what is free then.
// A dry run removes nothing: it says which ones the run would remove.
bool CPairRun::MakeRoomFromVersions(const CSyncRun& run, uint64_t nNeeded, uint64_t& nFree,
                                    CStepOutcome& step) {
    const CFolderHandles& top = *run.path.front()->handles;
    if (!top.destination.Valid()) {
        return false;
    }
    if (m_bDryRun) {
        std::vector<CVersionFolder> folders;
        ListVersionFolders(m_planning, top.strDestination, folders);
        for (const CVersionFolder& folder : folders) {
            step.Line("Would remove " + std::to_string(folder.size.nFiles) + " old versions (" +
                      FormatBytes(static_cast<double>(folder.size.nBytes)) +
                      "):" + top.strDestination + "/" + kVersionsFolderName + "/" + folder.strName);
            nFree += folder.size.nBytes;
            if (nNeeded <= nFree) {
                return true;
            }
        }
        return false;
    }
    IPlatform& platform = m_platform;
    const std::string strVersions = top.strDestination + "/" + kVersionsFolderName;
    const posix::FileDescriptor versions(
        platform.OpenFolder({top.destination.Get(), kVersionsFolderName, strVersions}, false));
    if (!versions.Valid()) {
        return false;
    }
    std::vector<std::string> names;
    VersionFolderNames(platform, versions.Get(), strVersions, names);
    for (const std::string& strName : names) {
        uint64_t nTotal = 0;
        if (!RemoveRunFolder(platform, versions.Get(), strVersions, strName, step) ||
            !platform.FreeSpace(top.destination.Get(), nFree, nTotal)) {
            return false;
        }
        if (nNeeded <= nFree) {
            return true;
        }
    }
    return false;
}
