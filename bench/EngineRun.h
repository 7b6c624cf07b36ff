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

// Runs DoSync from strSource to strDestination on this thread, into recording sinks.
SyncOutcome RunEngineSync(const std::string& strSource, const std::string& strDestination);

// Throws unless the run found nFound files, copied nCopied and counted no error.
void ExpectOutcome(const SyncOutcome& outcome, uint64_t nFound, uint64_t nCopied,
                   const std::string& strWhat);
