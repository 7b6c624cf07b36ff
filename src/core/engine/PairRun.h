// SPDX-License-Identifier: GPL-3.0-or-later
// One run of a sync pair: the engine's work on the pair's record, on the platform it is given.
// Internal to the engine; the pair's DoSync and DoSyncPair, and the worker, use it.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ReadOnlyPlatform.h"
#include "SyncGroup.h"

struct CDestinationDevice;
struct CDirEntry;
struct CFileStatus;
struct CFileSystemTraits;
struct CFileTask;
struct CFolderHandles;
struct CFolderIdentity;
struct CPlannedFolder;
struct CPathAt;
struct CRunPlan;
struct CStepOutcome;
struct CSyncRun;
struct CWalkFolder;

class CPairRun {
public:
    // A dry run works on a read-only view of the platform: it tells what the run would do,
    // and no write can slip through.
    CPairRun(CSyncPair& pair, IPlatform& platform, bool bDryRun = false)
        : m_pair(pair),
          m_pReadOnly(bDryRun ? std::make_unique<ReadOnlyPlatform>(platform) : nullptr),
          m_platform(bDryRun ? *m_pReadOnly : platform),
          m_planning(m_platform, true),
          m_bDryRun(bDryRun) {}

    // One synchronization run from the pair's source to its destination; returns its
    // m_nErrors. The cancel request is not cleared: whoever starts the pair clears it.
    int32_t DoSync();
    // The pair as Start runs it: one way, or both ways with one result; returns m_nErrors.
    // A dry run tells for every file what the run would do and why, and changes nothing:
    // no folder, no file, no date.
    int32_t DoSyncPair();

    // Walks the folders on the run's path (and, with sub-folders on, all below them),
    // handing every file to the run's pipeline.
    void SyncFolder(CSyncRun& run);
    // Decides about one file the walk found and copies it; what it did goes into step.
    // Called by the pipeline's workers, several at once.
    void SyncFile(const CSyncRun& run, const CFileTask& task, CStepOutcome& step) const;

private:
    int32_t RunOneWay(CRunPlan& plan);
    bool HasRunBefore() const;
    CRunPlan PlanFromFigures() const;
    bool Cancelled() const { return m_pair.m_bCancel.load() != 0; }
    // The walk (FolderWalk.cpp).
    bool OpenTopFolders(CSyncRun& run);
    bool OpenTopDestination(CSyncRun& run, CFolderHandles& top, CStepOutcome& step);
    bool MayFillEmptyDestination(int fdDestination, CStepOutcome& step);
    bool OpenSourceFolder(CWalkFolder& folder, int fdParent, CStepOutcome& step);
    void ReadSourceFolder(const CSyncRun& run, CWalkFolder& folder, CStepOutcome& step);
    void PlanFolder(CSyncRun& run, const CWalkFolder& folder, uint32_t nParent, bool bSourceRead,
                    CStepOutcome& step) const;
    void FindCaseClashes(const CSyncRun& run, CWalkFolder& folder) const;
    bool MayPlaceName(const CWalkFolder& folder, const std::string& strName,
                      const std::string& strSourcePath, CStepOutcome& step) const;
    bool LeadsIntoItself(const CSyncRun& run, const CWalkFolder& parent,
                         const CWalkFolder& child) const;
    bool IsFolderEntry(const CWalkFolder& folder, const CDirEntry& entry) const;
    bool IsPartTop(const CSyncRun& run) const;
    void HandOnFile(CSyncRun& run, CWalkFolder& folder, const CDirEntry& entry);
    void EnterSubFolder(CSyncRun& run, CWalkFolder& parent, const CDirEntry& entry);
    bool OpenDestinationSubFolder(IPlatform& platform, const CFolderHandles& parent,
                                  const std::string& strName, CFolderHandles& child,
                                  CStepOutcome& step);
    void ReopenFolder(CSyncRun& run);
    CFolderIdentity IdentityOf(int fdFolder, const std::string& strPath) const;
    // The copy step (FileStep.cpp).
    void CopyFile(const CSyncRun& run, const CFileTask& task, CStepOutcome& step) const;
    bool TimeKept(const CPathAt& sourceAt, const CPathAt& destAt,
                  const CFileSystemTraits& traits) const;
    // The destination side (DestinationSide.cpp).
    void KnowDestinationFolder(CSyncRun& run, const std::shared_ptr<CFolderHandles>& pFolder,
                               const CFolderHandles* pParent, CStepOutcome& step);
    void KnowAbsentDestination(CSyncRun& run, CFolderHandles& top);
    void NoteWrite(const CFolderHandles& folder) const;
    int StagingFolderFor(const CFolderHandles& folder, bool bMake) const;
    void FlushDestination(CSyncRun& run);
    // The replaced versions (KeepVersions.cpp).
    bool KeepsVersions() const;
    int OpenKeepFolder(const CSyncRun& run, const CFolderHandles& folder, int32_t& nError) const;
    bool OpenRunVersions(const CSyncRun& run, CDestinationDevice& device) const;
    void TellKeptVersions(CSyncRun& run);
    void RemoveAgedVersions(CSyncRun& run);
    bool MakeRoomFromVersions(const CSyncRun& run, uint64_t nNeeded, uint64_t& nFree,
                              CStepOutcome& step);
    // The plan carried out (CarryOut.cpp).
    struct CarriedFolder {
        uint32_t nFolder;
        std::shared_ptr<CFolderHandles> handles;
        bool bFailed;
    };
    bool HasRoomFor(const CSyncRun& run, CStepOutcome& step);
    bool FreeSpaceAtDestination(const CSyncRun& run, uint64_t& nFree, uint64_t& nTotal);
    void CarryOut(CSyncRun& run);
    const CFolderHandles* EnterPlanned(CSyncRun& run, uint32_t nFolder, CStepOutcome& step);
    CarriedFolder OpenPlanned(CSyncRun& run, uint32_t nFolder, const CFolderHandles& above,
                              CStepOutcome& step);
    bool OpenDestinationSubFolderAgain(const CFolderHandles& above, CPlannedFolder& planned,
                                       CFolderHandles& child, CStepOutcome& step);
    void Reacquire(CSyncRun& run, CStepOutcome& step);
    void MakeTopDestination(CSyncRun& run, CStepOutcome& step);
    // The run's end and its figures (Synchronize.cpp).
    void ApplyStep(CSyncRun& run, CStepOutcome& step);
    void TellTotals(CSyncRun& run);
    void AddLogLine(const std::string& strLine);
    void SetProgressField(int nId, const std::string& strText) const;
    bool RefuseOverlappingFolders();

    CSyncPair& m_pair;
    std::unique_ptr<ReadOnlyPlatform> m_pReadOnly;  // a dry run's view of the platform
    IPlatform& m_platform;                          // what the copy writes through
    // What the plan reads through: it writes nothing, but for a probe's passing file.
    mutable ReadOnlyPlatform m_planning;
    const bool m_bDryRun;
    // While the plan is carried out: the folders open from the top down.
    std::vector<CarriedFolder> m_carried;
    bool m_bTopMade = false;
};
