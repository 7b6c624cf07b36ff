// SPDX-License-Identifier: GPL-3.0-or-later
// What `folvex --versions` prints: the replaced versions kept for a pair, one line for each
// run's dated folder, oldest first, with its files and their size.
#pragma once

#include <ostream>

#include "SyncGroup.h"
#include "platform.h"

// Prints pair nPair's versions folder (both ways, also its source's), and below it each
// dated folder or "No replaced versions yet". Only reads. False, after an error line, when
// a versions folder could not be read whole.
bool PrintPairVersions(int nPair, const CSyncPair& pair, std::ostream& out, IPlatform& platform);
