// SPDX-License-Identifier: GPL-3.0-or-later
// What a run of the runner did, pair by pair, as plain figures: the lines of the report are
// made from it, and the program hands it on (as JSON, or to a desktop notification).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The hint for a pair that compares no dates: each run copies every file again.
inline constexpr const char* kCopiesEverythingHint =
    "Note: neither \"Check destination date\" nor \"Only newer than this date\" is ticked, so "
    "every run copies every file again; tick \"Check destination date\" to copy only what "
    "changed.";

// At most this many error and warning lines are kept per pair for the report.
inline constexpr size_t kReportedProblems = 10;

enum class RunResult { Clean, Warnings, Errors, Interrupted };

// "clean", "warnings", "errors", "interrupted".
const char* ResultName(RunResult result);

// The figures the report adds up.
struct CRunFigures {
    uint64_t nFilesChecked = 0;
    uint64_t nFilesCopied = 0;  // in a dry run: the files it would copy
    uint64_t nBytesCopied = 0;
    uint64_t nKeptVersions = 0;  // replaced files kept in the versions folder
    uint64_t nWarnings = 0;      // "WARNING!" lines, such as a destination newer than its source
    uint64_t nErrors = 0;        // everything else the engine counted as an error
    int64_t nElapsedMs = 0;

    void Add(const CRunFigures& other);
};

struct CPairReport {
    int32_t nPair = 0;  // from 1
    std::string strSource;
    std::string strDestination;
    std::string strOptions;  // "sub-folders, check destination date", or "no options"
    bool bCopiesEverything = false;
    int64_t timeStarted = 0;  // seconds since 1970
    CRunFigures figures;
    RunResult result = RunResult::Clean;
    std::vector<std::string> problems;  // the first error and warning lines
};

struct CRunReport {
    std::string strGroup;
    int32_t nGroup = 0;  // from 1
    bool bDryRun = false;
    int64_t timeStarted = 0;
    int64_t timeEnded = 0;
    std::vector<CPairReport> pairs;
    CRunFigures totals;
    RunResult result = RunResult::Clean;
    // The figures and date could not be written back to the group list.
    bool bNotSaved = false;
    int nExitStatus = 0;
};

// The lines of the report.
// "2024-05-01 02:00:03  Daily, pair 1 of 2: /src -> /dst (sub-folders)"
std::string PairHeaderLine(const std::string& strDateTime, const std::string& strGroup,
                           size_t nPairs, const CPairReport& pair);
// "Daily, pair 1 clean: 12 files checked, 3 copied (1,024 bytes, 1.0 kB), 0 versions kept,
// 0 warnings, 0 errors, 0.2 s, 5.1 kB/s"
std::string PairSummaryLine(const std::string& strGroup, const CPairReport& pair, bool bDryRun);
// "Group "Daily" with errors: 2 pairs, ..."
std::string GroupTotalLine(const CRunReport& report);
// "0.2 s", "3 min 12 s", "1 h 4 min".
std::string FormatDuration(int64_t nMs);
