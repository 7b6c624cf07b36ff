// SPDX-License-Identifier: GPL-3.0-or-later
// The folder walk: it opens and reads the folders of the source tree, depth first, makes
// their destination folders, and hands every file to the pipeline, in the order the
// folders list them. Everything it finds on the way is a step of the walk too, so that its
// lines and figures take their place among the files'.
#include <algorithm>
#include <cerrno>
#include <optional>
#include <unordered_map>

#include "PairRun.h"
#include "ReplacedVersions.h"
#include "SyncGroup.h"
#include "SyncRun.h"
#include "SyncText.h"
#include "SyncWindows.h"

// The identity of an open folder; none when its status cannot be read.
CFolderIdentity CPairRun::IdentityOf(int fdFolder, const std::string& strPath) const {
    CFileStatus status;
    if (!m_planning.GetStatus({fdFolder, "", strPath}, true, status)) {
        return {};
    }
    return {status.m_nDevice, status.m_nInode};
}

std::shared_ptr<CFolderHandles> CFolderHandles::WithoutDescriptors() const {
    auto copy = std::make_shared<CFolderHandles>();
    copy->strSource = strSource;
    copy->strDestination = strDestination;
    copy->destinationIdentity = destinationIdentity;
    copy->pDevice = pDevice;
    copy->nPlanFolder = nPlanFolder;
    copy->nDestinationError = nDestinationError;
    copy->bDestinationIsNew = bDestinationIsNew;
    copy->bDestinationAbsent = bDestinationAbsent;
    return copy;
}

// The source folder, then the destination folder, so that a source that cannot be read
// leaves no new folder behind. False when the run cannot walk at all.
bool CPairRun::OpenTopFolders(CSyncRun& run) {
    auto top = std::make_unique<CWalkFolder>();
    top->handles = std::make_shared<CFolderHandles>();
    CFolderHandles& handles = *top->handles;
    handles.strSource = m_pair.m_strSource;
    handles.strDestination = m_pair.m_strDestination;
    CStepOutcome step;
    const bool bOpened = OpenSourceFolder(*top, AT_FDCWD, step) && !Cancelled() &&
                         OpenTopDestination(run, handles, step);
    if (bOpened) {
        KnowDestinationFolder(run, top->handles, nullptr, step);
        if (handles.bDestinationAbsent) {
            KnowAbsentDestination(run, handles);
        }
        run.destination = handles.destinationIdentity;
        PlanFolder(run, *top, kNoFolder, true, step);
        ReadSourceFolder(run, *top, step);
    }
    run.pipeline->AddDone(step);
    if (!bOpened) {
        return false;
    }
    handles.CountIn(run.nOpenFolders);
    run.path.push_back(std::move(top));
    return true;
}

// Notes in the plan a folder the walk met, and the making of its destination folder where
// there is none yet: before anything is copied into it, in walk order.
void CPairRun::PlanFolder(CSyncRun& run, const CWalkFolder& folder, uint32_t nParent,
                          bool bSourceRead, CStepOutcome& step) const {
    CFolderHandles& handles = *folder.handles;
    CPlannedFolder planned;
    planned.nParent = nParent;
    planned.strName = folder.strName;
    planned.bReachedByLink = folder.bReachedByLink;
    planned.bSourceRead = bSourceRead;
    planned.source = folder.identity;
    planned.destination = handles.destinationIdentity;
    planned.bDestinationAbsent = handles.bDestinationAbsent;
    planned.nDestinationError = handles.nDestinationError;
    planned.pDevice = handles.pDevice;
    handles.nPlanFolder = static_cast<uint32_t>(run.copyPlan.folders.size());
    run.copyPlan.folders.push_back(std::move(planned));
    if (handles.bDestinationAbsent) {
        step.nMakeFolder = handles.nPlanFolder;
        step.nRoomTaken += handles.Traits().nBlockSize;
    }
}

// A destination folder that is missing after an earlier run found something is not made
// again: its disk is most likely not mounted, and the copy would fill another one.
bool CPairRun::OpenTopDestination(CSyncRun& run, CFolderHandles& top, CStepOutcome& step) {
    IPlatform& platform = m_planning;
    const CPathAt at = CPathAt::Whole(m_pair.m_strDestination);
    int fd = platform.OpenFolder(at, true);
    if (fd < 0 && platform.GetLastError() == ENOENT) {
        if (!run.plan.bMayCreateDestination) {
            step.Error("ERROR: Destination folder not found (is its disk mounted?):" +
                       m_pair.m_strDestination);
            run.bDestinationRefused = true;
            return false;
        }
        // One level: a missing parent is not made, and every copy then fails.
        if (platform.CreateDirectory(at)) {
            top.bDestinationIsNew = true;
        } else if (platform.GetLastError() == kErrorReadOnly) {
            top.bDestinationAbsent = true;  // a dry run makes nothing
            return true;
        } else if (platform.GetLastError() != EEXIST) {
            top.nDestinationError = platform.GetLastError();
            return true;
        }
        fd = platform.OpenFolder(at, true);
    }
    if (fd < 0 && platform.GetLastError() == ENOTDIR) {
        step.Error("ERROR: Destination is not a folder:" + m_pair.m_strDestination);
        return false;
    }
    if (fd < 0) {
        top.nDestinationError = platform.GetLastError();
    }
    top.destination.Reset(fd);
    if (top.bDestinationIsNew || !run.plan.bFoundFilesBefore || !top.destination.Valid() ||
        MayFillEmptyDestination(top.destination.Get(), step)) {
        return true;
    }
    run.bDestinationRefused = true;
    return false;
}

// An empty destination after an earlier run found files is most likely a mount point
// whose disk is not mounted: copying everything again would fill the disk it lies on. The
// user is asked first.
bool CPairRun::MayFillEmptyDestination(int fdDestination, CStepOutcome& step) {
    bool bEmpty = false;
    if (!m_planning.IsFolderEmpty(fdDestination, bEmpty) || !bEmpty ||
        (m_pair.m_pProgressDlg != nullptr &&
         m_pair.m_pProgressDlg->ConfirmEmptyDestination(m_pair.m_strDestination))) {
        return true;
    }
    step.Error(
        "ERROR: Destination folder is empty, although an earlier run copied files there (is its "
        "disk mounted?):" +
        m_pair.m_strDestination);
    return false;
}

// Shows the folder and opens it. False, with an error line, when it cannot be opened.
bool CPairRun::OpenSourceFolder(CWalkFolder& folder, int fdParent, CStepOutcome& step) {
    CFolderHandles& handles = *folder.handles;
    SetProgressField(IDC_PROGRESS_FOLDER, handles.strSource);
    SetProgressField(IDC_PROGRESS_DEST, handles.strDestination);
    IPlatform& platform = m_planning;
    const bool bTop = fdParent == AT_FDCWD;
    const CPathAt at{fdParent, bTop ? handles.strSource.c_str() : folder.strName.c_str(),
                     handles.strSource};
    handles.source.Reset(platform.OpenFolder(at, bTop || folder.bReachedByLink));
    CFileStatus status;
    if (!handles.source.Valid() ||
        !platform.GetStatus({handles.source.Get(), "", handles.strSource}, true, status)) {
        step.Error(WithReason("ERROR: Couldn't read folder:" + handles.strSource,
                              platform.GetLastError()));
        return false;
    }
    folder.identity = {status.m_nDevice, status.m_nInode};
    return true;
}

// Reads the entries of an open folder; a reading that fails part-way keeps what it read
// and is an error.
void CPairRun::ReadSourceFolder(const CSyncRun& run, CWalkFolder& folder, CStepOutcome& step) {
    IPlatform& platform = m_planning;
    const CFolderHandles& handles = *folder.handles;
    if (!platform.ReadFolder(handles.source.Get(), handles.strSource, folder.entries)) {
        step.Error(WithReason("ERROR: Couldn't read folder:" + handles.strSource,
                              platform.GetLastError()));
    }
    if (handles.Traits().bIgnoresCase) {
        FindCaseClashes(run, folder);
    }
}

// Where the destination ignores letter case, names that differ only in case would land on
// one file. Of each such group one name is copied: the one the destination already holds
// as it is written, else the first the walk meets; the others are errors. Excluded names
// take no part.
void CPairRun::FindCaseClashes(const CSyncRun& run, CWalkFolder& folder) const {
    std::unordered_map<std::string, std::vector<const std::string*>> groups;
    for (const CDirEntry& entry : folder.entries) {
        std::string strFolded = entry.m_strName;
        FoldCase(strFolded);
        groups[std::move(strFolded)].push_back(&entry.m_strName);
    }
    const CFolderHandles& handles = *folder.handles;
    std::optional<std::unordered_set<std::string>> held;  // read only when needed
    for (auto& [strFolded, names] : groups) {
        if (names.size() < 2) {
            continue;
        }
        std::erase_if(names, [&](const std::string* pName) {
            std::string strRelative(
                RelativePart(handles.strSource + "/" + *pName, m_pair.m_strSource));
            FoldCase(strRelative);
            return IsExcluded(strRelative, run.rules.exclude);
        });
        if (names.size() < 2) {
            continue;
        }
        if (!held) {
            held.emplace();
            std::vector<CDirEntry> entries;
            posix::FileDescriptor reading(m_planning.OpenFolder(
                {handles.destination.Get(), ".", handles.strDestination}, false));
            if (reading.Valid()) {
                m_planning.ReadFolder(reading.Get(), handles.strDestination, entries);
            }
            for (CDirEntry& entry : entries) {
                held->insert(std::move(entry.m_strName));
            }
        }
        const auto owner = std::find_if(names.begin(), names.end(), [&](const std::string* pName) {
            return held->count(*pName);
        });
        const std::string* pOwner = owner != names.end() ? *owner : names.front();
        for (const std::string* pName : names) {
            if (pName != pOwner) {
                folder.caseClashes.insert(*pName);
            }
        }
    }
}

// Whether the destination can take the name: its file system may not hold it, or another
// name of the folder takes its place there. False, with an error line, when it cannot.
bool CPairRun::MayPlaceName(const CWalkFolder& folder, const std::string& strName,
                            const std::string& strSourcePath, CStepOutcome& step) const {
    const CFileSystemTraits& traits = folder.handles->Traits();
    if (!IsNameAllowed(strName, traits.names) || strName.size() > traits.nNameMax) {
        step.Error("ERROR: Name not allowed on the destination's file system:" + strSourcePath);
        return false;
    }
    if (!folder.caseClashes.empty() && folder.caseClashes.count(strName) != 0) {
        step.Error("ERROR: Name differs only in letter case from one already copied:" +
                   strSourcePath);
        return false;
    }
    return true;
}

void CPairRun::SyncFolder(CSyncRun& run) {
    while (!Cancelled()) {
        CWalkFolder& folder = *run.path.back();
        if (folder.Done()) {
            if (run.path.size() == 1) {
                return;
            }
            run.path.pop_back();
            const CWalkFolder& above = *run.path.back();
            if (!above.Held() && !above.Done()) {
                ReopenFolder(run);
            }
            continue;
        }
        const CDirEntry& entry = folder.entries[folder.nNext++];
        if (entry.m_strName == kStagingFolderName) {
            continue;  // the copies' own temporary folder is never walked, nor counted
        }
        if (entry.m_strName == kVersionsFolderName && IsPartTop(run)) {
            continue;  // nor the replaced versions a run in the other direction kept here
        }
        if (IsFolderEntry(folder, entry)) {
            if (m_pair.m_bSubFolders != 0) {
                EnterSubFolder(run, folder, entry);
            }
        } else if (!IsCopyTempName(entry.m_strName)) {
            // The copy's own temporary files are never copied, nor counted.
            HandOnFile(run, folder, entry);
        }
    }
}

// Whether the walk is at the top of the source, or of a part of it on another device: where
// runs keep their replaced versions.
bool CPairRun::IsPartTop(const CSyncRun& run) const {
    const size_t nDepth = run.path.size();
    return nDepth == 1 ||
           run.path[nDepth - 1]->identity.nDevice != run.path[nDepth - 2]->identity.nDevice;
}

// A folder, or a link that leads to one: both are walked like folders.
bool CPairRun::IsFolderEntry(const CWalkFolder& folder, const CDirEntry& entry) const {
    if (!entry.m_bIsLink) {
        return entry.m_bIsDirectory;
    }
    const std::string strPath = folder.handles->strSource + "/" + entry.m_strName;
    CFileStatus status;
    return m_planning.GetStatus({folder.handles->source.Get(), entry.m_strName.c_str(), strPath},
                                true, status) &&
           status.m_kind == FileKind::Folder;
}

// Counts a file and hands it to the pipeline, unless the walk can decide about it alone:
// excluded, or a name the destination cannot take.
void CPairRun::HandOnFile(CSyncRun& run, CWalkFolder& folder, const CDirEntry& entry) {
    CStepOutcome step;
    step.nFilesFound = 1;
    const CFileSystemTraits& traits = folder.handles->Traits();
    const bool bNamesChecked =
        traits.names != NameRules::Posix || traits.nNameMax < 255 || !folder.caseClashes.empty();
    if (!m_pair.m_strExclude.empty() || bNamesChecked) {
        const std::string strSourcePath = folder.handles->strSource + "/" + entry.m_strName;
        std::string strFolded(RelativePart(strSourcePath, m_pair.m_strSource));
        FoldCase(strFolded);
        if (IsExcluded(strFolded, run.rules.exclude)) {
            const SkipLine line = SkipLineOf(FileVerdict::Excluded, strSourcePath, run.rules);
            if (!line.strText.empty()) {
                step.Line(line.strText);
            }
            run.pipeline->AddDone(step);
            return;
        }
        if (!MayPlaceName(folder, entry.m_strName, strSourcePath, step)) {
            run.pipeline->AddDone(step);
            return;
        }
    }
    run.pipeline->AddFile(folder.handles, entry.m_strName, step);
}

// Puts a sub-folder on the walk's path: unless it is a folder already on the path, or the
// destination, its destination sub-folder is made and its entries are read.
void CPairRun::EnterSubFolder(CSyncRun& run, CWalkFolder& parent, const CDirEntry& entry) {
    // Few enough folders in flight that their descriptors cannot run out.
    if (run.nOpenFolders.load() >= run.nMaxOpenFolders) {
        run.pipeline->Finish();
    }
    const CFolderHandles& above = *parent.handles;
    const std::string& strName = entry.m_strName;
    auto child = std::make_unique<CWalkFolder>();
    child->handles = std::make_shared<CFolderHandles>();
    CFolderHandles& handles = *child->handles;
    child->strName = strName;
    child->bReachedByLink = entry.m_bIsLink;
    handles.strSource = above.strSource + "/" + strName;
    handles.strDestination =
        m_pair.m_strDestination + std::string(RelativePart(handles.strSource, m_pair.m_strSource));

    // The source folder is opened first: its identity tells whether the walk may enter it.
    CStepOutcome step;
    if (!OpenSourceFolder(*child, above.source.Get(), step)) {
        // Its destination folder is still made, as for a folder that can be read.
        step.nDirectories = 1;
        if (MayPlaceName(parent, strName, handles.strSource, step) &&
            OpenDestinationSubFolder(m_planning, above, strName, handles, step)) {
            handles.pDevice = above.pDevice;
            PlanFolder(run, *child, above.nPlanFolder, false, step);
        }
        run.pipeline->AddDone(step);
        return;
    }
    if (LeadsIntoItself(run, parent, *child)) {
        step.Line("Skipped folder link loop:" + handles.strSource);
        run.pipeline->AddDone(step);
        return;
    }
    step.nDirectories = 1;
    const bool bEntered = MayPlaceName(parent, strName, handles.strSource, step) &&
                          OpenDestinationSubFolder(m_planning, above, strName, handles, step);
    if (bEntered) {
        KnowDestinationFolder(run, child->handles, &above, step);
        PlanFolder(run, *child, above.nPlanFolder, true, step);
        ReadSourceFolder(run, *child, step);
    }
    run.pipeline->AddDone(step);
    if (!bEntered) {
        return;
    }
    handles.CountIn(run.nOpenFolders);
    run.path.push_back(std::move(child));
    const size_t nDepth = run.path.size();
    if (nDepth > run.nHeldLevels + 1) {
        CWalkFolder& released = *run.path[nDepth - run.nHeldLevels - 1];
        released.handles = released.handles->WithoutDescriptors();
    }
}

// A source folder the walk must not enter: one already on its path (a link round in a
// circle), or the destination folder or one inside it, reached through a link or a mount,
// whose copy would list itself again at every level.
bool CPairRun::LeadsIntoItself(const CSyncRun& run, const CWalkFolder& parent,
                               const CWalkFolder& child) const {
    const CFolderIdentity& identity = child.identity;
    if (identity == run.destination ||
        std::any_of(run.path.begin(), run.path.end(), [&](const auto& pLevel) {
            return pLevel->identity == identity || pLevel->handles->destinationIdentity == identity;
        })) {
        return true;
    }
    // Only a link or a mount can lead from the source into the destination; ".." tells
    // where such a folder lies.
    return (child.bReachedByLink || identity.nDevice != parent.identity.nDevice) &&
           run.destination.nInode != 0 &&
           m_planning.IsFolderWithin(child.handles->source.Get(), run.destination);
}

// Makes the destination sub-folder and opens it, never through a link (the plan, which
// writes nothing, notes it as absent). False, with an
// error line, when something else than a folder stands in its place: nothing is then
// written below it.
bool CPairRun::OpenDestinationSubFolder(IPlatform& platform, const CFolderHandles& parent,
                                        const std::string& strName, CFolderHandles& child,
                                        CStepOutcome& step) {
    if (parent.nDestinationError != 0 || parent.bDestinationAbsent) {
        child.nDestinationError = parent.nDestinationError;
        child.bDestinationAbsent = parent.bDestinationAbsent;
        return true;
    }
    const CPathAt at{parent.destination.Get(), strName.c_str(), child.strDestination};
    // Opened first: on a re-sync the folder is nearly always there already.
    int fd = platform.OpenFolder(at, false);
    if (fd < 0 && platform.GetLastError() == ENOENT) {
        int32_t nCreateError = 0;
        if (platform.CreateDirectory(at)) {
            child.bDestinationIsNew = true;
            NoteWrite(parent);
        } else if (platform.GetLastError() == kErrorReadOnly) {
            child.bDestinationAbsent = true;  // the plan makes nothing
            return true;
        } else {
            nCreateError = platform.GetLastError();
        }
        fd = platform.OpenFolder(at, false);
        if (fd < 0 && nCreateError != 0 && nCreateError != EEXIST) {
            child.nDestinationError = nCreateError;
            return true;
        }
    }
    child.destination.Reset(fd);
    if (fd >= 0) {
        return true;
    }
    const int32_t nOpenError = platform.GetLastError();
    if (nOpenError == ELOOP || nOpenError == ENOTDIR) {
        step.Error("ERROR: Destination is not a folder:" + child.strDestination);
        return false;
    }
    child.nDestinationError = nOpenError;
    return true;
}

// Opens the deepest folder on the path again, and the folders between it and the nearest
// one still held, each through the one above it: no path longer than one name is given to
// the system.
void CPairRun::ReopenFolder(CSyncRun& run) {
    IPlatform& platform = m_planning;
    const size_t nTarget = run.path.size() - 1;
    size_t nHeld = nTarget;
    while (!run.path[nHeld]->Held()) {
        --nHeld;  // the top folder is always held
    }
    for (size_t k = nHeld + 1; k <= nTarget; ++k) {
        const CFolderHandles& above = *run.path[k - 1]->handles;
        CWalkFolder& level = *run.path[k];
        auto handles = level.handles->WithoutDescriptors();
        handles->source.Reset(platform.OpenFolder(
            {above.source.Get(), level.strName.c_str(), handles->strSource}, level.bReachedByLink));
        const bool bSame = handles->source.Valid() &&
                           IdentityOf(handles->source.Get(), handles->strSource) == level.identity;
        if (!bSame) {
            CStepOutcome step;
            step.Error(WithReason("ERROR: Couldn't read folder:" + handles->strSource,
                                  handles->source.Valid() ? ENOENT : platform.GetLastError()));
            run.pipeline->AddDone(step);
            for (size_t j = k; j <= nTarget; ++j) {
                run.path[j]->nNext = run.path[j]->entries.size();
            }
            return;
        }
        if (handles->nDestinationError == 0 && !handles->bDestinationAbsent) {
            handles->destination.Reset(platform.OpenFolder(
                {above.destination.Get(), level.strName.c_str(), handles->strDestination}, false));
            if (!handles->destination.Valid()) {
                handles->nDestinationError = platform.GetLastError();
            } else if (IdentityOf(handles->destination.Get(), handles->strDestination) !=
                       handles->destinationIdentity) {
                // Another folder stands where the run made or found this one: nothing more is
                // written below that name.
                handles->destination.Close();
                handles->nDestinationError = ENOENT;
            }
        }
        handles->CountIn(run.nOpenFolders);
        level.handles = std::move(handles);
        // The folder above served to reach this one; it goes unless it is among the held.
        CWalkFolder& passed = *run.path[k - 1];
        if (k - 1 >= 1 && k - 1 + run.nHeldLevels <= nTarget && passed.Held()) {
            passed.handles = passed.handles->WithoutDescriptors();
        }
    }
}
