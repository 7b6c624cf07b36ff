// SPDX-License-Identifier: GPL-3.0-or-later
#include "GroupListMerge.h"

#include <algorithm>
#include <tuple>

namespace {

template <class Pair>
auto RunFigures(Pair& pair) {
    return std::tie(pair.m_timeLastCopy, pair.m_nFilesFound, pair.m_nDirectories,
                    pair.m_nFilesCopied, pair.m_dwElapsedMs, pair.m_nErrors, pair.m_nLastError,
                    pair.m_dwBytesCopied, pair.m_dwReserved);
}

bool HasFolders(const CSyncPair& pair, const std::string& strSource,
                const std::string& strDestination) {
    return pair.m_strSource == strSource && pair.m_strDestination == strDestination;
}

}  // namespace

void CopyRunFigures(const CSyncPair& from, CSyncPair& to) {
    RunFigures(to) = RunFigures(from);
}

bool SameRunFigures(const CSyncPair& a, const CSyncPair& b) {
    return RunFigures(a) == RunFigures(b);
}

CSyncPair* FindPairAgain(const CSyncGroupList& list, CPairOrigin origin,
                         const std::string& strSource, const std::string& strDestination,
                         const std::vector<const CSyncPair*>& taken) {
    const CSyncGroup* pGroup = GroupAtIndex(list, origin.nGroup);
    if (pGroup == nullptr) {
        return nullptr;
    }
    const auto untaken = [&taken](const CSyncPair* pPair) {
        return std::find(taken.begin(), taken.end(), pPair) == taken.end();
    };
    CSyncPair* pSamePlace = PairAtIndex(*pGroup, origin.nPair);
    if (pSamePlace != nullptr && untaken(pSamePlace) &&
        HasFolders(*pSamePlace, strSource, strDestination)) {
        return pSamePlace;
    }
    for (CSyncPair& pair : pGroup->m_listPairs) {
        if (untaken(&pair) && HasFolders(pair, strSource, strDestination)) {
            return &pair;
        }
    }
    return nullptr;
}

void TakeRunsSavedElsewhere(CSyncGroupList& held, const CSyncGroupList& loaded,
                            const CSyncGroupList& current) {
    std::vector<const CSyncPair*> taken;
    for (CSyncGroup& group : held) {
        for (CSyncPair& pair : group.m_listPairs) {
            const CSyncGroup* pLoadedGroup = GroupAtIndex(loaded, pair.m_origin.nGroup);
            const CSyncPair* pRead =
                pLoadedGroup != nullptr ? PairAtIndex(*pLoadedGroup, pair.m_origin.nPair) : nullptr;
            if (pRead == nullptr) {
                continue;  // made in the window
            }
            // By the folders as they were read: the user may have changed them since.
            const CSyncPair* pNow = FindPairAgain(current, pair.m_origin, pRead->m_strSource,
                                                  pRead->m_strDestination, taken);
            if (pNow == nullptr) {
                continue;
            }
            taken.push_back(pNow);
            if (SameRunFigures(*pNow, *pRead)) {
                continue;  // nobody else ran it
            }
            const bool bWindowRan = !SameRunFigures(pair, *pRead);
            if (!bWindowRan || pNow->m_timeLastCopy > pair.m_timeLastCopy) {
                CopyRunFigures(*pNow, pair);
            }
        }
    }
}
