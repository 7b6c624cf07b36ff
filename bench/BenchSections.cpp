#include "BenchSections.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "EngineRun.h"
#include "ExternalCommand.h"
#include "FlushTiming.h"
#include "GuiSyncRunner.h"
#include "Interruption.h"
#include "ProgressNote.h"
#include "ResultTable.h"
#include "WorkFolder.h"

namespace {

uint64_t Amount(const TreeUnderTest& tree) {
    return tree.unit == RateUnit::FilesPerSecond ? tree.size.nFiles : tree.size.nBytes;
}

std::string MakeSectionFolder(const std::string& strPath) {
    if (::mkdir(strPath.c_str(), 0777) != 0) {
        throw std::runtime_error("cannot create " + strPath + ": " + std::strerror(errno));
    }
    return strPath;
}

std::string RunFolder(const std::string& strSection, const char* szWho, int nRound) {
    return strSection + "/" + szWho + "-" + std::to_string(nRound);
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

std::string FullCopyFolder(const WorkFolder& work, const TreeUnderTest& tree) {
    return work.Child("full-" + tree.strLabel);
}

std::string UpToDateFolder(const WorkFolder& work, const TreeUnderTest& tree) {
    return work.Child("uptodate-" + tree.strLabel);
}

void RemoveTree(const std::string& strRoot) {
    std::error_code error;
    std::filesystem::remove_all(strRoot, error);
    if (error) {
        throw std::runtime_error("cannot remove " + strRoot + ": " + error.message());
    }
}

void WarmSource(const TreeUnderTest& tree) {
    StopIfInterrupted();
    WarmTree(tree.strPath);
    ProgressNote("  source read once");
}

}  // namespace

void RunFullCopySection(const TreeUnderTest& tree, int nRounds, const FullCopyPlan& plan,
                        const WorkFolder& work, ResultTable& table) {
    ProgressNote("full copy of the " + tree.strLabel + " tree");
    WarmSource(tree);
    const std::string strSection = MakeSectionFolder(FullCopyFolder(work, tree));
    InterleavedSeries series("full " + tree.strLabel, work.Path());
    const size_t nEngine =
        series.Add({"folvex DoSync, full " + tree.strLabel, tree.unit, Amount(tree),
                    [&tree, strSection](int nRound) {
                        const SyncOutcome outcome =
                            RunEngineSync(tree.strPath, RunFolder(strSection, "folvex", nRound));
                        ExpectOutcome(outcome, tree.size.nFiles, tree.size.nFiles, "full DoSync");
                        return TakeEngineFlushSeconds();
                    }});
    size_t nWindow = 0;
    if (plan.pWindowRunner != nullptr) {
        IGuiSyncRunner& runner = *plan.pWindowRunner;
        nWindow = series.Add(
            {"folvex progress window, full " + tree.strLabel, tree.unit, Amount(tree),
             [&tree, &runner, strSection](int nRound) {
                 const SyncOutcome outcome =
                     runner.Run(tree.strPath, RunFolder(strSection, "window", nRound));
                 ExpectOutcome(outcome, tree.size.nFiles, tree.size.nFiles, "window run");
                 return TakeEngineFlushSeconds();
             }});
    }
    size_t nCp = 0;
    if (plan.toolsGoal) {
        nCp = series.Add(
            {"cp -a, full " + tree.strLabel, tree.unit, Amount(tree),
             [&tree, strSection](int nRound) {
                 const std::string strCopy = RunFolder(strSection, "cp", nRound);
                 return RunCommandThenFlush({"cp", "-a", tree.strPath, strCopy}, strCopy);
             }});
        series.Add({"rsync -a, full " + tree.strLabel, tree.unit, Amount(tree),
                    [&tree, strSection](int nRound) {
                        const std::string strCopy = RunFolder(strSection, "rsync", nRound);
                        return RunCommandThenFlush(
                            {"rsync", "-a", tree.strPath + "/", strCopy + "/"}, strCopy);
                    }});
    }
    series.Run(nRounds);
    ExpectSameTree(tree.strPath, RunFolder(strSection, "folvex", 0));
    series.AddRowsTo(table);
    if (plan.toolsGoal) {
        AddRatio(table, *plan.toolsGoal, series, nEngine, nCp);
    }
    if (plan.pWindowRunner != nullptr) {
        ExpectSameTree(tree.strPath, RunFolder(strSection, "window", 0));
        AddRatio(table, plan.windowGoal, series, nWindow, nEngine);
    }
}

void RunUpToDateSection(const TreeUnderTest& tree, int nRounds,
                        const std::optional<RatioGoal>& goal, const WorkFolder& work,
                        ResultTable& table) {
    ProgressNote("up-to-date re-sync of the " + tree.strLabel + " tree");
    WarmSource(tree);
    const std::string strDestination = UpToDateFolder(work, tree);
    // One full copy, then one rsync pass, which also gives the folders their source times,
    // so that neither command finds anything to do in the timed rounds.
    ExpectOutcome(RunEngineSync(tree.strPath, strDestination), tree.size.nFiles, tree.size.nFiles,
                  "preparing DoSync");
    RunCommand({"rsync", "-a", tree.strPath + "/", strDestination + "/"});
    ExpectOutcome(RunEngineSync(tree.strPath, strDestination), tree.size.nFiles, 0,
                  "warm-up re-sync");
    ProgressNote("  destination prepared");

    InterleavedSeries series("up-to-date " + tree.strLabel, work.Path());
    const size_t nEngine =
        series.Add({"folvex DoSync, up-to-date " + tree.strLabel, RateUnit::FilesPerSecond,
                    tree.size.nFiles, [&tree, strDestination](int) {
                        ExpectOutcome(RunEngineSync(tree.strPath, strDestination), tree.size.nFiles,
                                      0, "up-to-date DoSync");
                        return TakeEngineFlushSeconds();
                    }});
    const size_t nRsync = series.Add(
        {"rsync -a, up-to-date " + tree.strLabel, RateUnit::FilesPerSecond, tree.size.nFiles,
         [&tree, strDestination](int) {
             return RunCommandThenFlush({"rsync", "-a", tree.strPath + "/", strDestination + "/"},
                                        strDestination);
         }});
    series.Run(nRounds);
    ExpectSameTree(tree.strPath, strDestination);
    series.AddRowsTo(table);
    if (goal) {
        AddRatio(table, *goal, series, nEngine, nRsync);
    }
}

void RemoveTreeAndCopies(const TreeUnderTest& tree, const WorkFolder& work) {
    ProgressNote("removing the " + tree.strLabel + " tree and its copies");
    RemoveTree(FullCopyFolder(work, tree));
    RemoveTree(UpToDateFolder(work, tree));
    RemoveTree(tree.strPath);
    SettleFileSystem(work.Path());
}
