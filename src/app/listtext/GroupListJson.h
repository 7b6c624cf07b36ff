// SPDX-License-Identifier: GPL-3.0-or-later
// The group list as a JSON document that people can read, edit and keep under version
// control: every group and pair with every field the list file stores, figures included.
//
//   {"format": "folvex group list", "version": 1, "groups": [{"name": ..., "pairs": [{
//     "source", "destination", "exclude": texts; "subFolders", "checkDestinationDate",
//     "onlyNewer", "overwriteRHS", "bothWays": options; "lastCopy": date or null;
//     "figures": {"filesFound", "folders", "filesCopied", "bytesCopied", "elapsedMs",
//                 "errors", "lastError", "reserved"}}]}]}
//
// Texts, dates and options are written as JsonValues.h says. Reading is strict: every field
// must be there with its type, and an unknown field (a typing error) is refused too.
#pragma once

#include <QByteArray>
#include <string>

#include "SyncGroup.h"

inline constexpr const char* kGroupListJsonFormat = "folvex group list";
inline constexpr int kGroupListJsonVersion = 1;

// The document for a list, indented, UTF-8.
QByteArray GroupListToJson(const CSyncGroupList& list);

// Reads a document in place of list, whole or not at all: on false the list is unchanged
// and strError says what is wrong and where, as "line L, column C: ..." for
// JSON that does not parse and as a path such as "groups[2].pairs[0].source: ..." (counted
// from 0) for a value that does not fit.
bool GroupListFromJson(const QByteArray& json, CSyncGroupList& list, std::string& strError);
