// SPDX-License-Identifier: GPL-3.0-or-later
// The plan carried out: what it needs checked before the first byte (the room on the
// destination), then its folders made and its files copied, in the order the walk met them,
// through the pipeline. Each folder is opened again the way the walk reached it, one name at
// a time, and must be the folder the walk saw.
#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>

#include "PairRun.h"
#include "RunTotals.h"
#include "SyncRun.h"
#include "SyncText.h"
#include "SyncWindows.h"

namespace {

constexpr uint64_t kMiB = uint64_t{1} << 20;
// What a run leaves free on a file system besides what it needs: 1% of its size, at most
// 64 MiB, so that a full disk does not stop the run at its last files.
constexpr uint64_t kMostMargin = 64 * kMiB;

}  // namespace

void CCopyPlan::AddCopy(const CPlannedCopy& copy) {
    CPlannedAction action;
    action.kind = CPlannedAction::Kind::Copy;
    action.bDestinationFound = copy.bDestinationFound;
    action.nDestinationAttribute = copy.nDestinationAttribute;
    action.decision = copy.decision;
    action.nFolder = copy.nFolder;
    action.nNameOffset = static_cast<uint32_t>(names.size());
    action.nNameLength = static_cast<uint32_t>(copy.strName.size());
    action.nSize = copy.nSize;
    names += copy.strName;
    actions.push_back(action);
    ++nFiles;
    nBytes += copy.nSize;
}

void CCopyPlan::AddMakeFolder(uint32_t nFolder) {
    CPlannedAction action;
    action.kind = CPlannedAction::Kind::MakeFolder;
    action.nFolder = nFolder;
    actions.push_back(action);
}

// Whether the destination has room for the plan: what it copies, less what replacing frees,
// and a margin. Where it has not, the oldest replaced versions make room first. False, with
// the error line, when that is not enough: nothing is copied then.
bool CPairRun::HasRoomFor(const CSyncRun& run, CStepOutcome& step) {
    const CCopyPlan& plan = run.copyPlan;
    if (plan.nRoomTaken <= plan.nRoomFreed) {
        return true;
    }
    uint64_t nFree = 0;
    uint64_t nTotal = 0;
    // Unknown (some FUSE file systems tell nothing): the copies say it if the disk fills up.
    if (!FreeSpaceAtDestination(run, nFree, nTotal) || nTotal == 0) {
        return true;
    }
    const uint64_t nNeeded =
        plan.nRoomTaken - plan.nRoomFreed + std::min(kMostMargin, nTotal / 100);
    if (nNeeded <= nFree || MakeRoomFromVersions(run, nNeeded, nFree, step)) {
        return true;
    }
    step.Error("ERROR: Not enough free space on the destination: the run needs " +
               FormatBytes(static_cast<double>(nNeeded)) + ", " +
               FormatBytes(static_cast<double>(nFree)) + " is free:" + m_pair.m_strDestination);
    return false;
}

// The room on the destination's file system, or on its parent's where the run is to make
// the destination.
bool CPairRun::FreeSpaceAtDestination(const CSyncRun& run, uint64_t& nFree, uint64_t& nTotal) {
    const CFolderHandles& top = *run.path.front()->handles;
    if (top.destination.Valid()) {
        return m_planning.FreeSpace(top.destination.Get(), nFree, nTotal);
    }
    const std::string strParent = posix::FolderOf(m_pair.m_strDestination);
    const posix::FileDescriptor parent(m_planning.OpenFolder(CPathAt::Whole(strParent), true));
    return parent.Valid() && m_planning.FreeSpace(parent.Get(), nFree, nTotal);
}

// Makes the folders and copies the files of the plan, in its order. The walk's top folders
// serve again; every other folder is opened anew.
void CPairRun::CarryOut(CSyncRun& run) {
    const CCopyPlan& plan = run.copyPlan;
    m_carried.clear();
    m_carried.push_back({0, run.path.front()->handles, false});
    for (const CPlannedAction& action : plan.actions) {
        if (Cancelled()) {
            break;
        }
        CStepOutcome step;
        const CFolderHandles* pFolder = EnterPlanned(run, action.nFolder, step);
        if (action.kind == CPlannedAction::Kind::MakeFolder || pFolder == nullptr) {
            run.pipeline->AddDone(step);
        } else {
            run.pipeline->AddFile(m_carried.back().handles, std::string(plan.NameOf(action)), step,
                                  &action);
        }
    }
    m_carried.clear();
}

// Opens the folders from the top down to a planned one, as far as they are not open yet,
// making its destination folder where the plan says so; the folder, or none when it cannot
// be had (the lines say why).
const CFolderHandles* CPairRun::EnterPlanned(CSyncRun& run, uint32_t nFolder, CStepOutcome& step) {
    const CCopyPlan& plan = run.copyPlan;
    std::vector<uint32_t> chain;  // the folder, then the ones above it
    for (uint32_t n = nFolder; n != kNoFolder; n = plan.folders[n].nParent) {
        chain.push_back(n);
    }
    std::reverse(chain.begin(), chain.end());
    size_t nSame = 0;
    while (nSame < chain.size() && nSame < m_carried.size() &&
           m_carried[nSame].nFolder == chain[nSame]) {
        ++nSame;
    }
    m_carried.resize(nSame);
    for (size_t k = nSame; k <= chain.size(); ++k) {
        if (m_carried.back().bFailed) {
            return nullptr;
        }
        // A level above the deepest ones let its descriptors go: open it again first.
        if (!m_carried.back().handles->source.Valid() &&
            plan.folders[m_carried.back().nFolder].bSourceRead) {
            Reacquire(run, step);
            if (m_carried.back().bFailed) {
                return nullptr;
            }
        }
        if (k == chain.size()) {
            break;
        }
        // Few enough folders in flight that their descriptors cannot run out.
        if (run.nOpenFolders.load() >= run.nMaxOpenFolders) {
            run.pipeline->Finish();
        }
        m_carried.push_back(OpenPlanned(run, chain[k], *m_carried.back().handles, step));
        // Only the deepest levels (and the top) keep their descriptors.
        const size_t nDepth = m_carried.size();
        if (nDepth > run.nHeldLevels + 1) {
            CarriedFolder& released = m_carried[nDepth - run.nHeldLevels - 1];
            released.handles = released.handles->WithoutDescriptors();
        }
    }
    if (nFolder == 0 && plan.folders[0].bDestinationAbsent && !m_bTopMade) {
        MakeTopDestination(run, step);
    }
    return m_carried.back().bFailed ? nullptr : m_carried.back().handles.get();
}

// One level below the deepest open one: its source folder opened again the way the walk
// reached it, and its destination folder opened, or made where the plan says so.
CPairRun::CarriedFolder CPairRun::OpenPlanned(CSyncRun& run, uint32_t nFolder,
                                              const CFolderHandles& above, CStepOutcome& step) {
    IPlatform& platform = m_platform;
    CPlannedFolder& planned = run.copyPlan.folders[nFolder];
    auto handles = std::make_shared<CFolderHandles>();
    handles->strSource = above.strSource + "/" + planned.strName;
    handles->strDestination = above.strDestination + "/" + planned.strName;
    handles->nPlanFolder = nFolder;
    handles->pDevice = planned.pDevice != nullptr ? planned.pDevice : above.pDevice;
    CarriedFolder carried{nFolder, handles, false};
    if (planned.bSourceRead) {
        handles->source.Reset(
            platform.OpenFolder({above.source.Get(), planned.strName.c_str(), handles->strSource},
                                planned.bReachedByLink));
        if (!handles->source.Valid() ||
            IdentityOf(handles->source.Get(), handles->strSource) != planned.source) {
            step.Error(WithReason("ERROR: Couldn't read folder:" + handles->strSource,
                                  handles->source.Valid() ? ENOENT : platform.GetLastError()));
            carried.bFailed = true;
            return carried;
        }
    }
    if (planned.nDestinationError != 0 || above.nDestinationError != 0) {
        handles->nDestinationError =
            planned.nDestinationError != 0 ? planned.nDestinationError : above.nDestinationError;
    } else if (!OpenDestinationSubFolderAgain(above, planned, *handles, step)) {
        carried.bFailed = true;
        return carried;
    }
    handles->CountIn(run.nOpenFolders);
    return carried;
}

// The destination folder of a planned level: made when the plan says it is missing (once),
// else opened, never through a link, and checked to be the folder the walk saw.
bool CPairRun::OpenDestinationSubFolderAgain(const CFolderHandles& above, CPlannedFolder& planned,
                                             CFolderHandles& child, CStepOutcome& step) {
    if (planned.bDestinationAbsent) {
        const bool bMade =
            OpenDestinationSubFolder(m_platform, above, planned.strName, child, step);
        planned.bDestinationAbsent = false;
        planned.destination = child.destination.Valid()
                                  ? IdentityOf(child.destination.Get(), child.strDestination)
                                  : CFolderIdentity{};
        planned.nDestinationError = child.nDestinationError;
        return bMade;
    }
    child.destination.Reset(m_platform.OpenFolder(
        {above.destination.Get(), planned.strName.c_str(), child.strDestination}, false));
    if (!child.destination.Valid()) {
        child.nDestinationError = m_platform.GetLastError();
    } else if (IdentityOf(child.destination.Get(), child.strDestination) != planned.destination) {
        // Another folder stands where the walk saw this one: nothing is written below it.
        child.destination.Close();
        child.nDestinationError = ENOENT;
    }
    return true;
}

// The level whose descriptors went opened again, and those between it and the nearest one
// that kept them, each through the one above it.
void CPairRun::Reacquire(CSyncRun& run, CStepOutcome& step) {
    size_t nHeld = m_carried.size() - 1;
    while (nHeld > 0 && !m_carried[nHeld].handles->source.Valid()) {
        --nHeld;  // the top keeps its descriptors
    }
    for (size_t k = nHeld + 1; k < m_carried.size(); ++k) {
        m_carried[k] = OpenPlanned(run, m_carried[k].nFolder, *m_carried[k - 1].handles, step);
        if (m_carried[k].bFailed) {
            m_carried.resize(k + 1);
            return;
        }
    }
}

// Makes the destination folder itself, which the plan found missing; its file system is
// then known for what it is.
void CPairRun::MakeTopDestination(CSyncRun& run, CStepOutcome& step) {
    m_bTopMade = true;
    CFolderHandles& top = *m_carried.front().handles;
    const CPathAt at = CPathAt::Whole(m_pair.m_strDestination);
    // One level: a missing parent is not made, and every copy then fails.
    if (m_platform.CreateDirectory(at)) {
        top.bDestinationIsNew = true;
    } else if (m_platform.GetLastError() != EEXIST) {
        top.nDestinationError = m_platform.GetLastError();
        return;
    }
    top.destination.Reset(m_platform.OpenFolder(at, true));
    if (!top.destination.Valid()) {
        top.nDestinationError = m_platform.GetLastError();
        return;
    }
    top.bDestinationAbsent = false;
    top.pDevice = nullptr;
    KnowDestinationFolder(run, m_carried.front().handles, nullptr, step);
    run.destination = top.destinationIdentity;
    NoteWrite(top);
}
