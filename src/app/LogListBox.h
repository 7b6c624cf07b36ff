// The log window: a list box of plain text lines, newest engine line on top. It keeps its
// lines in a CLogLineStore, so any thread may add lines; it paints only the visible rows
// and repaints once per event-loop turn however many lines arrived.
#pragma once

#include <QAbstractScrollArea>
#include <atomic>

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

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;

private:
    void RequestRepaint(bool bAtTop);
    void ApplyPendingRepaint();
    void UpdateScrollRange();
    int RowHeight() const;

    CLogLineStore m_store;
    CCoalescedUpdate m_repaint;
    // Lines added at the top since the last repaint; keeps a scrolled view on its lines.
    std::atomic<int> m_nAddedAtTop{0};
};
