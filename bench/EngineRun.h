// SPDX-License-Identifier: GPL-3.0-or-later
// One synchronization run of the engine, and the check that it did what the benchmark
// expects.
#pragma once

#include <cstdint>
#include <string>

class CSyncPair;

struct SyncOutcome {
    uint32_t nFilesFound = 0;
    uint32_t nFilesCopied = 0;
    int32_t nErrors = 0;
    std::string strNewestLogLine;
};

// Sets up a pair as the benchmark runs it: sub-folders on, "Check destination date" on
// (the setting an up-to-date re-sync relies on), nothing excluded.
void ConfigureBenchPair(CSyncPair& pair, const std::string& strSource,
                        const std::string& strDestination);

// What a run left in the pair's figures, with the newest line of its log.
SyncOutcome OutcomeOf(const CSyncPair& pair, std::string strNewestLogLine);

// Runs DoSync from strSource to strDestination, into recording sinks, with nThreads
// working on files (0: the engine's default, the number of cores).
SyncOutcome RunEngineSync(const std::string& strSource, const std::string& strDestination,
                          unsigned nThreads = 0);

// Throws unless the run found nFound files (any number when nFound is kAnyCount), copied
// nCopied (kAllFound: as many as it found) and counted no error.
constexpr uint64_t kAnyCount = ~uint64_t{0};
constexpr uint64_t kAllFound = ~uint64_t{0} - 1;
void ExpectOutcome(const SyncOutcome& outcome, uint64_t nFound, uint64_t nCopied,
                   const std::string& strWhat);
