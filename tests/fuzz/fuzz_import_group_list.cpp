// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the group list's JSON reader. Any crash, hang, leak or oversized
// allocation is a finding; a document it takes must also write out to the same list again.
#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <string>

#include "GroupListFile.h"
#include "GroupListJson.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray json(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    CSyncGroupList list;
    std::string strError;
    if (!GroupListFromJson(json, list, strError)) {
        if (strError.empty() || list.GetCount() != 0) {
            __builtin_trap();  // refused without a reason, or not whole
        }
        return 0;
    }
    // What was taken exports and imports to the same list file.
    const std::string stored = StoreGroupList(list);
    CSyncGroupList again;
    if (!GroupListFromJson(GroupListToJson(list), again, strError) ||
        StoreGroupList(again) != stored) {
        __builtin_trap();
    }
    return 0;
}
