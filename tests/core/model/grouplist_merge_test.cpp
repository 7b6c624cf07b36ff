// SPDX-License-Identifier: GPL-3.0-or-later
// The window's save next to a runner's: which pair of the file is the window's, and whose
// last-copy date and figures win, while the user's edits in the window stay.
#include <gtest/gtest.h>

#include "GroupListFile.h"
#include "GroupListMerge.h"

namespace {

// Group "G" with the pairs /a -> /b and /c -> /d, as read from a file.
CSyncGroupList ReadList() {
    CSyncGroupList list;
    CSyncGroup* pGroup = CreateGroup(list);
    pGroup->m_strName = "G";
    for (const char* szFolders : {"ab", "cd"}) {
        CSyncPair* pPair = CreatePair(*pGroup);
        pPair->m_strSource = std::string("/") + szFolders[0];
        pPair->m_strDestination = std::string("/") + szFolders[1];
        pPair->m_timeLastCopy = 1000;
        pPair->m_nFilesFound = 1;
    }
    CSyncGroupList read;
    EXPECT_EQ(LoadGroupListBytes(StoreGroupList(list), read, {}), LoadOutcome::Loaded);
    return read;
}

CSyncPair& Pair(const CSyncGroupList& list, int32_t nPair) {
    return *PairAtIndex(*GroupAtIndex(list, 0), nPair);
}

void RunAt(CSyncPair& pair, CTime32 time, uint32_t nFound) {
    pair.m_timeLastCopy = time;
    pair.m_nFilesFound = nFound;
}

TEST(TakeRunsSavedElsewhere, TheNewerRunWinsAndTheWindowsEditsStay) {
    struct Case {
        const char* szName;
        CTime32 windowRan;  // 0: the window did not run the pair
        CTime32 fileRan;    // 0: nobody else did
        uint32_t nFoundAfter;
    };
    const Case cases[] = {
        {"nobody ran", 0, 0, 1},
        {"only a runner ran", 0, 2000, 9},
        {"a runner's failed run (same date)", 0, 1000, 9},
        {"only the window ran", 2000, 0, 7},
        {"both, the runner later", 2000, 3000, 9},
        {"both, the window later", 3000, 2000, 7},
        {"both, the same date", 2000, 2000, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.szName);
        const CSyncGroupList loaded = ReadList();
        CSyncGroupList held = ReadList();
        CSyncGroupList file = ReadList();
        Pair(held, 1).m_strExclude = ".tmp";  // the user's edit
        if (c.windowRan != 0) {
            RunAt(Pair(held, 1), c.windowRan, 7);
        }
        if (c.fileRan != 0) {
            RunAt(Pair(file, 1), c.fileRan, 9);
        }
        TakeRunsSavedElsewhere(held, loaded, file);
        EXPECT_EQ(Pair(held, 1).m_nFilesFound, c.nFoundAfter);
        EXPECT_EQ(Pair(held, 1).m_strExclude, ".tmp");
        EXPECT_EQ(Pair(held, 0).m_nFilesFound, 1u);
    }
}

// Pairs are matched by where they were read and the folders they had then, whatever the
// window or the file changed since.
TEST(TakeRunsSavedElsewhere, PairsAreFoundWhereTheyWereRead) {
    const CSyncGroupList loaded = ReadList();
    CSyncGroupList held = ReadList();
    CSyncGroupList file = ReadList();
    // The window: the first pair's folders changed, the second removed, a new pair and a
    // new group (whose pairs were never read) added, the group renamed.
    Pair(held, 0).m_strSource = "/elsewhere";
    RemovePair(*GroupAtIndex(held, 0), 1, &Pair(held, 1));
    CreatePair(*GroupAtIndex(held, 0))->m_strSource = "/c";
    CreatePair(*CreateGroup(held));
    GroupAtIndex(held, 0)->m_strName = "Renamed";
    // The file: a pair put before the others, and both read pairs ran.
    RunAt(Pair(file, 0), 2000, 9);
    RunAt(Pair(file, 1), 2000, 9);
    CSyncPair* pFirst = CreatePair(*GroupAtIndex(file, 0));
    pFirst->m_strSource = "/c";
    pFirst->m_strDestination = "/d";

    TakeRunsSavedElsewhere(held, loaded, file);
    ASSERT_EQ(GroupAtIndex(held, 0)->m_listPairs.GetCount(), 2);
    EXPECT_EQ(Pair(held, 0).m_nFilesFound, 9u);
    EXPECT_EQ(Pair(held, 0).m_timeLastCopy, 2000u);
    EXPECT_EQ(Pair(held, 0).m_strSource, "/elsewhere");
    EXPECT_EQ(Pair(held, 1).m_nFilesFound, 0u);  // made in the window
    EXPECT_EQ(GroupAtIndex(held, 0)->m_strName, "Renamed");
    EXPECT_EQ(GroupAtIndex(held, 1)->m_listPairs.GetAt(0)->m_nFilesFound, 0u);

    // A file whose pair now has other folders holds nothing of the window's.
    CSyncGroupList reshaped = ReadList();
    Pair(reshaped, 0).m_strDestination = "/other";
    RunAt(Pair(reshaped, 0), 5000, 5);
    TakeRunsSavedElsewhere(held, loaded, reshaped);
    EXPECT_EQ(Pair(held, 0).m_nFilesFound, 9u);
}

}  // namespace
