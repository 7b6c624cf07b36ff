// SPDX-License-Identifier: GPL-3.0-or-later
// Pairs whose folders are empty, the same, or one inside the other are refused: such a run
// would write into the root, over its own source, or into what it walks.
#include <gtest/gtest.h>
#include <unistd.h>

#include "EngineFixture.h"
#include "PathOverlap.h"
#include "Synchronize.h"

namespace {

struct OverlapCase {
    const char* szName;
    std::string strSource;  // "{T}" is the temporary folder, which holds a/ and alias -> a
    std::string strDestination;
    FolderOverlap expected;
};

void PrintTo(const OverlapCase& c, std::ostream* pOut) {
    *pOut << c.szName;
}

class FolderOverlapCheck : public testing::TestWithParam<OverlapCase> {};

std::string Fill(std::string strText, const std::string& strTemp) {
    const size_t n = strText.find("{T}");
    return n == std::string::npos ? strText : strText.replace(n, 3, strTemp);
}

TEST_P(FolderOverlapCheck, ComparesWholeResolvedComponents) {
    const OverlapCase& c = GetParam();
    TempFolder temp;
    MakeFolders(temp / "a/inner");
    ASSERT_EQ(::symlink((temp / "a").c_str(), (temp / "alias").c_str()), 0);
    PosixPlatform platform;
    EXPECT_EQ(CheckFolderOverlap(Fill(c.strSource, temp.Path()),
                                 Fill(c.strDestination, temp.Path()), platform),
              c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Engine, FolderOverlapCheck,
    testing::Values(
        OverlapCase{"EmptySource", "", "{T}/b", FolderOverlap::EmptyFolder},
        OverlapCase{"EmptyDestination", "{T}/a", "", FolderOverlap::EmptyFolder},
        OverlapCase{"Same", "{T}/a", "{T}/a", FolderOverlap::SameFolder},
        OverlapCase{"SameWithTrailingSeparator", "{T}/a/", "{T}/a", FolderOverlap::SameFolder},
        OverlapCase{"SameThroughLink", "{T}/a", "{T}/alias", FolderOverlap::SameFolder},
        OverlapCase{"SameWithDoubledSeparator", "{T}//a", "{T}/./a", FolderOverlap::SameFolder},
        OverlapCase{"DestinationInside", "{T}/a", "{T}/a/inner",
                    FolderOverlap::DestinationInsideSource},
        OverlapCase{"NewDestinationInsideThroughLink", "{T}/a", "{T}/alias/new/deeper",
                    FolderOverlap::DestinationInsideSource},
        OverlapCase{"DestinationInsideAfterDotDot", "{T}/a", "{T}/b/../a/x",
                    FolderOverlap::DestinationInsideSource},
        OverlapCase{"SourceInside", "{T}/alias/inner", "{T}/a",
                    FolderOverlap::SourceInsideDestination},
        OverlapCase{"RootSource", "/", "{T}/b", FolderOverlap::DestinationInsideSource},
        OverlapCase{"SharedPrefixIsNoOverlap", "{T}/a", "{T}/ab", FolderOverlap::None},
        OverlapCase{"Siblings", "{T}/a/inner", "{T}/b", FolderOverlap::None}),
    [](const testing::TestParamInfo<OverlapCase>& info) { return info.param.szName; });

struct RefusalCase {
    const char* szName;
    std::string strSource;  // "{T}" is the temporary folder; {T}/src exists
    std::string strDestination;
    std::string strReason;
};

void PrintTo(const RefusalCase& c, std::ostream* pOut) {
    *pOut << c.szName;
}

class RefusedRun : public EngineTest, public testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusedRun, CopiesNothingAndNamesBothFolders) {
    const RefusalCase& c = GetParam();
    BuildTree(Src(), {{"a.txt", "a"}, {"sub/b.txt", "b"}});
    m_pair.m_strSource = Fill(c.strSource, m_temp.Path());
    m_pair.m_strDestination = Fill(c.strDestination, m_temp.Path());
    m_pair.m_timeLastCopy = 77;
    const TreeSnapshot before = Snapshot(m_temp.Path());

    EXPECT_EQ(m_pair.DoSync(), 1);
    EXPECT_EQ(m_log.Lines(),
              (std::vector<std::string>{c.strReason + " Not copied from \"" + m_pair.m_strSource +
                                        "\" to \"" + m_pair.m_strDestination + "\""}));
    EXPECT_EQ(m_pair.m_nErrors, 1);
    EXPECT_EQ(m_pair.m_nFilesFound, 0u);
    EXPECT_EQ(m_pair.m_timeLastCopy, 77u);
    EXPECT_TRUE(m_platform.CreatedFolders().empty());
    EXPECT_EQ(Snapshot(m_temp.Path()), before);
}

INSTANTIATE_TEST_SUITE_P(
    Engine, RefusedRun,
    testing::Values(RefusalCase{"EmptySource", "", "{T}/dst",
                                "ERROR: Source or destination folder not set!"},
                    RefusalCase{"EmptyDestination", "{T}/src", "",
                                "ERROR: Source or destination folder not set!"},
                    RefusalCase{"SameFolder", "{T}/src", "{T}/src/",
                                "ERROR: Source and destination are the same folder!"},
                    RefusalCase{"DestinationInsideSource", "{T}/src", "{T}/src/backup",
                                "ERROR: Destination folder lies inside the source folder!"},
                    RefusalCase{"SourceInsideDestination", "{T}/src/sub", "{T}",
                                "ERROR: Source folder lies inside the destination folder!"}),
    [](const testing::TestParamInfo<RefusalCase>& info) { return info.param.szName; });

TEST_F(EngineTest, BothDirectionsOfABothWaysPairAreChecked) {
    BuildTree(Src(), {{"a.txt", "a"}});
    m_pair.m_strDestination = Src("mirror");
    m_pair.m_bBothWays = 1;
    SyncThreadProc(&m_progress);
    const std::string strInside = "\"" + Src() + "\" to \"" + Src("mirror") + "\"";
    const std::string strOutside = "\"" + Src("mirror") + "\" to \"" + Src() + "\"";
    EXPECT_EQ(m_log.Lines(),
              (std::vector<std::string>{
                  "ERROR: Source folder lies inside the destination folder! Not copied from " +
                      strOutside,
                  "ERROR: Destination folder lies inside the source folder! Not copied from " +
                      strInside}));
    // One pair, one result: the refusals of both directions count.
    EXPECT_EQ(m_pair.m_nErrors, 2);
    EXPECT_FALSE(Exists(Src("mirror")));
    EXPECT_EQ(m_pair.m_strSource, Src());
}

}  // namespace
