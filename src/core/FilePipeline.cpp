#include "FilePipeline.h"

#include <algorithm>
#include <system_error>

#include "SyncRun.h"

// Why no step is handed out twice, nor a slot reused while a step still owns it: every
// change of a slot's state and of the counters happens under the one lock. A thread works
// on a step only after it changed that step's slot from Waiting to Working itself, under
// the lock, and nothing else ever leaves Waiting. The walk's thread fills a slot only while
// it is Free, and a slot becomes Free only when the walk's thread has applied the step in
// it, which it does only once the step is Done. So a slot holds one step from its adding to
// its applying, and that step is claimed at most once and applied exactly once, in order.
// Outside the lock, a Working slot belongs to the thread that claimed it and a Done slot to
// the walk's thread.

namespace {

// A sleeping worker is woken once this many files wait: waking one costs more than a file.
constexpr uint64_t kWakeBatch = 8;

}  // namespace

void CStepOutcome::Clear() {
    lines.clear();
    nErrors = 0;
    nLastError.reset();
    nFilesFound = 0;
    nDirectories = 0;
    nFilesCopied = 0;
    nBytesCopied = 0;
    bWrote = false;
}

CFilePipeline::CFilePipeline(unsigned nThreads, const std::atomic<int32_t>& cancel, Examine examine,
                             Apply apply, const StartThread& startThread)
    : m_cancel(cancel), m_examine(std::move(examine)), m_apply(std::move(apply)) {
    if (nThreads <= 1) {
        return;
    }
    m_slots = std::make_unique<Slot[]>(kCapacity);
    const StartThread start =
        startThread ? startThread : [](std::function<void()> run) { return std::thread(run); };
    for (unsigned i = 0; i + 1 < nThreads; ++i) {
        try {
            m_workers.push_back(start([this] { WorkerLoop(); }));
        } catch (const std::system_error&) {
            break;  // a process limit: the threads started so far do the work
        }
    }
}

CFilePipeline::~CFilePipeline() {
    {
        std::lock_guard lock(m_mutex);
        m_bStop = true;
    }
    m_workAdded.notify_all();
    for (std::thread& worker : m_workers) {
        worker.join();
    }
}

void CFilePipeline::AddDone(CStepOutcome& outcome) {
    if (Inline()) {
        m_apply(outcome);
        return;
    }
    Slot& slot = NextFree();
    std::swap(slot.outcome, outcome);
    Publish(SlotState::Done);
}

void CFilePipeline::AddFile(const std::shared_ptr<const CFolderHandles>& folder,
                            const std::string& strName, CStepOutcome& walked) {
    if (Inline()) {
        const CFileTask task{folder, strName};
        m_examine(task, walked);
        m_apply(walked);
        return;
    }
    Slot& slot = NextFree();
    std::swap(slot.outcome, walked);
    slot.task.folder = folder;
    slot.task.strName = strName;
    Publish(SlotState::Waiting);
}

void CFilePipeline::Finish() {
    if (Inline()) {
        return;
    }
    while (HelpOrWait()) {
    }
}

// The slot for the next step, which is Free; makes room first when every slot is in use.
// Only the walk's thread adds, so the slot stays Free until it publishes it.
CFilePipeline::Slot& CFilePipeline::NextFree() {
    ApplyDone();
    for (;;) {
        {
            std::lock_guard lock(m_mutex);
            if (m_nAdded - m_nApplied < kCapacity) {
                return m_slots[m_nAdded % kCapacity];
            }
        }
        HelpOrWait();
    }
}

void CFilePipeline::Publish(SlotState state) {
    std::lock_guard lock(m_mutex);
    m_slots[m_nAdded % kCapacity].state = state;
    ++m_nAdded;
    if (state == SlotState::Waiting && ++m_nWaitingFiles >= kWakeBatch && m_nSleeping > 0) {
        m_workAdded.notify_one();
    }
}

// Applies the steps that are done, oldest first, up to the first one that is not.
void CFilePipeline::ApplyDone() {
    for (;;) {
        uint64_t nFirst = 0;
        uint64_t nEnd = 0;
        {
            std::lock_guard lock(m_mutex);
            nFirst = m_nApplied;
            nEnd = nFirst;
            while (nEnd < m_nAdded && m_slots[nEnd % kCapacity].state == SlotState::Done) {
                ++nEnd;
            }
        }
        if (nFirst == nEnd) {
            return;
        }
        // Done slots belong to this thread: no other thread touches them.
        for (uint64_t n = nFirst; n < nEnd; ++n) {
            Slot& slot = m_slots[n % kCapacity];
            m_apply(slot.outcome);
            slot.outcome.Clear();
            slot.task.folder.reset();
        }
        std::lock_guard lock(m_mutex);
        for (uint64_t n = nFirst; n < nEnd; ++n) {
            m_slots[n % kCapacity].state = SlotState::Free;
        }
        m_nApplied = nEnd;
    }
}

bool CFilePipeline::HelpOrWait() {
    ApplyDone();
    Claimed claimed;
    {
        std::unique_lock lock(m_mutex);
        if (m_nApplied == m_nAdded) {
            return false;
        }
        if (!ClaimLocked(claimed)) {
            // Every step is with a worker: wait for the oldest one.
            const Slot& oldest = m_slots[m_nApplied % kCapacity];
            m_bWalkWaiting = true;
            m_stepDone.wait(lock, [&oldest] { return oldest.state == SlotState::Done; });
            m_bWalkWaiting = false;
            return true;
        }
        // The walk's thread is busy with files now; sleeping workers take the rest.
        if (m_nWaitingFiles > 0 && m_nSleeping > 0) {
            m_workAdded.notify_all();
        }
    }
    Work(claimed);
    return true;
}

// Claims the oldest waiting files, at most a fair share of them. Under the lock.
bool CFilePipeline::ClaimLocked(Claimed& claimed) {
    if (m_nWaitingFiles == 0) {
        return false;
    }
    const size_t nThreads = m_workers.size() + 1;
    const size_t nWant = std::clamp<size_t>(m_nWaitingFiles / (nThreads + 1), 1, kMaxBatch);
    uint64_t n = std::max(m_nNextClaim, m_nApplied);
    for (; n < m_nAdded && claimed.nCount < nWant; ++n) {
        Slot& slot = m_slots[n % kCapacity];
        if (slot.state == SlotState::Waiting) {
            slot.state = SlotState::Working;
            claimed.steps[claimed.nCount++] = n;
        }
    }
    m_nNextClaim = n;
    m_nWaitingFiles -= claimed.nCount;
    return claimed.nCount > 0;
}

void CFilePipeline::Work(const Claimed& claimed) {
    for (size_t i = 0; i < claimed.nCount; ++i) {
        Slot& slot = m_slots[claimed.steps[i] % kCapacity];
        // After a cancel no file is started; the walk would not have reached it.
        if (m_cancel.load() == 0) {
            m_examine(slot.task, slot.outcome);
        } else {
            slot.outcome.Clear();
        }
        std::lock_guard lock(m_mutex);
        slot.state = SlotState::Done;
        if (m_bWalkWaiting) {
            m_stepDone.notify_one();
        }
    }
}

void CFilePipeline::WorkerLoop() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        Claimed claimed;
        if (ClaimLocked(claimed)) {
            lock.unlock();
            Work(claimed);
            lock.lock();
            continue;
        }
        if (m_bStop) {
            return;
        }
        ++m_nSleeping;
        m_workAdded.wait(lock, [this] { return m_bStop || m_nWaitingFiles > 0; });
        --m_nSleeping;
    }
}
