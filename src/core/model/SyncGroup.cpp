// SPDX-License-Identifier: GPL-3.0-or-later
#include "SyncGroup.h"

#include "Archive.h"

namespace {

// Pair records are written in this version; versions 1 and 3 are read too.
constexpr int32_t kPairRecordVersion = 2;
constexpr const char* kVersionChangedMessage = "Versie is veranderd!\nControleer opties!";

}  // namespace

CSyncGroup* CreateGroup(CSyncGroupList& list) {
    return list.AddTail(std::make_unique<CSyncGroup>());
}

void RenameGroup(CSyncGroup& group, const std::string& strNewName) {
    group.m_strName = strNewName;
}

CSyncPair* CreatePair(CSyncGroup& group) {
    return group.m_listPairs.AddTail(std::make_unique<CSyncPair>());
}

CSyncGroup* GroupAtIndex(const CSyncGroupList& list, int32_t nIndex) {
    return list.GetAt(nIndex);
}

CSyncPair* PairAtIndex(const CSyncGroup& group, int32_t nIndex) {
    return group.m_listPairs.GetAt(nIndex);
}

void RemoveGroup(CSyncGroupList& list, int32_t nIndex, const CSyncGroup* pShown) {
    list.RemoveAt(nIndex, pShown);
}

void RemovePair(CSyncGroup& group, int32_t nIndex, const CSyncPair* pShown) {
    group.m_listPairs.RemoveAt(nIndex, pShown);
}

void CSyncPair::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << kPairRecordVersion << m_strSource << m_strDestination << m_strExclude;
        // The date is stored twice; readers take the first.
        ar << m_timeLastCopy << m_timeLastCopy;
        ar << m_bSubFolders << m_nFilesFound << m_nDirectories << m_nFilesCopied << m_dwElapsedMs;
        ar << m_nErrors << m_nLastError << m_dwBytesCopied << m_dwReserved;
        ar << m_bCheckDestDate << m_bOnlyNewer << m_bOverwriteRHS << m_bBothWays;
        return;
    }
    int32_t nVersion = 0;
    ar >> nVersion;
    if (ar.Failed()) {
        return;
    }
    if (nVersion != kPairRecordVersion) {
        ar.ShowMessage(kVersionChangedMessage);
    }
    CTime32 timeDiscarded = 0;
    ar >> m_strSource >> m_strDestination >> m_strExclude;
    ar >> m_timeLastCopy >> timeDiscarded;
    ar >> m_bSubFolders >> m_nFilesFound >> m_nDirectories >> m_nFilesCopied >> m_dwElapsedMs;
    ar >> m_nErrors >> m_nLastError >> m_dwBytesCopied >> m_dwReserved;
    ar >> m_bCheckDestDate >> m_bOnlyNewer >> m_bOverwriteRHS;
    // Version 1 had no "Both ways"; the constructor's value stays.
    if (nVersion > 1) {
        ar >> m_bBothWays;
    }
}

void CSyncGroup::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << m_strName << m_listPairs.GetCount();
        for (CSyncPair& pair : m_listPairs) {
            pair.Serialize(ar);
        }
        return;
    }
    int32_t nPairs = 0;
    ar >> m_strName >> nPairs;
    if (nPairs < 0) {
        ar.MarkDamaged();
    }
    // A count past what the file holds ends at the first failed read.
    for (int32_t i = 0; i < nPairs && !ar.Failed(); ++i) {
        auto pair = std::make_unique<CSyncPair>();
        pair->Serialize(ar);
        if (ar.Failed()) {
            return;
        }
        m_listPairs.AddTail(std::move(pair));
    }
}
