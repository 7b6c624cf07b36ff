// SPDX-License-Identifier: GPL-3.0-or-later
#include "LogListBox.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHelpEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <algorithm>

#include "DisplayText.h"

namespace {

constexpr int kTextLeft = 2;
// A tooltip line holds at most this many characters; longer log lines are broken after a
// "/" or a blank where they have one.
constexpr int kToolTipLineChars = 100;

// The log line as rich text, escaped, so that a name holding markup shows as written, and
// in lines of a readable width (Qt would wrap it far narrower).
QString ToolTipHtml(const QString& strLine) {
    QStringList pieces;
    for (int nStart = 0; nStart < strLine.size();) {
        int nLength = std::min(kToolTipLineChars, static_cast<int>(strLine.size()) - nStart);
        if (nStart + nLength < strLine.size()) {
            const QStringView chunk = QStringView(strLine).mid(nStart, nLength);
            const int nBreak =
                static_cast<int>(std::max(chunk.lastIndexOf(u'/'), chunk.lastIndexOf(u' ')));
            if (nBreak >= kToolTipLineChars / 2) {
                nLength = nBreak + 1;
            }
        }
        pieces << strLine.mid(nStart, nLength).toHtmlEscaped();
        nStart += nLength;
    }
    return QStringLiteral("<p style='white-space:pre'>%1</p>").arg(pieces.join("<br>"));
}

}  // namespace

CLogListBox::CLogListBox(QWidget* pParent)
    : QAbstractScrollArea(pParent), m_repaint(this, [this] { ApplyPendingRepaint(); }) {
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFrameShape(QFrame::StyledPanel);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);

    auto* pCopy = new QAction(tr("Copy log"), this);
    pCopy->setShortcut(QKeySequence::Copy);
    pCopy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(pCopy, &QAction::triggered, this, &CLogListBox::CopyAllToClipboard);
    addAction(pCopy);
    setContextMenuPolicy(Qt::ActionsContextMenu);
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
    m_nContentWidth = 0;
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
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

QString CLogListBox::AllText() const {
    QStringList lines;
    for (const std::string& strLine : m_store.Slice(0, m_store.Count())) {
        lines << QString::fromStdString(strLine);
    }
    return lines.join(QLatin1Char('\n'));
}

void CLogListBox::CopyAllToClipboard() const {
    QApplication::clipboard()->setText(AllText());
}

void CLogListBox::RequestRepaint(bool bAtTop) {
    if (bAtTop) {
        ++m_nAddedAtTop;
    }
    m_repaint.Request();
}

void CLogListBox::ApplyPendingRepaint() {
    const int nAddedAtTop = m_nAddedAtTop.exchange(0);
    std::string strLongest;
    if (m_store.LongestLineSince(m_nLongestSeen, strLongest)) {
        WidenContent(fontMetrics().horizontalAdvance(QString::fromStdString(strLongest)));
    }
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

void CLogListBox::WidenContent(int nLineWidth) {
    m_nContentWidth = std::max(m_nContentWidth, nLineWidth);
}

void CLogListBox::UpdateScrollRange() {
    const int nVisible = viewport()->height() / RowHeight();
    const int nCount = GetCount();
    QScrollBar* pBar = verticalScrollBar();
    pBar->setRange(0, std::max(0, nCount - nVisible));
    pBar->setPageStep(std::max(1, nVisible));
    pBar->setSingleStep(1);

    const int nWidth = viewport()->width();
    QScrollBar* pSideways = horizontalScrollBar();
    pSideways->setRange(0, std::max(0, kTextLeft * 2 + m_nContentWidth - nWidth));
    pSideways->setPageStep(std::max(1, nWidth));
    pSideways->setSingleStep(std::max(1, fontMetrics().averageCharWidth() * 4));
}

void CLogListBox::resizeEvent(QResizeEvent* pEvent) {
    QAbstractScrollArea::resizeEvent(pEvent);
    UpdateScrollRange();
}

bool CLogListBox::viewportEvent(QEvent* pEvent) {
    if (pEvent->type() == QEvent::ToolTip) {
        const auto* pHelp = static_cast<QHelpEvent*>(pEvent);
        ShowLineToolTip(pHelp->pos(), pHelp->globalPos());
        return true;
    }
    return QAbstractScrollArea::viewportEvent(pEvent);
}

void CLogListBox::ShowLineToolTip(const QPoint& pos, const QPoint& globalPos) {
    const int nRow = RowHeight();
    const int nLine = verticalScrollBar()->value() + pos.y() / nRow;
    if (pos.y() < 0 || nLine >= GetCount()) {
        QToolTip::hideText();
        return;
    }
    const QRect rowRect(0, pos.y() / nRow * nRow, viewport()->width(), nRow);
    QToolTip::showText(globalPos, ToolTipHtml(GetText(nLine)), viewport(), rowRect);
}

void CLogListBox::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const int nRow = RowHeight();
    const int nFirst = verticalScrollBar()->value();
    const int nRows = viewport()->height() / nRow + 1;
    const std::vector<std::string> lines =
        m_store.Slice(static_cast<size_t>(nFirst), static_cast<size_t>(nRows));
    painter.setPen(palette().color(QPalette::Text));
    const int nLeft = kTextLeft - horizontalScrollBar()->value();
    const int nWidestBefore = m_nContentWidth;
    int y = 0;
    for (const std::string& strLine : lines) {
        const QString strText = QString::fromStdString(strLine);
        const int nWidth = fontMetrics().horizontalAdvance(strText);
        // The store's longest line has the most characters, not always the most pixels:
        // a line measured here may be wider still.
        WidenContent(nWidth);
        painter.drawText(QRect(nLeft, y, std::max(nWidth, viewport()->width()) + 1, nRow),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, strText);
        y += nRow;
    }
    if (m_nContentWidth > nWidestBefore) {
        // Not while painting: a new range may show the scroll bar and resize the viewport.
        QMetaObject::invokeMethod(this, &CLogListBox::UpdateScrollRange, Qt::QueuedConnection);
    }
}
