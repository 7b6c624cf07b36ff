// SPDX-License-Identifier: GPL-3.0-or-later
// The group list and a group's pair list: order, lookup by index, removal, ownership.
#include <gtest/gtest.h>

#include "SyncGroup.h"

namespace {

TEST(GroupList, GroupsAreAppendedInOrderWithTheDefaultName) {
    CSyncGroupList list;
    CSyncGroup* a = CreateGroup(list);
    CSyncGroup* b = CreateGroup(list);
    EXPECT_EQ(a->m_strName, "New Group");
    EXPECT_EQ(b->m_strName, "New Group");  // names need not be unique
    EXPECT_EQ(list.GetCount(), 2);
    EXPECT_EQ(GroupAtIndex(list, 0), a);
    EXPECT_EQ(GroupAtIndex(list, 1), b);
    EXPECT_EQ(GroupAtIndex(list, 2), nullptr);
    EXPECT_EQ(GroupAtIndex(list, -1), nullptr);
    RenameGroup(*b, "");
    EXPECT_EQ(b->m_strName, "");
}

// Removing keeps the others in order, and every other entry keeps its address.
TEST(GroupList, RemovalByIndexKeepsOrderAndAddresses) {
    struct Case {
        int32_t nRemove;
        std::vector<int> expected;  // original positions left, in order
    };
    const Case cases[] = {{0, {1, 2}}, {1, {0, 2}}, {2, {0, 1}}};
    for (const Case& c : cases) {
        CSyncGroupList list;
        std::vector<CSyncGroup*> made;
        for (int i = 0; i < 3; ++i) {
            made.push_back(CreateGroup(list));
            made.back()->m_strName = std::to_string(i);
        }
        RemoveGroup(list, c.nRemove, made[static_cast<size_t>(c.nRemove)]);
        ASSERT_EQ(list.GetCount(), 2);
        for (size_t i = 0; i < c.expected.size(); ++i) {
            EXPECT_EQ(GroupAtIndex(list, static_cast<int32_t>(i)),
                      made[static_cast<size_t>(c.expected[i])]);
        }
    }
}

TEST(GroupList, PairsLiveInTheirGroup) {
    CSyncGroupList list;
    CSyncGroup* group = CreateGroup(list);
    CSyncPair* first = CreatePair(*group);
    CSyncPair* second = CreatePair(*group);
    EXPECT_EQ(PairAtIndex(*group, 0), first);
    EXPECT_EQ(PairAtIndex(*group, 1), second);
    // The cancel flag is reached through its address while a copy runs: it must not move.
    const std::atomic<int32_t>* pCancel = &second->m_bCancel;
    for (int i = 0; i < 100; ++i) {
        CreatePair(*group);
    }
    RemovePair(*group, 0, first);
    EXPECT_EQ(PairAtIndex(*group, 0), second);
    EXPECT_EQ(&PairAtIndex(*group, 0)->m_bCancel, pCancel);
    EXPECT_EQ(group->m_listPairs.GetCount(), 101);

    int nWalked = 0;
    for (CSyncPair& pair : group->m_listPairs) {
        EXPECT_EQ(&pair, PairAtIndex(*group, nWalked));
        ++nWalked;
    }
    EXPECT_EQ(nWalked, 101);
}

TEST(GroupListDeathTest, RemovingAnotherEntryThanShownIsAProgrammingError) {
    CSyncGroupList list;
    CSyncGroup* a = CreateGroup(list);
    CSyncGroup* b = CreateGroup(list);
    (void)a;
    EXPECT_DEATH(RemoveGroup(list, 0, b), "");
}

}  // namespace
