// SPDX-License-Identifier: GPL-3.0-or-later
// The copy step of one file, as a worker does it: the status queries of both sides, the
// decision, and the copy. It leaves its lines and figures in the step's outcome, which the
// run applies in walk order; only the progress window hears from it directly.
#include <cinttypes>
#include <cstdio>

#include "PairRun.h"
#include "SyncGroup.h"
#include "SyncRun.h"
#include "SyncText.h"
#include "SyncWindows.h"
#include "Synchronize.h"

namespace {

// What the step builds for every file, kept per thread so that their buffers are reused
// from one file to the next instead of allocated for each.
struct FileStepScratch {
    std::string strSourcePath;
    std::string strDestPath;
    CFileStatus sourceStatus;
    CFileStatus destStatus;
};
thread_local FileStepScratch t_scratch;

}  // namespace

uint64_t CCopyFocus::Start(const CCopyContext& copy) {
    std::lock_guard lock(m_mutex);
    const uint64_t nCopy = ++m_nStarted;
    m_nShown = nCopy;
    m_bShownDone = false;
    ShowName(copy);
    return nCopy;
}

void CCopyFocus::Report(const CCopyContext& copy, const char* szPercent) {
    if (copy.pWindow == nullptr) {
        return;
    }
    std::lock_guard lock(m_mutex);
    if (copy.nCopy != m_nShown) {
        if (!m_bShownDone) {
            return;
        }
        m_nShown = copy.nCopy;
        m_bShownDone = false;
        ShowName(copy);
    }
    copy.pWindow->SetDlgItemText(IDC_PROGRESS_PERCENT, szPercent);
}

void CCopyFocus::End(uint64_t nCopy) {
    std::lock_guard lock(m_mutex);
    if (nCopy == m_nShown) {
        m_bShownDone = true;
    }
}

// The file shown, and the folders it is copied from and to.
void CCopyFocus::ShowName(const CCopyContext& copy) {
    if (copy.pWindow != nullptr) {
        copy.pWindow->SetDlgItemText(IDC_PROGRESS_FOLDER, copy.pFolder->strSource);
        copy.pWindow->SetDlgItemText(IDC_PROGRESS_DEST, copy.pFolder->strDestination);
        copy.pWindow->SetDlgItemText(IDC_PROGRESS_FILE, copy.strDestPath);
        copy.pWindow->SetDlgItemText(IDC_PROGRESS_BYTES, copy.szBytes);
    }
}

// The plan's part of the copy step: the status of both sides and the decision. A file to
// copy goes into the plan (or, in a dry run, says what the copy would be); every other file
// says what the run does with it now.
void CPairRun::SyncFile(const CSyncRun& run, const CFileTask& task, CStepOutcome& step) const {
    IPlatform& platform = m_planning;
    FileStepScratch& scratch = t_scratch;
    const CFolderHandles& folder = *task.folder;
    const std::string& strName = task.strName;
    std::string& strSourcePath = scratch.strSourcePath;
    strSourcePath.assign(folder.strSource).append("/").append(strName);

    CFileStatus& source = scratch.sourceStatus;
    if (!platform.GetStatus({folder.source.Get(), strName.c_str(), strSourcePath}, true, source)) {
        step.Error(WithReason("ERROR: Couldn't get status for source:" + strSourcePath,
                              platform.GetLastError()));
        return;
    }
    if (run.plan.pAssumeCopies != nullptr) {
        // The reverse direction of a dry run: this file as the forward copy would leave it.
        const auto& copies = run.plan.pAssumeCopies->files;
        const auto found =
            copies.find(std::string(RelativePart(strSourcePath, m_pair.m_strSource)));
        if (found != copies.end()) {
            source = found->second;
        }
    }
    std::string& strDestPath = scratch.strDestPath;
    strDestPath.assign(m_pair.m_strDestination)
        .append(RelativePart(strSourcePath, m_pair.m_strSource));
    const CPathAt destAt{folder.destination.Get(), strName.c_str(), strDestPath};
    // A destination whose status cannot be read counts as absent; the copy decides.
    CFileStatus& dest = scratch.destStatus;
    const bool bDestFound = folder.nDestinationError == 0 && !folder.bDestinationAbsent &&
                            platform.GetStatus(destAt, false, dest);
    // Times count as the same within the step that the destination's file system keeps.
    const CFileSystemTraits& traits = folder.Traits();
    CopyRules rules = run.rules;
    rules.nDestTimeStepNs = traits.nTimeStepNs;
    const FileDecision decision = DecideFile(source, bDestFound ? &dest : nullptr, rules);
    if (!decision.Copies()) {
        const SkipLine line = SkipLineOf(decision.verdict, strSourcePath, rules);
        if (line.bError) {
            step.Error(line.strText);
        } else if (!line.strText.empty()) {
            step.Line(line.strText);
        }
        return;
    }
    if (traits.nMaxFileSize != 0 && source.m_size64 > traits.nMaxFileSize) {
        step.Error(
            "ERROR: File too large for the destination's file system (FAT32 holds files "
            "below 4 GiB):" +
            strSourcePath);
        return;
    }
    step.nRoomTaken = RoomFor(source.m_size64, traits);
    // A replaced file that is kept frees nothing.
    const bool bReplacesFile = bDestFound && dest.m_kind == FileKind::Regular;
    step.nRoomFreed = bReplacesFile && !KeepsVersions() ? RoomFor(dest.m_size64, traits) : 0;
    if (!m_bDryRun) {
        step.planned = CPlannedCopy{decision,        bDestFound,         dest.m_attribute,
                                    source.m_size64, folder.nPlanFolder, strName};
        return;
    }
    if (folder.nDestinationError != 0) {
        step.nLastError = folder.nDestinationError;
        step.Error(WithReason("ERROR: Copying file: " + strDestPath, folder.nDestinationError));
        return;
    }
    if (run.plan.pRecordCopies != nullptr) {
        std::lock_guard lock(run.plan.pRecordCopies->mutex);
        run.plan.pRecordCopies->files.emplace(RelativePart(strSourcePath, m_pair.m_strSource),
                                              source);
    }
    step.Line(WouldCopyLine(decision, strDestPath, bReplacesFile && KeepsVersions()));
    step.nFilesCopied = 1;
    step.nBytesCopied = source.m_size64;
}

// The copy's part of the copy step, as the plan says it: the attributes taken off where
// they would keep the file from being replaced, the copy, and its check.
void CPairRun::CopyFile(const CSyncRun& run, const CFileTask& task, CStepOutcome& step) const {
    IPlatform& platform = m_platform;
    const CPlannedAction& action = *task.pAction;
    const CFolderHandles& folder = *task.folder;
    const std::string& strName = task.strName;
    FileStepScratch& scratch = t_scratch;
    std::string& strSourcePath = scratch.strSourcePath;
    strSourcePath.assign(folder.strSource).append("/").append(strName);
    std::string& strDestPath = scratch.strDestPath;
    strDestPath.assign(folder.strDestination).append("/").append(strName);
    const CPathAt destAt{folder.destination.Get(), strName.c_str(), strDestPath};

    int32_t nError = folder.nDestinationError;
    if (action.decision.bClearAttributes && nError == 0) {
        // A failure shows in the copy, which then cannot replace the file.
        if (platform.SetAttributes(
                destAt, static_cast<uint8_t>(action.nDestinationAttribute & ~kRhsAttributes))) {
            NoteWrite(folder);
        }
        step.Line("ATTRIB -RHS: " + strDestPath);
    }

    // The true size, also for files of 2 GiB and more.
    char szBytes[48];
    std::snprintf(szBytes, sizeof szBytes, "%" PRIu64 " bytes to copy", action.nSize);
    CCopyContext copy{m_pair.m_pProgressDlg, &run.focus, 0, strDestPath, szBytes, &folder};
    copy.nCopy = run.focus.Start(copy);
    if (nError == 0) {
        const CFileSystemTraits& traits = folder.Traits();
        const uint32_t nFlags =
            (traits.bKeepsPermissions ? COPY_FILE_DEFAULT : COPY_FILE_NO_PERMISSIONS) |
            (traits.bUnnamedFiles ? COPY_FILE_DEFAULT : COPY_FILE_NAMED_TEMP);
        // A replacement, or a new file where no unnamed one can be made, goes through a
        // named temporary file.
        const int fdTemp =
            StagingFolderFor(folder, action.bDestinationFound || !traits.bUnnamedFiles);
        // The file it replaces is kept in the run's versions folder, made when first needed.
        CKeepReplaced keep;
        keep.openFolder = [&](int32_t& nKeepError) {
            return OpenKeepFolder(run, folder, nKeepError);
        };
        keep.szName = strName.c_str();
        keep.bHardLinks = traits.bHardLinks;
        if (!platform.CopyFileEx({folder.source.Get(), strName.c_str(), strSourcePath}, destAt,
                                 CopyProgress, &copy, &m_pair.m_bCancel, nFlags, fdTemp,
                                 KeepsVersions() ? &keep : nullptr)) {
            nError = platform.GetLastError();
        }
        if (keep.bKept) {
            folder.pDevice->nKept.fetch_add(1);
        }
        if (keep.bFailed) {
            run.focus.End(copy.nCopy);
            step.nLastError = nError;
            step.Error(
                WithReason("ERROR: Couldn't keep the replaced version:" + strDestPath, nError));
            return;
        }
    }
    run.focus.End(copy.nCopy);
    if (nError != 0) {
        step.nLastError = nError;
        step.Error(nError == kErrorSourceChanged
                       ? "ERROR: Source changed while copying:" + strSourcePath
                       : WithReason("ERROR: Copying file: " + strDestPath, nError));
        return;
    }
    NoteWrite(folder);
    step.Line("OK Copied: " + strDestPath);
    step.nFilesCopied = 1;
    step.nBytesCopied = action.nSize;
    const CFileSystemTraits& traits = folder.Traits();
    if (traits.bVerifyTimes &&
        !TimeKept({folder.source.Get(), strName.c_str(), strSourcePath}, destAt, traits)) {
        step.Error("ERROR: Destination did not keep the file's time:" + strDestPath);
    }
}

// Whether the copy kept its source's modification time, as far as the file system keeps
// times: a file system whose type cannot vouch for it is asked after each copy.
bool CPairRun::TimeKept(const CPathAt& sourceAt, const CPathAt& destAt,
                        const CFileSystemTraits& traits) const {
    CFileStatus source;
    CFileStatus kept;
    if (!traits.bKeepsTimes || !m_platform.GetStatus(sourceAt, true, source) ||
        !m_platform.GetStatus(destAt, false, kept)) {
        return false;
    }
    CopyRules rules;
    rules.bCheckDestDate = true;
    rules.nDestTimeStepNs = traits.nTimeStepNs;
    kept.m_size64 = source.m_size64;
    return DecideFile(source, &kept, rules).verdict == FileVerdict::SameFile;
}
