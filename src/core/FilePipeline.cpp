#include "FilePipeline.h"

#include "SyncRun.h"

namespace {

// A worker takes at most this many steps at once: few enough that the others get their
// share, enough that the claims are rare.
constexpr uint64_t kMaxBatch = 16;
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
                             Apply apply)
    : m_nThreads(nThreads < 1 ? 1 : nThreads),
      m_cancel(cancel),
      m_examine(std::move(examine)),
      m_apply(std::move(apply)) {
    if (m_nThreads == 1) {
        return;
    }
    m_slots = std::make_unique<Slot[]>(kCapacity);
    for (unsigned i = 0; i + 1 < m_nThreads; ++i) {
        m_workers.emplace_back([this] { WorkerLoop(); });
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
    if (m_nThreads == 1) {
        m_apply(outcome);
        return;
    }
    Slot& slot = Next();
    std::swap(slot.outcome, outcome);
    slot.bFile = false;
    slot.bDone.store(true);
    Publish(slot);
}

void CFilePipeline::AddFile(const std::shared_ptr<const CFolderHandles>& folder,
                            const std::string& strName, CStepOutcome& walked) {
    if (m_nThreads == 1) {
        const CFileTask task{folder, strName};
        m_examine(task, walked);
        m_apply(walked);
        return;
    }
    Slot& slot = Next();
    std::swap(slot.outcome, walked);
    slot.task.folder = folder;
    slot.task.strName = strName;
    slot.bFile = true;
    slot.bDone.store(false);
    Publish(slot);
}

void CFilePipeline::Finish() {
    if (m_nThreads == 1) {
        return;
    }
    while (HelpOrWait()) {
    }
}

// The slot for the next step; makes room first when every slot is in use.
CFilePipeline::Slot& CFilePipeline::Next() {
    ApplyDone();
    while (m_nAdded.load() - m_nApplied == kCapacity) {
        HelpOrWait();
    }
    return m_slots[m_nAdded.load() % kCapacity];
}

void CFilePipeline::Publish(Slot& slot) {
    const uint64_t nAdded = m_nAdded.fetch_add(1) + 1;
    // A sleeping worker either sees the new step when it looks, or is seen here.
    if (slot.bFile && m_nSleeping.load() > 0 && nAdded - m_nClaimed.load() >= kWakeBatch) {
        std::lock_guard lock(m_mutex);
        m_workAdded.notify_one();
    }
}

void CFilePipeline::ApplyDone() {
    const uint64_t nAdded = m_nAdded.load();
    while (m_nApplied < nAdded) {
        Slot& slot = m_slots[m_nApplied % kCapacity];
        if (!slot.bDone.load()) {
            return;
        }
        m_apply(slot.outcome);
        slot.outcome.Clear();
        slot.task.folder.reset();
        ++m_nApplied;
    }
}

bool CFilePipeline::HelpOrWait() {
    ApplyDone();
    if (m_nApplied == m_nAdded.load()) {
        return false;
    }
    uint64_t nFirst = 0;
    uint64_t nEnd = 0;
    if (Claim(nFirst, nEnd)) {
        Work(nFirst, nEnd);
        return true;
    }
    // Every step is with a worker: wait for the oldest one.
    Slot& oldest = m_slots[m_nApplied % kCapacity];
    std::unique_lock lock(m_mutex);
    m_bWalkWaiting.store(true);
    m_stepDone.wait(lock, [&oldest] { return oldest.bDone.load(); });
    m_bWalkWaiting.store(false);
    return true;
}

bool CFilePipeline::Claim(uint64_t& nFirst, uint64_t& nEnd) {
    uint64_t nClaimed = m_nClaimed.load();
    for (;;) {
        const uint64_t nWaiting = m_nAdded.load() - nClaimed;
        if (nWaiting == 0) {
            return false;
        }
        const uint64_t nBatch =
            std::min(kMaxBatch, std::max<uint64_t>(1, nWaiting / (m_nThreads + 1)));
        if (m_nClaimed.compare_exchange_weak(nClaimed, nClaimed + nBatch)) {
            nFirst = nClaimed;
            nEnd = nClaimed + nBatch;
            return true;
        }
    }
}

void CFilePipeline::Work(uint64_t nFirst, uint64_t nEnd) {
    for (uint64_t n = nFirst; n < nEnd; ++n) {
        Slot& slot = m_slots[n % kCapacity];
        if (!slot.bFile) {
            continue;  // the walk finished it
        }
        // After a cancel no file is started; the walk would not have reached it.
        if (m_cancel.load() == 0) {
            m_examine(slot.task, slot.outcome);
        } else {
            slot.outcome.Clear();
        }
        slot.bDone.store(true);
        if (m_bWalkWaiting.load()) {
            std::lock_guard lock(m_mutex);
            m_stepDone.notify_one();
        }
    }
}

void CFilePipeline::WorkerLoop() {
    for (;;) {
        uint64_t nFirst = 0;
        uint64_t nEnd = 0;
        if (Claim(nFirst, nEnd)) {
            Work(nFirst, nEnd);
            continue;
        }
        std::unique_lock lock(m_mutex);
        ++m_nSleeping;
        m_workAdded.wait(lock, [this] { return m_bStop || m_nClaimed.load() < m_nAdded.load(); });
        --m_nSleeping;
        if (m_bStop && m_nClaimed.load() == m_nAdded.load()) {
            return;
        }
    }
}
