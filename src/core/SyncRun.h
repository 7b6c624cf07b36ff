// The state of one direction of a run: the walk's path of open folders and the rules of the
// copy decision. Internal to the engine.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "CopyDecision.h"
#include "PosixHandles.h"
#include "platform.h"

// One folder on the walk's path: the source folder and its destination, their descriptors
// while they are held, and the entries still to visit.
struct CWalkFolder {
    std::string strSource;        // the source folder's full path
    std::string strDestination;   // its destination folder's full path
    std::string strName;          // its name in the folder above ("" at the top)
    bool bReachedByLink = false;  // its name in the folder above is a link to it
    posix::FileDescriptor source;
    posix::FileDescriptor destination;
    // Why nothing can be written into the destination folder; 0 when it can.
    int32_t nDestinationError = 0;
    // Made by this run, so no leftover of an earlier copy can be in it.
    bool bDestinationIsNew = false;
    // A dry run found no destination folder where the run would make one.
    bool bDestinationAbsent = false;
    bool bLeftoversChecked = false;
    CFolderIdentity identity;  // the source folder's
    // The folded names handed on so far, where the destination ignores letter case.
    std::unordered_set<std::string> foldedNames;
    std::vector<CDirEntry> entries;
    size_t nNext = 0;

    bool Done() const { return nNext >= entries.size(); }
};

// What one direction of a pair's run takes beyond the pair's fields.
struct CRunPlan {
    int64_t timeReference = 0;           // "Only newer than this date"
    bool bMayCreateDestination = false;  // no earlier run found anything there
    bool bMoveDate = true;               // a clean run moves the last-copy date
    bool bDryRun = false;                // tell what the run would do, and do nothing
    uint32_t timeStarted = 0;            // out: when the run started
};

struct CSyncRun {
    explicit CSyncRun(const CRunPlan& runPlan) : plan(runPlan) {}
    const CRunPlan& plan;
    CopyRules rules;
    // The walk's path, the top folder first. Only the deepest levels (and the top) hold
    // their descriptors, so a deep tree cannot use them all up.
    std::vector<std::unique_ptr<CWalkFolder>> path;
    // The destination folder, which the walk never enters, and what its file system keeps.
    CFolderIdentity destination;
    CFileSystemTraits traits;
    bool bWrote = false;  // something reached the destination and must be flushed
};
