// SPDX-License-Identifier: GPL-3.0-or-later
// The one decision of the copy step, case by case: what the source's and the destination's
// status and the pair's options make of a file.
#include <gtest/gtest.h>

#include "CopyDecision.h"

namespace {

constexpr int64_t kSecond = 1'000'000'000;

struct Side {
    int64_t nTimeNs;
    uint64_t nSize = 10;
    FileKind kind = FileKind::Regular;
    uint8_t attribute = 0;
};

CFileStatus StatusOf(const Side& side) {
    CFileStatus status;
    status.m_mtime = side.nTimeNs / kSecond;
    status.m_mtimeNs = static_cast<int32_t>(side.nTimeNs % kSecond);
    status.m_size64 = side.nSize;
    status.m_kind = side.kind;
    status.m_attribute = side.attribute;
    return status;
}

struct DecisionCase {
    const char* szName;
    Side source;
    std::optional<Side> destination;
    CopyRules rules;
    FileVerdict expected;
    bool bClearAttributes = false;
};

void PrintTo(const DecisionCase& c, std::ostream* pOut) {
    *pOut << c.szName;
}

class CopyDecision : public testing::TestWithParam<DecisionCase> {};

TEST_P(CopyDecision, Verdict) {
    const DecisionCase& c = GetParam();
    const CFileStatus source = StatusOf(c.source);
    const CFileStatus destination = c.destination ? StatusOf(*c.destination) : CFileStatus{};
    const FileDecision decision =
        DecideFile(source, c.destination ? &destination : nullptr, c.rules);
    EXPECT_EQ(decision.verdict, c.expected);
    EXPECT_EQ(decision.bClearAttributes, c.bClearAttributes);
}

constexpr int64_t T = 1600000000 * kSecond;
const CopyRules kDateChecked{.bCheckDestDate = true};
const CopyRules kTwoSecondSteps{.bCheckDestDate = true, .nDestTimeStepNs = 2 * kSecond};

INSTANTIATE_TEST_SUITE_P(
    Engine, CopyDecision,
    testing::Values(
        DecisionCase{"NoDestination", {T}, std::nullopt, kDateChecked, FileVerdict::CopyNew},
        DecisionCase{"SameTimeAndSize", {T + 5}, Side{T + 5}, kDateChecked, FileVerdict::SameFile},
        DecisionCase{
            "SameTimeOtherSize", {T, 10}, Side{T, 4}, kDateChecked, FileVerdict::CopySizeDiffers},
        DecisionCase{"SourceNewerWithinTheSecond",
                     {T + 700},
                     Side{T + 300},
                     kDateChecked,
                     FileVerdict::CopySourceNewer},
        DecisionCase{"DestinationNewerWithinTheSecond",
                     {T + 300},
                     Side{T + 700},
                     kDateChecked,
                     FileVerdict::DestinationNewer},
        DecisionCase{"DestinationKeepsWholeSeconds",
                     {T + 700},
                     Side{T},
                     kDateChecked,
                     FileVerdict::SameFile},
        DecisionCase{"DestinationKeepsTwoSecondSteps",
                     {T + kSecond + 300},
                     Side{T},
                     kTwoSecondSteps,
                     FileVerdict::SameFile},
        DecisionCase{"TwoSecondStepsStillSeeAnOlderCopy",
                     {T + 3 * kSecond},
                     Side{T},
                     kTwoSecondSteps,
                     FileVerdict::CopySourceNewer},
        DecisionCase{"DestinationNewerByFiveSeconds",
                     {T},
                     Side{T + 5 * kSecond},
                     kDateChecked,
                     FileVerdict::DestinationNewer},
        DecisionCase{"DestinationNewerBySixSeconds",
                     {T},
                     Side{T + 6 * kSecond},
                     kDateChecked,
                     FileVerdict::DestinationNewerWarning},
        DecisionCase{"DateNotChecked", {T}, Side{T + 9 * kSecond}, {}, FileVerdict::CopyUnchecked},
        DecisionCase{"OlderThanLastCopy",
                     {T},
                     std::nullopt,
                     {.bOnlyNewer = true, .timeReference = T / kSecond + 1},
                     FileVerdict::OlderThanLastCopy},
        DecisionCase{"SameSecondAsLastCopy",
                     {T + 500},
                     std::nullopt,
                     {.bOnlyNewer = true, .timeReference = T / kSecond},
                     FileVerdict::CopyNew},
        DecisionCase{"BrokenLink",
                     {T, 0, FileKind::BrokenLink},
                     std::nullopt,
                     kDateChecked,
                     FileVerdict::NotRegularFile},
        DecisionCase{"Fifo",
                     {T, 0, FileKind::Other},
                     std::nullopt,
                     kDateChecked,
                     FileVerdict::NotRegularFile},
        DecisionCase{"ReadOnlyDestinationMadeWritable",
                     {T + kSecond},
                     Side{T, 10, FileKind::Regular, ATTR_READONLY},
                     {.bCheckDestDate = true, .bOverwriteRHS = true},
                     FileVerdict::CopySourceNewer,
                     true},
        DecisionCase{"ReadOnlyDestinationKept",
                     {T + kSecond},
                     Side{T, 10, FileKind::Regular, ATTR_READONLY},
                     kDateChecked,
                     FileVerdict::CopySourceNewer}),
    [](const testing::TestParamInfo<DecisionCase>& info) { return info.param.szName; });

// Times past 2262, or as far apart as a file system can report, are compared without overflow.
TEST(CopyDecisionTimes, FarTimesDoNotOverflow) {
    const CopyRules rules{.bCheckDestDate = true};
    struct FarCase {
        int64_t nSourceSeconds;
        int64_t nDestinationSeconds;
        FileVerdict expected;
    };
    const FarCase cases[] = {
        {10'000'000'000, 10'000'000'000, FileVerdict::SameFile},
        {10'000'000'001, 10'000'000'000, FileVerdict::CopySourceNewer},
        {10'000'000'000, 10'000'000'010, FileVerdict::DestinationNewerWarning},
        {INT64_MIN, INT64_MAX, FileVerdict::DestinationNewerWarning},
        {INT64_MAX, INT64_MIN, FileVerdict::CopySourceNewer},
    };
    for (const FarCase& c : cases) {
        CFileStatus source;
        source.m_mtime = c.nSourceSeconds;
        CFileStatus destination;
        destination.m_mtime = c.nDestinationSeconds;
        EXPECT_EQ(DecideFile(source, &destination, rules).verdict, c.expected)
            << c.nSourceSeconds << " against " << c.nDestinationSeconds;
    }
}

// What FAT, exFAT and NTFS cannot hold; POSIX file systems hold any name.
TEST(CopyDecisionNames, WhatEachFileSystemHolds) {
    struct NameCase {
        const char* szName;
        bool bWindows;  // exFAT and NTFS
        bool bFat;
    };
    const NameCase cases[] = {
        {"report.txt", true, true}, {"a:b", false, false},       {"why?", false, false},
        {"a*b", false, false},      {"a\\b", false, false},      {"\"q\"", false, false},
        {"<a|b>", false, false},    {"tab\there", false, false}, {"dot.", false, false},
        {"blank ", false, false},   {"CON", true, false},        {"nul.txt", true, false},
        {"Com1", true, false},      {"LPT9.log", true, false},   {"COM10", true, true},
        {"console", true, true},    {".hidden", true, true},     {"caf\xc3\xa9", true, true},
    };
    for (const NameCase& c : cases) {
        EXPECT_TRUE(IsNameAllowed(c.szName, NameRules::Posix)) << c.szName;
        EXPECT_EQ(IsNameAllowed(c.szName, NameRules::Windows), c.bWindows) << c.szName;
        EXPECT_EQ(IsNameAllowed(c.szName, NameRules::Fat), c.bFat) << c.szName;
    }
}

}  // namespace
