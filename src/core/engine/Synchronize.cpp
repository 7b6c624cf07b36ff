// SPDX-License-Identifier: GPL-3.0-or-later
// The synchronization engine's entry points: the worker's entry, one run of a pair in one
// or both directions, the closing lines, and the progress routine of the copy.
#include "Synchronize.h"

#include <algorithm>
#include <cstdio>
#include <thread>

#include "CopyDecision.h"
#include "PairRun.h"
#include "PathOverlap.h"
#include "RunTotals.h"
#include "SyncGroup.h"
#include "SyncRun.h"
#include "SyncText.h"
#include "SyncWindows.h"
#include "platform.h"

namespace {

// Threads that work on files at once; 0 for the default.
std::atomic<unsigned> g_nSyncThreads{0};
std::atomic<bool> g_bTellSkips{false};

// How often the progress window hears the running totals of files only checked: every so
// many files, and at least this often.
constexpr uint64_t kStepsPerTotals = 256;
constexpr auto kTotalsInterval = std::chrono::milliseconds(50);

std::string RefusalLine(FolderOverlap overlap, const std::string& strSource,
                        const std::string& strDestination) {
    // In the order of FolderOverlap.
    static constexpr const char* kReasons[] = {
        "",
        "ERROR: Source or destination folder not set!",
        "ERROR: Source and destination are the same folder!",
        "ERROR: Destination folder lies inside the source folder!",
        "ERROR: Source folder lies inside the destination folder!",
    };
    return std::string(kReasons[static_cast<int>(overlap)]) + " Not copied from \"" + strSource +
           "\" to \"" + strDestination + "\"";
}

// How many folders may hold descriptors at once, and how many of the walk's deepest levels
// keep theirs: well within the process's limit, with room for the files being copied (two
// descriptors each) and for what the program holds besides.
void LimitOpenFolders(CSyncRun& run, unsigned nThreads, int64_t nFileLimit) {
    const int64_t nFiles = std::min<int64_t>(nFileLimit, INT32_MAX);
    const int64_t nFolders = (nFiles - 16 - 2 * static_cast<int64_t>(nThreads)) / 2;
    run.nMaxOpenFolders = static_cast<int>(std::clamp<int64_t>(nFolders, 4, 256));
    run.nHeldLevels = static_cast<size_t>(std::clamp(run.nMaxOpenFolders - 8, 1, 64));
}

}  // namespace

void SetSyncThreads(unsigned nThreads) {
    g_nSyncThreads.store(nThreads);
}

void SetSyncTellsSkips(bool bTell) {
    g_bTellSkips.store(bTell);
}

unsigned SyncThreads(IPlatform& platform) {
    const unsigned nSet = g_nSyncThreads.load();
    if (nSet != 0) {
        return nSet;
    }
    return std::clamp(platform.ProcessorCount(), 1u, 8u);
}

int32_t CSyncPair::DoSync() {
    return CPairRun(*this, *m_pPlatform).DoSync();
}

int32_t CSyncPair::DoSyncPair(bool bDryRun) {
    return CPairRun(*this, *m_pPlatform, bDryRun).DoSyncPair();
}

uint32_t SyncThreadProc(void* pParam) {
    auto* pDlg = static_cast<IProgressWindow*>(pParam);
    if (CSyncPair* pPair = pDlg->m_pPair) {
        pPair->m_pProgressDlg = pDlg;
        pPair->DoSyncPair();
        // The window goes once the run has ended; the pair must not point at it then.
        pPair->m_pProgressDlg = nullptr;
    }
    pDlg->PostEndOfRun();
    return 1;
}

bool CPairRun::HasRunBefore() const {
    return m_pair.m_nFilesFound != 0 || m_pair.m_nDirectories != 0 || m_pair.m_nFilesCopied != 0 ||
           m_pair.m_dwBytesCopied != 0;
}

// What the pair's stored figures and date tell a run.
CRunPlan CPairRun::PlanFromFigures() const {
    CRunPlan plan;
    plan.timeReference = m_pair.m_timeLastCopy;
    plan.bMayCreateDestination = !HasRunBefore();
    plan.bFoundFilesBefore = m_pair.m_nFilesFound != 0;
    plan.bDryRun = m_bDryRun;
    return plan;
}

int32_t CPairRun::DoSync() {
    m_pair.m_nKeptVersions = 0;
    CRunPlan plan = PlanFromFigures();
    return RunOneWay(plan);
}

int32_t CPairRun::DoSyncPair() {
    m_pair.m_nKeptVersions = 0;
    CRunPlan forward = PlanFromFigures();
    if (m_pair.m_bBothWays == 0) {
        return RunOneWay(forward);
    }
    // Both directions compare with the date as it was when the pair started, and the date
    // moves only when both were clean.
    forward.bMoveDate = false;
    CDryRunCopies dryRunCopies;
    if (m_bDryRun) {
        forward.pRecordCopies = &dryRunCopies;
    }
    RunOneWay(forward);
    if (Cancelled()) {
        return m_pair.m_nErrors;  // a cancel ends the pair
    }
    const int32_t nForwardErrors = m_pair.m_nErrors;
    CRunPlan reverse = forward;
    reverse.pRecordCopies = nullptr;
    reverse.timeVersions = forward.timeStarted;
    if (m_bDryRun) {
        reverse.pAssumeCopies = &dryRunCopies;
    }
    std::swap(m_pair.m_strSource, m_pair.m_strDestination);
    RunOneWay(reverse);
    std::swap(m_pair.m_strSource, m_pair.m_strDestination);
    m_pair.m_nErrors += nForwardErrors;
    if (m_pair.m_nErrors == 0 && !Cancelled() && !m_bDryRun) {
        m_pair.m_timeLastCopy = forward.timeStarted;
    }
    return m_pair.m_nErrors;
}

int32_t CPairRun::RunOneWay(CRunPlan& plan) {
    // What the last run found stays when this one is refused for a destination that looks
    // unmounted: it is what tells the next run to look before it copies.
    const uint32_t figuresBefore[] = {m_pair.m_nFilesFound, m_pair.m_nDirectories,
                                      m_pair.m_nFilesCopied, m_pair.m_dwBytesCopied};
    m_pair.m_nFilesFound = 0;
    m_pair.m_nDirectories = 0;
    m_pair.m_nFilesCopied = 0;
    m_pair.m_nErrors = 0;
    m_pair.m_dwBytesCopied = 0;
    m_pair.m_dwReserved = 0;
    FoldCase(m_pair.m_strExclude);
    IPlatform& platform = m_platform;
    m_pair.m_dwElapsedMs = platform.GetTickCount();
    // The date a clean run records: files changed while the walk was elsewhere are then
    // copied by the next run.
    plan.timeStarted = platform.GetCurrentTime();

    if (RefuseOverlappingFolders()) {
        m_pair.m_dwElapsedMs = platform.GetTickCount() - m_pair.m_dwElapsedMs;
        return m_pair.m_nErrors;
    }

    CSyncRun run(plan);
    run.rules.exclude = m_pair.m_strExclude;
    run.rules.bOnlyNewer = m_pair.m_bOnlyNewer != 0;
    run.rules.bCheckDestDate = m_pair.m_bCheckDestDate != 0;
    run.rules.bOverwriteRHS = m_pair.m_bOverwriteRHS != 0;
    run.rules.timeReference = plan.timeReference;
    run.rules.bPlan = plan.bDryRun;
    run.rules.bTellSkips = g_bTellSkips.load();
    const unsigned nThreads = SyncThreads(m_platform);
    LimitOpenFolders(run, nThreads, m_platform.OpenFileLimit());
    const auto startThread = [this](std::function<void()> work) {
        return m_platform.StartThread(std::move(work));
    };
    const auto apply = [this, &run](CStepOutcome& step) { ApplyStep(run, step); };
    // First the plan: the whole source walked and every file decided, nothing written.
    m_bTopMade = false;
    if (m_pair.m_pProgressDlg != nullptr) {
        m_pair.m_pProgressDlg->PlanStarted();
    }
    run.pipeline = std::make_unique<CFilePipeline>(
        nThreads, m_pair.m_bCancel,
        [this, &run](const CFileTask& task, CStepOutcome& step) { SyncFile(run, task, step); },
        apply, startThread);
    const bool bWalked = !Cancelled() && OpenTopFolders(run);
    if (bWalked) {
        SyncFolder(run);
    }
    run.pipeline->Finish();
    TellTotals(run);
    run.pipeline.reset();
    // Then what can be known before the first byte, and the copy.
    std::string strFreeText;
    if (bWalked && !Cancelled() && m_bDryRun) {
        uint64_t nFree = 0;
        uint64_t nTotal = 0;
        if (FreeSpaceAtDestination(run, nFree, nTotal) && nTotal != 0) {
            strFreeText =
                "; " + FormatBytes(static_cast<double>(nFree)) + " free on the destination";
        }
        CStepOutcome room;  // the real run's refusal, said too
        HasRoomFor(run, room);
        ApplyStep(run, room);
    } else if (bWalked && !Cancelled()) {
        CStepOutcome room;  // old versions removed to make room, or the refusal
        const bool bRoom = HasRoomFor(run, room);
        ApplyStep(run, room);
        if (!bRoom) {
            // Nothing was copied: the next run must not take the walk's figures for a
            // destination that was once filled.
            run.bDestinationRefused = true;
        } else {
            if (m_pair.m_pProgressDlg != nullptr) {
                m_pair.m_pProgressDlg->PlanMade(run.copyPlan.nFiles, run.copyPlan.nBytes);
            }
            run.pipeline = std::make_unique<CFilePipeline>(
                nThreads, m_pair.m_bCancel,
                [this, &run](const CFileTask& task, CStepOutcome& step) {
                    CopyFile(run, task, step);
                },
                apply, startThread);
            CarryOut(run);
            run.pipeline->Finish();
            TellTotals(run);
            run.pipeline.reset();
            TellKeptVersions(run);
        }
    }
    RemoveAgedVersions(run);
    FlushDestination(run);
    run.path.clear();
    if (run.bDestinationRefused) {
        m_pair.m_nFilesFound = figuresBefore[0];
        m_pair.m_nDirectories = figuresBefore[1];
        m_pair.m_nFilesCopied = figuresBefore[2];
        m_pair.m_dwBytesCopied = figuresBefore[3];
    }
    // Unsigned arithmetic keeps the duration right across a wrap of the tick.
    m_pair.m_dwElapsedMs = platform.GetTickCount() - m_pair.m_dwElapsedMs;

    if (Cancelled()) {
        AddLogLine("User cancelled operation!");
        ++m_pair.m_nErrors;
    } else if (plan.bDryRun && bWalked) {
        AddLogLine("Dry run: would copy " +
                   std::to_string(static_cast<int32_t>(m_pair.m_nFilesCopied)) + " files (" +
                   FormatBytes(static_cast<double>(run.copyPlan.nBytes)) + ") from " +
                   m_pair.m_strSource + " to " + m_pair.m_strDestination + strFreeText);
    } else if (m_pair.m_nErrors == 0 && !plan.bDryRun) {
        AddLogLine("Succes: Copied " + std::to_string(static_cast<int32_t>(m_pair.m_nFilesCopied)) +
                   " files from " + m_pair.m_strSource + " to " + m_pair.m_strDestination);
        if (plan.bMoveDate) {
            m_pair.m_timeLastCopy = plan.timeStarted;
        }
    }
    return m_pair.m_nErrors;
}

// One step of the walk, in walk order: its lines go to the log, its figures to the pair's.
void CPairRun::ApplyStep(CSyncRun& run, CStepOutcome& step) {
    for (const std::string& strLine : step.lines) {
        AddLogLine(strLine);
    }
    m_pair.m_nErrors += step.nErrors;
    if (step.nLastError) {
        m_pair.m_nLastError = *step.nLastError;
    }
    m_pair.m_nFilesFound += step.nFilesFound;
    m_pair.m_nDirectories += step.nDirectories;
    m_pair.m_nFilesCopied += step.nFilesCopied;
    // The stored figure is 32-bit and wraps, as the group list file keeps it.
    m_pair.m_dwBytesCopied += static_cast<uint32_t>(step.nBytesCopied);
    if (m_bDryRun) {  // a dry run keeps no plan, only its totals
        run.copyPlan.nFiles += step.nFilesCopied;
        run.copyPlan.nBytes += step.nBytesCopied;
    }
    run.copyPlan.nRoomTaken += step.nRoomTaken;
    run.copyPlan.nRoomFreed += step.nRoomFreed;
    if (step.planned) {
        run.copyPlan.AddCopy(*step.planned);
    }
    if (step.nMakeFolder != kNoFolder) {
        run.copyPlan.AddMakeFolder(step.nMakeFolder);
    }
    run.untold.nFilesChecked += step.nFilesFound;
    run.untold.nFilesCopied += step.nFilesCopied;
    run.untold.nBytesCopied += step.nBytesCopied;
    // A copy is told at once: it may well be followed by a long one, during which nothing
    // else is applied. Files only checked are told in batches.
    if (step.nFilesCopied != 0 || ++run.untold.nSteps >= kStepsPerTotals ||
        std::chrono::steady_clock::now() - run.lastTold >= kTotalsInterval) {
        TellTotals(run);
    }
}

// The progress window hears the running totals now and then, not for every file.
void CPairRun::TellTotals(CSyncRun& run) {
    if (m_pair.m_pProgressDlg != nullptr &&
        (run.untold.nFilesChecked != 0 || run.untold.nFilesCopied != 0)) {
        m_pair.m_pProgressDlg->AddRunTotals(run.untold.nFilesChecked, run.untold.nFilesCopied,
                                            run.untold.nBytesCopied);
    }
    run.untold = {};
    run.lastTold = std::chrono::steady_clock::now();
}

void CPairRun::AddLogLine(const std::string& strLine) {
    if (m_pair.m_pLogList != nullptr) {
        m_pair.m_pLogList->InsertString(0, strLine);
    }
}

void CPairRun::SetProgressField(int nId, const std::string& strText) const {
    if (m_pair.m_pProgressDlg != nullptr) {
        m_pair.m_pProgressDlg->SetDlgItemText(nId, strText);
    }
}

bool CPairRun::RefuseOverlappingFolders() {
    const FolderOverlap overlap =
        CheckFolderOverlap(m_pair.m_strSource, m_pair.m_strDestination, m_platform);
    if (overlap == FolderOverlap::None) {
        return false;
    }
    AddLogLine(RefusalLine(overlap, m_pair.m_strSource, m_pair.m_strDestination));
    m_pair.m_nErrors = 1;
    return true;
}

uint32_t CopyProgress(int64_t TotalFileSize, int64_t TotalBytesTransferred, int64_t /*StreamSize*/,
                      int64_t /*StreamBytesTransferred*/, uint32_t /*dwStreamNumber*/,
                      uint32_t /*dwCallbackReason*/, int /*hSourceFile*/, int /*hDestinationFile*/,
                      void* lpData) {
    const auto* pCopy = static_cast<const CCopyContext*>(lpData);
    if (pCopy == nullptr || pCopy->pWindow == nullptr) {
        return 0;
    }
    // 64-bit counts, so files of 4 GiB and more show a true share; an empty file is done.
    const double dPercent = TotalFileSize <= 0 ? 100.0
                                               : static_cast<double>(TotalBytesTransferred) /
                                                     static_cast<double>(TotalFileSize) * 100.0;
    char szPercent[32];
    std::snprintf(szPercent, sizeof szPercent, "%.0f%%", dPercent);
    pCopy->pFocus->Report(*pCopy, szPercent);
    return 0;
}
