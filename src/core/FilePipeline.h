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
    bool bWrote = false;  // something reached the destination

    void Line(std::string strLine) { lines.push_back(std::move(strLine)); }
    void Error(std::string strLine) {
        lines.push_back(std::move(strLine));
        ++nErrors;
    }
    void Clear();
};

// A file handed to the workers: its folder (whose descriptors stay open while the file is in
// flight) and its name.
struct CFileTask {
    std::shared_ptr<const CFolderHandles> folder;
    std::string strName;
};

class CFilePipeline {
public:
    using Examine = std::function<void(const CFileTask&, CStepOutcome&)>;
    using Apply = std::function<void(CStepOutcome&)>;

    // nThreads 1: every step is worked on and applied at once, on the walk's thread.
    // A cancel request keeps files that no worker has started from being started.
    CFilePipeline(unsigned nThreads, const std::atomic<int32_t>& cancel, Examine examine,
                  Apply apply);
    ~CFilePipeline();
    CFilePipeline(const CFilePipeline&) = delete;
    CFilePipeline& operator=(const CFilePipeline&) = delete;

    // A step that the walk finished itself (a folder, an excluded file).
    void AddDone(CStepOutcome& outcome);
    // A file for the workers; walked holds what the walk already found (it counted it).
    void AddFile(const std::shared_ptr<const CFolderHandles>& folder, const std::string& strName,
                 CStepOutcome& walked);
    // Applies every step, in order, once it is done; returns when none is left.
    void Finish();

    // Files may be in flight at most this many at a time.
    static constexpr size_t kCapacity = 1024;

private:
    struct Slot {
        CFileTask task;
        CStepOutcome outcome;
        bool bFile = false;
        std::atomic<bool> bDone{false};
    };

    Slot& Next();
    void Publish(Slot& slot);
    void ApplyDone();
    // Works on unclaimed files, or waits for the oldest step; false when none is left.
    bool HelpOrWait();
    // Claims a batch of steps, [nFirst, nEnd); false when none is waiting.
    bool Claim(uint64_t& nFirst, uint64_t& nEnd);
    void Work(uint64_t nFirst, uint64_t nEnd);
    void WorkerLoop();

    const unsigned m_nThreads;
    const std::atomic<int32_t>& m_cancel;
    Examine m_examine;
    Apply m_apply;
    std::unique_ptr<Slot[]> m_slots;
    // Steps are added by the walk's thread and claimed by whoever works on them, without a
    // lock; the lock and the condition variables are only for sleeping and waking.
    std::atomic<uint64_t> m_nAdded{0};
    std::atomic<uint64_t> m_nClaimed{0};
    uint64_t m_nApplied = 0;  // the walk's thread only
    std::atomic<int> m_nSleeping{0};
    bool m_bStop = false;  // under the lock
    std::atomic<bool> m_bWalkWaiting{false};
    std::mutex m_mutex;
    std::condition_variable m_workAdded;
    std::condition_variable m_stepDone;
    std::vector<std::thread> m_workers;
};
