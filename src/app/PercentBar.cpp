// SPDX-License-Identifier: GPL-3.0-or-later
#include "PercentBar.h"

#include <algorithm>
#include <cmath>

#include "RunTotals.h"

CPercentBar::CPercentBar(QWidget* pParent) : QProgressBar(pParent) {
    setRange(0, 100);
    setValue(0);
    setTextVisible(true);
    setAlignment(Qt::AlignCenter);
}

void CPercentBar::SetText(const QString& strText) {
    m_strText = strText;
    const double dPercent = PercentOf(strText.toStdString()).value_or(0.0);
    // Not NaN (fails every comparison) and within the bar.
    const int nValue =
        dPercent >= 0.0 ? static_cast<int>(std::lround(std::min(dPercent, 100.0))) : 0;
    setValue(nValue);
    update();  // the value may stay while the text changes
}

QString CPercentBar::text() const {
    return m_strText;
}
