// SPDX-License-Identifier: GPL-3.0-or-later
// The progress window on its own, as the benchmark uses it, and with the main window: the
// result, Cancel by button, Escape and the window manager during a large copy, a worker
// that cannot be started, and one window object reused for several pairs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <thread>

#include "AppTestSupport.h"
#include "DialogBuilder.h"
#include "FileTree.h"
#include "FolvexDlg.h"
#include "ForwardingPlatform.h"
#include "LogListBox.h"
#include "PercentBar.h"
#include "PosixPlatform.h"
#include "Sync_ProgressDlg.h"
#include "TempFolder.h"
#include "platform.h"

namespace {

class ProgressWindowTest : public testing::Test {
protected:
    void SetUpPair(const std::vector<std::string>& files) {
        m_pair.m_strSource = m_temp / "src";
        m_pair.m_strDestination = m_temp / "dst";
        MakeFolders(m_pair.m_strSource);
        for (const std::string& strFile : files) {
            WriteFile(m_pair.m_strSource + "/" + strFile, strFile);
        }
        m_pair.m_pLogList = &m_log;
    }

    TempFolder m_temp;
    CLogListBox m_log;
    CSyncPair m_pair;
};

TEST_F(ProgressWindowTest, RunsPairAndEndsWithOneOnSuccess) {
    SetUpPair({"a", "b", "c"});
    CSyncProgressDlg dlg;
    dlg.m_pPair = &m_pair;
    EXPECT_EQ(dlg.DoModal(), 1);
    EXPECT_EQ(m_pair.m_nFilesCopied, 3u);
    EXPECT_EQ(m_log.GetCount(), 4);
    EXPECT_EQ(m_pair.m_pProgressDlg, nullptr);  // cleared when the run ended
    EXPECT_EQ(dlg.GetDlgItemText(IDC_PROGRESS_FOLDER).toStdString(), m_pair.m_strSource);
    EXPECT_EQ(Control<QLabel>(dlg, IDC_PROGRESS_SPARE)->text(), "3 of 3 files, 3 B of 3 B");
    EXPECT_EQ(Control<CPercentBar>(dlg, IDC_PROGRESS_PERCENT)->text(), "100%");
    EXPECT_EQ(Control<CPercentBar>(dlg, IDC_PROGRESS_PERCENT)->value(), 100);
    EXPECT_FALSE(dlg.isVisible());
}

TEST_F(ProgressWindowTest, TotalsCountOnlyFilesCopiedWholeAndCoverBothDirections) {
    SetUpPair({});
    WriteFile(m_pair.m_strSource + "/big.bin", std::string(1'500'000, 'x'));
    WriteFile(m_pair.m_strSource + "/small.txt", std::string(500, 'y'));
    WriteFile(m_pair.m_strDestination + "/back.txt", std::string(1'000, 'z'));
    m_pair.m_bBothWays = 1;
    m_pair.m_bCheckDestDate = 1;
    CSyncProgressDlg dlg;
    dlg.m_pPair = &m_pair;
    EXPECT_EQ(dlg.DoModal(), 1);
    // Both directions' plans: 1,500,000 + 500 + 1,000 bytes in three copies.
    EXPECT_EQ(Control<QLabel>(dlg, IDC_PROGRESS_SPARE)->text(), "3 of 3 files, 1.5 MB of 1.5 MB");
}

TEST_F(ProgressWindowTest, EndsWithZeroWhenRunCountsErrors) {
    SetUpPair({});
    m_pair.m_strDestination = m_pair.m_strSource;
    CSyncProgressDlg dlg;
    dlg.m_pPair = &m_pair;
    EXPECT_EQ(dlg.DoModal(), 0);
}

TEST_F(ProgressWindowTest, OneWindowServesSeveralPairsWithFreshFields) {
    SetUpPair({"a"});
    CSyncPair second;
    second.m_strSource = m_temp / "src2";
    second.m_strDestination = m_temp / "dst2";
    // Nothing to copy or create: no file fields are written.
    MakeFolders(second.m_strSource);
    MakeFolders(second.m_strDestination);
    second.m_pLogList = &m_log;
    CSyncProgressDlg dlg;
    dlg.m_pPair = &m_pair;
    EXPECT_EQ(dlg.DoModal(), 1);
    EXPECT_FALSE(dlg.GetDlgItemText(IDC_PROGRESS_FILE).isEmpty());
    dlg.m_pPair = &second;
    EXPECT_EQ(dlg.DoModal(), 1);
    EXPECT_TRUE(dlg.GetDlgItemText(IDC_PROGRESS_FILE).isEmpty());
    EXPECT_TRUE(Control<QLabel>(dlg, IDC_PROGRESS_FILE)->text().isEmpty());
    EXPECT_EQ(dlg.GetDlgItemText(IDC_PROGRESS_FOLDER).toStdString(), second.m_strSource);
    EXPECT_TRUE(Exists(m_pair.m_strDestination + "/a"));
}

class UnstartableProgressDlg : public CSyncProgressDlg {
protected:
    bool StartWorker(std::string& strError) override {
        strError = "Resource temporarily unavailable";
        return false;
    }
};

TEST_F(ProgressWindowTest, WorkerThatCannotStartEndsWithZeroAndLogsWhy) {
    SetUpPair({"a"});
    UnstartableProgressDlg dlg;
    dlg.m_pPair = &m_pair;
    EXPECT_EQ(dlg.DoModal(), 0);
    ASSERT_EQ(m_log.GetCount(), 1);
    EXPECT_EQ(m_log.GetText(0),
              "ERROR: Could not start the synchronization: "
              "Resource temporarily unavailable");
    EXPECT_FALSE(Exists(m_pair.m_strDestination + "/a"));
}

// A cancel that arrives as the worker starts stops the run; one left over from an earlier
// pair does not stop the next.
class CancelAtStartProgressDlg : public CSyncProgressDlg {
protected:
    bool StartWorker(std::string& strError) override {
        OnCancel();
        return CSyncProgressDlg::StartWorker(strError);
    }
};

TEST_F(ProgressWindowTest, CancelBeforeTheFirstFileStopsOnlyThatPair) {
    SetUpPair({"a"});
    CancelAtStartProgressDlg cancelled;
    cancelled.m_pPair = &m_pair;
    EXPECT_EQ(cancelled.DoModal(), 0);
    EXPECT_EQ(m_log.GetText(0), "User cancelled operation!");
    EXPECT_FALSE(Exists(m_pair.m_strDestination + "/a"));

    CSyncProgressDlg next;
    next.m_pPair = &m_pair;
    EXPECT_EQ(next.DoModal(), 1);
    EXPECT_TRUE(Exists(m_pair.m_strDestination + "/a"));
}

// The real copy, held after its first chunk until the cancel comes, so that a cancel always
// meets a copy under way however fast the disk is.
class CopyHeldUntilCancel : public ForwardingPlatform {
public:
    CopyHeldUntilCancel() : ForwardingPlatform(m_posix) {}
    bool CopyFileEx(const CPathAt& from, const CPathAt& to, CopyProgressRoutine pProgress,
                    void* pData, const std::atomic<int32_t>* pCancel, uint32_t nFlags,
                    int fdTempFolder, CKeepReplaced* pKeep) override {
        Held held{pProgress, pData, pCancel};
        return ForwardingPlatform::CopyFileEx(from, to, Routine, &held, pCancel, nFlags,
                                              fdTempFolder, pKeep);
    }

private:
    struct Held {
        CopyProgressRoutine pProgress;
        void* pData;
        const std::atomic<int32_t>* pCancel;
    };
    static uint32_t Routine(int64_t nTotal, int64_t nDone, int64_t nStream, int64_t nStreamDone,
                            uint32_t nNumber, uint32_t nReason, int fdFrom, int fdTo, void* pData) {
        const auto* pHeld = static_cast<const Held*>(pData);
        const uint32_t nAnswer = pHeld->pProgress(nTotal, nDone, nStream, nStreamDone, nNumber,
                                                  nReason, fdFrom, fdTo, pHeld->pData);
        for (int i = 0; nDone > 0 && pHeld->pCancel->load() == 0 && i < 10000; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return nAnswer;
    }
    PosixPlatform m_posix;
};

// Every way of asking the window to close is the cancel action during a run.
enum class CancelWay { Button, Escape, WindowManager };

struct CancelCase {
    const char* szName;
    CancelWay way;
};

class CancelTest : public ProgressWindowTest, public testing::WithParamInterface<CancelCase> {};

TEST_P(CancelTest, CancelDuringLargeCopyStopsItAndWindowWaitsForEndOfRun) {
    SetUpPair({"small.txt"});
    WriteFile(m_pair.m_strSource + "/large.bin", std::string(size_t{9} << 20, 'L'));
    CopyHeldUntilCancel held;
    const ScopedPlatform installed(held);
    CSyncGroupList list;
    CSyncGroup* pGroup = CreateGroup(list);
    CSyncPair* pPair = CreatePair(*pGroup);
    pPair->m_strSource = m_pair.m_strSource;
    pPair->m_strDestination = m_pair.m_strDestination;
    PromptAnswerer prompts;
    CFolvexDlg main(list);
    ShowActive(main);

    bool bAskedToClose = false;
    bool bStillOpenAfterAsking = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* pProgress = qobject_cast<CSyncProgressDlg*>(QApplication::activeModalWidget());
        if (pProgress == nullptr || bAskedToClose ||
            !pProgress->GetDlgItemText(IDC_PROGRESS_FILE).endsWith("large.bin") ||
            pProgress->GetDlgItemText(IDC_PROGRESS_PERCENT).isEmpty()) {
            return;
        }
        bAskedToClose = true;
        switch (GetParam().way) {
            case CancelWay::Button:
                ClickControl(*pProgress, IDC_PROGRESS_CANCEL);
                break;
            case CancelWay::Escape:
                QTest::keyClick(pProgress, Qt::Key_Escape);
                break;
            case CancelWay::WindowManager:
                pProgress->close();
                break;
        }
        bStillOpenAfterAsking = pProgress->isVisible();
    });
    poll.start(1);
    ClickControl(main, IDC_START);

    EXPECT_TRUE(bAskedToClose);
    EXPECT_TRUE(bStillOpenAfterAsking);
    EXPECT_EQ(prompts.m_messages, QStringList({"There where errors!\nCheck Logwindow"}));
    const QStringList log = LogLines(*main.m_lbLog);
    ASSERT_FALSE(log.isEmpty());
    EXPECT_EQ(log.front(), "User cancelled operation!");
    EXPECT_TRUE(log.contains(QString::fromStdString(
        "ERROR: Copying file: " + pPair->m_strDestination + "/large.bin (Operation canceled)")))
        << log.join("\n").toStdString();
    // A cancelled copy leaves nothing half-written behind.
    EXPECT_FALSE(Exists(pPair->m_strDestination + "/large.bin"));
    EXPECT_EQ(pPair->m_timeLastCopy, 0u);
}

INSTANTIATE_TEST_SUITE_P(Ways, CancelTest,
                         testing::Values(CancelCase{"Button", CancelWay::Button},
                                         CancelCase{"Escape", CancelWay::Escape},
                                         CancelCase{"WindowManager", CancelWay::WindowManager}),
                         [](const auto& info) { return std::string(info.param.szName); });

// An empty destination after an earlier run found files: the window asks, and No ends the
// pair with an error line and nothing copied.
TEST_F(ProgressWindowTest, EmptyDestinationAfterAnEarlierRunIsAskedAbout) {
    for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
        SetUpPair({"a"});
        MakeFolders(m_pair.m_strDestination);
        m_pair.m_nFilesFound = 1;
        m_log.ResetContent();
        PromptAnswerer prompts;
        prompts.m_answers = {answer};
        CSyncProgressDlg dlg;
        dlg.m_pPair = &m_pair;
        EXPECT_EQ(dlg.DoModal(), answer == QMessageBox::Yes ? 1 : 0);
        ASSERT_EQ(prompts.m_messages.size(), 1);
        EXPECT_TRUE(prompts.m_messages[0].startsWith(
            "The destination folder is empty, although an earlier run copied files there. Is "
            "its disk mounted? Copy everything again?"));
        EXPECT_EQ(Exists(m_pair.m_strDestination + "/a"), answer == QMessageBox::Yes);
        if (answer == QMessageBox::No) {
            EXPECT_EQ(LogLines(m_log).front().toStdString(),
                      "ERROR: Destination folder is empty, although an earlier run copied files "
                      "there (is its disk mounted?):" +
                          m_pair.m_strDestination);
        }
    }
}

}  // namespace
