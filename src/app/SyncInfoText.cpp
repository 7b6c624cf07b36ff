// SPDX-License-Identifier: GPL-3.0-or-later
#include "SyncInfoText.h"

#include "SyncGroup.h"

QString PairLineText(const CSyncPair& pair) {
    return QString::asprintf("%s  --->>   %s", pair.m_strSource.c_str(),
                             pair.m_strDestination.c_str());
}

uint32_t BytesPerSecond(uint32_t dwBytes, uint32_t dwElapsedMs) {
    if (dwElapsedMs == 0) {
        return 0;
    }
    const double dRate = static_cast<double>(dwBytes) / static_cast<double>(dwElapsedMs) * 1000.0;
    // At most 2^32 * 1000, well inside 64 bits.
    return static_cast<uint32_t>(static_cast<int64_t>(dRate));
}

QString SyncInfoText(const CSyncPair& pair) {
    return QString::asprintf(
        "%d Files in %d Directories  Copied:%d  %u:bytes  Time:%d mSec\n%u Bytes/Sec",
        static_cast<int32_t>(pair.m_nFilesFound), static_cast<int32_t>(pair.m_nDirectories),
        static_cast<int32_t>(pair.m_nFilesCopied), pair.m_dwBytesCopied,
        static_cast<int32_t>(pair.m_dwElapsedMs),
        BytesPerSecond(pair.m_dwBytesCopied, pair.m_dwElapsedMs));
}
