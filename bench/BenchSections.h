// SPDX-License-Identifier: GPL-3.0-or-later
// The timed comparisons. Every run writes into a fresh destination, and the copies stay
// until the section is over: ext4 without a journal passes over inode slots freed in the
// last minute (and checks each such slot again on every new file), so a removal between
// runs would slow whatever copies next.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "InterleavedSeries.h"
#include "TreeTools.h"

class IGuiSyncRunner;
class ResultTable;

struct TreeUnderTest {
    std::string strLabel;  // "small", "large" or "real"
    std::string strPath;
    TreeSize size;
    RateUnit unit = RateUnit::FilesPerSecond;
    bool bFollowLinks = false;  // compared with cp -aL and rsync -aL, as the walk follows them
};

// A ratio to report: its name and the most it may be (0: no target).
struct RatioGoal {
    std::string strName;
    double dTarget = 0.0;
};

// What a section compares with Folvex on all cores.
struct SectionPlan {
    std::optional<RatioGoal> toolsGoal;       // Folvex / cp (full) or rsync (up to date)
    std::vector<unsigned> extraThreads;       // rows of Folvex with these thread counts too
    std::string strSpeedupRatio;              // "": none; else (1 thread) / (all cores)
    IGuiSyncRunner* pWindowRunner = nullptr;  // set: the progress window runs too
    RatioGoal windowGoal;                     // window / Folvex alone
};

// Copies the tree into empty folders inside strPlace, round after round.
void RunFullCopySection(const TreeUnderTest& tree, int nRounds, const SectionPlan& plan,
                        const std::string& strPlace, ResultTable& table);

// Folvex and rsync over a destination inside strPlace that is already up to date.
void RunUpToDateSection(const TreeUnderTest& tree, int nRounds, const SectionPlan& plan,
                        const std::string& strPlace, ResultTable& table);

// How many copies of a tree a section keeps at most, for the room it needs.
int CopiesKept(const SectionPlan& plan, int nRounds, bool bFull);
