// SPDX-License-Identifier: GPL-3.0-or-later
// The pipeline on its own, far past its capacity: random mixes of steps the walk finished
// and files for the workers, with long runs of each, at 2 to 8 threads. Every file is
// examined exactly once (none twice, none after a cancel), and every step is applied
// exactly once, in the order it was added.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "FilePipeline.h"

namespace {

// Steps in all, spread over the thread counts.
constexpr uint64_t kTotalSteps = 1'200'000;

struct PipelineRecord {
    std::vector<std::atomic<uint8_t>> examined;
    uint64_t nApplied = 0;
    uint64_t nOutOfOrder = 0;
    uint64_t nWrongOutcome = 0;

    explicit PipelineRecord(uint64_t nSteps) : examined(nSteps) {}
};

// The step's number travels in its outcome: the walk puts it in nBytesCopied, the worker
// marks the outcome as examined by adding a line.
void Feed(CFilePipeline& pipeline, uint64_t nSteps, std::mt19937_64& random) {
    uint64_t nStep = 0;
    while (nStep < nSteps) {
        // Runs of one kind, from 1 to over the queue's capacity, so the queue wraps while
        // steps of either kind are outstanding.
        const bool bFiles = random() % 2 == 0;
        const uint64_t nRun = std::min<uint64_t>(nSteps - nStep, 1 + random() % 1500);
        for (uint64_t i = 0; i < nRun; ++i, ++nStep) {
            CStepOutcome outcome;
            outcome.nBytesCopied = nStep;
            if (bFiles || random() % 7 == 0) {
                pipeline.AddFile(nullptr, std::to_string(nStep), outcome);
            } else {
                pipeline.AddDone(outcome);
            }
        }
    }
    pipeline.Finish();
}

testing::AssertionResult RunMix(unsigned nThreads, uint64_t nSteps, uint64_t nSeed) {
    PipelineRecord record(nSteps);
    std::atomic<int32_t> cancel{0};
    {
        CFilePipeline pipeline(
            nThreads, cancel,
            [&record](const CFileTask& task, CStepOutcome& outcome) {
                const uint64_t nStep = std::stoull(task.strName);
                if (nStep != outcome.nBytesCopied) {
                    outcome.nErrors = 1000;  // a slot that holds another step's task
                }
                record.examined[nStep].fetch_add(1);
                outcome.Line("examined");
                if (nStep % 97 == 0) {
                    std::this_thread::yield();  // a slow file now and then
                }
            },
            [&record](CStepOutcome& outcome) {
                record.nOutOfOrder += outcome.nBytesCopied != record.nApplied ? 1 : 0;
                record.nWrongOutcome += outcome.nErrors != 0 ? 1 : 0;
                ++record.nApplied;
            });
        std::mt19937_64 random(nSeed);
        Feed(pipeline, nSteps, random);
    }
    uint64_t nTwice = 0;
    for (const auto& count : record.examined) {
        nTwice += count.load() > 1 ? 1 : 0;
    }
    if (record.nApplied != nSteps || record.nOutOfOrder != 0 || record.nWrongOutcome != 0 ||
        nTwice != 0) {
        return testing::AssertionFailure()
               << nThreads << " threads, seed " << nSeed << ": applied " << record.nApplied
               << " of " << nSteps << ", " << record.nOutOfOrder << " out of order, "
               << record.nWrongOutcome << " with another step's task, " << nTwice
               << " examined twice";
    }
    return testing::AssertionSuccess();
}

TEST(FilePipeline, EveryStepOnceAndInOrderAtTwoToEightThreads) {
    const std::vector<unsigned> threadCounts = {2, 3, 4, 8};
    for (unsigned nThreads : threadCounts) {
        EXPECT_TRUE(RunMix(nThreads, kTotalSteps / threadCounts.size(), 1000 + nThreads));
    }
}

// A cancel keeps files from being started (a file not started leaves no count, as the walk
// would not have reached it), but every step is still applied, in order.
TEST(FilePipeline, CancelStopsFilesNotSteps) {
    std::atomic<int32_t> cancel{0};
    uint64_t nSteps = 0;
    uint64_t nCounted = 0;
    std::atomic<uint64_t> nExamined{0};
    {
        CFilePipeline pipeline(
            4, cancel, [&](const CFileTask&, CStepOutcome&) { nExamined.fetch_add(1); },
            [&](CStepOutcome& outcome) {
                ++nSteps;
                nCounted += outcome.nFilesFound;
            });
        for (int i = 0; i < 5000; ++i) {
            if (i == 2500) {
                cancel.store(1);
            }
            CStepOutcome outcome;
            outcome.nFilesFound = 1;
            pipeline.AddFile(nullptr, "f", outcome);
        }
        pipeline.Finish();
    }
    EXPECT_EQ(nSteps, 5000u);
    EXPECT_LE(nExamined.load(), 2500u);
    EXPECT_EQ(nCounted, nExamined.load());
}

// Workers the system refuses: the run goes on with those it has, down to none.
TEST(FilePipeline, RefusedThreadsLeaveTheWalkDoingTheWork) {
    for (int nAllowed : {0, 1}) {
        int nStarted = 0;
        const CFilePipeline::StartThread refuse = [&](std::function<void()> run) {
            if (nStarted++ >= nAllowed) {
                throw std::system_error(
                    std::make_error_code(std::errc::resource_unavailable_try_again));
            }
            return std::thread(std::move(run));
        };
        std::atomic<int32_t> cancel{0};
        uint64_t nApplied = 0;
        CFilePipeline pipeline(
            8, cancel, [](const CFileTask&, CStepOutcome& outcome) { outcome.nFilesCopied = 1; },
            [&](CStepOutcome& outcome) { nApplied += outcome.nFilesCopied; }, refuse);
        EXPECT_EQ(pipeline.Workers(), static_cast<size_t>(nAllowed));
        for (int i = 0; i < 3000; ++i) {
            CStepOutcome outcome;
            pipeline.AddFile(nullptr, "f", outcome);
        }
        pipeline.Finish();
        EXPECT_EQ(nApplied, 3000u);
    }
}

}  // namespace
