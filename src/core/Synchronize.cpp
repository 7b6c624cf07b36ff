// The synchronization engine: the worker's entry point, one run of a pair, the folder walk
// and the copy step of one file, with its progress routine.
#include "Synchronize.h"

#include <cinttypes>
#include <cstdio>
#include <string_view>

#include "PathOverlap.h"
#include "SyncGroup.h"
#include "SyncWindows.h"
#include "platform.h"

namespace {

// An exclude entry that is not ended by ";" is cut to this many characters.
constexpr size_t kMaxExcludeEntry = 260;
// A destination at most this many seconds newer than its source counts as the same age
// (file systems that keep times in 2-second steps, clocks slightly apart).
constexpr int64_t kNewerToleranceSeconds = 5;
constexpr uint8_t kRhsAttributes = ATTR_READONLY | ATTR_HIDDEN | ATTR_SYSTEM;

// The one letter-case fold of exclude texts and relative names: ASCII to lower case, which
// leaves the bytes of multi-byte characters alone.
void FoldCase(std::string& strText) {
    for (char& c : strText) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
}

// The part of a path below the source folder, taken by length.
std::string_view RelativePart(const std::string& strPath, const std::string& strSource) {
    std::string_view path(strPath);
    return path.substr(std::min(strSource.size(), path.size()));
}

// Whether one of the ";"-separated exclude entries occurs in the (folded) relative name.
// An entry not ended by ";" is cut to kMaxExcludeEntry characters; an empty entry is
// contained in every name.
bool IsExcluded(std::string_view relative, std::string_view exclude) {
    size_t nPos = 0;
    while (nPos < exclude.size()) {
        const std::string_view rest = exclude.substr(nPos);
        size_t nCut = rest.find(';');
        if (nCut == std::string_view::npos) {
            nCut = kMaxExcludeEntry;
        }
        const std::string_view entry = rest.substr(0, nCut);
        if (relative.find(entry) != std::string_view::npos) {
            return true;
        }
        nPos += entry.size() + 1;
    }
    return false;
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
    std::string strDestPath;
    std::string strFolded;
    CFileStatus sourceStatus;
    CFileStatus destStatus;
};
thread_local FileStepScratch t_scratch;

}  // namespace

uint32_t SyncThreadProc(void* pParam) {
    auto* pDlg = static_cast<IProgressWindow*>(pParam);
    CSyncPair* pPair = pDlg->m_pPair;
    if (pPair != nullptr) {
        pPair->m_pProgressDlg = pDlg;
        pPair->DoSync();
        // Read after the forward run; the reverse run follows whatever the forward one did.
        if (pPair->m_bBothWays != 0) {
            const std::string strDestination = pPair->m_strDestination;
            pPair->m_strDestination = pPair->m_strSource;
            pPair->m_strSource = strDestination;
            pPair->DoSync();
            pPair->m_strSource = pPair->m_strDestination;
            pPair->m_strDestination = strDestination;
        }
    }
    pDlg->PostEndOfRun();
    return 1;
}

int32_t CSyncPair::DoSync() {
    m_nFilesFound = 0;
    m_nDirectories = 0;
    m_nFilesCopied = 0;
    m_nErrors = 0;
    m_dwBytesCopied = 0;
    m_dwReserved = 0;
    m_bCancel.store(0);
    FoldCase(m_strExclude);
    IPlatform& platform = Platform();
    m_dwElapsedMs = platform.GetTickCount();

    if (RefuseOverlappingFolders()) {
        m_dwElapsedMs = platform.GetTickCount() - m_dwElapsedMs;
        return m_nErrors;
    }

    platform.CreateDirectory(m_strDestination);
    SyncFolder(m_strSource);
    // Unsigned arithmetic keeps the duration right across a wrap of the tick.
    m_dwElapsedMs = platform.GetTickCount() - m_dwElapsedMs;

    if (m_bCancel.load() != 0) {
        AddLogLine("User cancelled operation!");
        ++m_nErrors;
    } else if (m_nErrors == 0) {
        AddLogLine("Succes: Copied " + std::to_string(static_cast<int32_t>(m_nFilesCopied)) +
                   " files from " + m_strSource + " to " + m_strDestination);
        m_timeLastCopy = platform.GetCurrentTime();
    }
    return m_nErrors;
}

void CSyncPair::SyncFolder(const std::string& strFolder) {
    IPlatform& platform = Platform();
    SetProgressField(IDC_PROGRESS_FOLDER, strFolder);
    SetProgressField(IDC_PROGRESS_DEST,
                     m_strDestination + std::string(RelativePart(strFolder, m_strSource)));

    const std::unique_ptr<IFolderEnum> pEnum = platform.FindFiles(strFolder);
    if (!pEnum) {
        return;
    }
    CDirEntry entry;
    while (m_bCancel.load() == 0 && pEnum->FindNextFile(entry)) {
        if (entry.m_bIsDots) {
            continue;
        }
        if (entry.m_bIsDirectory) {
            if (m_bSubFolders == 0) {
                continue;
            }
            ++m_nDirectories;
            const std::string strSubFolder = entry.m_strFilePath;
            platform.CreateDirectory(m_strDestination +
                                     std::string(RelativePart(strSubFolder, m_strSource)));
            SyncFolder(strSubFolder);
        } else {
            ++m_nFilesFound;
            if (SyncFile(entry) != 0) {
                ++m_nFilesCopied;
            }
        }
        if (m_bCancel.load() != 0) {
            break;
        }
    }
}

int32_t CSyncPair::SyncFile(const CDirEntry& entry) {
    IPlatform& platform = Platform();
    const std::string& strSourcePath = entry.m_strFilePath;
    const std::string_view relative = RelativePart(strSourcePath, m_strSource);

    if (!m_strExclude.empty()) {
        std::string& strFolded = t_scratch.strFolded;
        strFolded.assign(relative);
        FoldCase(strFolded);
        if (IsExcluded(strFolded, m_strExclude)) {
            return 0;
        }
    }

    std::string& strDestPath = t_scratch.strDestPath;
    strDestPath.assign(m_strDestination).append(relative);

    CFileStatus& sourceStatus = t_scratch.sourceStatus;
    if (!platform.GetStatus(strSourcePath, sourceStatus)) {
        AddLogLine("ERROR: Couldn't get status for source:" + strSourcePath);
        ++m_nErrors;
        return 0;
    }
    if (m_bOnlyNewer != 0 && sourceStatus.m_mtime < static_cast<int64_t>(m_timeLastCopy)) {
        return 0;
    }

    // A destination whose status cannot be read counts as absent; the copy decides.
    CFileStatus& destStatus = t_scratch.destStatus;
    if (platform.GetStatus(strDestPath, destStatus)) {
        if (m_bCheckDestDate != 0) {
            if (destStatus.m_mtime == sourceStatus.m_mtime) {
                return 0;
            }
            if (destStatus.m_mtime > sourceStatus.m_mtime) {
                if (destStatus.m_mtime - kNewerToleranceSeconds > sourceStatus.m_mtime) {
                    AddLogLine("WARNING! Destination file is newer! Skipped:" + strSourcePath);
                    ++m_nErrors;
                }
                return 0;
            }
        }
        if (m_bOverwriteRHS != 0 && (destStatus.m_attribute & kRhsAttributes) != 0) {
            // A failure here shows in the copy, which then cannot replace the file.
            platform.SetAttributes(strDestPath,
                                   static_cast<uint8_t>(destStatus.m_attribute & ~kRhsAttributes));
            AddLogLine("ATTRIB -RHS: " + strDestPath);
        }
    }

    SetProgressField(IDC_PROGRESS_FILE, strDestPath);
    // The true size, also for files of 2 GiB and more.
    char szBytes[48];
    std::snprintf(szBytes, sizeof szBytes, "%" PRIu64 " bytes to copy", sourceStatus.m_size64);
    SetProgressField(IDC_PROGRESS_BYTES, szBytes);

    if (!platform.CopyFileEx(strSourcePath, strDestPath, CopyProgress, this, &m_bCancel)) {
        m_nLastError = platform.GetLastError();
        AddLogLine("ERROR: Copying file: " + strDestPath);
        ++m_nErrors;
        return 0;
    }
    AddLogLine("OK Copied: " + strDestPath);
    // The stored figure is 32-bit and wraps, as the group list file keeps it.
    m_dwBytesCopied += static_cast<uint32_t>(sourceStatus.m_size);
    return 1;
}

void CSyncPair::AddLogLine(const std::string& strLine) {
    if (m_pLogList != nullptr) {
        m_pLogList->InsertString(0, strLine);
    }
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
