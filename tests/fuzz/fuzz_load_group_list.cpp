// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the group list loader. Any crash, hang, leak or oversized
// allocation is a finding; the loader must also keep only complete groups.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "GroupListFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CSyncGroupList list;
    int nMessages = 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const LoadOutcome outcome =
        LoadGroupListBytes(bytes, list, [&](const std::string&) { ++nMessages; });
    if (outcome == LoadOutcome::Loaded) {
        // What loaded cleanly stores to a file that loads to the same bytes again.
        const std::string stored = StoreGroupList(list);
        CSyncGroupList again;
        if (LoadGroupListBytes(stored, again, nullptr) != LoadOutcome::Loaded ||
            StoreGroupList(again) != stored) {
            __builtin_trap();
        }
    }
    return 0;
}
