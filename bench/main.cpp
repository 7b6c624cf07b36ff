// folvex_bench: times Folvex's engine and progress window against cp -a and rsync -a on
// deterministic trees, and prints a table and the ratios of paired runs.
#include <iostream>
#include <stdexcept>
#include <thread>
#include <vector>

#include "BenchOptions.h"
#include "BenchSections.h"
#include "GuiSyncRunner.h"
#include "MachineLoad.h"
#include "ProgressNote.h"
#include "ResultTable.h"
#include "Timing.h"
#include "TreeBuilder.h"
#include "WorkFolder.h"

namespace {

const RatioGoal kFullSmallGoal{"full_small_vs_cp", 1.10};
const RatioGoal kFullLargeGoal{"full_large_vs_cp", 1.10};
const RatioGoal kUpToDateSmallGoal{"noop_small_vs_rsync", 0.50};
const RatioGoal kWindowGoal{"gui_vs_engine_small", 1.30};

// A warning line when other benchmarks run, else empty.
std::string OtherBenchmarksWarning() {
    const std::vector<int> pids = OtherBenchmarkProcesses();
    if (pids.empty()) {
        return {};
    }
    std::string strWarning = "WARNING: other folvex_bench processes ran beside this one (pid";
    for (const int nPid : pids) {
        strWarning += " " + std::to_string(nPid);
    }
    return strWarning + "); the figures are disturbed";
}

TreeUnderTest BuildTree(const WorkFolder& work, const std::string& strLabel) {
    ProgressNote("building the " + strLabel + " tree");
    TreeUnderTest tree;
    tree.strLabel = strLabel;
    tree.strPath = work.Child("source-" + strLabel);
    const bool bSmall = strLabel == "small";
    tree.size = bSmall ? BuildSmallTree(tree.strPath) : BuildLargeTree(tree.strPath);
    tree.unit = bSmall ? RateUnit::FilesPerSecond : RateUnit::MegabytesPerSecond;
    ProgressNote("  " + std::to_string(tree.size.nFiles) + " files, " +
                 std::to_string(tree.size.nBytes) + " bytes");
    return tree;
}

void RemoveCopies(const std::vector<std::string>& folders) {
    ProgressNote("removing the copies");
    for (const std::string& strFolder : folders) {
        RemoveTree(strFolder);
    }
}

void RunSmallTree(const BenchOptions& options, const WorkFolder& work, ResultTable& table,
                  int& argc, char** argv) {
    std::unique_ptr<IGuiSyncRunner> pWindowRunner;
    if (options.Runs(BenchSection::Gui)) {
        pWindowRunner = MakeGuiSyncRunner(argc, argv);
        if (!pWindowRunner) {
            ProgressNote("built without the desktop program: no progress window figures");
        }
    }
    const bool bTools = options.Runs(BenchSection::Small);
    if (!bTools && !pWindowRunner) {
        return;
    }
    const TreeUnderTest tree = BuildTree(work, "small");
    FullCopyPlan plan;
    if (bTools) {
        plan.toolsGoal = kFullSmallGoal;
    }
    plan.pWindowRunner = pWindowRunner.get();
    plan.windowGoal = kWindowGoal;
    std::vector<std::string> copies{
        RunFullCopySection(tree, options.nSmallRounds, plan, work, table)};
    if (bTools) {
        copies.push_back(
            RunUpToDateSection(tree, options.nSmallRounds, kUpToDateSmallGoal, work, table));
    }
    copies.push_back(tree.strPath);
    RemoveCopies(copies);
}

void RunLargeTree(const BenchOptions& options, const WorkFolder& work, ResultTable& table) {
    const TreeUnderTest tree = BuildTree(work, "large");
    FullCopyPlan plan;
    plan.toolsGoal = kFullLargeGoal;
    const std::vector<std::string> copies{
        RunFullCopySection(tree, options.nLargeRounds, plan, work, table),
        RunUpToDateSection(tree, options.nLargeRounds, std::nullopt, work, table), tree.strPath};
    RemoveCopies(copies);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const BenchOptions options = ParseOptions(argc, argv);
        if (options.bHelp) {
            std::cout << UsageText();
            return 0;
        }
        const std::string strLoadBefore = LoadAverage();
        std::string strOthers = OtherBenchmarksWarning();
        if (!strOthers.empty()) {
            ProgressNote(strOthers);
        }
        const Stopwatch total;
        ResultTable table;
        {
            const WorkFolder work(options.strParentFolder);
            ProgressNote("work folder " + work.Path());
            if (options.Runs(BenchSection::Small) || options.Runs(BenchSection::Gui)) {
                RunSmallTree(options, work, table, argc, argv);
            }
            if (options.Runs(BenchSection::Large)) {
                RunLargeTree(options, work, table);
            }
            if (strOthers.empty()) {
                strOthers = OtherBenchmarksWarning();
            }
        }
        std::cout << "folvex_bench: " << std::thread::hardware_concurrency()
                  << " cores, load average " << strLoadBefore << " at the start, " << LoadAverage()
                  << " at the end; " << static_cast<int>(total.Seconds()) << " s in all\n";
        if (!strOthers.empty()) {
            std::cout << strOthers << "\n";
        }
        std::cout << "\n";
        table.Print(std::cout);
        return 0;
    } catch (const std::invalid_argument& error) {
        std::cerr << "folvex_bench: " << error.what() << "\n" << UsageText();
        return 2;
    } catch (const std::exception& error) {
        std::cerr << "folvex_bench: error: " << error.what() << "\n";
        return 1;
    }
}
