// SPDX-License-Identifier: GPL-3.0-or-later
#include "Runner.h"

#include <atomic>
#include <ctime>
#include <optional>
#include <vector>

#include "DisplayText.h"
#include "GroupListFile.h"
#include "GroupListLocation.h"
#include "GroupListMerge.h"
#include "RunLogFile.h"
#include "RunnerConsole.h"
#include "SyncGroup.h"
#include "Synchronize.h"
#include "VersionsListing.h"

namespace {

// SIGINT and SIGTERM stop the run as Cancel does. Both flags are lock-free atomics, which a
// signal handler may write.
std::atomic<bool> g_bInterrupted{false};
std::atomic<std::atomic<int32_t>*> g_pCancel{nullptr};
int g_nInterruptsDepth = 0;  // objects of CRunnerInterrupts; the main thread's alone

void OnInterrupt(int) {
    g_bInterrupted.store(true);
    if (std::atomic<int32_t>* pCancel = g_pCancel.load()) {
        pCancel->store(1);
    }
}

// A hang-up (a closed terminal) while the list is written takes effect once the file is in
// place; SIGINT and SIGTERM only set the flag anyway.
class DeferredHangup {
public:
    explicit DeferredHangup(IPlatform& platform) : m_platform(platform) {
        m_platform.HoldHangup(true);
    }
    ~DeferredHangup() { m_platform.HoldHangup(false); }
    DeferredHangup(const DeferredHangup&) = delete;
    DeferredHangup& operator=(const DeferredHangup&) = delete;

private:
    IPlatform& m_platform;
};

// The first group of that name.
CSyncGroup* FindGroupByName(const CSyncGroupList& list, const std::string& strName) {
    for (CSyncGroup& group : list) {
        if (group.m_strName == strName) {
            return &group;
        }
    }
    return nullptr;
}

// The group of that name, or else of that number.
CSyncGroup* FindGroup(const CSyncGroupList& list, const std::string& strGroup) {
    if (CSyncGroup* pGroup = FindGroupByName(list, strGroup)) {
        return pGroup;
    }
    if (strGroup.empty() || strGroup.size() > 9 ||
        strGroup.find_first_not_of("0123456789") != std::string::npos) {
        return nullptr;
    }
    return GroupAtIndex(list, std::stoi(strGroup) - 1);
}

// One command of the runner, with where its output goes and the platform it works on.
class CCommandRun {
public:
    CCommandRun(const CRunnerOptions& options, std::ostream& out, std::ostream& err,
                std::ostream* pProgress, bool bSameScreen, IPlatform& platform)
        : m_options(options),
          m_out(out),
          m_err(err),
          m_pProgress(pProgress),
          m_bSameScreen(bSameScreen),
          m_platform(platform) {}

    void ListGroups(const CSyncGroupList& list) const;
    int RunGroup(CSyncGroup& group, int32_t nGroup, CRunLogFile* pLog, CRunReport& report) const;
    int ListVersions(CSyncGroup& group) const;

private:
    // The pairs that --pair chose, or every pair; false, with the message, for no such pair.
    bool ChosenPairs(CSyncGroup& group, std::vector<CSyncPair*>& pairs) const;
    CPairReport RunPair(CSyncPair& pair, int32_t nPair, const std::string& strGroup, size_t nPairs,
                        CRunnerConsole& console) const;
    std::string DateText(uint32_t nTime) const;
    std::string OptionsText(const CSyncPair& pair) const;
    std::string FiguresText(const CSyncPair& pair) const;
    void PrintUnsavedFigures(const std::string& strGroup, const CSyncPair& pair,
                             CRunnerConsole& console) const;
    bool WriteBackRunPairs(const std::vector<const CSyncPair*>& ran,
                           std::vector<const CSyncPair*>& unsaved, CRunnerConsole& console) const;
    bool SaveRunPairs(const std::string& strGroup, const std::vector<const CSyncPair*>& ran,
                      CRunnerConsole& console) const;

    const CRunnerOptions& m_options;
    std::ostream& m_out;
    std::ostream& m_err;
    std::ostream* m_pProgress;
    bool m_bSameScreen;
    IPlatform& m_platform;
};

}  // namespace

std::string CCommandRun::DateText(uint32_t nTime) const {
    std::tm local{};
    char szText[32] = "";
    if (m_platform.LocalTime(nTime, local)) {
        std::strftime(szText, sizeof szText, "%Y-%m-%d %H:%M", &local);
    }
    return szText;
}

std::string CCommandRun::OptionsText(const CSyncPair& pair) const {
    std::string strText;
    const auto add = [&strText](const std::string& strOption) {
        strText += (strText.empty() ? "" : ", ") + strOption;
    };
    if (pair.m_bSubFolders != 0) {
        add("sub-folders");
    }
    if (pair.m_bCheckDestDate != 0) {
        add("check destination date");
    }
    if (pair.m_bOnlyNewer != 0) {
        add("only newer than " + DateText(pair.m_timeLastCopy));
    }
    if (pair.m_bOverwriteRHS != 0) {
        add("overwrite read-only");
    }
    if (pair.m_bBothWays != 0) {
        add("both ways");
    }
    if (!pair.m_strExclude.empty()) {
        add("exclude \"" + pair.m_strExclude + "\"");
    }
    return strText.empty() ? "no options" : strText;
}

void CCommandRun::ListGroups(const CSyncGroupList& list) const {
    int nGroup = 0;
    for (const CSyncGroup& group : list) {
        m_out << ++nGroup << ". " << EscapeControlCharacters(group.m_strName) << '\n';
        int nPair = 0;
        for (const CSyncPair& pair : group.m_listPairs) {
            m_out << "   " << ++nPair << ". " << EscapeControlCharacters(pair.m_strSource) << " -> "
                  << EscapeControlCharacters(pair.m_strDestination) << "\n      "
                  << EscapeControlCharacters(OptionsText(pair)) << '\n';
            if (pair.m_timeLastCopy != 0) {
                m_out << "      last copy " << DateText(pair.m_timeLastCopy) << '\n';
            }
            if (CopiesEverything(pair)) {
                m_out << "      " << kCopiesEverythingHint << '\n';
            }
        }
        if (nPair == 0) {
            m_out << "   (no pairs)\n";
        }
    }
}

std::string CCommandRun::FiguresText(const CSyncPair& pair) const {
    std::string strText =
        "last copy " + (pair.m_timeLastCopy != 0 ? DateText(pair.m_timeLastCopy) : "none") +
        ", found " + std::to_string(pair.m_nFilesFound) + " files in " +
        std::to_string(pair.m_nDirectories) + " folders, copied " +
        std::to_string(pair.m_nFilesCopied) + " files (" + std::to_string(pair.m_dwBytesCopied) +
        " bytes) in " + std::to_string(pair.m_dwElapsedMs) + " ms, " +
        std::to_string(pair.m_nErrors) + " errors";
    if (pair.m_nLastError != 0) {
        strText += ", last error " + std::to_string(pair.m_nLastError);
    }
    return strText;
}

// The figures that did not reach the list, so that they are not lost from view.
void CCommandRun::PrintUnsavedFigures(const std::string& strGroup, const CSyncPair& pair,
                                      CRunnerConsole& console) const {
    console.ReportLine("Not saved: group \"" + strGroup + "\", pair " +
                           std::to_string(pair.m_origin.nPair + 1) + ", " + pair.m_strSource +
                           " -> " + pair.m_strDestination + ": " + FiguresText(pair),
                       true);
}

// Reads the list again under its lock and writes back the date and figures of the pairs
// that ran, each found where it was read and checked by its folders, so that whatever else
// changed in the list meanwhile (an exclude text edited in the window included) stays. The
// pairs it could not find again go into unsaved.
bool CCommandRun::WriteBackRunPairs(const std::vector<const CSyncPair*>& ran,
                                    std::vector<const CSyncPair*>& unsaved,
                                    CRunnerConsole& console) const {
    const std::string& strPath = m_options.strListFile;
    std::optional<CGroupListLock> lock;
    lock.emplace(strPath, std::chrono::milliseconds(0));
    if (lock->TimedOut()) {
        m_err << "folvex: waiting for another folvex to finish with " << strPath << '\n';
        lock.emplace(strPath, m_options.lockWait);
    }
    if (lock->TimedOut()) {
        console.ReportLine("ERROR: The group list is locked by another folvex:" + strPath, true);
        return false;
    }
    if (!lock->Locked()) {
        m_err << "folvex: figures not saved: " << lock->Error() << '\n';
        return false;
    }
    CSyncGroupList current;
    if (LoadGroupListFile(strPath, current, {}) != LoadOutcome::Loaded) {
        m_err << "folvex: figures not saved: " << strPath << " can no longer be read whole\n";
        return false;
    }
    std::vector<const CSyncPair*> taken;
    for (const CSyncPair* pRan : ran) {
        CSyncPair* pFound = FindPairAgain(current, pRan->m_origin, pRan->m_strSource,
                                          pRan->m_strDestination, taken);
        if (pFound == nullptr) {
            m_err << "folvex: the pair " << EscapeControlCharacters(pRan->m_strSource) << " -> "
                  << EscapeControlCharacters(pRan->m_strDestination)
                  << " is no longer in the list; its figures are not saved\n";
            unsaved.push_back(pRan);
            continue;
        }
        taken.push_back(pFound);
        CopyRunFigures(*pRan, *pFound);
    }
    std::string strError;
    if (!taken.empty() && !SaveGroupList(strPath, current, strError)) {
        m_err << "folvex: figures not saved: " << strError << '\n';
        return false;
    }
    return true;
}

// Saves the pairs that ran and prints the figures of those it could not save.
bool CCommandRun::SaveRunPairs(const std::string& strGroup,
                               const std::vector<const CSyncPair*>& ran,
                               CRunnerConsole& console) const {
    std::vector<const CSyncPair*> unsaved;
    bool bSaved = false;
    {
        const DeferredHangup deferred(m_platform);
        bSaved = WriteBackRunPairs(ran, unsaved, console);
    }
    for (const CSyncPair* pPair : bSaved ? unsaved : ran) {
        PrintUnsavedFigures(strGroup, *pPair, console);
    }
    return bSaved && unsaved.empty();
}

// One pair, between its header line and its summary line.
CPairReport CCommandRun::RunPair(CSyncPair& pair, int32_t nPair, const std::string& strGroup,
                                 size_t nPairs, CRunnerConsole& console) const {
    CPairReport report;
    report.nPair = nPair;
    report.strSource = pair.m_strSource;
    report.strDestination = pair.m_strDestination;
    report.strOptions = OptionsText(pair);
    report.bCopiesEverything = CopiesEverything(pair);
    report.timeStarted = m_platform.GetCurrentTime();
    console.ReportLine(
        PairHeaderLine(DateTimeText(m_platform, report.timeStarted), strGroup, nPairs, report),
        false);
    if (report.bCopiesEverything) {
        // Named, since --quiet leaves out the header it follows.
        console.ReportLine(
            strGroup + ", pair " + std::to_string(nPair) + ": " + kCopiesEverythingHint, true);
    }
    console.BeginPair();
    const auto started = std::chrono::steady_clock::now();
    pair.m_pLogList = &console;
    pair.m_pPlatform = &m_platform;
    // The console answers the engine's question even without a progress line.
    pair.m_pProgressDlg = &console;
    // The handler is shown the pair's cancel request before the flag is looked at: a signal
    // at any moment either reaches the request or is seen here.
    pair.m_bCancel.store(0);
    g_pCancel.store(&pair.m_bCancel);
    if (g_bInterrupted.load()) {
        pair.m_bCancel.store(1);
    }
    pair.DoSyncPair(m_options.bDryRun);
    g_pCancel.store(nullptr);
    pair.m_pLogList = nullptr;
    pair.m_pProgressDlg = nullptr;

    const CPairCounts counts = console.EndPair();
    CRunFigures& figures = report.figures;
    figures.nFilesChecked = counts.nFilesChecked;
    figures.nFilesCopied = counts.nFilesCopied;
    figures.nBytesCopied = counts.nBytesCopied;
    figures.nKeptVersions = pair.m_nKeptVersions;
    figures.nElapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now() - started)
                             .count();
    // The engine counts a warning, and a cancel, as an error too; what it counted beyond the
    // lines seen is an error all the same.
    const bool bCancelled = pair.m_bCancel.load() != 0;
    const uint64_t nCounted = pair.m_nErrors > 0 ? static_cast<uint64_t>(pair.m_nErrors) : 0;
    const uint64_t nNotErrors = counts.nWarningLines + (bCancelled ? 1 : 0);
    figures.nWarnings = counts.nWarningLines;
    figures.nErrors =
        std::max(counts.nErrorLines, nCounted > nNotErrors ? nCounted - nNotErrors : 0);
    report.result = bCancelled              ? RunResult::Interrupted
                    : figures.nErrors > 0   ? RunResult::Errors
                    : figures.nWarnings > 0 ? RunResult::Warnings
                                            : RunResult::Clean;
    report.problems = counts.problems;
    console.ReportLine(PairSummaryLine(strGroup, report, m_options.bDryRun), true);
    return report;
}

bool CCommandRun::ChosenPairs(CSyncGroup& group, std::vector<CSyncPair*>& pairs) const {
    for (CSyncPair& pair : group.m_listPairs) {
        pairs.push_back(&pair);
    }
    if (m_options.nPair != 0) {
        if (m_options.nPair < 0 || static_cast<size_t>(m_options.nPair) > pairs.size()) {
            m_err << "folvex: the group \"" << EscapeControlCharacters(group.m_strName)
                  << "\" has no pair " << m_options.nPair << " (it has " << pairs.size() << ")\n";
            return false;
        }
        pairs = {pairs[static_cast<size_t>(m_options.nPair) - 1]};
    }
    return true;
}

int CCommandRun::ListVersions(CSyncGroup& group) const {
    std::vector<CSyncPair*> pairs;
    if (!ChosenPairs(group, pairs)) {
        return kExitUsage;
    }
    int nStatus = kExitClean;
    int nPair = m_options.nPair != 0 ? m_options.nPair : 1;
    for (const CSyncPair* pPair : pairs) {
        if (!PrintPairVersions(nPair++, *pPair, m_out, m_platform)) {
            nStatus = kExitErrors;
        }
    }
    if (pairs.empty()) {
        m_out << "(no pairs)\n";
    }
    return nStatus;
}

int CCommandRun::RunGroup(CSyncGroup& group, int32_t nGroup, CRunLogFile* pLog,
                          CRunReport& report) const {
    std::vector<CSyncPair*> pairs;
    if (!ChosenPairs(group, pairs)) {
        return kExitUsage;
    }
    const auto nPairs = static_cast<size_t>(group.m_listPairs.GetCount());
    const int32_t nFirst = m_options.nPair != 0 ? m_options.nPair : 1;
    report.strGroup = group.m_strName;
    report.nGroup = nGroup;
    report.bDryRun = m_options.bDryRun;
    report.timeStarted = m_platform.GetCurrentTime();
    std::vector<const CSyncPair*> ran;
    CRunnerConsole console(m_out, m_pProgress, m_bSameScreen, m_options.bAllowEmptyDestination,
                           m_platform, {.bQuiet = m_options.bQuiet, .pLog = pLog, .pErr = &m_err});
    for (size_t i = 0; i < pairs.size() && !g_bInterrupted.load(); ++i) {
        pairs[i]->m_nKeepVersionDays = m_options.nKeepVersionDays;
        report.pairs.push_back(
            RunPair(*pairs[i], nFirst + static_cast<int32_t>(i), group.m_strName, nPairs, console));
        report.totals.Add(report.pairs.back().figures);
        ran.push_back(pairs[i]);
        if (m_options.nPair == 0) {
            console.InsertString(0, kPairSeparatorLine);
        }
    }
    if (!m_options.bDryRun && !ran.empty() && !SaveRunPairs(group.m_strName, ran, console)) {
        report.bNotSaved = true;
    }
    report.timeEnded = m_platform.GetCurrentTime();
    const CRunFigures& totals = report.totals;
    report.result = g_bInterrupted.load()                    ? RunResult::Interrupted
                    : totals.nErrors > 0 || report.bNotSaved ? RunResult::Errors
                    : totals.nWarnings > 0                   ? RunResult::Warnings
                                                             : RunResult::Clean;
    console.ReportLine(GroupTotalLine(report), true);
    switch (report.result) {
        case RunResult::Clean:
            return kExitClean;
        case RunResult::Warnings:
            return kExitWarnings;
        case RunResult::Errors:
            return kExitErrors;
        case RunResult::Interrupted:
            break;
    }
    return kExitInterrupted;
}

CRunnerInterrupts::CRunnerInterrupts(IPlatform& platform) : m_platform(platform) {
    if (g_nInterruptsDepth++ > 0) {
        return;
    }
    g_bInterrupted.store(false);
    m_platform.SetInterruptHandler(OnInterrupt);
}

CRunnerInterrupts::~CRunnerInterrupts() {
    if (--g_nInterruptsDepth > 0) {
        return;
    }
    g_pCancel.store(nullptr);
    m_platform.SetInterruptHandler(nullptr);
}

bool CopiesEverything(const CSyncPair& pair) {
    return pair.m_bCheckDestDate == 0 && pair.m_bOnlyNewer == 0;
}

int RunCommandLine(const CRunnerOptions& options, std::ostream& out, std::ostream& err,
                   std::ostream* pProgress, bool bSameScreen, IPlatform& platform,
                   CRunReport* pReport) {
    const CRunnerInterrupts interrupts(platform);  // first of all
    const CCommandRun command(options, out, err, pProgress, bSameScreen, platform);
    SetSyncThreads(options.nThreads);
    SetSyncTellsSkips(options.bVerbose);
    // The log is opened before anything else: one that cannot be written ends the command
    // at once, rather than a scheduled run going unlogged.
    CRunLogFile log(platform);
    std::string strLogError;
    if (!options.strLogFile.empty() && !log.Open(options.strLogFile, strLogError)) {
        err << "folvex: " << EscapeControlCharacters(strLogError) << '\n';
        return kExitErrors;
    }
    const auto tell = [&err, &log](const std::string& strLine) {
        const std::string strShown = "folvex: " + EscapeControlCharacters(strLine);
        err << strShown << '\n';
        std::string strError;
        log.WriteLine(strShown, strError);
    };
    CSyncGroupList list;
    const LoadOutcome outcome =
        LoadGroupListFile(options.strListFile, list, [&tell](const std::string& strMessage) {
            // A line each, so that a message of several lines reads as one.
            size_t nStart = 0;
            for (size_t nEnd; (nEnd = strMessage.find('\n', nStart)) != std::string::npos;
                 nStart = nEnd + 1) {
                tell(strMessage.substr(nStart, nEnd - nStart));
            }
            tell(strMessage.substr(nStart));
        });
    if (outcome != LoadOutcome::Loaded) {
        tell("cannot read the group list " + options.strListFile);
        return kExitUsage;
    }
    if (g_bInterrupted.load()) {
        return kExitInterrupted;
    }
    if (options.command == CRunnerOptions::Command::List) {
        command.ListGroups(list);
        return kExitClean;
    }
    CSyncGroup* pGroup = FindGroup(list, options.strGroup);
    if (pGroup == nullptr) {
        tell("no group \"" + options.strGroup + "\" in " + options.strListFile +
             " (folvex --list shows the groups)");
        return kExitUsage;
    }
    if (options.command == CRunnerOptions::Command::Versions) {
        return command.ListVersions(*pGroup);
    }
    int32_t nGroup = 1;
    for (const CSyncGroup& group : list) {
        if (&group == pGroup) {
            break;
        }
        ++nGroup;
    }
    CRunReport report;
    const int nStatus = command.RunGroup(*pGroup, nGroup, log.IsOpen() ? &log : nullptr, report);
    report.nExitStatus = nStatus;
    if (pReport != nullptr) {
        *pReport = std::move(report);
    }
    return nStatus;
}
