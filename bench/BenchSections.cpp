// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchSections.h"

#include <functional>
#include <thread>

#include "EngineRun.h"
#include "ExternalCommand.h"
#include "FlushTiming.h"
#include "GuiSyncRunner.h"
#include "Interruption.h"
#include "ProgressNote.h"
#include "ResultTable.h"
#include "Synchronize.h"

namespace {

uint64_t Amount(const TreeUnderTest& tree) {
    return tree.unit == RateUnit::FilesPerSecond ? tree.size.nFiles : tree.size.nBytes;
}

std::string RunFolder(const std::string& strPlace, const std::string& strWho, int nRound) {
    return strPlace + "/" + strWho + "-" + std::to_string(nRound);
}

void ExpectSameTree(const std::string& strOriginal, const std::string& strCopy) {
    ProgressNote("  comparing " + strCopy + " with its source");
    const std::string strDifference = FirstDifference(strOriginal, strCopy);
    if (!strDifference.empty()) {
        throw std::runtime_error("the copy in " + strCopy + " is wrong: " + strDifference);
    }
}

void AddRatio(ResultTable& table, const RatioGoal& goal, const InterleavedSeries& series, size_t nA,
              size_t nB) {
    table.AddRatio(
        {goal.strName, series.MedianRatio(nA, nB), goal.dTarget, series.MedianCpuRatio(nA, nB)});
}

unsigned AllCores() {
    return std::max(1u, std::thread::hardware_concurrency());
}

std::string ThreadsText(unsigned nThreads) {
    return nThreads == 1 ? "1 thread" : std::to_string(nThreads) + " threads";
}

std::string ToolText(const char* szTool, const TreeUnderTest& tree) {
    return std::string(szTool) + (tree.bFollowLinks ? " -aL" : " -a");
}

// Files the tree holds as the walk sees them: for the real tree, what Folvex found.
uint64_t Files(const TreeUnderTest& tree) {
    return tree.bFollowLinks ? kAnyCount : tree.size.nFiles;
}

struct FolvexRow {
    unsigned nThreads;
    size_t nRow;  // in the series
};

// Folvex on all cores first, then the other thread counts.
std::vector<FolvexRow> AddFolvexRows(InterleavedSeries& series, const SectionPlan& plan,
                                     const std::string& strName, RateUnit unit, uint64_t nAmount,
                                     const std::function<void(unsigned, int)>& run) {
    std::vector<unsigned> counts = {AllCores()};
    for (const unsigned nThreads : plan.extraThreads) {
        if (nThreads != AllCores()) {
            counts.push_back(nThreads);
        }
    }
    std::vector<FolvexRow> rows;
    for (const unsigned nThreads : counts) {
        const size_t nRow = series.Add({"folvex " + ThreadsText(nThreads) + ", " + strName, unit,
                                        nAmount, [run, nThreads](int nRound) {
                                            run(nThreads, nRound);
                                            return TakeEngineFlushSeconds();
                                        }});
        rows.push_back({nThreads, nRow});
    }
    return rows;
}

// (one thread) / (all cores), where both ran.
void AddSpeedup(ResultTable& table, const SectionPlan& plan, const InterleavedSeries& series,
                const std::vector<FolvexRow>& rows) {
    if (plan.strSpeedupRatio.empty()) {
        return;
    }
    for (const FolvexRow& row : rows) {
        if (row.nThreads == 1 && row.nRow != rows.front().nRow) {
            table.AddRatio({plan.strSpeedupRatio, series.MedianRatio(row.nRow, rows.front().nRow),
                            0.0, series.MedianCpuRatio(row.nRow, rows.front().nRow)});
        }
    }
}

}  // namespace

int CopiesKept(const SectionPlan& plan, int nRounds, bool bFull) {
    const int nFolvex = 1 + static_cast<int>(plan.extraThreads.size());
    const int nTools = plan.toolsGoal ? (bFull ? 2 : 0) : 0;
    const int nWindow = plan.pWindowRunner != nullptr ? 1 : 0;
    return bFull ? (nFolvex + nTools + nWindow) * nRounds : 1;
}

void RunFullCopySection(const TreeUnderTest& tree, int nRounds, const SectionPlan& plan,
                        const std::string& strPlace, ResultTable& table) {
    ProgressNote("full copy of the " + tree.strLabel + " tree");
    StopIfInterrupted();
    WarmTree(tree.strPath);
    InterleavedSeries series("full " + tree.strLabel, strPlace);
    const std::vector<FolvexRow> rows = AddFolvexRows(
        series, plan, "full " + tree.strLabel, tree.unit, Amount(tree),
        [&tree, strPlace](unsigned nThreads, int nRound) {
            const std::string strWho = "folvex" + std::to_string(nThreads);
            ExpectOutcome(
                RunEngineSync(tree.strPath, RunFolder(strPlace, strWho, nRound), nThreads),
                Files(tree), kAllFound, "full run");
        });
    size_t nWindow = 0;
    if (plan.pWindowRunner != nullptr) {
        IGuiSyncRunner& runner = *plan.pWindowRunner;
        nWindow = series.Add(
            {"folvex progress window, full " + tree.strLabel, tree.unit, Amount(tree),
             [&tree, &runner, strPlace](int nRound) {
                 SetSyncThreads(0);
                 ExpectOutcome(runner.Run(tree.strPath, RunFolder(strPlace, "window", nRound)),
                               Files(tree), kAllFound, "window run");
                 return TakeEngineFlushSeconds();
             }});
    }
    size_t nCp = 0;
    if (plan.toolsGoal) {
        const std::string strCp = tree.bFollowLinks ? "-aL" : "-a";
        nCp = series.Add(
            {ToolText("cp", tree) + ", full " + tree.strLabel, tree.unit, Amount(tree),
             [&tree, strPlace, strCp](int nRound) {
                 const std::string strCopy = RunFolder(strPlace, "cp", nRound);
                 return RunCommandThenFlush({"cp", strCp, tree.strPath, strCopy}, strCopy);
             }});
        series.Add({ToolText("rsync", tree) + ", full " + tree.strLabel, tree.unit, Amount(tree),
                    [&tree, strPlace, strCp](int nRound) {
                        const std::string strCopy = RunFolder(strPlace, "rsync", nRound);
                        return RunCommandThenFlush(
                            {"rsync", strCp, tree.strPath + "/", strCopy + "/"}, strCopy);
                    }});
    }
    series.Run(nRounds);
    ExpectSameTree(tree.strPath, RunFolder(strPlace, "folvex" + std::to_string(AllCores()), 0));
    series.AddRowsTo(table);
    if (plan.toolsGoal) {
        AddRatio(table, *plan.toolsGoal, series, rows.front().nRow, nCp);
    }
    AddSpeedup(table, plan, series, rows);
    if (plan.pWindowRunner != nullptr) {
        ExpectSameTree(tree.strPath, RunFolder(strPlace, "window", 0));
        AddRatio(table, plan.windowGoal, series, nWindow, rows.front().nRow);
    }
}

void RunUpToDateSection(const TreeUnderTest& tree, int nRounds, const SectionPlan& plan,
                        const std::string& strPlace, ResultTable& table) {
    ProgressNote("up-to-date re-sync of the " + tree.strLabel + " tree");
    StopIfInterrupted();
    WarmTree(tree.strPath);
    const std::string strDestination = strPlace + "/up-to-date";
    const std::string strRsync = tree.bFollowLinks ? "-aL" : "-a";
    // One full copy, then one rsync pass, which also gives the folders their source times,
    // so that neither command finds anything to do in the timed rounds.
    ExpectOutcome(RunEngineSync(tree.strPath, strDestination), Files(tree), kAllFound,
                  "preparing run");
    RunCommand({"rsync", strRsync, tree.strPath + "/", strDestination + "/"});
    ExpectOutcome(RunEngineSync(tree.strPath, strDestination), Files(tree), 0, "warm-up re-sync");
    TakeEngineFlushSeconds();  // the preparing runs' flushes are no timed run's
    ProgressNote("  destination prepared");

    InterleavedSeries series("up-to-date " + tree.strLabel, strPlace);
    const std::vector<FolvexRow> rows =
        AddFolvexRows(series, plan, "up-to-date " + tree.strLabel, RateUnit::FilesPerSecond,
                      tree.size.nFiles, [&tree, strDestination](unsigned nThreads, int) {
                          ExpectOutcome(RunEngineSync(tree.strPath, strDestination, nThreads),
                                        Files(tree), 0, "up-to-date run");
                      });
    const size_t nRsync = series.Add(
        {ToolText("rsync", tree) + ", up-to-date " + tree.strLabel, RateUnit::FilesPerSecond,
         tree.size.nFiles, [&tree, strDestination, strRsync](int) {
             return RunCommandThenFlush(
                 {"rsync", strRsync, tree.strPath + "/", strDestination + "/"}, strDestination);
         }});
    series.Run(nRounds);
    ExpectSameTree(tree.strPath, strDestination);
    series.AddRowsTo(table);
    if (plan.toolsGoal) {
        AddRatio(table, *plan.toolsGoal, series, rows.front().nRow, nRsync);
    }
    AddSpeedup(table, plan, series, rows);
}
