// SPDX-License-Identifier: GPL-3.0-or-later
#include "FilePipeline.h"

#include <algorithm>
#include <system_error>

#include "SyncRun.h"

// Why no step is handed out twice, nor a slot reused while a step still owns it: every
// change of a slot's state, and every counter that another thread reads, is written under
// the one lock. A thread works on a step only after it changed that step's slot from
// Waiting to Working itself, under the lock, and nothing else ever leaves Waiting. The
// walk's thread fills a slot only while it is Free, and a slot becomes Free only when the
// walk's thread has applied the step in it, which it does only once the step is Done. So a
// slot holds one step from its filling to its applying, and that step is claimed at most
// once and applied exactly once, in order. Outside the lock, a filled slot that is not yet
// published and a Done slot belong to the walk's thread, and a Working slot to the thread
// that claimed it.

namespace {

// A sleeping worker is woken once this many files wait: waking one costs more than a file.
constexpr uint64_t kWakeBatch = 8;
// The walk's thread publishes its steps this many at a time.
constexpr uint64_t kPublishBatch = 8;

}  // namespace

void CStepOutcome::Clear() {
    lines.clear();
    nErrors = 0;
    nLastError.reset();
    nFilesFound = 0;
    nDirectories = 0;
    nFilesCopied = 0;
    nBytesCopied = 0;
    nRoomTaken = 0;
    nRoomFreed = 0;
    planned.reset();
    nMakeFolder = kNoFolder;
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
    Fill(slot, SlotState::Done);
}

void CFilePipeline::AddFile(const std::shared_ptr<const CFolderHandles>& folder,
                            const std::string& strName, CStepOutcome& walked,
                            const CPlannedAction* pAction) {
    if (Inline()) {
        const CFileTask task{folder, strName, pAction};
        m_examine(task, walked);
        m_apply(walked);
        return;
    }
    Slot& slot = NextFree();
    std::swap(slot.outcome, walked);
    slot.task.folder = folder;
    slot.task.strName = strName;
    slot.task.pAction = pAction;
    Fill(slot, SlotState::Waiting);
}

void CFilePipeline::Finish() {
    if (Inline()) {
        return;
    }
    while (HelpOrWait()) {
    }
}

// The slot for the next step, which is Free; makes room first when every slot is in use.
// Only the walk's thread fills slots and applies steps, so it reads m_nApplied without the
// lock, and the slot stays Free until it publishes it.
CFilePipeline::Slot& CFilePipeline::NextFree() {
    while (m_nFilled - m_nApplied == kCapacity) {
        HelpOrWait();
    }
    return m_slots[m_nFilled % kCapacity];
}

// The walk's thread hands its steps on a few at a time, so that it takes the lock once for
// several of them.
void CFilePipeline::Fill(Slot& slot, SlotState state) {
    slot.filledAs = state;
    if (++m_nFilled - m_nAdded >= kPublishBatch) {
        Publish();
        ApplyDone();
    }
}

void CFilePipeline::Publish() {
    if (m_nFilled == m_nAdded) {
        return;
    }
    std::lock_guard lock(m_mutex);
    for (; m_nAdded < m_nFilled; ++m_nAdded) {
        Slot& slot = m_slots[m_nAdded % kCapacity];
        slot.state = slot.filledAs;
        m_nWaitingFiles += slot.state == SlotState::Waiting ? 1 : 0;
    }
    if (m_nWaitingFiles >= kWakeBatch && m_nSleeping > 0) {
        m_workAdded.notify_one();
    }
}

// Applies the steps that are done, oldest first, up to the first one that is not.
void CFilePipeline::ApplyDone() {
    for (;;) {
        const uint64_t nFirst = m_nApplied;
        uint64_t nEnd = nFirst;
        {
            std::lock_guard lock(m_mutex);
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
    Publish();
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
            m_bWalkWaiting.store(true);
            m_stepDone.wait(lock, [&oldest] { return oldest.state == SlotState::Done; });
            m_bWalkWaiting.store(false);
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

// Works on the claimed files in order. They are marked done together at the end, or one by
// one while the walk's thread waits for one of them.
void CFilePipeline::Work(const Claimed& claimed) {
    size_t nMarked = 0;
    for (size_t i = 0; i < claimed.nCount; ++i) {
        Slot& slot = m_slots[claimed.steps[i] % kCapacity];
        // After a cancel no file is started; the walk would not have reached it.
        if (m_cancel.load() == 0) {
            m_examine(slot.task, slot.outcome);
        } else {
            slot.outcome.Clear();
        }
        if (i + 1 == claimed.nCount || m_bWalkWaiting.load(std::memory_order_relaxed)) {
            std::lock_guard lock(m_mutex);
            for (; nMarked <= i; ++nMarked) {
                m_slots[claimed.steps[nMarked] % kCapacity].state = SlotState::Done;
            }
            if (m_bWalkWaiting.load(std::memory_order_relaxed)) {
                m_stepDone.notify_one();
            }
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
