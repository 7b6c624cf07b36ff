// SPDX-License-Identifier: GPL-3.0-or-later
// Bringing the figures of runs into a group list that others may have changed meanwhile:
// a saver re-reads the file under its lock and finds each of its pairs there again.
#pragma once

#include <string>
#include <vector>

#include "SyncGroup.h"

// What a run changes in a pair: the last-copy date and the figures.
void CopyRunFigures(const CSyncPair& from, CSyncPair& to);
bool SameRunFigures(const CSyncPair& a, const CSyncPair& b);

// The pair of list that is the one read at origin with these folders: the pair at that very
// place when its folders are still these, else the first pair of the same group with these
// folders that is not in taken; nullptr when the list no longer holds it.
CSyncPair* FindPairAgain(const CSyncGroupList& list, CPairOrigin origin,
                         const std::string& strSource, const std::string& strDestination,
                         const std::vector<const CSyncPair*>& taken);

// The window's list at its save. held is what the window holds, loaded the list as it read
// it at start, current the file as it is now. For each held pair that was read from the file,
// the last-copy date and figures become the newer of the two: the file's when another
// program ran the pair meanwhile (they differ from what was read) and the window did not,
// and when both ran it, those of the run with the later date. Everything else of held (the
// user's edits, groups and pairs added, removed or renamed) stays as it is.
void TakeRunsSavedElsewhere(CSyncGroupList& held, const CSyncGroupList& loaded,
                            const CSyncGroupList& current);
