// SPDX-License-Identifier: GPL-3.0-or-later
// The copy step of one file: the order of its tests and every outcome, exclude matching,
// and what it writes into the progress window.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

#include "EngineFixture.h"
#include "SyncWindows.h"
#include "Synchronize.h"

namespace {

constexpr int64_t kSourceTime = 1600000000;

// One source file f.txt against a destination in a given state, with given options.
struct OutcomeCase {
    const char* szName;
    // Options.
    int32_t bCheckDestDate = 0;
    int32_t bOnlyNewer = 0;
    int32_t bOverwriteRHS = 0;
    CTime32 timeLastCopy = 0;
    std::string strExclude = {};
    // The destination: absent unless bDestExists.
    bool bDestExists = false;
    std::string strDestContent = "old";
    int64_t nDestNewerBy = 0;  // seconds; negative: older
    bool bDestReadOnly = false;
    // Faults.
    bool bSourceStatusFails = false;
    int nFailCopyErrno = 0;
    // Expected: log lines newest first ({S}, {D} are the folders), errors, copied.
    std::vector<std::string> lines = {};
    int32_t nErrors = 0;
    bool bCopied = false;
    int32_t nLastError = 0;
};

void PrintTo(const OutcomeCase& c, std::ostream* pOut) {
    *pOut << c.szName;
}

class CopyStepOutcome : public EngineTest, public testing::WithParamInterface<OutcomeCase> {};

TEST_P(CopyStepOutcome, LogLinesCountsAndFiles) {
    const OutcomeCase& c = GetParam();
    WriteFile(Src("f.txt"), "new", kSourceTime);
    if (c.bDestExists) {
        WriteFile(Dst("f.txt"), c.strDestContent, kSourceTime + c.nDestNewerBy);
        if (c.bDestReadOnly) {
            SetMode(Dst("f.txt"), 0444);
        }
    }
    m_pair.m_bCheckDestDate = c.bCheckDestDate;
    m_pair.m_bOnlyNewer = c.bOnlyNewer;
    m_pair.m_bOverwriteRHS = c.bOverwriteRHS;
    m_pair.m_timeLastCopy = c.timeLastCopy;
    m_pair.m_strExclude = c.strExclude;
    if (c.bSourceStatusFails) {
        m_platform.m_failStatusPaths.insert(Src("f.txt"));
    }
    if (c.nFailCopyErrno != 0) {
        m_platform.m_nFailCopyNumber = 1;
        m_platform.m_nFailCopyErrno = c.nFailCopyErrno;
    }

    EXPECT_EQ(RunChecked(), c.nErrors);
    EXPECT_EQ(m_log.Lines(), Expand(c.lines));
    EXPECT_EQ(m_pair.m_nFilesFound, 1u);
    EXPECT_EQ(m_pair.m_nFilesCopied, c.bCopied ? 1u : 0u);
    EXPECT_EQ(m_pair.m_dwBytesCopied, c.bCopied ? 3u : 0u);
    EXPECT_EQ(m_pair.m_nLastError, c.nLastError);
    EXPECT_EQ(m_pair.m_timeLastCopy, c.nErrors == 0 ? 1700000000u : c.timeLastCopy);
    if (c.bCopied) {
        EXPECT_EQ(ReadFile(Dst("f.txt")), "new");
        EXPECT_EQ(MtimeNs(Dst("f.txt")), kSourceTime * 1000000000);
    } else if (c.bDestExists) {
        EXPECT_EQ(ReadFile(Dst("f.txt")), c.strDestContent);
    }
}

const char* const kNone = "Succes: Copied 0 files from {S} to {D}";
const char* const kOne = "Succes: Copied 1 files from {S} to {D}";
const char* const kKept = "Kept 1 replaced files in:{V}";

INSTANTIATE_TEST_SUITE_P(
    Engine, CopyStepOutcome,
    testing::Values(
        OutcomeCase{.szName = "Copied", .lines = {kOne, "OK Copied: {D}/f.txt"}, .bCopied = true},
        OutcomeCase{.szName = "Excluded", .strExclude = ".TXT", .lines = {kNone}},
        OutcomeCase{.szName = "SourceStatusFails",
                    .bSourceStatusFails = true,
                    .lines = {"ERROR: Couldn't get status for source:{S}/f.txt (No such file or "
                              "directory)"},
                    .nErrors = 1},
        OutcomeCase{.szName = "OlderThanLastCopy",
                    .bOnlyNewer = 1,
                    .timeLastCopy = kSourceTime + 1,
                    .lines = {kNone}},
        OutcomeCase{.szName = "SameSecondAsLastCopy",
                    .bOnlyNewer = 1,
                    .timeLastCopy = kSourceTime,
                    .lines = {kOne, "OK Copied: {D}/f.txt"},
                    .bCopied = true},
        OutcomeCase{.szName = "SameTimeAsDestination",
                    .bCheckDestDate = 1,
                    .bDestExists = true,
                    .lines = {kNone}},
        OutcomeCase{.szName = "SameTimeOtherSize",
                    .bCheckDestDate = 1,
                    .bDestExists = true,
                    .strDestContent = "ne",  // cut short
                    .lines = {kOne, kKept, "OK Copied: {D}/f.txt"},
                    .bCopied = true},
        OutcomeCase{.szName = "SourceChangedWhileCopying",
                    .nFailCopyErrno = kErrorSourceChanged,
                    .lines = {"ERROR: Source changed while copying:{S}/f.txt"},
                    .nErrors = 1,
                    .nLastError = kErrorSourceChanged},
        OutcomeCase{.szName = "DestinationNewerByFiveSeconds",
                    .bCheckDestDate = 1,
                    .bDestExists = true,
                    .nDestNewerBy = 5,
                    .lines = {kNone}},
        OutcomeCase{.szName = "DestinationNewerBySixSeconds",
                    .bCheckDestDate = 1,
                    .bDestExists = true,
                    .nDestNewerBy = 6,
                    .lines = {"WARNING! Destination file is newer! Skipped:{S}/f.txt"},
                    .nErrors = 1},
        OutcomeCase{.szName = "DestinationOlder",
                    .bCheckDestDate = 1,
                    .bDestExists = true,
                    .nDestNewerBy = -1,
                    .lines = {kOne, kKept, "OK Copied: {D}/f.txt"},
                    .bCopied = true},
        OutcomeCase{.szName = "NewerDestinationReplacedWithoutDateCheck",
                    .bDestExists = true,
                    .nDestNewerBy = 100,
                    .lines = {kOne, kKept, "OK Copied: {D}/f.txt"},
                    .bCopied = true},
        OutcomeCase{.szName = "ReadOnlyDestinationRefused",
                    .bDestExists = true,
                    .bDestReadOnly = true,
                    .lines = {"ERROR: Copying file: {D}/f.txt (Permission denied)"},
                    .nErrors = 1,
                    .nLastError = EACCES},
        OutcomeCase{.szName = "ReadOnlyDestinationMadeWritable",
                    .bOverwriteRHS = 1,
                    .bDestExists = true,
                    .bDestReadOnly = true,
                    .lines = {kOne, kKept, "OK Copied: {D}/f.txt", "ATTRIB -RHS: {D}/f.txt"},
                    .bCopied = true},
        OutcomeCase{.szName = "WritableDestinationNeedsNoAttributeChange",
                    .bOverwriteRHS = 1,
                    .bDestExists = true,
                    .lines = {kOne, kKept, "OK Copied: {D}/f.txt"},
                    .bCopied = true},
        OutcomeCase{.szName = "AttributesClearedThenCopyFails",
                    .bOverwriteRHS = 1,
                    .bDestExists = true,
                    .bDestReadOnly = true,
                    .nFailCopyErrno = ENOSPC,
                    .lines = {"ERROR: Copying file: {D}/f.txt (No space left on device)",
                              "ATTRIB -RHS: {D}/f.txt"},
                    .nErrors = 1,
                    .nLastError = ENOSPC}),
    [](const testing::TestParamInfo<OutcomeCase>& info) { return info.param.szName; });

// Which of a set of files an exclude text lets through.
struct ExcludeCase {
    const char* szName;
    std::string strExclude = {};
    std::vector<std::string> copied;  // relative to the destination, sorted
};

void PrintTo(const ExcludeCase& c, std::ostream* pOut) {
    *pOut << c.szName;
}

class ExcludeMatching : public EngineTest, public testing::WithParamInterface<ExcludeCase> {};

const std::string kLongFolder(200, 'a');
const std::string kLongFile = kLongFolder + "/" + std::string(100, 'b') + ".txt";

TEST_P(ExcludeMatching, CopiesExactlyTheFilesNotExcluded) {
    const ExcludeCase& c = GetParam();
    BuildTree(Src(), {{"a.TMP", "1"},
                      {"x/old/b.txt", "2"},
                      {"c.tmp.txt", "3"},
                      {"d.txt", "4"},
                      {"older/e.txt", "5"},
                      {kLongFile, "6"},
                      {kLongFolder + "/c.txt", "7"}});
    m_pair.m_strExclude = c.strExclude;
    EXPECT_EQ(RunChecked(), 0);
    std::vector<std::string> copied;
    for (const std::string& strPath : ListTree(Dst())) {
        if (strPath.back() != '/') {
            copied.push_back(strPath);
        }
    }
    std::vector<std::string> expected = c.copied;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(copied, expected);
    EXPECT_EQ(m_pair.m_nFilesFound, 7u);
    EXPECT_EQ(m_pair.m_nFilesCopied, expected.size());
}

const std::vector<std::string> kAllFiles = {
    "a.TMP", "x/old/b.txt", "c.tmp.txt", "d.txt", "older/e.txt", kLongFile, kLongFolder + "/c.txt"};

INSTANTIATE_TEST_SUITE_P(
    Engine, ExcludeMatching,
    testing::Values(ExcludeCase{"Empty", "", kAllFiles},
                    ExcludeCase{"TwoEntriesCaseIgnored",
                                ".tmp;/OLD/",
                                {"d.txt", "older/e.txt", kLongFile, kLongFolder + "/c.txt"}},
                    ExcludeCase{"NoWildcards", "*.tmp", kAllFiles},
                    // Empty entries match nothing: only the others count.
                    ExcludeCase{
                        "LeadingSeparatorIgnored",
                        ";.tmp",
                        {"x/old/b.txt", "d.txt", "older/e.txt", kLongFile, kLongFolder + "/c.txt"}},
                    ExcludeCase{"DoubleSeparatorIgnored", "zzz;;yyy", kAllFiles},
                    ExcludeCase{"TrailingSeparatorAddsNoEntry", "zzz;", kAllFiles},
                    // The last entry counts with its first 260 characters only.
                    ExcludeCase{"LastEntryCutAt260",
                                "/" + kLongFile.substr(0, 259) + "-no-such-ending",
                                {"a.TMP", "x/old/b.txt", "c.tmp.txt", "d.txt", "older/e.txt",
                                 kLongFolder + "/c.txt"}}),
    [](const testing::TestParamInfo<ExcludeCase>& info) { return info.param.szName; });

TEST_F(EngineTest, ExcludeTextIsStoredFolded) {
    m_pair.m_strExclude = "*.TMP;\\Old\\";
    m_pair.DoSync();
    EXPECT_EQ(m_pair.m_strExclude, "*.tmp;\\old\\");
}

TEST_F(EngineTest, ProgressFieldsShowFileSizeAndPercent) {
    WriteFile(Src("thousand.bin"), std::string(1000, 'x'));
    EXPECT_EQ(RunChecked(), 0);
    EXPECT_EQ(m_progress.History(IDC_PROGRESS_FILE),
              (std::vector<std::string>{Dst("thousand.bin"), "Flushing to disk..."}));
    EXPECT_EQ(m_progress.Field(IDC_PROGRESS_BYTES), "1000 bytes to copy");
    EXPECT_EQ(m_progress.Field(IDC_PROGRESS_PERCENT), "100%");
}

TEST_F(EngineTest, EmptyFileShowsHundredPercent) {
    WriteFile(Src("empty"), "");
    EXPECT_EQ(RunChecked(), 0);
    EXPECT_EQ(m_progress.Field(IDC_PROGRESS_BYTES), "0 bytes to copy");
    for (const std::string& strText : m_progress.History(IDC_PROGRESS_PERCENT)) {
        EXPECT_EQ(strText, "100%");
    }
}

// Files of 4 GiB and more: the size shown is the true one, the share is computed on 64-bit
// counts, and the stored byte figure keeps its 32-bit wrapping sum. The copy is simulated.
TEST_F(EngineTest, HugeFilesShowTrueSizeAndShare) {
    const uint64_t nHuge = (uint64_t{3} << 31) + 1000;  // 6 GiB + 1000
    WriteSparseFile(Src("huge1"), nHuge);
    WriteSparseFile(Src("huge2"), nHuge);
    m_platform.m_nFakeCopySize = static_cast<int64_t>(nHuge);
    SetSyncThreads(1);  // two copies at once would show their shares interleaved

    EXPECT_EQ(m_pair.DoSync(), 0);
    EXPECT_EQ(m_progress.Field(IDC_PROGRESS_BYTES), "6442451944 bytes to copy");
    EXPECT_EQ(m_progress.History(IDC_PROGRESS_PERCENT),
              (std::vector<std::string>{"0%", "50%", "100%", "0%", "50%", "100%"}));
    // Each file adds its low 32 bits (0x80000000 + 1000); two of them wrap past 2^32.
    EXPECT_EQ(m_pair.m_dwBytesCopied, 2000u);
}

}  // namespace
