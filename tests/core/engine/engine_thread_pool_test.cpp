// SPDX-License-Identifier: GPL-3.0-or-later
// Four threads do what one does: the same log lines in the same order, the same figures,
// the same destination tree, on a tree with sub-folders, exclusions, failures and a newer
// destination.
#include <gtest/gtest.h>

#include "EngineFixture.h"
#include "Synchronize.h"

namespace {

struct RunRecord {
    std::vector<std::string> lines;
    std::vector<uint32_t> figures;
    int32_t nLastError = 0;
    TreeSnapshot destination;
};

class ThreadPool : public EngineTest {
protected:
    RunRecord RunWith(unsigned nThreads, const std::string& strDestination) {
        BuildTree(strDestination,
                  {{"d3/newer.txt", "kept", 1900000000}, {"d5/f8.dat", "ro", 1500000000}});
        SetMode(strDestination + "/d5/f8.dat", 0444);
        SetSyncThreads(nThreads);
        m_log.Clear();
        m_pair.m_strDestination = strDestination;
        m_pair.m_nFilesFound = 0;
        EXPECT_EQ(m_pair.DoSync(), 12);
        RunRecord record;
        for (std::string strLine : m_log.Lines()) {
            for (size_t n; (n = strLine.find(strDestination)) != std::string::npos;) {
                strLine.replace(n, strDestination.size(), "{D}");
            }
            record.lines.push_back(strLine);
        }
        record.figures = {m_pair.m_nFilesFound, m_pair.m_nDirectories, m_pair.m_nFilesCopied,
                          m_pair.m_dwBytesCopied};
        record.nLastError = m_pair.m_nLastError;
        record.destination = Snapshot(strDestination);
        return record;
    }
};

TEST_F(ThreadPool, FourThreadsDoWhatOneDoes) {
    std::vector<TreeEntry> files;
    for (int nFolder = 0; nFolder < 12; ++nFolder) {
        for (int nFile = 0; nFile < 40; ++nFile) {
            const std::string strName = "d" + std::to_string(nFolder) + "/f" +
                                        std::to_string(nFile) + (nFile % 7 == 0 ? ".tmp" : ".dat");
            files.push_back({strName, std::string(static_cast<size_t>(nFile * 97), 'x')});
        }
    }
    files.push_back({"d3/newer.txt", "old", 1600000000});
    BuildTree(Src(), files);
    m_pair.m_strExclude = ".tmp";
    m_pair.m_bCheckDestDate = 1;
    for (int nFile = 1; nFile < 40; nFile += 4) {
        m_platform.m_failStatusPaths.insert(Src("d9/f" + std::to_string(nFile) + ".dat"));
    }
    m_platform.m_unreadableFolders.insert(Src("d11"));

    const RunRecord one = RunWith(1, m_temp / "one");
    const RunRecord four = RunWith(4, m_temp / "four");
    EXPECT_EQ(four.lines, one.lines);
    EXPECT_EQ(four.figures, one.figures);
    EXPECT_EQ(four.nLastError, one.nLastError);
    EXPECT_EQ(four.destination, one.destination);
    EXPECT_EQ(one.figures[0], 441u);  // 11 readable folders of 40 files, and newer.txt
}

}  // namespace
