// SPDX-License-Identifier: GPL-3.0-or-later
// Synclist.dat: its byte layout, the load's checks and messages, damaged files, and the
// atomic save.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "Archive.h"
#include "FileTree.h"
#include "GroupListFile.h"
#include "GroupListLocation.h"
#include "TempFolder.h"

namespace {

const char* const kDamaged = "Sync list damaged at end!";
const char* const kVersionChanged = "Versie is veranderd!\nControleer opties!";

std::string Hex(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) {
        s.push_back(static_cast<char>(v));
    }
    return s;
}

// The one-group example: one group "New Group" holding one new pair (127 bytes).
std::string ExampleFile() {
    std::string s = Hex({0x17}) + "Synchronize group list" + Hex({0x1a, 2, 0, 0, 0, 1, 0, 0, 0});
    s += Hex({0x09}) + "New Group" + Hex({1, 0, 0, 0});
    s += Hex({2, 0, 0, 0, 0, 0, 0});  // version 2, three empty texts
    s += std::string(8, '\0');        // the date, twice
    s += Hex({1, 0, 0, 0});           // "Include sub folders"
    s += std::string(12 * 4, '\0');   // figures and the other options
    s += Hex({0x0d}) + "\nEnd of list.";
    return s;
}

// A pair record of a given version with recognisable values.
std::string PairRecord(int32_t nVersion, bool bWithBothWays) {
    CArchive ar;
    ar << nVersion << std::string("src") << std::string("dst") << std::string("ex");
    ar << uint32_t{1000} << uint32_t{2000};
    ar << int32_t{0} << uint32_t{11} << uint32_t{12} << uint32_t{13} << uint32_t{14};
    ar << int32_t{15} << int32_t{16} << uint32_t{17} << uint32_t{0};
    ar << int32_t{1} << int32_t{1} << int32_t{1};
    if (bWithBothWays) {
        ar << int32_t{1};
    }
    return ar.Bytes();
}

std::string FileWithPairs(int32_t nListVersion, const std::vector<std::string>& records) {
    CArchive ar;
    ar << std::string("Synchronize group list\x1a") << nListVersion << int32_t{1};
    ar << std::string("G") << static_cast<int32_t>(records.size());
    std::string s = ar.Bytes();
    for (const std::string& record : records) {
        s += record;
    }
    return s + Hex({0x0d}) + "\nEnd of list.";
}

struct LoadResult {
    LoadOutcome outcome;
    std::vector<std::string> messages;
    CSyncGroupList list;
};

void LoadInto(const std::string& bytes, LoadResult& result) {
    result.outcome = LoadGroupListBytes(
        bytes, result.list, [&](const std::string& m) { result.messages.push_back(m); });
}

// The list file in a fresh folder of its own.
class ListInFolder : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return m_temp / name; }
    size_t FilesInFolder() const { return ListTree(m_temp.Path()).size(); }

    TempFolder m_temp;
};

TEST(GroupListFile, ExampleIsStoredByteForByte) {
    CSyncGroupList list;
    CreatePair(*CreateGroup(list));
    const std::string stored = StoreGroupList(list);
    EXPECT_EQ(stored.size(), 127u);
    EXPECT_EQ(stored, ExampleFile());

    LoadResult result;
    LoadInto(stored, result);
    EXPECT_EQ(result.outcome, LoadOutcome::Loaded);
    EXPECT_TRUE(result.messages.empty());
    EXPECT_EQ(StoreGroupList(result.list), stored);
}

TEST(GroupListFile, EmptyListIs46Bytes) {
    const std::string stored = StoreGroupList(CSyncGroupList());
    EXPECT_EQ(stored.size(), 46u);
    LoadResult result;
    LoadInto(stored, result);
    EXPECT_EQ(result.outcome, LoadOutcome::Loaded);
    EXPECT_EQ(result.list.GetCount(), 0);
}

// Files that are whole but say something the load must react to.
TEST(GroupListFile, HeaderVersionsAndTrailer) {
    const std::string example = ExampleFile();
    std::string lowerCase = example;
    lowerCase[1] = 's';
    std::string version3 = example;
    version3[24] = 3;
    std::string noFullStop = example.substr(0, example.size() - 15) + Hex({0x0c}) + "\nEnd of list";

    struct Case {
        const char* name;
        std::string bytes;
        LoadOutcome outcome;
        std::vector<std::string> messages;
        int32_t nGroups;
    };
    const Case cases[] = {
        {"header in other case", lowerCase, LoadOutcome::Invalid, {"Invalid Synclist!"}, 0},
        {"list version 3", version3, LoadOutcome::NewerVersion, {"Synclist for newer version!"}, 0},
        {"list version 0", FileWithPairs(0, {PairRecord(2, true)}), LoadOutcome::Loaded, {}, 1},
        {"list version 1", FileWithPairs(1, {PairRecord(2, true)}), LoadOutcome::Loaded, {}, 1},
        {"list version -5", FileWithPairs(-5, {}), LoadOutcome::Loaded, {}, 1},
        {"bytes after the trailer", example + "garbage", LoadOutcome::Loaded, {}, 1},
        {"trailer without full stop", noFullStop, LoadOutcome::Damaged, {kDamaged}, 1},
        {"empty file", "", LoadOutcome::Damaged, {kDamaged}, 0},
        {"shorter than its header", example.substr(0, 10), LoadOutcome::Damaged, {kDamaged}, 0},
        {"other text as header", Hex({3}) + "abc", LoadOutcome::Invalid, {"Invalid Synclist!"}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoadResult result;
        LoadInto(c.bytes, result);
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(result.messages, c.messages);
        EXPECT_EQ(result.list.GetCount(), c.nGroups);
    }
}

// Older and newer pair records load after one message each; version 1 has no "Both ways".
TEST(GroupListFile, PairRecordVersions) {
    struct Case {
        int32_t nVersion;
        bool bRecordHasBothWays;
        int32_t nExpectedBothWays;
        size_t nMessages;
    };
    const Case cases[] = {{1, false, 0, 5}, {2, true, 1, 0}, {3, true, 1, 5}, {0, false, 0, 5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.nVersion);
        std::vector<std::string> records(5, PairRecord(c.nVersion, c.bRecordHasBothWays));
        LoadResult result;
        LoadInto(FileWithPairs(2, records), result);
        EXPECT_EQ(result.outcome, LoadOutcome::Loaded);
        EXPECT_EQ(result.messages, std::vector<std::string>(c.nMessages, kVersionChanged));
        const CSyncGroup* group = GroupAtIndex(result.list, 0);
        ASSERT_NE(group, nullptr);
        ASSERT_EQ(group->m_listPairs.GetCount(), 5);
        const CSyncPair* pair = PairAtIndex(*group, 4);
        EXPECT_EQ(pair->m_bBothWays, c.nExpectedBothWays);
        EXPECT_EQ(pair->m_strSource, "src");
        EXPECT_EQ(pair->m_strExclude, "ex");
        EXPECT_EQ(pair->m_timeLastCopy, 1000u);  // the second copy plays no part
        EXPECT_EQ(pair->m_bSubFolders, 0);
        EXPECT_EQ(pair->m_nFilesFound, 11u);
        EXPECT_EQ(pair->m_dwBytesCopied, 17u);
        EXPECT_EQ(pair->m_bOverwriteRHS, 1);
    }
}

TEST(GroupListFile, EveryStoredFieldSurvivesARoundTrip) {
    const int32_t signedValues[] = {0, -1, INT32_MIN, INT32_MAX};
    const uint32_t unsignedValues[] = {0, 0xFFFFFFFFu, 0x80000000u, 0x7FFFFFFFu};
    CSyncGroupList list;
    for (int i = 0; i < 4; ++i) {
        CSyncGroup* group = CreateGroup(list);
        group->m_strName = std::string(static_cast<size_t>(i) * 300, static_cast<char>(0xE9 + i));
        CSyncPair* p = CreatePair(*group);
        const int32_t s = signedValues[i];
        const uint32_t u = unsignedValues[i];
        p->m_strSource = std::string("\0/\xff\x80", 4) + std::to_string(i);
        p->m_strDestination = std::string(65534 + static_cast<size_t>(i), 'd');
        p->m_strExclude = ";\x01;";
        p->m_timeLastCopy = u;
        p->m_bSubFolders = s;
        p->m_nFilesFound = u;
        p->m_nDirectories = u + 1;
        p->m_nFilesCopied = u + 2;
        p->m_dwElapsedMs = u + 3;
        p->m_nErrors = s;
        p->m_nLastError = s;
        p->m_dwBytesCopied = u;
        p->m_dwReserved = u;
        p->m_bCheckDestDate = s;
        p->m_bOnlyNewer = s;
        p->m_bOverwriteRHS = s;
        p->m_bBothWays = s;
        p->m_bCancel = 1;  // never stored
    }
    const std::string stored = StoreGroupList(list);
    LoadResult result;
    LoadInto(stored, result);
    ASSERT_EQ(result.outcome, LoadOutcome::Loaded);
    ASSERT_EQ(result.list.GetCount(), 4);
    for (int32_t i = 0; i < 4; ++i) {
        const CSyncGroup& a = *GroupAtIndex(list, i);
        const CSyncGroup& b = *GroupAtIndex(result.list, i);
        EXPECT_EQ(a.m_strName, b.m_strName);
        const CSyncPair& p = *PairAtIndex(a, 0);
        const CSyncPair& q = *PairAtIndex(b, 0);
        EXPECT_EQ(p.m_strSource, q.m_strSource);
        EXPECT_EQ(p.m_strDestination, q.m_strDestination);
        EXPECT_EQ(p.m_strExclude, q.m_strExclude);
        EXPECT_EQ(p.m_timeLastCopy, q.m_timeLastCopy);
        EXPECT_EQ(p.m_bSubFolders, q.m_bSubFolders);
        EXPECT_EQ(p.m_nFilesFound, q.m_nFilesFound);
        EXPECT_EQ(p.m_nDirectories, q.m_nDirectories);
        EXPECT_EQ(p.m_nFilesCopied, q.m_nFilesCopied);
        EXPECT_EQ(p.m_dwElapsedMs, q.m_dwElapsedMs);
        EXPECT_EQ(p.m_nErrors, q.m_nErrors);
        EXPECT_EQ(p.m_nLastError, q.m_nLastError);
        EXPECT_EQ(p.m_dwBytesCopied, q.m_dwBytesCopied);
        EXPECT_EQ(p.m_dwReserved, q.m_dwReserved);
        EXPECT_EQ(p.m_bCheckDestDate, q.m_bCheckDestDate);
        EXPECT_EQ(p.m_bOnlyNewer, q.m_bOnlyNewer);
        EXPECT_EQ(p.m_bOverwriteRHS, q.m_bOverwriteRHS);
        EXPECT_EQ(p.m_bBothWays, q.m_bBothWays);
        EXPECT_EQ(q.m_bCancel.load(), 0);
        EXPECT_EQ(q.m_pLogList, nullptr);
        EXPECT_EQ(q.m_pProgressDlg, nullptr);
    }
    EXPECT_EQ(StoreGroupList(result.list), stored);
}

// A valid file cut at every byte: never a crash, the damage message once, and exactly the
// groups whose records lie wholly before the cut.
TEST(GroupListFile, CutAtEveryOffsetKeepsTheCompleteGroups) {
    CSyncGroupList list;
    for (int g = 0; g < 3; ++g) {
        CSyncGroup* group = CreateGroup(list);
        group->m_strName = "group " + std::to_string(g);
        for (int p = 0; p < g + 1; ++p) {
            CreatePair(*group)->m_strSource = std::string(static_cast<size_t>(100 * p), 's');
        }
    }
    const std::string whole = StoreGroupList(list);
    // Where each group's record ends: the size of a file holding the groups before it,
    // without its trailer.
    std::vector<size_t> groupEnds;
    size_t nEnd = StoreGroupList(CSyncGroupList()).size() - 14;
    for (CSyncGroup& group : list) {
        CArchive ar;
        group.Serialize(ar);
        nEnd += ar.Bytes().size();
        groupEnds.push_back(nEnd);
    }
    ASSERT_EQ(groupEnds.back() + 14, whole.size());

    for (size_t nCut = 0; nCut < whole.size(); ++nCut) {
        LoadResult result;
        LoadInto(whole.substr(0, nCut), result);
        ASSERT_EQ(result.outcome, LoadOutcome::Damaged) << nCut;
        ASSERT_EQ(result.messages, std::vector<std::string>{kDamaged}) << nCut;
        int32_t nComplete = 0;
        for (size_t end : groupEnds) {
            nComplete += end <= nCut ? 1 : 0;
        }
        ASSERT_EQ(result.list.GetCount(), nComplete) << nCut;
    }
}

// Counts and lengths that promise more than the file holds end the load quickly and small.
TEST(GroupListFile, LyingCountsEndTheLoad) {
    CArchive head;
    head << std::string("Synchronize group list\x1a") << int32_t{2};
    const std::string header = head.Bytes();
    const std::string cases[] = {
        header + Hex({0xFF, 0xFF, 0xFF, 0x7F}),                                // 2^31-1 groups
        header + Hex({0xFF, 0xFF, 0xFF, 0xFF}),                                // -1 groups
        header + Hex({1, 0, 0, 0, 1, 'G', 0xFF, 0xFF, 0xFF, 0x7F}),            // 2^31-1 pairs
        header + Hex({1, 0, 0, 0, 1, 'G', 0x00, 0x00, 0x00, 0x80}),            // negative pairs
        header + Hex({1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}),  // 2 GiB name
        header + Hex({1, 0, 0, 0, 0xFF, 0xFE, 0xFF, 'G'}),                     // reserved prefix
    };
    for (const std::string& bytes : cases) {
        LoadResult result;
        LoadInto(bytes, result);
        EXPECT_EQ(result.outcome, LoadOutcome::Damaged);
        EXPECT_EQ(result.messages, std::vector<std::string>{kDamaged});
        EXPECT_EQ(result.list.GetCount(), 0);
    }
}

TEST_F(ListInFolder, LoadAndSaveThroughTheFile) {
    LoadResult missing;
    EXPECT_EQ(LoadGroupListFile(Path("Synclist.dat"), missing.list,
                                [&](const std::string& m) { missing.messages.push_back(m); }),
              LoadOutcome::NotFound);
    EXPECT_EQ(missing.messages, std::vector<std::string>{"Sync list not found!"});

    CSyncGroupList list;
    CreatePair(*CreateGroup(list));
    std::string strError;
    ASSERT_TRUE(SaveGroupList(Path("Synclist.dat"), list, strError));
    EXPECT_EQ(ReadFile(Path("Synclist.dat")), ExampleFile());
    EXPECT_EQ(FilesInFolder(), 1u);  // no temporary file left behind

    CSyncGroupList loaded;
    EXPECT_EQ(LoadGroupListFile(Path("Synclist.dat"), loaded, nullptr), LoadOutcome::Loaded);
    EXPECT_EQ(loaded.GetCount(), 1);
}

TEST_F(ListInFolder, AFailedSaveKeepsTheOldFile) {
    const std::string path = Path("Synclist.dat");
    WriteFile(path, "the old list");

    // A folder that does not exist.
    std::string strError;
    EXPECT_FALSE(SaveGroupList(Path("missing/Synclist.dat"), CSyncGroupList(), strError));
    EXPECT_NE(strError.find("missing"), std::string::npos) << strError;

    // A disk that fills up mid-write (a file size limit stops root as well).
    CSyncGroupList big;
    CreateGroup(big)->m_strName = std::string(100000, 'n');
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const sighandler_t oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    strError.clear();
    const bool bSaved = SaveGroupList(path, big, strError);
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(bSaved);
    EXPECT_NE(strError.find("Synclist.dat"), std::string::npos) << strError;
    EXPECT_EQ(ReadFile(path), "the old list");
    EXPECT_EQ(FilesInFolder(), 1u);
}

// A list reached through links (a relative one to an absolute one) is saved into the file
// they lead to, from beside it: the links stay links, and the lock is the target folder's.
TEST_F(ListInFolder, SaveThroughALinkReplacesItsTarget) {
    MakeFolders(Path("real"));
    WriteFile(Path("real/Synclist.dat"), "the old list");
    ASSERT_EQ(::symlink(Path("real/Synclist.dat").c_str(), Path("absolute").c_str()), 0);
    ASSERT_EQ(::symlink("absolute", Path("Synclist.dat").c_str()), 0);
    CSyncGroupList list;
    CreatePair(*CreateGroup(list));
    std::string strError;
    ASSERT_TRUE(SaveGroupList(Path("Synclist.dat"), list, strError)) << strError;
    EXPECT_EQ(ReadFile(Path("real/Synclist.dat")), ExampleFile());
    EXPECT_EQ(ListTree(m_temp.Path()),
              (std::vector<std::string>{"Synclist.dat", "absolute", "real/", "real/Synclist.dat"}));
    struct stat st {};
    ASSERT_EQ(::lstat(Path("Synclist.dat").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));

    const CGroupListLock held(Path("real/Synclist.dat"));
    ASSERT_TRUE(held.Locked());
    const CGroupListLock throughLink(Path("Synclist.dat"), std::chrono::milliseconds(0));
    EXPECT_TRUE(throughLink.TimedOut());
    EXPECT_FALSE(throughLink.Locked());

    // A link that leads nowhere yet: the file is made where it leads.
    ASSERT_EQ(::symlink("real/new.dat", Path("dangling").c_str()), 0);
    ASSERT_TRUE(SaveGroupList(Path("dangling"), list, strError)) << strError;
    EXPECT_EQ(ReadFile(Path("real/new.dat")), ExampleFile());
}

// Each loaded pair knows where it was read, so that a saver finds it again.
TEST(GroupListFile, LoadedPairsKnowTheirPlace) {
    CSyncGroupList list;
    CreateGroup(list);
    CSyncGroup* pSecond = CreateGroup(list);
    CreatePair(*pSecond);
    CreatePair(*pSecond);
    EXPECT_FALSE(PairAtIndex(*pSecond, 1)->m_origin.Known());
    LoadResult result;
    LoadInto(StoreGroupList(list), result);
    const CPairOrigin origin = PairAtIndex(*GroupAtIndex(result.list, 1), 1)->m_origin;
    EXPECT_EQ(origin.nGroup, 1);
    EXPECT_EQ(origin.nPair, 1);
}

TEST(GroupListFile, PathBesideTheExecutable) {
    EXPECT_EQ(GroupListPathBeside("/opt/folvex/bin/folvex"), "/opt/folvex/bin/Synclist.dat");
    EXPECT_EQ(GroupListPathBeside("folvex"), "Synclist.dat");
}

}  // namespace
