// SPDX-License-Identifier: GPL-3.0-or-later
// The last-copy date between the 32-bit time value and the date picker, in local time.
#pragma once

#include <QDate>

#include "SyncGroup.h"

// The local date of a time value.
QDate LocalDateOf(CTime32 time);

// The time value with its local date replaced by date and its time of day kept. The same
// date gives back the same value to the second. Clamped to the range of the time value.
CTime32 WithLocalDate(CTime32 time, const QDate& date);
