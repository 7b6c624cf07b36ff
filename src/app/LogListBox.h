// SPDX-License-Identifier: GPL-3.0-or-later
// The log window: a list box of plain text lines, newest engine line on top. It keeps its
// lines in a CLogLineStore, so any thread may add lines; it paints only the visible rows
// and repaints at most once per 25 ms however many lines arrived. Lines are stored as
// shown, with their control characters made visible. It scrolls sideways to its longest
// line, shows a line's full text as its tooltip, and "Copy log" (also Ctrl+C) puts every
// line on the clipboard. It has no selection.
#pragma once

#include <QAbstractScrollArea>
#include <atomic>
#include <cstdint>

#include "CoalescedUpdate.h"
#include "LogLineStore.h"
#include "SyncWindows.h"

class CLogListBox : public QAbstractScrollArea, public ILogList {
    Q_OBJECT
public:
    explicit CLogListBox(QWidget* pParent = nullptr);

    // ILogList: safe from any thread; the line is in the list when the call returns.
    void InsertString(int nIndex, const std::string& strLine) override;
    void InsertString(int nIndex, const QString& strLine);
    void ResetContent();
    int GetCount() const;
    QString GetText(int nIndex) const;

    // Every line as shown, from the top, one per text line.
    QString AllText() const;
    void CopyAllToClipboard() const;

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    bool viewportEvent(QEvent* pEvent) override;

private:
    void RequestRepaint(bool bAtTop);
    void ApplyPendingRepaint();
    void UpdateScrollRange();
    void WidenContent(int nLineWidth);
    void ShowLineToolTip(const QPoint& pos, const QPoint& globalPos);
    int RowHeight() const;

    CLogLineStore m_store;
    CCoalescedUpdate m_repaint;
    // Lines added at the top since the last repaint; keeps a scrolled view on its lines.
    std::atomic<int> m_nAddedAtTop{0};
    // Window thread only: the widest line measured so far, in pixels, and which of the
    // store's longest lines was measured last.
    int m_nContentWidth = 0;
    uint64_t m_nLongestSeen = 0;
};
