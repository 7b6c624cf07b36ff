// The timed comparisons. Each section writes into its own folder of the work folder and
// removes it at its end; every run writes into a fresh destination.
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

// DoSync, cp -a and rsync -a into empty destinations; reports DoSync / cp -a.
void RunFullCopySection(const TreeUnderTest& tree, int nRounds, const RatioGoal& goal,
                        const WorkFolder& work, ResultTable& table);

// DoSync and rsync -a over a destination that is already up to date; reports
// DoSync / rsync -a when a goal is given.
void RunUpToDateSection(const TreeUnderTest& tree, int nRounds,
                        const std::optional<RatioGoal>& goal, const WorkFolder& work,
                        ResultTable& table);

// The full copy through the progress window and through DoSync alone; reports window / engine.
void RunProgressWindowSection(const TreeUnderTest& tree, int nRounds, IGuiSyncRunner& runner,
                              const RatioGoal& goal, const WorkFolder& work, ResultTable& table);
