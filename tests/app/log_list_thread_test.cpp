// SPDX-License-Identifier: GPL-3.0-or-later
// The log window's store and widget: where lines go, many lines from a worker thread while
// the window repaints, a scrolled view that stays on its lines, sideways scrolling to the
// longest line, tooltips and copying the log.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHelpEvent>
#include <QScrollBar>
#include <QTest>
#include <QTextDocumentFragment>
#include <QToolTip>
#include <thread>

#include "AppTestSupport.h"
#include "LogLineStore.h"
#include "LogListBox.h"

namespace {

// Repaints of lines from a worker are coalesced to one per 25 ms at most; wait for the next.
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

int SidewaysExtent(const CLogListBox& log) {
    const QScrollBar* pBar = log.horizontalScrollBar();
    return pBar->maximum() + pBar->pageStep();
}

TEST(LogListBoxTest, ScrollsSidewaysToWidestLine) {
    CLogListBox log;
    log.resize(300, 120);
    ShowActive(log);
    log.InsertString(0, std::string("short"));
    WaitForRepaint();
    EXPECT_EQ(log.horizontalScrollBar()->maximum(), 0);

    // The longest line by characters is not the widest: the wide one is found once shown.
    const QString strNarrow(200, QLatin1Char('i'));
    const QString strWide = "ERROR: Copying file: " + QString(150, QLatin1Char('W'));
    log.InsertString(0, strNarrow);
    log.InsertString(0, strWide);
    WaitForRepaint();
    WaitForRepaint();
    EXPECT_GE(SidewaysExtent(log), log.fontMetrics().horizontalAdvance(strWide));
    EXPECT_GE(SidewaysExtent(log), log.fontMetrics().horizontalAdvance(strNarrow));
    EXPECT_LE(SidewaysExtent(log), log.fontMetrics().horizontalAdvance(strWide) + 10);

    log.ResetContent();
    log.InsertString(0, std::string("short again"));
    WaitForRepaint();
    EXPECT_EQ(log.horizontalScrollBar()->maximum(), 0);
}

TEST(LogListBoxTest, ToolTipShowsFullLineAsWritten) {
    CLogListBox log;
    log.resize(200, 120);
    ShowActive(log);
    const QString strLong =
        "ERROR: Copying file: /media/backup/<b>not bold</b>/" + QString(80, 'x');
    log.InsertString(0, strLong);
    log.InsertString(0, std::string("top line"));
    WaitForRepaint();
    const QPoint pos(20, log.fontMetrics().height() + 2);  // the second row
    QHelpEvent help(QEvent::ToolTip, pos, log.viewport()->mapToGlobal(pos));
    QApplication::sendEvent(log.viewport(), &help);
    ASSERT_TRUE(QToolTip::isVisible());
    // What the tooltip shows is the line, broken into lines of a readable width.
    const QString strShown = QTextDocumentFragment::fromHtml(QToolTip::text()).toPlainText();
    EXPECT_GE(strShown.count(QLatin1Char('\n')), 1) << strShown.toStdString();
    EXPECT_EQ(QString(strShown).remove(QLatin1Char('\n')), strLong);
    QToolTip::hideText();
}

// "Copy log" from the context menu and Ctrl+C put every line on the clipboard as shown,
// newest first.
TEST(LogListBoxTest, CopyLogPutsEveryLineOnClipboard) {
    CLogListBox log;
    ShowActive(log);
    log.InsertString(0, std::string("OK Copied: /d/a"));
    log.InsertString(0, std::string("ERROR: Copying file: /d/b\nc"));
    log.InsertString(-1, std::string("No selection!"));
    const QString strExpected = "ERROR: Copying file: /d/b\\nc\nOK Copied: /d/a\nNo selection!";
    ASSERT_EQ(log.contextMenuPolicy(), Qt::ActionsContextMenu);
    ASSERT_EQ(log.actions().size(), 1);
    EXPECT_EQ(log.actions().front()->text(), "Copy log");
    log.actions().front()->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), strExpected);
    QApplication::clipboard()->clear();
    GiveFocus(log);
    QTest::keyClick(&log, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), strExpected);
}

}  // namespace
