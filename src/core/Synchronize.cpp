// The synchronization engine: the worker's entry point, one run of a pair, the folder walk
// and the copy step of one file, with its progress routine.
#include "Synchronize.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "CopyDecision.h"
#include "PathOverlap.h"
#include "SyncGroup.h"
#include "SyncRun.h"
#include "SyncWindows.h"
#include "platform.h"

namespace {

constexpr uint8_t kRhsAttributes = ATTR_READONLY | ATTR_HIDDEN | ATTR_SYSTEM;
// The walk holds the descriptors of this many of the deepest folders on its path (and of
// the top folder); a folder above them is opened again when the walk returns to it.
constexpr size_t kHeldLevels = 64;

// The part of a path below the source folder, taken by length.
std::string_view RelativePart(const std::string& strPath, const std::string& strSource) {
    std::string_view path(strPath);
    return path.substr(std::min(strSource.size(), path.size()));
}

// The system's words for an error code.
std::string SystemReason(int32_t nError) {
    char szBuffer[128];
    return strerror_r(nError, szBuffer, sizeof szBuffer);
}

std::string RefusalLine(FolderOverlap overlap, const std::string& strSource,
                        const std::string& strDestination) {
    const char* szReason = "";
    switch (overlap) {
        case FolderOverlap::EmptyFolder:
            szReason = "ERROR: Source or destination folder not set!";
            break;
        case FolderOverlap::SameFolder:
            szReason = "ERROR: Source and destination are the same folder!";
            break;
        case FolderOverlap::DestinationInsideSource:
            szReason = "ERROR: Destination folder lies inside the source folder!";
            break;
        case FolderOverlap::SourceInsideDestination:
            szReason = "ERROR: Source folder lies inside the destination folder!";
            break;
        case FolderOverlap::None:
            break;
    }
    return std::string(szReason) + " Not copied from \"" + strSource + "\" to \"" + strDestination +
           "\"";
}

// What the copy step builds for every file, kept per thread so that their buffers are
// reused from one file to the next instead of allocated for each.
struct FileStepScratch {
    std::string strSourcePath;
    std::string strDestPath;
    std::string strFolded;
    CFileStatus sourceStatus;
    CFileStatus destStatus;
};
thread_local FileStepScratch t_scratch;

}  // namespace

uint32_t SyncThreadProc(void* pParam) {
    auto* pDlg = static_cast<IProgressWindow*>(pParam);
    if (CSyncPair* pPair = pDlg->m_pPair) {
        pPair->m_pProgressDlg = pDlg;
        pPair->DoSyncPair();
    }
    pDlg->PostEndOfRun();
    return 1;
}

bool CSyncPair::HasRunBefore() const {
    return m_nFilesFound != 0 || m_nDirectories != 0 || m_nFilesCopied != 0 || m_dwBytesCopied != 0;
}

int32_t CSyncPair::DoSync() {
    CRunPlan plan;
    plan.timeReference = m_timeLastCopy;
    plan.bMayCreateDestination = !HasRunBefore();
    return RunOneWay(plan);
}

int32_t CSyncPair::DoSyncPair(bool bDryRun) {
    CRunPlan forward;
    forward.timeReference = m_timeLastCopy;
    forward.bMayCreateDestination = !HasRunBefore();
    forward.bDryRun = bDryRun;
    if (m_bBothWays == 0) {
        return RunOneWay(forward);
    }
    // Both directions compare with the date as it was when the pair started, and the date
    // moves only when both were clean.
    forward.bMoveDate = false;
    RunOneWay(forward);
    if (Cancelled()) {
        return m_nErrors;  // a cancel ends the pair
    }
    const int32_t nForwardErrors = m_nErrors;
    CRunPlan reverse = forward;
    std::swap(m_strSource, m_strDestination);
    RunOneWay(reverse);
    std::swap(m_strSource, m_strDestination);
    m_nErrors += nForwardErrors;
    if (m_nErrors == 0 && !Cancelled() && !bDryRun) {
        m_timeLastCopy = forward.timeStarted;
    }
    return m_nErrors;
}

int32_t CSyncPair::RunOneWay(CRunPlan& plan) {
    m_nFilesFound = 0;
    m_nDirectories = 0;
    m_nFilesCopied = 0;
    m_nErrors = 0;
    m_dwBytesCopied = 0;
    m_dwReserved = 0;
    FoldCase(m_strExclude);
    IPlatform& platform = Platform();
    m_dwElapsedMs = platform.GetTickCount();
    // The date a clean run records: files changed while the walk was elsewhere are then
    // copied by the next run.
    plan.timeStarted = platform.GetCurrentTime();

    if (RefuseOverlappingFolders()) {
        m_dwElapsedMs = platform.GetTickCount() - m_dwElapsedMs;
        return m_nErrors;
    }

    CSyncRun run(plan);
    run.rules.exclude = m_strExclude;
    run.rules.bOnlyNewer = m_bOnlyNewer != 0;
    run.rules.bCheckDestDate = m_bCheckDestDate != 0;
    run.rules.bOverwriteRHS = m_bOverwriteRHS != 0;
    run.rules.timeReference = plan.timeReference;
    if (!Cancelled() && OpenTopFolders(run)) {
        SyncFolder(run);
        FlushDestination(run);
    }
    run.path.clear();
    // Unsigned arithmetic keeps the duration right across a wrap of the tick.
    m_dwElapsedMs = platform.GetTickCount() - m_dwElapsedMs;

    if (Cancelled()) {
        AddLogLine("User cancelled operation!");
        ++m_nErrors;
    } else if (m_nErrors == 0 && plan.bDryRun) {
        AddLogLine("Dry run: would copy " + std::to_string(static_cast<int32_t>(m_nFilesCopied)) +
                   " files from " + m_strSource + " to " + m_strDestination);
    } else if (m_nErrors == 0) {
        AddLogLine("Succes: Copied " + std::to_string(static_cast<int32_t>(m_nFilesCopied)) +
                   " files from " + m_strSource + " to " + m_strDestination);
        if (plan.bMoveDate) {
            m_timeLastCopy = plan.timeStarted;
        }
    }
    return m_nErrors;
}

// The source folder, then the destination folder, so that a source that cannot be read
// leaves no new folder behind. False when the run cannot walk at all.
bool CSyncPair::OpenTopFolders(CSyncRun& run) {
    auto top = std::make_unique<CWalkFolder>();
    top->strSource = m_strSource;
    top->strDestination = m_strDestination;
    if (!ReadSourceFolder(*top, AT_FDCWD) || Cancelled() || !OpenTopDestination(run, *top)) {
        return false;
    }
    if (top->destination.Valid()) {
        IPlatform& platform = Platform();
        run.traits = platform.FileSystemTraits(top->destination.Get());
        run.rules.nDestTimeStepNs = run.traits.nTimeStepNs;
        CFileStatus status;
        if (platform.GetStatus({top->destination.Get(), ".", m_strDestination}, true, status)) {
            run.destination = {status.m_nDevice, status.m_nInode};
        }
    }
    run.path.push_back(std::move(top));
    return true;
}

// A destination folder that is missing after an earlier run found something is not made
// again: its disk is most likely not mounted, and the copy would fill another one.
bool CSyncPair::OpenTopDestination(CSyncRun& run, CWalkFolder& top) {
    IPlatform& platform = Platform();
    const CPathAt at = CPathAt::Whole(m_strDestination);
    int fd = platform.OpenFolder(at, true);
    if (fd < 0 && platform.GetLastError() == ENOENT) {
        if (!run.plan.bMayCreateDestination) {
            AddLogLine("ERROR: Destination folder not found (is its disk mounted?):" +
                       m_strDestination);
            ++m_nErrors;
            return false;
        }
        if (run.plan.bDryRun) {
            top.bDestinationAbsent = true;
            return true;
        }
        // One level: a missing parent is not made, and every copy then fails.
        if (platform.CreateDirectory(at)) {
            top.bDestinationIsNew = true;
            run.bWrote = true;
        } else if (platform.GetLastError() != EEXIST) {
            top.nDestinationError = platform.GetLastError();
            return true;
        }
        fd = platform.OpenFolder(at, true);
    }
    if (fd < 0 && platform.GetLastError() == ENOTDIR) {
        AddLogLine("ERROR: Destination is not a folder:" + m_strDestination);
        ++m_nErrors;
        return false;
    }
    if (fd < 0) {
        top.nDestinationError = platform.GetLastError();
    }
    top.destination.Reset(fd);
    return true;
}

// Shows the folder, opens it and reads its entries. False, with an error line, when it
// cannot be opened; a reading that fails part-way keeps what it read and is an error too.
bool CSyncPair::ReadSourceFolder(CWalkFolder& folder, int fdParent) {
    SetProgressField(IDC_PROGRESS_FOLDER, folder.strSource);
    SetProgressField(IDC_PROGRESS_DEST, folder.strDestination);
    IPlatform& platform = Platform();
    const bool bTop = fdParent == AT_FDCWD;
    const CPathAt at{fdParent, bTop ? folder.strSource.c_str() : folder.strName.c_str(),
                     folder.strSource};
    folder.source.Reset(platform.OpenFolder(at, bTop || folder.bReachedByLink));
    CFileStatus status;
    if (!folder.source.Valid() ||
        !platform.GetStatus({folder.source.Get(), ".", folder.strSource}, true, status)) {
        AddErrorLine("ERROR: Couldn't read folder:" + folder.strSource, platform.GetLastError());
        ++m_nErrors;
        return false;
    }
    folder.identity = {status.m_nDevice, status.m_nInode};
    if (!platform.ReadFolder(folder.source.Get(), folder.strSource, folder.entries)) {
        AddErrorLine("ERROR: Couldn't read folder:" + folder.strSource, platform.GetLastError());
        ++m_nErrors;
    }
    return true;
}

void CSyncPair::SyncFolder(CSyncRun& run) {
    while (!Cancelled()) {
        CWalkFolder& folder = *run.path.back();
        if (folder.Done()) {
            if (run.path.size() == 1) {
                return;
            }
            run.path.pop_back();
            const CWalkFolder& above = *run.path.back();
            if (!above.source.Valid() && !above.Done()) {
                ReopenFolder(run);
            }
            continue;
        }
        const CDirEntry& entry = folder.entries[folder.nNext++];
        if (IsFolderEntry(folder, entry)) {
            if (m_bSubFolders != 0) {
                EnterSubFolder(run, folder, entry);
            }
        } else if (!IsCopyTempName(entry.m_strName)) {
            // The copy's own temporary files are never copied, nor counted.
            ++m_nFilesFound;
            if (SyncFile(run, folder, entry) != 0) {
                ++m_nFilesCopied;
            }
        }
    }
}

// A folder, or a link that leads to one: both are walked like folders.
bool CSyncPair::IsFolderEntry(const CWalkFolder& folder, const CDirEntry& entry) {
    if (!entry.m_bIsLink) {
        return entry.m_bIsDirectory;
    }
    const std::string strPath = folder.strSource + "/" + entry.m_strName;
    CFileStatus status;
    return Platform().GetStatus({folder.source.Get(), entry.m_strName.c_str(), strPath}, true,
                                status) &&
           status.m_kind == FileKind::Folder;
}

// Creates the destination sub-folder, then reads the source sub-folder and puts it on the
// walk's path.
// Puts a sub-folder on the walk's path: unless it is a folder already on the path, or the
// destination, its destination sub-folder is made and its entries are read.
void CSyncPair::EnterSubFolder(CSyncRun& run, CWalkFolder& parent, const CDirEntry& entry) {
    IPlatform& platform = Platform();
    const std::string& strName = entry.m_strName;
    auto child = std::make_unique<CWalkFolder>();
    child->strName = strName;
    child->bReachedByLink = entry.m_bIsLink;
    child->strSource = parent.strSource + "/" + strName;
    child->strDestination =
        m_strDestination + std::string(RelativePart(child->strSource, m_strSource));

    CFileStatus status;
    if (!platform.GetStatus({parent.source.Get(), strName.c_str(), child->strSource}, true,
                            status)) {
        AddErrorLine("ERROR: Couldn't read folder:" + child->strSource, platform.GetLastError());
        ++m_nErrors;
        return;
    }
    const CFolderIdentity identity{status.m_nDevice, status.m_nInode};
    const bool bOnPath = std::any_of(run.path.begin(), run.path.end(), [&](const auto& pLevel) {
        return pLevel->identity == identity;
    });
    if (bOnPath || identity == run.destination) {
        AddLogLine("Skipped folder link loop:" + child->strSource);
        return;
    }
    ++m_nDirectories;
    if (!ClaimName(run, parent, strName, child->strSource) ||
        !OpenDestinationSubFolder(run, parent, *child) ||
        !ReadSourceFolder(*child, parent.source.Get())) {
        return;
    }
    run.path.push_back(std::move(child));
    const size_t nDepth = run.path.size();
    if (nDepth > kHeldLevels + 1) {
        CWalkFolder& released = *run.path[nDepth - kHeldLevels - 1];
        released.source.Close();
        released.destination.Close();
    }
}

// Makes the destination sub-folder and opens it, never through a link. False, with an
// error line, when something else than a folder stands in its place: nothing is then
// written below it.
bool CSyncPair::OpenDestinationSubFolder(CSyncRun& run, const CWalkFolder& parent,
                                         CWalkFolder& child) {
    if (parent.nDestinationError != 0 || parent.bDestinationAbsent) {
        child.nDestinationError = parent.nDestinationError;
        child.bDestinationAbsent = parent.bDestinationAbsent;
        return true;
    }
    IPlatform& platform = Platform();
    const CPathAt at{parent.destination.Get(), child.strName.c_str(), child.strDestination};
    int32_t nCreateError = 0;
    if (run.plan.bDryRun) {
        nCreateError = EEXIST;  // a dry run makes nothing
    } else if (platform.CreateDirectory(at)) {
        child.bDestinationIsNew = true;
        run.bWrote = true;
    } else {
        nCreateError = platform.GetLastError();
    }
    child.destination.Reset(platform.OpenFolder(at, false));
    if (child.destination.Valid()) {
        return true;
    }
    const int32_t nOpenError = platform.GetLastError();
    if (run.plan.bDryRun && nOpenError == ENOENT) {
        child.bDestinationAbsent = true;
        return true;
    }
    if (nCreateError == EEXIST && (nOpenError == ELOOP || nOpenError == ENOTDIR)) {
        AddLogLine("ERROR: Destination is not a folder:" + child.strDestination);
        ++m_nErrors;
        return false;
    }
    child.nDestinationError =
        nCreateError != 0 && nCreateError != EEXIST ? nCreateError : nOpenError;
    return true;
}

// Where the destination ignores letter case, a second name that differs from one already
// handed on only in case would overwrite it: it is an error instead.
bool CSyncPair::ClaimName(const CSyncRun& run, CWalkFolder& folder, const std::string& strName,
                          const std::string& strSourcePath) {
    if (!run.traits.bIgnoresCase) {
        return true;
    }
    std::string strFolded = strName;
    FoldCase(strFolded);
    if (folder.foldedNames.insert(std::move(strFolded)).second) {
        return true;
    }
    AddLogLine("ERROR: Name differs only in letter case from one already copied:" + strSourcePath);
    ++m_nErrors;
    return false;
}

// Opens the deepest folder on the path again, and the folders between it and the nearest
// one still held, each through the one above it: no path longer than one name is given to
// the system.
void CSyncPair::ReopenFolder(CSyncRun& run) {
    IPlatform& platform = Platform();
    const size_t nTarget = run.path.size() - 1;
    size_t nHeld = nTarget;
    while (!run.path[nHeld]->source.Valid()) {
        --nHeld;  // the top folder is always held
    }
    for (size_t k = nHeld + 1; k <= nTarget; ++k) {
        CWalkFolder& above = *run.path[k - 1];
        CWalkFolder& level = *run.path[k];
        level.source.Reset(platform.OpenFolder(
            {above.source.Get(), level.strName.c_str(), level.strSource}, level.bReachedByLink));
        CFileStatus status;
        const bool bSame =
            level.source.Valid() &&
            platform.GetStatus({level.source.Get(), ".", level.strSource}, true, status) &&
            CFolderIdentity{status.m_nDevice, status.m_nInode} == level.identity;
        if (!bSame) {
            const int32_t nError = level.source.Valid() ? ENOENT : platform.GetLastError();
            AddErrorLine("ERROR: Couldn't read folder:" + level.strSource, nError);
            ++m_nErrors;
            for (size_t j = k; j <= nTarget; ++j) {
                run.path[j]->nNext = run.path[j]->entries.size();
            }
            return;
        }
        if (level.nDestinationError == 0) {
            level.destination.Reset(platform.OpenFolder(
                {above.destination.Get(), level.strName.c_str(), level.strDestination}, false));
            if (!level.destination.Valid()) {
                level.nDestinationError = platform.GetLastError();
            }
        }
    }
    for (size_t j = 1; j + kHeldLevels <= nTarget; ++j) {
        run.path[j]->source.Close();
        run.path[j]->destination.Close();
    }
}

int32_t CSyncPair::SyncFile(CSyncRun& run, CWalkFolder& folder, const CDirEntry& entry) {
    IPlatform& platform = Platform();
    FileStepScratch& scratch = t_scratch;
    const std::string& strName = entry.m_strName;
    std::string& strSourcePath = scratch.strSourcePath;
    strSourcePath.assign(folder.strSource).append("/").append(strName);
    const std::string_view relative = RelativePart(strSourcePath, m_strSource);

    if (!m_strExclude.empty()) {
        scratch.strFolded.assign(relative);
        FoldCase(scratch.strFolded);
        if (IsExcluded(scratch.strFolded, run.rules.exclude)) {
            AddPlanLine(run, "Would skip", FileVerdict::Excluded, strSourcePath);
            return 0;
        }
    }
    if (!ClaimName(run, folder, strName, strSourcePath)) {
        return 0;
    }

    CFileStatus& source = scratch.sourceStatus;
    if (!platform.GetStatus({folder.source.Get(), strName.c_str(), strSourcePath}, true, source)) {
        AddErrorLine("ERROR: Couldn't get status for source:" + strSourcePath,
                     platform.GetLastError());
        ++m_nErrors;
        return 0;
    }
    if (const std::optional<FileVerdict> verdict = DecideBySource(source, run.rules)) {
        if (*verdict == FileVerdict::NotRegularFile) {
            AddLogLine("Skipped (not a regular file):" + strSourcePath);
        } else {
            AddPlanLine(run, "Would skip", *verdict, strSourcePath);
        }
        return 0;
    }

    std::string& strDestPath = scratch.strDestPath;
    strDestPath.assign(m_strDestination).append(relative);
    const CPathAt destAt{folder.destination.Get(), strName.c_str(), strDestPath};
    // A destination whose status cannot be read counts as absent; the copy decides. A link,
    // or anything else that is neither a file nor a folder, is replaced as if absent.
    CFileStatus& dest = scratch.destStatus;
    const bool bDestExists = folder.nDestinationError == 0 && !folder.bDestinationAbsent &&
                             platform.GetStatus(destAt, false, dest) &&
                             (dest.m_kind == FileKind::Regular || dest.m_kind == FileKind::Folder);
    const FileDecision decision = DecideFile(source, bDestExists ? &dest : nullptr, run.rules);
    if (decision.verdict == FileVerdict::DestinationNewerWarning) {
        AddLogLine("WARNING! Destination file is newer! Skipped:" + strSourcePath);
        ++m_nErrors;
        return 0;
    }
    if (!decision.Copies()) {
        AddPlanLine(run, "Would skip", decision.verdict, strSourcePath);
        return 0;
    }
    if (run.plan.bDryRun && folder.nDestinationError == 0) {
        AddPlanLine(run, "Would copy", decision.verdict, strDestPath, decision.bClearAttributes);
        m_dwBytesCopied += static_cast<uint32_t>(source.m_size);
        return 1;
    }
    if (decision.bClearAttributes && folder.nDestinationError == 0) {
        // A failure here shows in the copy, which then cannot replace the file.
        platform.SetAttributes(destAt, static_cast<uint8_t>(dest.m_attribute & ~kRhsAttributes));
        AddLogLine("ATTRIB -RHS: " + strDestPath);
        run.bWrote = true;
    }

    SetProgressField(IDC_PROGRESS_FILE, strDestPath);
    // The true size, also for files of 2 GiB and more.
    char szBytes[48];
    std::snprintf(szBytes, sizeof szBytes, "%" PRIu64 " bytes to copy", source.m_size64);
    SetProgressField(IDC_PROGRESS_BYTES, szBytes);

    int32_t nError = folder.nDestinationError;
    if (nError == 0 && !run.plan.bDryRun) {
        if (!folder.bDestinationIsNew && !folder.bLeftoversChecked) {
            folder.bLeftoversChecked = true;
            platform.RemoveLeftoverTempFiles(folder.destination.Get(), folder.strDestination);
        }
        const uint32_t nFlags =
            run.traits.bKeepsPermissions ? COPY_FILE_DEFAULT : COPY_FILE_NO_PERMISSIONS;
        if (!platform.CopyFileEx({folder.source.Get(), strName.c_str(), strSourcePath}, destAt,
                                 CopyProgress, this, &m_bCancel, nFlags)) {
            nError = platform.GetLastError();
        }
    }
    if (nError != 0) {
        m_nLastError = nError;
        if (nError == kErrorSourceChanged) {
            AddLogLine("ERROR: Source changed while copying:" + strSourcePath);
        } else {
            AddErrorLine("ERROR: Copying file: " + strDestPath, nError);
        }
        ++m_nErrors;
        return 0;
    }
    run.bWrote = true;
    AddLogLine("OK Copied: " + strDestPath);
    // The stored figure is 32-bit and wraps, as the group list file keeps it.
    m_dwBytesCopied += static_cast<uint32_t>(source.m_size);
    return 1;
}

// What the run wrote is on disk before it may say "Succes" and move the date.
void CSyncPair::FlushDestination(CSyncRun& run) {
    const CWalkFolder& top = *run.path.front();
    if (Cancelled() || !run.bWrote || !top.destination.Valid() || run.plan.bDryRun) {
        return;
    }
    SetProgressField(IDC_PROGRESS_FILE, "Flushing to disk...");
    IPlatform& platform = Platform();
    if (!platform.FlushFileSystem(top.destination.Get(), m_strDestination)) {
        AddErrorLine("ERROR: Flushing to disk:" + m_strDestination, platform.GetLastError());
        ++m_nErrors;
    }
}

void CSyncPair::AddLogLine(const std::string& strLine) {
    if (m_pLogList != nullptr) {
        m_pLogList->InsertString(0, strLine);
    }
}

void CSyncPair::AddErrorLine(const std::string& strLine, int32_t nSystemError) {
    AddLogLine(strLine + " (" + SystemReason(nSystemError) + ")");
}

// A dry run's line for one file: "Would copy (new): <destination>", "Would skip (same
// time): <source>". A real run writes none.
void CSyncPair::AddPlanLine(const CSyncRun& run, const char* szWhat, FileVerdict verdict,
                            const std::string& strPath, bool bClearAttributes) {
    if (!run.plan.bDryRun) {
        return;
    }
    AddLogLine(std::string(szWhat) + " (" + VerdictReason(verdict) +
               (bClearAttributes ? ", ATTRIB -RHS" : "") + "): " + strPath);
}

void CSyncPair::SetProgressField(int nId, const std::string& strText) {
    if (m_pProgressDlg != nullptr) {
        m_pProgressDlg->SetDlgItemText(nId, strText);
    }
}

bool CSyncPair::RefuseOverlappingFolders() {
    const FolderOverlap overlap = CheckFolderOverlap(m_strSource, m_strDestination, Platform());
    if (overlap == FolderOverlap::None) {
        return false;
    }
    AddLogLine(RefusalLine(overlap, m_strSource, m_strDestination));
    m_nErrors = 1;
    return true;
}

uint32_t CopyProgress(int64_t TotalFileSize, int64_t TotalBytesTransferred, int64_t /*StreamSize*/,
                      int64_t /*StreamBytesTransferred*/, uint32_t /*dwStreamNumber*/,
                      uint32_t /*dwCallbackReason*/, int /*hSourceFile*/, int /*hDestinationFile*/,
                      void* lpData) {
    const auto* pPair = static_cast<const CSyncPair*>(lpData);
    if (pPair == nullptr || pPair->m_pProgressDlg == nullptr) {
        return 0;
    }
    // 64-bit counts, so files of 4 GiB and more show a true share; an empty file is done.
    const double dPercent = TotalFileSize <= 0 ? 100.0
                                               : static_cast<double>(TotalBytesTransferred) /
                                                     static_cast<double>(TotalFileSize) * 100.0;
    char szPercent[32];
    std::snprintf(szPercent, sizeof szPercent, "%.0f%%", dPercent);
    pPair->m_pProgressDlg->SetDlgItemText(IDC_PROGRESS_PERCENT, szPercent);
    return 0;
}
