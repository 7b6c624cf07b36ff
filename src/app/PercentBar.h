// SPDX-License-Identifier: GPL-3.0-or-later
// The progress window's percent line as a bar: it shows the percent text that the engine
// wrote, exactly, over a bar filled to the number that the text starts with.
#pragma once

#include <QProgressBar>

class CPercentBar : public QProgressBar {
    Q_OBJECT
public:
    explicit CPercentBar(QWidget* pParent = nullptr);

    void SetText(const QString& strText);
    // The text as written; an empty text shows an empty bar.
    QString text() const override;

private:
    QString m_strText;
};
