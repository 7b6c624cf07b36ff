// SPDX-License-Identifier: GPL-3.0-or-later
#include "DateTransfer.h"

#include <QDateTime>
#include <algorithm>
#include <limits>

QDate LocalDateOf(CTime32 time) {
    return QDateTime::fromSecsSinceEpoch(static_cast<qint64>(time), Qt::LocalTime).date();
}

CTime32 WithLocalDate(CTime32 time, const QDate& date) {
    const QDateTime current =
        QDateTime::fromSecsSinceEpoch(static_cast<qint64>(time), Qt::LocalTime);
    if (!date.isValid() || current.date() == date) {
        return time;
    }
    const qint64 nSeconds = QDateTime(date, current.time(), Qt::LocalTime).toSecsSinceEpoch();
    return static_cast<CTime32>(
        std::clamp<qint64>(nSeconds, 0, std::numeric_limits<CTime32>::max()));
}
