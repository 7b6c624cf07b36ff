// SPDX-License-Identifier: GPL-3.0-or-later
// The texts that the main window builds from a sync pair: its pair-list line and the info
// text with the figures of its last run.
#pragma once

#include <QString>
#include <cstdint>

class CSyncPair;

// "source  --->>   destination"
QString PairLineText(const CSyncPair& pair);

// Bytes per second of a run: 0 for 0 ms; else bytes / ms * 1000 in double precision,
// truncated toward zero, low 32 bits.
uint32_t BytesPerSecond(uint32_t dwBytes, uint32_t dwElapsedMs);

// The two-line info text. The byte count and the rate print unsigned, so 2 GiB or more
// never shows as a negative number.
QString SyncInfoText(const CSyncPair& pair);
