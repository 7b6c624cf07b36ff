#include "Runner.h"

#include <signal.h>

#include <algorithm>
#include <atomic>
#include <ctime>
#include <vector>

#include "DisplayText.h"
#include "GroupListFile.h"
#include "GroupListLocation.h"
#include "RunnerConsole.h"
#include "SyncGroup.h"
#include "Synchronize.h"

namespace {

const std::string kSeparatorLine(27, '*');

// SIGINT and SIGTERM stop the run as Cancel does. Both flags are lock-free atomics, which a
// signal handler may write.
std::atomic<bool> g_bInterrupted{false};
std::atomic<std::atomic<int32_t>*> g_pCancel{nullptr};

void OnInterrupt(int) {
    g_bInterrupted.store(true);
    if (std::atomic<int32_t>* pCancel = g_pCancel.load()) {
        pCancel->store(1);
    }
}

// Installs the handlers for its lifetime.
class InterruptHandlers {
public:
    InterruptHandlers() {
        g_bInterrupted.store(false);
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        action.sa_flags = SA_RESTART;
        ::sigemptyset(&action.sa_mask);
        ::sigaction(SIGINT, &action, &m_previousInt);
        ::sigaction(SIGTERM, &action, &m_previousTerm);
    }
    ~InterruptHandlers() {
        g_pCancel.store(nullptr);
        ::sigaction(SIGINT, &m_previousInt, nullptr);
        ::sigaction(SIGTERM, &m_previousTerm, nullptr);
    }
    InterruptHandlers(const InterruptHandlers&) = delete;
    InterruptHandlers& operator=(const InterruptHandlers&) = delete;

private:
    struct sigaction m_previousInt {};
    struct sigaction m_previousTerm {};
};

std::string DateText(uint32_t nTime) {
    const time_t time = static_cast<time_t>(nTime);
    tm local{};
    char szText[32] = "";
    if (::localtime_r(&time, &local) != nullptr) {
        std::strftime(szText, sizeof szText, "%Y-%m-%d %H:%M", &local);
    }
    return szText;
}

std::string OptionsText(const CSyncPair& pair) {
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

void ListGroups(const CSyncGroupList& list, std::ostream& out) {
    int nGroup = 0;
    for (const CSyncGroup& group : list) {
        out << ++nGroup << ". " << EscapeControlCharacters(group.m_strName) << '\n';
        int nPair = 0;
        for (const CSyncPair& pair : group.m_listPairs) {
            out << "   " << ++nPair << ". " << EscapeControlCharacters(pair.m_strSource) << " -> "
                << EscapeControlCharacters(pair.m_strDestination) << "\n      "
                << EscapeControlCharacters(OptionsText(pair)) << '\n';
            if (pair.m_timeLastCopy != 0) {
                out << "      last copy " << DateText(pair.m_timeLastCopy) << '\n';
            }
        }
        if (nPair == 0) {
            out << "   (no pairs)\n";
        }
    }
}

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

void CopyFigures(const CSyncPair& from, CSyncPair& to) {
    to.m_strExclude = from.m_strExclude;  // the run keeps it folded
    to.m_timeLastCopy = from.m_timeLastCopy;
    to.m_nFilesFound = from.m_nFilesFound;
    to.m_nDirectories = from.m_nDirectories;
    to.m_nFilesCopied = from.m_nFilesCopied;
    to.m_dwElapsedMs = from.m_dwElapsedMs;
    to.m_nErrors = from.m_nErrors;
    to.m_nLastError = from.m_nLastError;
    to.m_dwBytesCopied = from.m_dwBytesCopied;
    to.m_dwReserved = from.m_dwReserved;
}

// The first pair of the group with the same folders that has not been matched yet.
CSyncPair* FindSamePair(CSyncGroup* pGroup, const CSyncPair& ran,
                        const std::vector<const CSyncPair*>& taken) {
    if (pGroup == nullptr) {
        return nullptr;
    }
    for (CSyncPair& pair : pGroup->m_listPairs) {
        if (pair.m_strSource == ran.m_strSource && pair.m_strDestination == ran.m_strDestination &&
            std::find(taken.begin(), taken.end(), &pair) == taken.end()) {
            return &pair;
        }
    }
    return nullptr;
}

// Reads the list again under its lock and writes back the figures and dates of the pairs
// that ran, found by group name and folders, so that what others changed meanwhile stays.
bool SaveRunPairs(const std::string& strPath, const std::string& strGroup,
                  const std::vector<const CSyncPair*>& ran, std::ostream& err) {
    const CGroupListLock lock(strPath);
    if (!lock.Locked()) {
        err << "folvex: figures not saved: " << lock.Error() << '\n';
        return false;
    }
    CSyncGroupList current;
    if (LoadGroupListFile(strPath, current, {}) != LoadOutcome::Loaded) {
        err << "folvex: figures not saved: " << strPath << " can no longer be read whole\n";
        return false;
    }
    CSyncGroup* pGroup = FindGroupByName(current, strGroup);
    std::vector<const CSyncPair*> taken;
    for (const CSyncPair* pRan : ran) {
        CSyncPair* pFound = FindSamePair(pGroup, *pRan, taken);
        if (pFound == nullptr) {
            err << "folvex: the pair " << EscapeControlCharacters(pRan->m_strSource) << " -> "
                << EscapeControlCharacters(pRan->m_strDestination)
                << " is no longer in the list; its figures are not saved\n";
            continue;
        }
        taken.push_back(pFound);
        CopyFigures(*pRan, *pFound);
    }
    std::string strError;
    if (!SaveGroupList(strPath, current, strError)) {
        err << "folvex: figures not saved: " << strError << '\n';
        return false;
    }
    return true;
}

int RunGroup(const CRunnerOptions& options, CSyncGroup& group, std::ostream& out, std::ostream& err,
             std::ostream* pProgress, bool bSameScreen) {
    std::vector<CSyncPair*> pairs;
    for (CSyncPair& pair : group.m_listPairs) {
        pairs.push_back(&pair);
    }
    if (options.nPair != 0) {
        if (options.nPair < 0 || static_cast<size_t>(options.nPair) > pairs.size()) {
            err << "folvex: the group \"" << EscapeControlCharacters(group.m_strName)
                << "\" has no pair " << options.nPair << " (it has " << pairs.size() << ")\n";
            return kExitUsage;
        }
        pairs = {pairs[static_cast<size_t>(options.nPair) - 1]};
    }
    int nStatus = kExitClean;
    std::vector<const CSyncPair*> ran;
    {
        CRunnerConsole console(out, pProgress, bSameScreen);
        const InterruptHandlers handlers;
        for (CSyncPair* pPair : pairs) {
            if (g_bInterrupted.load()) {
                break;
            }
            pPair->m_pLogList = &console;
            pPair->m_pProgressDlg = pProgress != nullptr ? &console : nullptr;
            pPair->m_bCancel.store(g_bInterrupted.load() ? 1 : 0);
            g_pCancel.store(&pPair->m_bCancel);
            pPair->DoSyncPair(options.bDryRun);
            g_pCancel.store(nullptr);
            pPair->m_pLogList = nullptr;
            pPair->m_pProgressDlg = nullptr;
            ran.push_back(pPair);
            if (pPair->m_nErrors > 0) {
                nStatus = kExitErrors;
            }
            if (options.nPair == 0) {
                console.InsertString(0, kSeparatorLine);
            }
        }
    }
    if (!options.bDryRun && !SaveRunPairs(options.strListFile, group.m_strName, ran, err)) {
        nStatus = kExitErrors;
    }
    return g_bInterrupted.load() ? kExitInterrupted : nStatus;
}

}  // namespace

int RunCommandLine(const CRunnerOptions& options, std::ostream& out, std::ostream& err,
                   std::ostream* pProgress, bool bSameScreen) {
    SetSyncThreads(options.nThreads);
    CSyncGroupList list;
    const LoadOutcome outcome =
        LoadGroupListFile(options.strListFile, list, [&err](const std::string& strMessage) {
            err << "folvex: " << EscapeControlCharacters(strMessage) << '\n';
        });
    if (outcome != LoadOutcome::Loaded) {
        err << "folvex: cannot read the group list " << options.strListFile << '\n';
        return kExitUsage;
    }
    if (options.command == CRunnerOptions::Command::List) {
        ListGroups(list, out);
        return kExitClean;
    }
    CSyncGroup* pGroup = FindGroup(list, options.strGroup);
    if (pGroup == nullptr) {
        err << "folvex: no group \"" << EscapeControlCharacters(options.strGroup) << "\" in "
            << options.strListFile << " (folvex --list shows the groups)\n";
        return kExitUsage;
    }
    return RunGroup(options, *pGroup, out, err, pProgress, bSameScreen);
}
