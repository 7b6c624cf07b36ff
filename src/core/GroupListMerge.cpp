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
