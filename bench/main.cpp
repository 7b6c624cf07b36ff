// folvex_bench: times Folvex's engine and progress window against cp -a and rsync -a on
// deterministic trees, and prints a table and the ratios of paired runs.
#include <algorithm>
#include <iostream>
#include <stdexcept>
#include <thread>
#include <vector>

#include "BenchOptions.h"
#include "BenchSections.h"
#include "FlushTiming.h"
#include "GuiSyncRunner.h"
#include "Interruption.h"
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

void RunSmallTree(const BenchOptions& options, const WorkFolder& work, ResultTable& table,
                  IGuiSyncRunner* pWindowRunner) {
    const bool bTools = options.Runs(BenchSection::Small);
    if (!bTools && pWindowRunner == nullptr) {
        return;
    }
    const TreeUnderTest tree = BuildTree(work, "small");
    FullCopyPlan plan;
    if (bTools) {
        plan.toolsGoal = kFullSmallGoal;
    }
    plan.pWindowRunner = pWindowRunner;
    plan.windowGoal = kWindowGoal;
    RunFullCopySection(tree, options.nSmallRounds, plan, work, table);
    if (bTools) {
        RunUpToDateSection(tree, options.nSmallRounds, kUpToDateSmallGoal, work, table);
    }
}

void RunLargeTree(const BenchOptions& options, const WorkFolder& work, ResultTable& table) {
    const TreeUnderTest tree = BuildTree(work, "large");
    FullCopyPlan plan;
    plan.toolsGoal = kFullLargeGoal;
    RunFullCopySection(tree, options.nLargeRounds, plan, work, table);
    RunUpToDateSection(tree, options.nLargeRounds, std::nullopt, work, table);
    // A handful of files, so no inode slots to speak of: removing them now keeps the small
    // tree's copies from pushing the page cache past the memory.
    RemoveTreeAndCopies(tree, work);
}

// What the copies will take at most: the large tree's copies go before the small tree's
// are made, which stay until the end.
uint64_t BytesNeeded(const BenchOptions& options, bool bWindow) {
    uint64_t nSmallBytes = 0;
    uint64_t nLargeBytes = 0;
    const bool bSmallTools = options.Runs(BenchSection::Small);
    if (bSmallTools || bWindow) {
        const uint64_t nPerRound = 1 + (bSmallTools ? 2 : 0) + (bWindow ? 1 : 0);
        const uint64_t nTrees = nPerRound * static_cast<uint64_t>(options.nSmallRounds) + 2;
        nSmallBytes = nTrees * kSmallTreeBytes;
    }
    if (options.Runs(BenchSection::Large)) {
        const uint64_t nTrees = 3 * static_cast<uint64_t>(options.nLargeRounds) + 2;
        nLargeBytes = nTrees * kLargeTreeBytes;
    }
    const uint64_t nBytes = std::max(nSmallBytes, nLargeBytes);
    return nBytes + nBytes / 20;
}

void ExpectRoom(const std::string& strFolder, uint64_t nNeeded) {
    const uint64_t nFree = FreeBytes(strFolder);
    if (nFree < nNeeded) {
        throw std::runtime_error(strFolder + " has " + std::to_string(nFree >> 30) +
                                 " GiB free; the copies need about " +
                                 std::to_string((nNeeded >> 30) + 1) +
                                 " GiB (choose another place with --dir, or fewer --reps)");
    }
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const BenchOptions options = ParseOptions(argc, argv);
        if (options.bHelp) {
            std::cout << UsageText();
            return 0;
        }
        CatchInterruptions();
        TimeEngineFlushes();
        const std::string strLoadBefore = LoadAverage();
        std::string strOthers = OtherBenchmarksWarning();
        if (!strOthers.empty()) {
            ProgressNote(strOthers);
        }
        const Stopwatch total;
        ResultTable table;
        std::unique_ptr<IGuiSyncRunner> pWindowRunner;
        if (options.Runs(BenchSection::Gui)) {
            pWindowRunner = MakeGuiSyncRunner(argc, argv);
            if (!pWindowRunner) {
                ProgressNote("built without the desktop program: no progress window figures");
            }
        }
        ExpectRoom(options.strParentFolder, BytesNeeded(options, pWindowRunner != nullptr));
        const WorkFolder work(options.strParentFolder);
        ProgressNote("work folder " + work.Path());
        if (options.Runs(BenchSection::Large)) {
            RunLargeTree(options, work, table);
        }
        RunSmallTree(options, work, table, pWindowRunner.get());
        if (strOthers.empty()) {
            strOthers = OtherBenchmarksWarning();
        }
        std::cout << "folvex_bench: " << std::thread::hardware_concurrency()
                  << " cores, load average " << strLoadBefore << " at the start, " << LoadAverage()
                  << " at the end; " << static_cast<int>(total.Seconds()) << " s\n";
        if (!strOthers.empty()) {
            std::cout << strOthers << "\n";
        }
        std::cout << "\n";
        table.Print(std::cout);
        std::cout.flush();
        // The work folder goes when `work` goes out of scope; that takes a while.
        ProgressNote("removing the work folder");
        return 0;
    } catch (const std::invalid_argument& error) {
        std::cerr << "folvex_bench: " << error.what() << "\n" << UsageText();
        return 2;
    } catch (const std::exception& error) {
        std::cerr << "folvex_bench: error: " << error.what() << "\n";
        return 1;
    }
}
