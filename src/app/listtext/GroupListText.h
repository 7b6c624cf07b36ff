// SPDX-License-Identifier: GPL-3.0-or-later
// `folvex --export` and `folvex --import`: the group list file written out as a JSON
// document (see GroupListJson.h) and a document made the group list file again.
#pragma once

#include <chrono>
#include <istream>
#include <ostream>
#include <string>

#include "GroupListLocation.h"

// Writes the list at strListPath as a document to strTarget, or to out when strTarget is
// empty or "-". A list that cannot be read whole is not exported. Returns the exit status.
int ExportGroupList(const std::string& strListPath, const std::string& strTarget, std::ostream& out,
                    std::ostream& err);

// Reads the document strSource (in when "-") and checks it whole; then, under the list's
// lock, keeps the current file as <list>.bak and replaces it with the document's list. Any
// failure leaves the list file as it was. Returns the exit status.
int ImportGroupList(const std::string& strListPath, const std::string& strSource, std::istream& in,
                    std::ostream& out, std::ostream& err,
                    std::chrono::milliseconds lockWait = kGroupListLockWait);
