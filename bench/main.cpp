// SPDX-License-Identifier: GPL-3.0-or-later
// folvex_bench: times Folvex's engine and progress window against cp and rsync on
// deterministic trees and on the machine's own /usr/share, and prints a table and the
// ratios of paired runs.
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include "BenchOptions.h"
#include "BenchSections.h"
#include "FlushTiming.h"
#include "FreshFileSystem.h"
#include "GuiSyncRunner.h"
#include "Interruption.h"
#include "MachineLoad.h"
#include "ProgressNote.h"
#include "ResultTable.h"
#include "Timing.h"
#include "TreeBuilder.h"
#include "WorkFolder.h"

namespace {

const RatioGoal kFullSmallGoal{"full_small_vs_cp", 0.80};
const RatioGoal kFullLargeGoal{"full_large_vs_cp", 0.90};
const RatioGoal kFullRealGoal{"full_real_vs_cp", 0.0};
const RatioGoal kUpToDateSmallGoal{"noop_small_vs_rsync", 0.30};
const RatioGoal kUpToDateRealGoal{"noop_real_vs_rsync", 0.40};
const RatioGoal kWindowGoal{"gui_vs_engine_small", 1.10};
const char* const kRealTree = "/usr/share";

enum class TreeKind { Small, Large, Real };

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

std::string Label(TreeKind kind) {
    return kind == TreeKind::Small ? "small" : kind == TreeKind::Large ? "large" : "real";
}

// Builds the tree at strPath (the real tree is only read and measured).
TreeUnderTest MakeTree(TreeKind kind, const std::string& strPath) {
    TreeUnderTest tree;
    tree.strLabel = Label(kind);
    tree.unit = kind == TreeKind::Large ? RateUnit::MegabytesPerSecond : RateUnit::FilesPerSecond;
    if (kind == TreeKind::Real) {
        tree.strPath = kRealTree;
        tree.bFollowLinks = true;
        tree.size = WarmTree(tree.strPath);
    } else {
        ProgressNote("building the " + tree.strLabel + " tree");
        tree.strPath = strPath;
        tree.size = kind == TreeKind::Small ? BuildSmallTree(strPath) : BuildLargeTree(strPath);
    }
    ProgressNote("  " + tree.strLabel + " tree: " + std::to_string(tree.size.nFiles) + " files, " +
                 std::to_string(tree.size.nBytes) + " bytes");
    return tree;
}

// The bytes that one copy of a tree takes on disk, with room for small files' blocks.
uint64_t CopyBytes(TreeKind kind) {
    switch (kind) {
        case TreeKind::Small:
            return kSmallTreeBytes + kSmallTreeBytes / 4;
        case TreeKind::Large:
            return kLargeTreeBytes + (uint64_t{1} << 26);
        case TreeKind::Real:
            return uint64_t{3} << 29;  // /usr/share: about 1.1 GB in 64,000 files
    }
    return 0;
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

std::string MakeFolder(const std::string& strPath) {
    if (::mkdir(strPath.c_str(), 0755) != 0) {
        throw std::runtime_error("cannot create " + strPath + ": " + std::strerror(errno));
    }
    return strPath;
}

void RemoveTree(const std::string& strRoot) {
    std::error_code error;
    std::filesystem::remove_all(strRoot, error);
    if (error) {
        throw std::runtime_error("cannot remove " + strRoot + ": " + error.message());
    }
}

struct TreePlans {
    SectionPlan full;
    SectionPlan upToDate;
    bool bUpToDate = true;
};

TreePlans PlansFor(TreeKind kind, const BenchOptions& options, IGuiSyncRunner* pWindowRunner) {
    TreePlans plans;
    switch (kind) {
        case TreeKind::Small:
            if (options.Runs(BenchSection::Small)) {
                plans.full.toolsGoal = kFullSmallGoal;
                plans.full.extraThreads = {2, 1};
                plans.full.strSpeedupRatio = "threads_speedup_small";
                plans.upToDate.toolsGoal = kUpToDateSmallGoal;
                plans.upToDate.extraThreads = {2, 1};
                plans.upToDate.strSpeedupRatio = "threads_speedup_noop_small";
            } else {
                plans.bUpToDate = false;  // only the window against the engine
            }
            plans.full.pWindowRunner = pWindowRunner;
            plans.full.windowGoal = kWindowGoal;
            break;
        case TreeKind::Large:
            plans.full.toolsGoal = kFullLargeGoal;
            plans.bUpToDate = false;
            break;
        case TreeKind::Real:
            plans.full.toolsGoal = kFullRealGoal;
            plans.upToDate.toolsGoal = kUpToDateRealGoal;
            break;
    }
    return plans;
}

int Rounds(TreeKind kind, const BenchOptions& options) {
    return kind == TreeKind::Small ? options.nSmallRounds : options.nLargeRounds;
}

// Both sections of one tree: in the work folder, or each on a fresh file system.
void RunTree(TreeKind kind, const BenchOptions& options, const WorkFolder& work,
             IGuiSyncRunner* pWindowRunner, ResultTable& table) {
    const TreePlans plans = PlansFor(kind, options, pWindowRunner);
    const int nRounds = Rounds(kind, options);
    const std::string strLabel = Label(kind);
    struct Section {
        const SectionPlan& plan;
        bool bFull;
    };
    std::vector<Section> sections = {{plans.full, true}};
    if (plans.bUpToDate) {
        sections.push_back({plans.upToDate, false});
    }
    if (options.bFreshFileSystems) {
        for (const Section& section : sections) {
            const int nCopies = CopiesKept(section.plan, nRounds, section.bFull) + 1;
            const uint64_t nBytes =
                CopyBytes(kind) * static_cast<uint64_t>(nCopies) + (uint64_t{1} << 30);
            ExpectRoom(work.Path(), nBytes);
            const FreshFileSystem fresh(work.Path(), nBytes);
            const TreeUnderTest tree = MakeTree(kind, fresh.Path() + "/source");
            if (section.bFull) {
                RunFullCopySection(tree, nRounds, section.plan, fresh.Path(), table);
            } else {
                RunUpToDateSection(tree, nRounds, section.plan, fresh.Path(), table);
            }
        }
        return;
    }
    int nCopies = 1;
    for (const Section& section : sections) {
        nCopies += CopiesKept(section.plan, nRounds, section.bFull);
    }
    ExpectRoom(work.Path(), CopyBytes(kind) * static_cast<uint64_t>(nCopies));
    const TreeUnderTest tree = MakeTree(kind, work.Child("source-" + strLabel));
    for (const Section& section : sections) {
        const std::string strPlace =
            MakeFolder(work.Child((section.bFull ? "full-" : "uptodate-") + strLabel));
        if (section.bFull) {
            RunFullCopySection(tree, nRounds, section.plan, strPlace, table);
        } else {
            RunUpToDateSection(tree, nRounds, section.plan, strPlace, table);
        }
    }
    // The copies go before the next tree's are made, so the page cache never outgrows the
    // memory.
    ProgressNote("removing the " + strLabel + " tree's copies");
    for (const Section& section : sections) {
        RemoveTree(work.Child((section.bFull ? "full-" : "uptodate-") + strLabel));
    }
    if (kind != TreeKind::Real) {
        RemoveTree(tree.strPath);
    }
    SettleFileSystem(work.Path());
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
        const WorkFolder work(options.strParentFolder);
        ProgressNote("work folder " + work.Path() +
                     (options.bFreshFileSystems ? ", a fresh file system for each section" : ""));
        if (options.Runs(BenchSection::Large)) {
            RunTree(TreeKind::Large, options, work, nullptr, table);
        }
        if (options.Runs(BenchSection::Small) || pWindowRunner) {
            RunTree(TreeKind::Small, options, work, pWindowRunner.get(), table);
        }
        if (options.Runs(BenchSection::Real)) {
            RunTree(TreeKind::Real, options, work, nullptr, table);
        }
        if (strOthers.empty()) {
            strOthers = OtherBenchmarksWarning();
        }
        std::cout << "folvex_bench: " << std::thread::hardware_concurrency()
                  << " cores, load average " << strLoadBefore << " at the start, " << LoadAverage()
                  << " at the end; " << static_cast<int>(total.Seconds()) << " s"
                  << (options.bFreshFileSystems ? "; each section on a fresh ext4 file system" : "")
                  << "\n";
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
