// SPDX-License-Identifier: GPL-3.0-or-later
#include "SyncText.h"

#include <algorithm>
#include <cstring>

std::string_view RelativePart(const std::string& strPath, const std::string& strSource) {
    std::string_view path(strPath);
    return path.substr(std::min(strSource.size(), path.size()));
}

std::string WithReason(const std::string& strLine, int32_t nSystemError) {
    char szBuffer[128];
    return strLine + " (" + strerror_r(nSystemError, szBuffer, sizeof szBuffer) + ")";
}
