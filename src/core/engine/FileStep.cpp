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

void CCopyFocus::ShowName(const CCopyContext& copy) {
    if (copy.pWindow != nullptr) {
        copy.pWindow->SetDlgItemText(IDC_PROGRESS_FILE, copy.strDestPath);
        copy.pWindow->SetDlgItemText(IDC_PROGRESS_BYTES, copy.szBytes);
    }
}

void CPairRun::SyncFile(const CSyncRun& run, const CFileTask& task, CStepOutcome& step) const {
    IPlatform& platform = m_platform;
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
    CopyRules rules = run.rules;
    rules.nDestTimeStepNs = folder.Traits().nTimeStepNs;
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

    int32_t nError = folder.nDestinationError;
    if (decision.bClearAttributes && nError == 0) {
        // A failure shows in the copy, which then cannot replace the file. A dry run's copy
        // line says it instead.
        if (platform.SetAttributes(destAt,
                                   static_cast<uint8_t>(dest.m_attribute & ~kRhsAttributes))) {
            NoteWrite(folder);
            step.Line("ATTRIB -RHS: " + strDestPath);
        } else if (platform.GetLastError() != kErrorReadOnly) {
            step.Line("ATTRIB -RHS: " + strDestPath);
        }
    }

    // The true size, also for files of 2 GiB and more.
    char szBytes[48];
    std::snprintf(szBytes, sizeof szBytes, "%" PRIu64 " bytes to copy", source.m_size64);
    CCopyContext copy{m_pair.m_pProgressDlg, &run.focus, 0, strDestPath, szBytes};
    copy.nCopy = run.focus.Start(copy);
    if (nError == 0) {
        const CFileSystemTraits& traits = folder.Traits();
        const uint32_t nFlags =
            (traits.bKeepsPermissions ? COPY_FILE_DEFAULT : COPY_FILE_NO_PERMISSIONS) |
            (traits.bUnnamedFiles ? COPY_FILE_DEFAULT : COPY_FILE_NAMED_TEMP);
        // A replacement, or a new file where no unnamed one can be made, goes through a
        // named temporary file.
        const int fdTemp = StagingFolderFor(folder, bDestFound || !traits.bUnnamedFiles);
        if (!platform.CopyFileEx({folder.source.Get(), strName.c_str(), strSourcePath}, destAt,
                                 CopyProgress, &copy, &m_pair.m_bCancel, nFlags, fdTemp)) {
            nError = platform.GetLastError();
        }
    }
    run.focus.End(copy.nCopy);
    if (nError == kErrorReadOnly) {
        // A dry run: what it would copy, counted as the run would count it.
        if (run.plan.pRecordCopies != nullptr) {
            std::lock_guard lock(run.plan.pRecordCopies->mutex);
            run.plan.pRecordCopies->files.emplace(RelativePart(strSourcePath, m_pair.m_strSource),
                                                  source);
        }
        step.Line(WouldCopyLine(decision, strDestPath));
        step.nFilesCopied = 1;
        step.nBytesCopied = source.m_size64;
        return;
    }
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
    step.nBytesCopied = source.m_size64;
    if (folder.Traits().bVerifyTimes && !TimeKept(destAt, source, folder.Traits())) {
        step.Error("ERROR: Destination did not keep the file's time:" + strDestPath);
    }
}

// Whether the copy kept its source's modification time, as far as the file system keeps
// times: a file system whose type cannot vouch for it is asked after each copy.
bool CPairRun::TimeKept(const CPathAt& destAt, const CFileStatus& source,
                        const CFileSystemTraits& traits) const {
    CFileStatus kept;
    if (!traits.bKeepsTimes || !m_platform.GetStatus(destAt, false, kept)) {
        return false;
    }
    CopyRules rules;
    rules.bCheckDestDate = true;
    rules.nDestTimeStepNs = traits.nTimeStepNs;
    kept.m_size64 = source.m_size64;
    return DecideFile(source, &kept, rules).verdict == FileVerdict::SameFile;
}
