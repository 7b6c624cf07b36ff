// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a group without a window, for schedulers: the group list is read, the group's pairs
// Runs a group without a window, for schedulers: the group list is read, the group's pairs
// (or one of them) run as StartAll and Start run them, the log goes to standard output (and
// a log file) with a header and a summary line for each pair and a total for the group, and
// the figures of the pairs that ran are saved back under the list's lock. Also lists the
// groups, and the replaced versions that a group's pairs keep.
#pragma once

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>

#include "GroupListLocation.h"
#include "RunReport.h"
#include "SyncGroup.h"
#include "platform.h"

struct CRunnerOptions {
    // Versions: what the pairs keep of the files their runs replaced; only reads.
    enum class Command { List, Run, Versions };
    Command command = Command::Run;
    std::string strListFile = {};
    std::string strGroup = {};  // a group's name (the first of that name) or its number from 1
    int32_t nPair = 0;          // a pair's number from 1; 0: every pair of the group
    bool bDryRun = false;
    // Copy into a destination folder that is empty although an earlier run copied files
    // there (without it, that is an error: the folder may be an unmounted disk's mount point).
    bool bAllowEmptyDestination = false;
    // Only errors, warnings, the hint and the summary and total lines.
    bool bQuiet = false;
    // Also a line for each file a run leaves alone, with the reason.
    bool bVerbose = false;
    // The lines are also appended to this file, each with a time stamp; "" for none.
    std::string strLogFile = {};
    unsigned nThreads = 0;  // files worked on at once; 0: the engine's default
    // Days that the files a run replaces are kept; 0 keeps none.
    uint32_t nKeepVersionDays = kDefaultKeepVersionDays;
    // How long the save waits for another program that holds the list's lock.
    std::chrono::milliseconds lockWait = kGroupListLockWait;
};

enum RunnerExitStatus : int {
    kExitClean = 0,         // every pair ran clean
    kExitErrors = 1,        // a pair had an error, the figures were not saved, no log file
    kExitUsage = 2,         // bad command line, unknown group or pair, unreadable list
    kExitWarnings = 3,      // no error, but warnings (a destination newer than its source)
    kExitInterrupted = 130  // SIGINT or SIGTERM stopped the run
};

// While an object of this class exists, SIGINT and SIGTERM stop the run as Cancel does
// and the command ends with kExitInterrupted; the outermost object installs the handlers
// and an inner one changes nothing. Made before anything else of a command, so that no
// moment of it (reading the list, the final save) is ended by the signal itself.
class CRunnerInterrupts {
public:
    explicit CRunnerInterrupts(IPlatform& platform = Platform());
    ~CRunnerInterrupts();
    CRunnerInterrupts(const CRunnerInterrupts&) = delete;
    CRunnerInterrupts& operator=(const CRunnerInterrupts&) = delete;

private:
    IPlatform& m_platform;
};

// Carries out one command. Log lines and listings go to out; messages to err; the progress
// line to pProgress (a terminal), when given, which out shares when bSameScreen. A run
// fills pReport, when given, with what it did, whatever its end.
int RunCommandLine(const CRunnerOptions& options, std::ostream& out, std::ostream& err,
                   std::ostream* pProgress, bool bSameScreen = false,
                   IPlatform& platform = Platform(), CRunReport* pReport = nullptr);

// Whether a pair compares no dates, so that each of its runs copies every file again.
bool CopiesEverything(const CSyncPair& pair);
