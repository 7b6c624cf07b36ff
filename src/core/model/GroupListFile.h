// SPDX-License-Identifier: GPL-3.0-or-later
// Loading and saving the group list file (Synclist.dat).
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "SyncGroup.h"

// Shows one message to the user (a message box with an OK button, in the program).
using MessageSink = std::function<void(const std::string& strMessage)>;

inline constexpr const char* kGroupListFileName = "Synclist.dat";

// How a load ended; the program keeps a file it could not read whole (see Folvex.cpp).
enum class LoadOutcome {
    Loaded,        // the whole file down to its trailer
    NotFound,      // "Sync list not found!"
    Invalid,       // "Invalid Synclist!"
    NewerVersion,  // "Synclist for newer version!"
    Damaged,       // "Sync list damaged at end!": a wrong trailer, or the file ends early
};

// Appends the stored groups to list and reports failures through showMessage. Groups read
// completely stay in the list when the file turns out damaged; the one being read does not.
// pBytes, when given, receives the file as it was read.
LoadOutcome LoadGroupListFile(const std::string& strPath, CSyncGroupList& list,
                              const MessageSink& showMessage, std::string* pBytes = nullptr);

// The same over the file's bytes.
LoadOutcome LoadGroupListBytes(std::string_view bytes, CSyncGroupList& list,
                               const MessageSink& showMessage);

// The file's bytes for a list.
std::string StoreGroupList(const CSyncGroupList& list);

// Replaces the file atomically with the list; false (with the reason in strError) when it
// could not be written, in which case the previous file is unchanged.
bool SaveGroupList(const std::string& strPath, const CSyncGroupList& list, std::string& strError);

// "Synclist.dat" in the folder of the given executable path.
std::string GroupListPathBeside(const std::string& strExecutablePath);
