// SPDX-License-Identifier: GPL-3.0-or-later
// What the run knows of the destination side beyond its folders: what each file system it
// meets keeps, where named temporary files go on each device, which devices it wrote to,
// and the flush of each of them before the run may say "Succes".
#include <cerrno>
#include <cstdio>

#include "PairRun.h"
#include "PosixHandles.h"
#include "SyncGroup.h"
#include "SyncRun.h"
#include "SyncText.h"
#include "SyncWindows.h"

namespace {

const CFileSystemTraits kNoTraits{};

std::string StepText(int64_t nStepNs) {
    const auto n = static_cast<long long>(nStepNs);
    char szText[32];
    if (n >= 1'000'000'000) {
        std::snprintf(szText, sizeof szText, "%lld s", n / 1'000'000'000);
    } else if (n >= 1'000'000) {
        std::snprintf(szText, sizeof szText, "%lld ms", n / 1'000'000);
    } else {
        std::snprintf(szText, sizeof szText, "%lld ns", n);
    }
    return szText;
}

// "Destination file system exfat (fuseblk): letter case ignored, times to 1 s, no hard
// links:<folder>"
std::string DescribeFileSystem(const CFileSystemTraits& traits, const std::string& strFolder) {
    std::string strText = "Destination file system " + traits.strType + ": letter case ";
    strText += traits.bIgnoresCase ? "ignored" : "kept";
    strText +=
        traits.bKeepsTimes ? ", times to " + StepText(traits.nTimeStepNs) : ", times not kept";
    if (!traits.bHardLinks) {
        strText += ", no hard links";
    }
    return strText + ":" + strFolder;
}

}  // namespace

const CFileSystemTraits& CFolderHandles::Traits() const {
    return pDevice != nullptr ? pDevice->traits : kNoTraits;
}

// The destination folder's identity and device: its parent's device when it lies on the
// same one; else the run's record of that device, made the first time the run meets it.
void CPairRun::KnowDestinationFolder(CSyncRun& run, const std::shared_ptr<CFolderHandles>& pFolder,
                                     const CFolderHandles* pParent, CStepOutcome& step) {
    CFolderHandles& folder = *pFolder;
    IPlatform& platform = m_planning;
    CFileStatus status;
    if (!folder.destination.Valid() ||
        !platform.GetStatus({folder.destination.Get(), "", folder.strDestination}, true, status)) {
        folder.pDevice = pParent != nullptr ? pParent->pDevice : nullptr;
        return;
    }
    folder.destinationIdentity = {status.m_nDevice, status.m_nInode};
    if (pParent != nullptr && pParent->pDevice != nullptr &&
        pParent->destinationIdentity.nDevice == status.m_nDevice) {
        folder.pDevice = pParent->pDevice;
        return;
    }
    std::unique_ptr<CDestinationDevice>& pDevice = run.devices[status.m_nDevice];
    if (!pDevice) {
        pDevice = std::make_unique<CDestinationDevice>();
    }
    if (!pDevice->root) {
        // Met first (or only so far, through the folder above a destination still to make).
        pDevice->traits = platform.FileSystemTraits(folder.destination.Get(), true);
        pDevice->root = pFolder;
        if (!pDevice->traits.strType.empty()) {
            step.Line(DescribeFileSystem(pDevice->traits, folder.strDestination));
        }
    }
    folder.pDevice = pDevice.get();
}

// A destination that the run is to make: its file system is the one of the folder above it,
// known by its type alone, since a probe there would write outside the destination. Once
// the destination is made, it is known for what it is.
void CPairRun::KnowAbsentDestination(CSyncRun& run, CFolderHandles& top) {
    const std::string strParent = posix::FolderOf(top.strDestination);
    const posix::FileDescriptor parent(m_planning.OpenFolder(CPathAt::Whole(strParent), true));
    CFileStatus status;
    if (!parent.Valid() || !m_planning.GetStatus({parent.Get(), "", strParent}, true, status)) {
        return;
    }
    std::unique_ptr<CDestinationDevice>& pDevice = run.devices[status.m_nDevice];
    if (!pDevice) {
        pDevice = std::make_unique<CDestinationDevice>();
        pDevice->traits = m_planning.FileSystemTraits(parent.Get(), false);
    }
    top.pDevice = pDevice.get();
}

// Notes that something was written into the folder, so that its file system is flushed.
void CPairRun::NoteWrite(const CFolderHandles& folder) const {
    if (folder.pDevice != nullptr) {
        folder.pDevice->bWritten.store(true);
    }
}

// The folder for named temporary files on the folder's device; -1 when there is none, and
// a copy then makes its temporary file beside its destination. The first time it is asked
// for, an existing one is cleared of the leftovers of killed copies; it is made only when a
// copy needs it (bMake).
int CPairRun::StagingFolderFor(const CFolderHandles& folder, bool bMake) const {
    CDestinationDevice* pDevice = folder.pDevice;
    if (pDevice == nullptr) {
        return -1;
    }
    // Once open, the descriptor no longer changes until the run ends.
    const int nState = pDevice->stagingState.load();
    if (nState == CDestinationDevice::Open) {
        return pDevice->staging.Get();
    }
    if (nState == CDestinationDevice::Absent && !bMake) {
        return -1;
    }
    std::lock_guard lock(pDevice->stagingMutex);
    IPlatform& platform = m_platform;
    const CFolderHandles& root = *pDevice->root;
    const std::string strPath = root.strDestination + "/" + kStagingFolderName;
    const CPathAt at{root.destination.Get(), kStagingFolderName, strPath};
    if (pDevice->stagingState.load() == CDestinationDevice::NotLookedFor) {
        pDevice->staging.Reset(platform.OpenFolder(at, false));
        if (pDevice->staging.Valid()) {
            platform.RemoveLeftoverTempFiles(pDevice->staging.Get(), strPath);
        }
    }
    if (!pDevice->staging.Valid() && bMake && !pDevice->bStagingMadeOnce) {
        pDevice->bStagingMadeOnce = true;
        platform.CreateDirectory(at);
        pDevice->staging.Reset(platform.OpenFolder(at, false));
    }
    pDevice->stagingState.store(pDevice->staging.Valid() ? CDestinationDevice::Open
                                                         : CDestinationDevice::Absent);
    return pDevice->staging.Get();
}

// What the run wrote is on disk before it may say "Succes" and move the date: every file
// system it wrote to, one inside the destination included.
void CPairRun::FlushDestination(CSyncRun& run) {
    IPlatform& platform = m_platform;
    // A staging folder goes when nothing is left in it.
    for (auto& [nDevice, pDevice] : run.devices) {
        if (pDevice->staging.Valid() && pDevice->root) {
            pDevice->staging.Close();
            const CFolderHandles& root = *pDevice->root;
            platform.RemoveFolder({root.destination.Get(), kStagingFolderName,
                                   root.strDestination + "/" + kStagingFolderName});
        }
    }
    if (Cancelled()) {
        return;
    }
    bool bTold = false;
    for (auto& [nDevice, pDevice] : run.devices) {
        if (!pDevice->bWritten.load() || !pDevice->root) {
            continue;
        }
        if (!bTold) {
            SetProgressField(IDC_PROGRESS_FILE, "Flushing to disk...");
            bTold = true;
        }
        const CFolderHandles& root = *pDevice->root;
        if (!platform.FlushFileSystem(root.destination.Get(), root.strDestination)) {
            AddLogLine(WithReason("ERROR: Flushing to disk:" + root.strDestination,
                                  platform.GetLastError()));
            ++m_pair.m_nErrors;
        }
    }
}
