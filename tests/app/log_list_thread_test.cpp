// The log window's store and widget: where lines go, many lines from a worker thread while
// the window repaints, and a scrolled view that stays on its lines.
#include <gtest/gtest.h>

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <thread>

#include "AppTestSupport.h"
#include "LogLineStore.h"
#include "LogListBox.h"

namespace {

// Repaints of lines from a worker are coalesced to a few per second; wait for the next.
void WaitForRepaint() {
    QTest::qWait(60);
}

TEST(LogLineStoreTest, TopEndAndMiddleInserts) {
    CLogLineStore store;
    store.Insert(0, "b");
    store.Insert(0, "a");
    store.Insert(-1, "d");
    store.Insert(2, "c");
    store.Insert(99, "e");
    EXPECT_EQ(store.Slice(0, 10), (std::vector<std::string>{"a", "b", "c", "d", "e"}));
    EXPECT_EQ(store.Slice(3, 10), (std::vector<std::string>{"d", "e"}));
    EXPECT_TRUE(store.Slice(5, 10).empty());
    EXPECT_EQ(store.At(7), "");
    store.Clear();
    EXPECT_EQ(store.Count(), 0u);
}

TEST(LogListBoxTest, ControlCharactersShowVisiblyOneEntryPerRow) {
    CLogListBox log;
    log.InsertString(0, std::string("OK Copied: /d/a\nOK Copied: /d/b\r\t\xc2\x85"));
    log.InsertString(-1, QString("x\u2028y"));
    EXPECT_EQ(LogLines(log),
              QStringList({"OK Copied: /d/a\\nOK Copied: /d/b\\r\\t\\u0085", "x\\u2028y"}));
}

TEST(LogListBoxTest, WorkerLinesArriveInOrderWhileWindowPaints) {
    CLogListBox log;
    log.resize(400, 200);
    ShowActive(log);
    constexpr int kLines = 200000;
    std::atomic<bool> bDone{false};
    std::thread worker([&] {
        for (int i = 0; i < kLines; ++i) {
            log.InsertString(0, "line " + std::to_string(i));
        }
        bDone = true;
    });
    while (!bDone) {
        QApplication::processEvents();
        log.repaint();
    }
    worker.join();
    WaitForRepaint();
    ASSERT_EQ(log.GetCount(), kLines);
    EXPECT_EQ(log.GetText(0), QString("line %1").arg(kLines - 1));
    EXPECT_EQ(log.GetText(kLines - 1), "line 0");
    EXPECT_EQ(log.verticalScrollBar()->maximum() + log.verticalScrollBar()->pageStep(), kLines);
}

TEST(LogListBoxTest, ScrolledViewKeepsItsLinesWhenLinesArriveOnTop) {
    CLogListBox log;
    log.resize(400, 100);
    ShowActive(log);
    for (int i = 0; i < 100; ++i) {
        log.InsertString(0, QString("line %1").arg(i));
    }
    WaitForRepaint();
    log.verticalScrollBar()->setValue(10);  // the top row shows "line 89"
    log.InsertString(0, std::string("new 1"));
    log.InsertString(0, std::string("new 2"));
    WaitForRepaint();
    EXPECT_EQ(log.GetText(log.verticalScrollBar()->value()), "line 89");

    log.verticalScrollBar()->setValue(0);  // at the top the newest line shows
    log.InsertString(0, std::string("new 3"));
    WaitForRepaint();
    EXPECT_EQ(log.verticalScrollBar()->value(), 0);
    log.ResetContent();
    EXPECT_EQ(log.GetCount(), 0);
}

}  // namespace
