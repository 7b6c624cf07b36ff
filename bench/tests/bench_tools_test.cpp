// SPDX-License-Identifier: GPL-3.0-or-later
// The benchmark's helpers: its command line, its statistics, the tree comparison that
// guards every copy, and the report format that scripts read.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "BenchOptions.h"
#include "ResultTable.h"
#include "Timing.h"
#include "TreeTools.h"
#include "WorkFolder.h"

namespace {

BenchOptions Parse(std::vector<std::string> args) {
    args.insert(args.begin(), "folvex_bench");
    std::vector<char*> argv;
    for (std::string& strArg : args) {
        argv.push_back(strArg.data());
    }
    return ParseOptions(static_cast<int>(argv.size()), argv.data());
}

TEST(BenchOptionsTest, AcceptsTheDocumentedFlags) {
    const BenchOptions defaults = Parse({});
    EXPECT_EQ(defaults.nSmallRounds, 5);
    EXPECT_EQ(defaults.nLargeRounds, 3);
    EXPECT_TRUE(defaults.Runs(BenchSection::Small));
    EXPECT_TRUE(defaults.Runs(BenchSection::Large));
    EXPECT_TRUE(defaults.Runs(BenchSection::Gui));

    const BenchOptions chosen = Parse({"--reps", "7", "--only", "gui", "--dir", "/var/tmp"});
    EXPECT_EQ(chosen.nSmallRounds, 7);
    EXPECT_EQ(chosen.nLargeRounds, 7);
    EXPECT_TRUE(chosen.Runs(BenchSection::Gui));
    EXPECT_FALSE(chosen.Runs(BenchSection::Small));
    EXPECT_FALSE(chosen.Runs(BenchSection::Large));
    EXPECT_EQ(chosen.strParentFolder, "/var/tmp");

    EXPECT_TRUE(Parse({"--help"}).bHelp);
}

TEST(BenchOptionsTest, RefusesBadCommandLines) {
    const std::vector<std::vector<std::string>> bad = {
        {"--reps"},       {"--reps", "0"},    {"--reps", "3x"},
        {"--reps", "-2"}, {"--reps", "1001"}, {"--only", "medium"},
        {"--dir", ""},    {"--fast"},         {"small"},
    };
    for (const auto& args : bad) {
        EXPECT_THROW(Parse(args), std::invalid_argument) << args[0];
    }
}

TEST(TimingTest, MedianOfOddEvenAndEmptySeries) {
    struct Case {
        std::vector<double> values;
        double dMedian;
    };
    const std::vector<Case> cases = {
        {{}, 0.0},
        {{4.0}, 4.0},
        {{3.0, 1.0, 2.0}, 2.0},
        {{4.0, 1.0, 3.0, 2.0}, 2.5},
        {{9.0, 1.0, 1.1, 1.2, 50.0}, 1.2},  // outliers do not move it
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(Median(c.values), c.dMedian);
    }
}

class TreeComparisonTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const std::string& strRoot : {m_strOriginal, m_strCopy}) {
            std::filesystem::create_directories(strRoot + "/sub");
            Write(strRoot + "/a.txt", "alpha");
            Write(strRoot + "/sub/b.txt", "bravo");
        }
        // Both files of a pair get the same modification time, as a faithful copy would.
        for (const char* szName : {"/a.txt", "/sub/b.txt"}) {
            const auto time = std::filesystem::last_write_time(m_strOriginal + szName);
            std::filesystem::last_write_time(m_strCopy + szName, time);
        }
    }

    static void Write(const std::string& strPath, const std::string& strBytes) {
        std::ofstream(strPath, std::ios::binary) << strBytes;
    }

    WorkFolder m_work{std::filesystem::temp_directory_path().string()};
    std::string m_strOriginal = m_work.Child("original");
    std::string m_strCopy = m_work.Child("copy");
};

TEST_F(TreeComparisonTest, FaithfulCopyHasNoDifference) {
    EXPECT_EQ(FirstDifference(m_strOriginal, m_strCopy), "");
}

TEST_F(TreeComparisonTest, EveryKindOfDamageIsFound) {
    struct Damage {
        const char* szWhat;
        void (*apply)(const std::string& strCopy);
        const char* szExpected;
    };
    const std::vector<Damage> damages = {
        {"missing file", [](const std::string& s) { std::filesystem::remove(s + "/a.txt"); },
         "missing"},
        {"missing folder", [](const std::string& s) { std::filesystem::remove_all(s + "/sub"); },
         "missing"},
        {"shorter file", [](const std::string& s) { Write(s + "/a.txt", "alph"); }, "size differs"},
        {"same size, other bytes",
         [](const std::string& s) {
             const auto time = std::filesystem::last_write_time(s + "/sub/b.txt");
             Write(s + "/sub/b.txt", "brave");
             std::filesystem::last_write_time(s + "/sub/b.txt", time);
         },
         "content differs"},
        {"other modification time",
         [](const std::string& s) {
             const auto time = std::filesystem::last_write_time(s + "/a.txt");
             std::filesystem::last_write_time(s + "/a.txt", time - std::chrono::seconds(10));
         },
         "modification time differs"},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.szWhat);
        std::filesystem::remove_all(m_strOriginal);
        std::filesystem::remove_all(m_strCopy);
        SetUp();
        damage.apply(m_strCopy);
        EXPECT_NE(FirstDifference(m_strOriginal, m_strCopy).find(damage.szExpected),
                  std::string::npos);
    }
}

TEST(ResultTableTest, RatioLinesComeLastInTheirFixedForm) {
    ResultTable table;
    table.AddRow({"cp -a, full small", 5, 2.0, 1.5, 3.0, 1.9, 0.25, "10000 files/s"});
    table.AddRatio({"full_small_vs_cp", 1.0456, 1.10, 1.02});
    table.AddRatio({"noop_small_vs_rsync", 0.61, 0.50, 0.6});
    std::ostringstream out;
    table.Print(out);
    const std::string strText = out.str();

    EXPECT_NE(strText.find("cp -a, full small"), std::string::npos);
    EXPECT_NE(strText.find("target full_small_vs_cp <= 1.10: 1.046 met"), std::string::npos);
    EXPECT_NE(strText.find("target noop_small_vs_rsync <= 0.50: 0.610 MISSED"), std::string::npos);
    const std::string strTail = "RATIO full_small_vs_cp 1.046\nRATIO noop_small_vs_rsync 0.610\n";
    ASSERT_GE(strText.size(), strTail.size());
    EXPECT_EQ(strText.substr(strText.size() - strTail.size()), strTail);
}

}  // namespace
