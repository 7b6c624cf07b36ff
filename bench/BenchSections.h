// The timed comparisons. Every run writes into a fresh destination, and the copies stay
// until the tree's sections are over: ext4 without a journal passes over inode slots freed
// in the last minute (and checks each such slot again on every new file), so a removal
// between runs would slow whatever copies next.
#pragma once

#include <optional>
#include <string>

#include "InterleavedSeries.h"
#include "TreeTools.h"

class IGuiSyncRunner;
class ResultTable;
class WorkFolder;

struct TreeUnderTest {
    std::string strLabel;  // "small" or "large"
    std::string strPath;
    TreeSize size;
    RateUnit unit = RateUnit::FilesPerSecond;
};

// A ratio to report: its name and the most it may be.
struct RatioGoal {
    std::string strName;
    double dTarget = 0.0;
};

// What the full copy compares with DoSync: cp -a and rsync -a, the progress window, or both.
struct FullCopyPlan {
    std::optional<RatioGoal> toolsGoal;       // set: cp -a and rsync -a run, DoSync / cp -a kept
    IGuiSyncRunner* pWindowRunner = nullptr;  // set: the window runs, window / DoSync kept
    RatioGoal windowGoal;
};

// Copies the tree into empty destinations, round after round.
void RunFullCopySection(const TreeUnderTest& tree, int nRounds, const FullCopyPlan& plan,
                        const WorkFolder& work, ResultTable& table);

// Removes the tree and every copy its sections made.
void RemoveTreeAndCopies(const TreeUnderTest& tree, const WorkFolder& work);

// DoSync and rsync -a over a destination that is already up to date; reports
// DoSync / rsync -a when a goal is given.
void RunUpToDateSection(const TreeUnderTest& tree, int nRounds,
                        const std::optional<RatioGoal>& goal, const WorkFolder& work,
                        ResultTable& table);
