// SPDX-License-Identifier: GPL-3.0-or-later
// The worker on its own thread, as the progress window starts it, with the cancel request
// set from the window's thread while a copy is under way.
#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "EngineFixture.h"
#include "SyncWindows.h"
#include "Synchronize.h"

namespace {

// Holds the worker inside its first progress report of a copy until the window thread has
// set the cancel request, so the cancel lands mid-copy without timing guesses.
class CancelMidCopy {
public:
    explicit CancelMidCopy(RecordingProgress& progress) {
        progress.m_onWrite = [this](int nId, const std::string&) {
            if (nId == IDC_PROGRESS_PERCENT && !m_bSignalled) {
                m_bSignalled = true;
                m_copying.set_value();
                m_cancelled.get_future().wait();
            }
        };
    }
    // On the window thread: waits for the copy to start, cancels, lets the worker go on.
    void Cancel(CSyncPair& pair) {
        ASSERT_EQ(m_copying.get_future().wait_for(std::chrono::seconds(30)),
                  std::future_status::ready);
        pair.m_bCancel.store(1);
        m_cancelled.set_value();
    }

private:
    bool m_bSignalled = false;  // worker thread only
    std::promise<void> m_copying;
    std::promise<void> m_cancelled;
};

// A large copy into a destination that holds an old version (one way) or nothing (both
// ways), cancelled from the window's thread: the copy stops, the old file stays, and a
// both-ways pair does not go on with its reverse run.
class CancelOnAThread : public EngineTest, public testing::WithParamInterface<bool> {};

TEST_P(CancelOnAThread, StopsTheCopyAndThePair) {
    const bool bBothWays = GetParam();
    WriteSparseFile(Src("big.bin"), uint64_t{64} << 20);
    WriteFile(Dst(bBothWays ? "back.txt" : "big.bin"), "old");
    m_pair.m_bBothWays = bBothWays ? 1 : 0;
    m_pair.m_bCheckDestDate = m_pair.m_bBothWays;
    m_progress.m_pPair = &m_pair;
    m_pair.m_pProgressDlg = nullptr;  // the worker sets it
    CancelMidCopy cancel(m_progress);
    const InvariantChecker invariants(Src(), Dst());

    std::thread worker(SyncThreadProc, &m_progress);
    cancel.Cancel(m_pair);
    ASSERT_TRUE(m_progress.WaitForEndOfRun(30000));
    worker.join();

    EXPECT_TRUE(bBothWays ? invariants.CheckBothWays() : invariants.Check());
    EXPECT_EQ(m_log.Lines(), (std::vector<std::string>{"User cancelled operation!",
                                                       "ERROR: Copying file: " + Dst("big.bin") +
                                                           " (Operation canceled)"}));
    EXPECT_EQ(m_pair.m_nErrors, 2);
    EXPECT_EQ(m_pair.m_nLastError, ECANCELED);
    EXPECT_EQ(Exists(Dst("big.bin")), !bBothWays);
    EXPECT_FALSE(Exists(Src("back.txt")));
    EXPECT_EQ(m_progress.EndOfRunCount(), 1);
    EXPECT_EQ(m_pair.m_pProgressDlg, nullptr);  // cleared when the run ended
}

INSTANTIATE_TEST_SUITE_P(Engine, CancelOnAThread, testing::Bool(),
                         [](const auto& info) { return info.param ? "BothWays" : "OneWay"; });

}  // namespace
