// SPDX-License-Identifier: GPL-3.0-or-later
// The engine with several threads against the engine with one, on generated trees: folders
// of thousands of excluded files, thousands of empty folders, files and folders that cannot
// be read, links (to files, to folders, round in a circle, to nowhere) and destinations that
// are the same, older, newer or read-only. At 2, 4 and 8 threads the log lines, the figures
// and the destination tree must be those of the one-thread run.
//
// On the disk and, with trees of over 10,000 entries, in memory. CI runs a fixed set of
// seeds. For a longer run by hand:
//   FOLVEX_DIFF_SEED=1000 FOLVEX_DIFF_RUNS=200
//   build/release/tests/core/engine_differential_thread_test
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "EngineFixture.h"
#include "MemoryPlatform.h"
#include "Synchronize.h"

namespace {

namespace fs = std::filesystem;

// What one seed makes: the source tree, what stands at the destination before each run, and
// the faults.
struct GeneratedTree {
    std::vector<TreeEntry> source;
    std::vector<std::pair<std::string, std::string>> links;  // relative link path, its target
    std::vector<TreeEntry> destination;
    std::vector<std::string> readOnlyAtDestination;
    std::vector<std::string> unreadableFiles;
    std::vector<std::string> uncopyableFiles;
    std::vector<std::string> unreadableFolders;
    std::vector<std::string> failingFolderReads;
};

class TreeGenerator {
public:
    // nScale makes the tree that many times larger.
    explicit TreeGenerator(uint64_t nSeed, int nScale = 1) : m_random(nSeed), m_nScale(nScale) {}

    GeneratedTree Make() {
        // Files and folders of every kind, a few levels deep.
        const int nTop = Between(3, 8) * m_nScale;
        for (int i = 0; i < nTop; ++i) {
            Folder("t" + std::to_string(i), 0);
        }
        // A folder of thousands of excluded files, as a project's .git is.
        const int nExcluded = Between(1000, 3000) * m_nScale;
        for (int i = 0; i < nExcluded; ++i) {
            m_tree.source.push_back(
                {"obj.excl/" + std::to_string(i % 40) + "/o" + std::to_string(i), "x"});
        }
        // Thousands of empty folders.
        const int nEmpty = Between(1000, 2500) * m_nScale;
        for (int i = 0; i < nEmpty; ++i) {
            m_tree.source.push_back({"empty/e" + std::to_string(i) + "/", ""});
        }
        // Links: to a file, to a folder, to a folder above (a circle), to nowhere.
        if (!m_files.empty()) {
            m_tree.links.push_back({"t0/filelink", "../" + Pick(m_files)});
        }
        m_tree.links.push_back({"t1/folderlink", "../t0"});
        m_tree.links.push_back({"t2/up", ".."});
        m_tree.links.push_back({"t0/nowhere", "missing-target"});
        if (!m_folders.empty()) {
            m_tree.unreadableFolders.push_back(Pick(m_folders));
            m_tree.failingFolderReads.push_back(Pick(m_folders));
        }
        return std::move(m_tree);
    }

private:
    int Between(int nLow, int nHigh) {
        return std::uniform_int_distribution<int>(nLow, nHigh)(m_random);
    }
    const std::string& Pick(const std::vector<std::string>& from) {
        return from[static_cast<size_t>(Between(0, static_cast<int>(from.size()) - 1))];
    }

    void Folder(const std::string& strPath, int nDepth) {
        m_folders.push_back(strPath);
        m_tree.source.push_back({strPath + "/", ""});
        const int nFiles = Between(0, 40);
        for (int i = 0; i < nFiles; ++i) {
            File(strPath + "/f" + std::to_string(i) + (Between(0, 9) == 0 ? ".excl" : ".dat"));
        }
        if (nDepth < 4) {
            const int nSub = Between(0, 3);
            for (int i = 0; i < nSub; ++i) {
                Folder(strPath + "/s" + std::to_string(i), nDepth + 1);
            }
        }
    }

    void File(const std::string& strPath) {
        const int64_t nTime = 1600000000 + Between(0, 1000);
        m_tree.source.push_back(
            {strPath, std::string(static_cast<size_t>(Between(0, 3000)), 'a'), nTime});
        m_files.push_back(strPath);
        switch (Between(0, 19)) {
            case 0:  // the same file
                m_tree.destination.push_back(m_tree.source.back());
                break;
            case 1:  // newer than the source by more than the tolerance: a warning
                m_tree.destination.push_back({strPath, "newer", nTime + 100});
                break;
            case 2:  // older: replaced
                m_tree.destination.push_back({strPath, "older", nTime - 100});
                break;
            case 3:  // older and read-only: an error without "Overwrite +RHS files"
                m_tree.destination.push_back({strPath, "read-only", nTime - 100});
                m_tree.readOnlyAtDestination.push_back(strPath);
                break;
            case 4:
                m_tree.unreadableFiles.push_back(strPath);
                break;
            case 5:
                m_tree.uncopyableFiles.push_back(strPath);
                break;
            default:
                break;
        }
    }

    std::mt19937_64 m_random;
    int m_nScale;
    GeneratedTree m_tree;
    std::vector<std::string> m_folders;
    std::vector<std::string> m_files;
};

struct RunRecord {
    std::vector<std::string> lines;
    std::vector<uint32_t> figures;
    TreeSnapshot destination;
    std::vector<std::string> described;  // in memory
};

// What a run left: its lines (the destination's path written {D}) and its figures.
RunRecord RecordOf(const std::vector<std::string>& lines, const CSyncPair& pair,
                   const std::string& strDestination) {
    RunRecord record;
    for (std::string strLine : lines) {
        for (size_t n; (n = strLine.find(strDestination)) != std::string::npos;) {
            strLine.replace(n, strDestination.size(), "{D}");
        }
        record.lines.push_back(strLine);
    }
    record.figures = {pair.m_nFilesFound,
                      pair.m_nDirectories,
                      pair.m_nFilesCopied,
                      pair.m_dwBytesCopied,
                      static_cast<uint32_t>(pair.m_nErrors),
                      static_cast<uint32_t>(pair.m_nLastError)};
    return record;
}

class EngineDifferential : public EngineTest {
protected:
    void Generate(uint64_t nSeed) {
        m_tree = TreeGenerator(nSeed).Make();
        BuildTree(Src(), m_tree.source);
        for (const auto& [strLink, strTarget] : m_tree.links) {
            fs::create_symlink(strTarget, Src(strLink));
        }
        for (const std::string& strFile : m_tree.unreadableFiles) {
            m_platform.m_failStatusPaths.insert(Src(strFile));
        }
        for (const std::string& strFile : m_tree.uncopyableFiles) {
            m_platform.m_failCopyPaths.insert(Src(strFile));
        }
        for (const std::string& strFolder : m_tree.unreadableFolders) {
            m_platform.m_unreadableFolders.insert(Src(strFolder));
        }
        for (const std::string& strFolder : m_tree.failingFolderReads) {
            m_platform.m_folderReadsFailing.insert(Src(strFolder));
        }
        m_pair.m_strExclude = "EXCL";
        m_pair.m_bCheckDestDate = 1;
    }

    RunRecord RunWith(unsigned nThreads) {
        const std::string strDestination = m_temp / ("dst" + std::to_string(nThreads));
        BuildTree(strDestination, m_tree.destination);
        for (const std::string& strFile : m_tree.readOnlyAtDestination) {
            SetMode(strDestination + "/" + strFile, 0444);
        }
        SetSyncThreads(nThreads);
        m_log.Clear();
        m_pair.m_strDestination = strDestination;
        m_pair.m_nFilesFound = 0;  // a first run: the destination may be made
        m_pair.DoSync();
        RunRecord record = RecordOf(m_log.Lines(), m_pair, strDestination);
        record.destination = Snapshot(strDestination, false);
        return record;
    }

    GeneratedTree m_tree;
};

// nRuns seeds from 1, or those the environment asks for.
std::vector<uint64_t> Seeds(uint64_t nDefaultRuns = 3) {
    const char* szSeed = std::getenv("FOLVEX_DIFF_SEED");
    const char* szRuns = std::getenv("FOLVEX_DIFF_RUNS");
    const uint64_t nFirst = szSeed != nullptr ? std::strtoull(szSeed, nullptr, 10) : 1;
    const uint64_t nRuns = szRuns != nullptr ? std::strtoull(szRuns, nullptr, 10) : nDefaultRuns;
    std::vector<uint64_t> seeds;
    for (uint64_t n = 0; n < nRuns; ++n) {
        seeds.push_back(nFirst + n);
    }
    return seeds;
}

class EngineDifferentialBySeed : public EngineDifferential,
                                 public testing::WithParamInterface<uint64_t> {};

TEST_P(EngineDifferentialBySeed, SeveralThreadsDoWhatOneDoes) {
    Generate(GetParam());
    const RunRecord one = RunWith(1);
    ASSERT_GT(one.figures[0], 1000u);  // the excluded files alone
    ASSERT_GT(one.figures[4], 0u);     // the faults showed
    for (unsigned nThreads : {2u, 4u, 8u}) {
        const RunRecord several = RunWith(nThreads);
        EXPECT_EQ(several.lines, one.lines) << nThreads << " threads, seed " << GetParam();
        EXPECT_EQ(several.figures, one.figures) << nThreads << " threads, seed " << GetParam();
        EXPECT_TRUE(several.destination == one.destination)
            << nThreads << " threads, seed " << GetParam();
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, EngineDifferentialBySeed, testing::ValuesIn(Seeds()));

// The same in memory, on trees of over 10,000 entries, without a disk.
class EngineDifferentialInMemory : public testing::TestWithParam<uint64_t> {
protected:
    void Generate(uint64_t nSeed) {
        const GeneratedTree tree = TreeGenerator(nSeed, 4).Make();
        for (const TreeEntry& entry : tree.source) {
            if (entry.strRelative.back() == '/') {
                m_platform.AddFolder(Src(entry.strRelative));
            } else {
                m_platform.AddFile(Src(entry.strRelative), entry.strContent, entry.nMtime);
            }
        }
        for (const auto& [strLink, strTarget] : tree.links) {
            m_platform.AddLink(Src(strLink), strTarget);
        }
        for (const auto& [paths, set] :
             {std::pair{&tree.unreadableFiles, &m_platform.m_failStatusPaths},
              std::pair{&tree.uncopyableFiles, &m_platform.m_failCopyPaths},
              std::pair{&tree.unreadableFolders, &m_platform.m_unreadableFolders}}) {
            for (const std::string& strPath : *paths) {
                set->insert(Src(strPath));
            }
        }
        m_tree = tree;
        m_nEntries = tree.source.size();
    }

    RunRecord RunWith(unsigned nThreads) {
        const std::string strDestination = "/dst" + std::to_string(nThreads);
        for (const TreeEntry& entry : m_tree.destination) {
            const bool bReadOnly =
                std::find(m_tree.readOnlyAtDestination.begin(), m_tree.readOnlyAtDestination.end(),
                          entry.strRelative) != m_tree.readOnlyAtDestination.end();
            m_platform.AddFile(strDestination + "/" + entry.strRelative, entry.strContent,
                               entry.nMtime, bReadOnly ? 0444 : 0644);
        }
        SetSyncThreads(nThreads);
        RecordingLog log;
        CSyncPair pair;
        pair.m_strSource = "/src";
        pair.m_strDestination = strDestination;
        pair.m_strExclude = "EXCL";
        pair.m_bCheckDestDate = 1;
        pair.m_pLogList = &log;
        pair.m_pPlatform = &m_platform;
        pair.DoSync();
        RunRecord record = RecordOf(log.Lines(), pair, strDestination);
        for (const auto& [strPath, strWhat] : m_platform.Describe(strDestination)) {
            record.described.push_back(strPath + ": " + strWhat);
        }
        return record;
    }

    static std::string Src(const std::string& strRelative) { return "/src/" + strRelative; }

    MemoryPlatform m_platform;
    GeneratedTree m_tree;
    size_t m_nEntries = 0;
};

TEST_P(EngineDifferentialInMemory, SeveralThreadsDoWhatOneDoes) {
    Generate(GetParam());
    ASSERT_GT(m_nEntries, 10000u);
    const RunRecord one = RunWith(1);
    ASSERT_GT(one.figures[4], 0u);  // the faults showed
    for (unsigned nThreads : {2u, 4u, 8u}) {
        const RunRecord several = RunWith(nThreads);
        EXPECT_EQ(several.lines, one.lines) << nThreads << " threads, seed " << GetParam();
        EXPECT_EQ(several.figures, one.figures) << nThreads << " threads, seed " << GetParam();
        EXPECT_EQ(several.described, one.described) << nThreads << " threads, seed " << GetParam();
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, EngineDifferentialInMemory, testing::ValuesIn(Seeds(10)));

}  // namespace
