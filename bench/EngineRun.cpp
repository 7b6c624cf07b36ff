// SPDX-License-Identifier: GPL-3.0-or-later
#include "EngineRun.h"

#include "platform.h"

#include <stdexcept>

#include "RecordingSinks.h"
#include "SyncGroup.h"
#include "Synchronize.h"

void ConfigureBenchPair(CSyncPair& pair, const std::string& strSource,
                        const std::string& strDestination) {
    pair.m_strSource = strSource;
    pair.m_strDestination = strDestination;
    pair.m_bSubFolders = 1;
    pair.m_bCheckDestDate = 1;
    pair.m_bOnlyNewer = 0;
    pair.m_bOverwriteRHS = 0;
    pair.m_bBothWays = 0;
}

SyncOutcome RunEngineSync(const std::string& strSource, const std::string& strDestination,
                          unsigned nThreads) {
    SetSyncThreads(nThreads);
    RecordingLogList logList;
    RecordingProgressWindow progressWindow;
    CSyncPair pair;
    ConfigureBenchPair(pair, strSource, strDestination);
    pair.m_pLogList = &logList;
    pair.m_pProgressDlg = &progressWindow;
    pair.m_pPlatform = &Platform();
    progressWindow.m_pPair = &pair;

    pair.DoSync();
    return OutcomeOf(pair, logList.Count() > 0 ? logList.Newest() : std::string());
}

SyncOutcome OutcomeOf(const CSyncPair& pair, std::string strNewestLogLine) {
    SyncOutcome outcome;
    outcome.nFilesFound = pair.m_nFilesFound;
    outcome.nFilesCopied = pair.m_nFilesCopied;
    outcome.nErrors = pair.m_nErrors;
    outcome.strNewestLogLine = std::move(strNewestLogLine);
    return outcome;
}

void ExpectOutcome(const SyncOutcome& outcome, uint64_t nFound, uint64_t nCopied,
                   const std::string& strWhat) {
    const uint64_t nWantFound = nFound == kAnyCount ? outcome.nFilesFound : nFound;
    const uint64_t nWantCopied = nCopied == kAllFound ? outcome.nFilesFound : nCopied;
    if (outcome.nFilesFound == nWantFound && outcome.nFilesCopied == nWantCopied &&
        outcome.nErrors == 0) {
        return;
    }
    throw std::runtime_error(strWhat + ": expected " + std::to_string(nWantFound) + " found and " +
                             std::to_string(nWantCopied) + " copied without errors, got " +
                             std::to_string(outcome.nFilesFound) + " found, " +
                             std::to_string(outcome.nFilesCopied) + " copied, " +
                             std::to_string(outcome.nErrors) +
                             " errors; last log line: " + outcome.strNewestLogLine);
}
