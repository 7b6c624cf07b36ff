// SPDX-License-Identifier: GPL-3.0-or-later
#include "GrowingLayout.h"

#include <QEvent>
#include <QWidget>
#include <cstdlib>

#include "DialogBuilder.h"

namespace {

// Whether a wide control's right edge lines up with a growing control's, as the group box
// and the info text line up with the pair list: it then grows with it. A narrow control at
// the right edge does not.
bool EndsWith(const QRect& control, const QRect& growing, int nTolerance) {
    return std::abs(control.right() - growing.right()) <= nTolerance &&
           control.left() < growing.center().x();
}

}  // namespace

CGrowingLayout::CGrowingLayout(QWidget& dialog, int nUpperGrowingId, int nLowerGrowingId)
    : QObject(&dialog), m_baseSize(dialog.size()) {
    const QRect upper = FindControl(dialog, nUpperGrowingId)->geometry();
    const QRect lower = FindControl(dialog, nLowerGrowingId)->geometry();
    const int nOneUnit = std::max(1, DialogUnitsOf(dialog).nBaseX / 4);
    for (QWidget* pControl : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const QVariant id = pControl->property(kControlIdProperty);
        if (!id.isValid()) {
            continue;
        }
        const QRect base = pControl->geometry();
        Placement placement{pControl, base, Horizontal::Left, Vertical::Top};
        if (id.toInt() == nUpperGrowingId || id.toInt() == nLowerGrowingId) {
            placement.horizontal = Horizontal::Grow;
            placement.vertical =
                id.toInt() == nUpperGrowingId ? Vertical::GrowUpper : Vertical::GrowLower;
        } else {
            const int nRightGap = m_baseSize.width() - (base.x() + base.width());
            if (EndsWith(base, upper, nOneUnit) || EndsWith(base, lower, nOneUnit)) {
                placement.horizontal = Horizontal::Grow;
            } else if (nRightGap < base.x()) {
                placement.horizontal = Horizontal::Right;
            }
            // By the middle, as the template's frames may overlap by a unit.
            const int nMiddle = base.y() + base.height() / 2;
            if (nMiddle >= lower.y()) {
                placement.vertical = Vertical::WithWindowBottom;
            } else if (nMiddle >= upper.y() + upper.height()) {
                placement.vertical = Vertical::WithUpperBottom;
            }
        }
        m_placements.push_back(placement);
    }
    dialog.setMinimumSize(m_baseSize);
    dialog.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    dialog.installEventFilter(this);
}

bool CGrowingLayout::eventFilter(QObject* pWatched, QEvent* pEvent) {
    if (pEvent->type() == QEvent::Resize) {
        Apply(static_cast<QWidget*>(pWatched)->size());
    }
    return QObject::eventFilter(pWatched, pEvent);
}

void CGrowingLayout::Apply(QSize size) const {
    const int nExtraWidth = std::max(0, size.width() - m_baseSize.width());
    const int nExtraHeight = std::max(0, size.height() - m_baseSize.height());
    const int nUpperShare = nExtraHeight / 2;
    for (const Placement& placement : m_placements) {
        QRect rect = placement.base;
        switch (placement.horizontal) {
            case Horizontal::Left:
                break;
            case Horizontal::Right:
                rect.translate(nExtraWidth, 0);
                break;
            case Horizontal::Grow:
                rect.setWidth(rect.width() + nExtraWidth);
                break;
        }
        switch (placement.vertical) {
            case Vertical::Top:
                break;
            case Vertical::WithUpperBottom:
                rect.translate(0, nUpperShare);
                break;
            case Vertical::WithWindowBottom:
                rect.translate(0, nExtraHeight);
                break;
            case Vertical::GrowUpper:
                rect.setHeight(rect.height() + nUpperShare);
                break;
            case Vertical::GrowLower:
                rect.translate(0, nUpperShare);
                rect.setHeight(rect.height() + nExtraHeight - nUpperShare);
                break;
        }
        placement.pControl->setGeometry(rect);
    }
}
