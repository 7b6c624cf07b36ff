// SPDX-License-Identifier: GPL-3.0-or-later
// Lets a window built from a dialog template grow beyond the template's size, which stays
// its smallest. Two controls, one above the other, share the extra height and take the
// extra width. Controls between them move down with the upper one's bottom edge, controls
// below the lower one's top edge move with the window's bottom. A control whose right edge
// lines up with a growing control's grows in width with it; every other control keeps its
// distance to the nearer of the left and right edges.
#pragma once

#include <QObject>
#include <QRect>
#include <vector>

class QWidget;

class CGrowingLayout : public QObject {
    Q_OBJECT
public:
    // Call once the controls are built at the template's size.
    CGrowingLayout(QWidget& dialog, int nUpperGrowingId, int nLowerGrowingId);

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    enum class Horizontal { Left, Right, Grow };
    enum class Vertical { Top, WithUpperBottom, WithWindowBottom, GrowUpper, GrowLower };

    struct Placement {
        QWidget* pControl;
        QRect base;
        Horizontal horizontal;
        Vertical vertical;
    };

    void Apply(QSize size) const;

    QSize m_baseSize;
    std::vector<Placement> m_placements;
};
