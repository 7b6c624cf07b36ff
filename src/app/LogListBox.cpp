#include "LogListBox.h"

#include <QPainter>
#include <QScrollBar>
#include <algorithm>

#include "DisplayText.h"

CLogListBox::CLogListBox(QWidget* pParent)
    : QAbstractScrollArea(pParent), m_repaint(this, [this] { ApplyPendingRepaint(); }) {
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFrameShape(QFrame::StyledPanel);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
}

void CLogListBox::InsertString(int nIndex, const std::string& strLine) {
    // Stored as shown: a file name with a line break must not look like a second line.
    m_store.Insert(nIndex, EscapeControlCharacters(strLine));
    RequestRepaint(nIndex == 0);
}

void CLogListBox::InsertString(int nIndex, const QString& strLine) {
    InsertString(nIndex, strLine.toStdString());
}

void CLogListBox::ResetContent() {
    m_store.Clear();
    m_nAddedAtTop = 0;
    verticalScrollBar()->setValue(0);
    UpdateScrollRange();
    viewport()->update();
}

int CLogListBox::GetCount() const {
    return static_cast<int>(m_store.Count());
}

QString CLogListBox::GetText(int nIndex) const {
    if (nIndex < 0) {
        return QString();
    }
    return QString::fromStdString(m_store.At(static_cast<size_t>(nIndex)));
}

void CLogListBox::RequestRepaint(bool bAtTop) {
    if (bAtTop) {
        ++m_nAddedAtTop;
    }
    m_repaint.Request();
}

void CLogListBox::ApplyPendingRepaint() {
    const int nAddedAtTop = m_nAddedAtTop.exchange(0);
    QScrollBar* pBar = verticalScrollBar();
    const int nTop = pBar->value();
    UpdateScrollRange();
    if (nTop > 0) {
        pBar->setValue(nTop + nAddedAtTop);
    }
    viewport()->update();
}

int CLogListBox::RowHeight() const {
    return std::max(1, fontMetrics().height());
}

void CLogListBox::UpdateScrollRange() {
    const int nVisible = viewport()->height() / RowHeight();
    const int nCount = GetCount();
    QScrollBar* pBar = verticalScrollBar();
    pBar->setRange(0, std::max(0, nCount - nVisible));
    pBar->setPageStep(std::max(1, nVisible));
    pBar->setSingleStep(1);
}

void CLogListBox::resizeEvent(QResizeEvent* pEvent) {
    QAbstractScrollArea::resizeEvent(pEvent);
    UpdateScrollRange();
}

void CLogListBox::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const int nRow = RowHeight();
    const int nFirst = verticalScrollBar()->value();
    const int nRows = viewport()->height() / nRow + 1;
    const std::vector<std::string> lines =
        m_store.Slice(static_cast<size_t>(nFirst), static_cast<size_t>(nRows));
    painter.setPen(palette().color(QPalette::Text));
    const int nTextLeft = 2;
    int y = 0;
    for (const std::string& strLine : lines) {
        painter.drawText(QRect(nTextLeft, y, viewport()->width() - nTextLeft, nRow),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         QString::fromStdString(strLine));
        y += nRow;
    }
}
