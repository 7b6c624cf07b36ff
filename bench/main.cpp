// folvex_bench: times Folvex's engine and progress window against cp -a and rsync -a on
// deterministic trees, and prints a table and the ratios of paired runs.
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <thread>

#include "BenchOptions.h"
#include "BenchSections.h"
#include "GuiSyncRunner.h"
#include "ResultTable.h"
#include "Timing.h"
#include "TreeBuilder.h"
#include "WorkFolder.h"

namespace {

const RatioGoal kFullSmallGoal{"full_small_vs_cp", 1.10};
const RatioGoal kFullLargeGoal{"full_large_vs_cp", 1.10};
const RatioGoal kUpToDateSmallGoal{"noop_small_vs_rsync", 0.50};
const RatioGoal kWindowGoal{"gui_vs_engine_small", 1.30};

std::string LoadAverage() {
    std::ifstream file("/proc/loadavg");
    std::string strOne, strFive, strFifteen;
    file >> strOne >> strFive >> strFifteen;
    return strOne + " " + strFive + " " + strFifteen;
}

TreeUnderTest BuildTree(const WorkFolder& work, const std::string& strLabel) {
    std::cerr << "building the " << strLabel << " tree\n";
    TreeUnderTest tree;
    tree.strLabel = strLabel;
    tree.strPath = work.Child("source-" + strLabel);
    const bool bSmall = strLabel == "small";
    tree.size = bSmall ? BuildSmallTree(tree.strPath) : BuildLargeTree(tree.strPath);
    tree.unit = bSmall ? RateUnit::FilesPerSecond : RateUnit::MegabytesPerSecond;
    std::cerr << "  " << tree.size.nFiles << " files, " << tree.size.nBytes << " bytes\n";
    return tree;
}

void RunSmallTree(const BenchOptions& options, const WorkFolder& work, ResultTable& table,
                  int& argc, char** argv) {
    const TreeUnderTest tree = BuildTree(work, "small");
    if (options.Runs(BenchSection::Small)) {
        RunFullCopySection(tree, options.nSmallRounds, kFullSmallGoal, work, table);
        RunUpToDateSection(tree, options.nSmallRounds, kUpToDateSmallGoal, work, table);
    }
    if (options.Runs(BenchSection::Gui)) {
        const std::unique_ptr<IGuiSyncRunner> pRunner = MakeGuiSyncRunner(argc, argv);
        if (pRunner) {
            RunProgressWindowSection(tree, options.nSmallRounds, *pRunner, kWindowGoal, work,
                                     table);
        } else {
            std::cerr << "built without the desktop program: no progress window figures\n";
        }
    }
    RemoveTree(tree.strPath);
}

void RunLargeTree(const BenchOptions& options, const WorkFolder& work, ResultTable& table) {
    const TreeUnderTest tree = BuildTree(work, "large");
    RunFullCopySection(tree, options.nLargeRounds, kFullLargeGoal, work, table);
    RunUpToDateSection(tree, options.nLargeRounds, std::nullopt, work, table);
    RemoveTree(tree.strPath);
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
        const Stopwatch total;
        ResultTable table;
        {
            const WorkFolder work(options.strParentFolder);
            std::cerr << "work folder " << work.Path() << "\n";
            if (options.Runs(BenchSection::Small) || options.Runs(BenchSection::Gui)) {
                RunSmallTree(options, work, table, argc, argv);
            }
            if (options.Runs(BenchSection::Large)) {
                RunLargeTree(options, work, table);
            }
        }
        std::cout << "folvex_bench: " << std::thread::hardware_concurrency()
                  << " cores, load average " << strLoadBefore << " at the start, " << LoadAverage()
                  << " at the end; " << static_cast<int>(total.Seconds()) << " s in all\n\n";
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
