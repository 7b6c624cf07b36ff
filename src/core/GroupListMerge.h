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
