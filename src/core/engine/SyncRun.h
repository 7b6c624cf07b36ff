// SPDX-License-Identifier: GPL-3.0-or-later
// The state of one direction of a run: the walk's path of open folders, the rules of the
// copy decision and the pipeline that works on the files. Internal to the engine.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "CopyDecision.h"
#include "CopyPlan.h"
#include "FilePipeline.h"
#include "PosixHandles.h"
#include "platform.h"

struct CDestinationDevice;

// A source folder and its destination folder as the files in them need them: paths for the
// log, descriptors for the *at() calls. Shared by the walk and every file in flight from
// the folder, so the descriptors stay open until the last of them is done.
struct CFolderHandles {
    CFolderHandles() = default;
    ~CFolderHandles() {
        if (m_pOpenCount != nullptr) {
            --*m_pOpenCount;
        }
    }
    CFolderHandles(const CFolderHandles&) = delete;
    CFolderHandles& operator=(const CFolderHandles&) = delete;

    // Counts this object in nOpen until it goes: it holds descriptors.
    void CountIn(std::atomic<int>& nOpen) {
        m_pOpenCount = &nOpen;
        ++nOpen;
    }

    // The same folder without its descriptors, for a level of the walk that lets them go.
    std::shared_ptr<CFolderHandles> WithoutDescriptors() const;

    std::string strSource;       // the source folder's full path
    std::string strDestination;  // its destination folder's full path
    posix::FileDescriptor source;
    posix::FileDescriptor destination;
    // The destination folder's identity, so that it is known again when the walk opens it
    // anew, and no source folder can lead into it.
    CFolderIdentity destinationIdentity;
    // The run's record of the destination folder's device; none without a destination.
    CDestinationDevice* pDevice = nullptr;
    // The folder's number in the run's plan.
    uint32_t nPlanFolder = kNoFolder;
    // What the destination folder's file system keeps.
    const CFileSystemTraits& Traits() const;
    // Why nothing can be written into the destination folder; 0 when it can.
    int32_t nDestinationError = 0;
    // Made by this run.
    bool bDestinationIsNew = false;
    // A dry run found no destination folder where the run would make one.
    bool bDestinationAbsent = false;

private:
    std::atomic<int>* m_pOpenCount = nullptr;
};

// A device of the destination side, as one run meets it: what its file system keeps, found
// out once; the run's first destination folder on it, kept open for the flush; and the
// folder ".folvex-tmp" there, where the named temporary files of copies onto the device are
// made (new files on file systems that make unnamed ones need none). When the run first
// writes to the device, the leftovers of copies killed earlier are removed from that folder,
// so that no run has to look into every folder for them.
struct CDestinationDevice {
    CFileSystemTraits traits;
    // The first destination folder of the run on the device; none yet where the run is to
    // make the destination itself.
    std::shared_ptr<const CFolderHandles> root;
    std::atomic<bool> bWritten{false};
    // The staging folder: looked for (and cleared) at the first write, made when needed.
    enum StagingState : int { NotLookedFor, Absent, Open };
    std::atomic<int> stagingState{NotLookedFor};
    std::mutex stagingMutex;
    posix::FileDescriptor staging;
    bool bStagingMadeOnce = false;  // under the mutex: a failed attempt is not repeated
    // The run's folder for the files it replaces on the device, made at the first one; a
    // failure to make it is kept, so that every file it would keep says why.
    std::mutex versionsMutex;
    bool bVersionsTried = false;
    int32_t nVersionsError = 0;
    posix::FileDescriptor versions;
    std::string strVersionsPath;
    std::atomic<uint64_t> nKept{0};
};

// One folder on the walk's path, and the entries still to visit.
struct CWalkFolder {
    std::shared_ptr<CFolderHandles> handles;
    std::string strName;          // its name in the folder above ("" at the top)
    bool bReachedByLink = false;  // its name in the folder above is a link to it
    CFolderIdentity identity;     // the source folder's
    // Where the destination ignores letter case: the names that another of the folder's
    // names takes the place of there.
    std::unordered_set<std::string> caseClashes;
    std::vector<CDirEntry> entries;
    size_t nNext = 0;

    bool Done() const { return nNext >= entries.size(); }
    bool Held() const { return handles->source.Valid(); }
};

class IProgressWindow;
class CCopyFocus;

// One copy as its progress routine sees it.
struct CCopyContext {
    IProgressWindow* pWindow;
    CCopyFocus* pFocus;
    uint64_t nCopy;                  // numbered as the copies start
    const std::string& strDestPath;  // for the file field
    const char* szBytes;             // for the bytes field
    const CFolderHandles* pFolder;   // for the folder and destination fields
};

// The file that the progress window shows: the one most recently started that is still
// being copied. While several are copied at once, the others report nothing; when the
// shown one is done, the next one that reports takes its place.
class CCopyFocus {
public:
    uint64_t Start(const CCopyContext& copy);
    void Report(const CCopyContext& copy, const char* szPercent);
    void End(uint64_t nCopy);

private:
    void ShowName(const CCopyContext& copy);

    std::mutex m_mutex;
    uint64_t m_nStarted = 0;
    uint64_t m_nShown = 0;
    bool m_bShownDone = true;
};

// What the forward direction of a dry run of "Both ways" would copy: the relative names and
// the status the copies would have, so that the reverse direction judges the destination as
// the forward run would leave it. The forward run's workers add to it under the lock; the
// reverse run only reads it.
struct CDryRunCopies {
    std::mutex mutex;
    std::unordered_map<std::string, CFileStatus> files;
};

// What one direction of a pair's run takes beyond the pair's fields.
struct CRunPlan {
    int64_t timeReference = 0;                     // "Only newer than this date"
    bool bMayCreateDestination = false;            // no earlier run found anything there
    bool bFoundFilesBefore = false;                // an earlier run found files to copy there
    bool bMoveDate = true;                         // a clean run moves the last-copy date
    bool bDryRun = false;                          // tell what the run would do, and do nothing
    CDryRunCopies* pRecordCopies = nullptr;        // a dry run notes what it would copy here
    const CDryRunCopies* pAssumeCopies = nullptr;  // and the reverse one takes them as done
    uint32_t timeStarted = 0;                      // out: when the run started
    // When the pair started: the name of the folder that keeps what the run replaces, the
    // same for both directions (0: this direction's start).
    uint32_t timeVersions = 0;
};

struct CSyncRun {
    explicit CSyncRun(const CRunPlan& runPlan) : plan(runPlan) {}
    const CRunPlan& plan;
    CopyRules rules;
    // The walk's path, the top folder first. Only the deepest levels (and the top) hold
    // their descriptors, so a deep tree cannot use them all up.
    std::vector<std::unique_ptr<CWalkFolder>> path;
    // The destination folder, which the walk never enters, nor anything below it.
    CFolderIdentity destination;
    // The devices of the destination side that the run meets; only the walk's thread adds.
    std::unordered_map<uint64_t, std::unique_ptr<CDestinationDevice>> devices;
    std::unique_ptr<CFilePipeline> pipeline;
    mutable CCopyFocus focus;
    // Folders whose descriptors are open, on the walk's path or for files in flight.
    std::atomic<int> nOpenFolders{0};
    int nMaxOpenFolders = 0;
    // The walk holds the descriptors of this many of the deepest folders on its path (and of
    // the top folder); a folder above them is opened again when the walk returns to it.
    size_t nHeldLevels = 1;
    // The destination looked like the mount point of a disk that is not mounted.
    bool bDestinationRefused = false;
    // What the walk found to do, carried out once it is known whole.
    CCopyPlan copyPlan;

    // The running totals not yet told to the progress window.
    struct Totals {
        uint64_t nFilesChecked = 0;
        uint64_t nFilesCopied = 0;
        uint64_t nBytesCopied = 0;
        uint64_t nSteps = 0;
    } untold;
    std::chrono::steady_clock::time_point lastTold = std::chrono::steady_clock::now();
};
