// SPDX-License-Identifier: GPL-3.0-or-later
// The files of a run worked on by a small pool of threads, with everything the user sees
// kept in walk order: the walk hands over each step, numbered; the workers do a file's
// status queries, decision and copy; one thread applies the outcomes strictly in the order
// of the walk, so the log lines, figures and errors are those of a one-thread walk.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "CopyPlan.h"

struct CFolderHandles;

// What one step of the walk (a file, or a folder it met) leaves for the log and the figures.
struct CStepOutcome {
    std::vector<std::string> lines;  // oldest first
    int32_t nErrors = 0;
    std::optional<int32_t> nLastError;
    uint32_t nFilesFound = 0;
    uint32_t nDirectories = 0;
    uint32_t nFilesCopied = 0;
    uint64_t nBytesCopied = 0;
    // The room on the destination that the planned copies take, and that replacing frees.
    uint64_t nRoomTaken = 0;
    uint64_t nRoomFreed = 0;
    // While the run plans: a file to copy, or a destination folder to make, for the plan.
    std::optional<CPlannedCopy> planned;
    uint32_t nMakeFolder = kNoFolder;

    void Line(std::string strLine) { lines.push_back(std::move(strLine)); }
    void Error(std::string strLine) {
        lines.push_back(std::move(strLine));
        ++nErrors;
    }
    void Clear();
};

// A file handed to the workers: its folder (whose descriptors stay open while the file is in
// flight) and its name, and when the plan is carried out what the plan says of it.
struct CFileTask {
    std::shared_ptr<const CFolderHandles> folder;
    std::string strName;
    const CPlannedAction* pAction = nullptr;
};

class CFilePipeline {
public:
    using Examine = std::function<void(const CFileTask&, CStepOutcome&)>;
    using Apply = std::function<void(CStepOutcome&)>;
    // Starts a worker thread; throws std::system_error when the system refuses one.
    using StartThread = std::function<std::thread(std::function<void()>)>;

    // nThreads 1: every step is worked on and applied at once, on the walk's thread. A
    // worker the system refuses is done without: the run goes on with the threads it has,
    // down to the walk's thread alone. A cancel request keeps files that no worker has
    // started from being started.
    CFilePipeline(unsigned nThreads, const std::atomic<int32_t>& cancel, Examine examine,
                  Apply apply, const StartThread& startThread = {});
    ~CFilePipeline();
    CFilePipeline(const CFilePipeline&) = delete;
    CFilePipeline& operator=(const CFilePipeline&) = delete;

    // A step that the walk finished itself (a folder, an excluded file).
    void AddDone(CStepOutcome& outcome);
    // A file for the workers; walked holds what the walk already found (it counted it).
    void AddFile(const std::shared_ptr<const CFolderHandles>& folder, const std::string& strName,
                 CStepOutcome& walked, const CPlannedAction* pAction = nullptr);
    // Applies every step, in order, once it is done; returns when none is left.
    void Finish();

    // The worker threads that run beside the walk's thread.
    size_t Workers() const { return m_workers.size(); }

    // Steps may be in flight at most this many at a time.
    static constexpr size_t kCapacity = 1024;

private:
    // A step's slot goes Free -> Waiting (a file) or Done (a step the walk finished) when the
    // walk adds it, Waiting -> Working when one thread claims it, Working -> Done when that
    // thread has worked on it, and Done -> Free once the walk has applied it.
    enum class SlotState : uint8_t { Free, Waiting, Working, Done };
    struct Slot {
        CFileTask task;
        CStepOutcome outcome;
        SlotState state = SlotState::Free;     // under the lock
        SlotState filledAs = SlotState::Free;  // the walk's thread only: its state once published
    };
    // A thread takes at most this many files at once: few enough that the others get their
    // share, enough that the claims are rare.
    static constexpr size_t kMaxBatch = 16;
    // The steps one thread claimed, in walk order.
    struct Claimed {
        uint64_t steps[kMaxBatch];
        size_t nCount = 0;
    };

    bool Inline() const { return m_workers.empty(); }
    Slot& NextFree();
    void Fill(Slot& slot, SlotState state);
    void Publish();
    void ApplyDone();
    // Works on unclaimed files, or waits for the oldest step; false when none is left.
    bool HelpOrWait();
    bool ClaimLocked(Claimed& claimed);
    void Work(const Claimed& claimed);
    void WorkerLoop();

    const std::atomic<int32_t>& m_cancel;
    Examine m_examine;
    Apply m_apply;
    std::unique_ptr<Slot[]> m_slots;
    // The walk's thread alone fills, publishes and applies steps; any thread claims them.
    uint64_t m_nFilled = 0;  // the walk's thread only
    // Everything below is written under the lock.
    std::mutex m_mutex;
    uint64_t m_nAdded = 0;         // published
    uint64_t m_nApplied = 0;       // read by the walk's thread without the lock: it alone writes it
    uint64_t m_nNextClaim = 0;     // no step before it is Waiting
    uint64_t m_nWaitingFiles = 0;  // steps in the Waiting state
    int m_nSleeping = 0;
    // Also read without the lock, as a hint to workers to mark each file done at once.
    std::atomic<bool> m_bWalkWaiting{false};
    bool m_bStop = false;
    std::condition_variable m_workAdded;
    std::condition_variable m_stepDone;
    std::vector<std::thread> m_workers;
};
