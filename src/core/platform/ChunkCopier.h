// SPDX-License-Identifier: GPL-3.0-or-later
// Copies the data of one open file into another in chunks, reporting progress after each
// and watching the cancel request between them. A sparse file is copied region by region:
// only its data moves, its holes stay holes, and the progress runs over its whole size.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform.h"

class ChunkCopier {
public:
    // copy_file_range moves at most this much per call, so progress and the cancel request
    // are seen between chunks at a cost of well under 1%.
    static constexpr size_t kChunkBytes = size_t{4} << 20;
    // Chunks of at least this size go to the disk as soon as they are copied.
    static constexpr size_t kEarlyWritebackBytes = size_t{1} << 20;
    // The read/write fallback's buffer; larger buffers are slower on these machines.
    static constexpr size_t kBufferBytes = size_t{128} << 10;

    // nTotal: the source's size. pProgress (when given) hears every chunk with pData.
    ChunkCopier(int fdSource, int fdTarget, int64_t nTotal, CopyProgressRoutine pProgress,
                void* pData, const std::atomic<int32_t>* pCancel)
        : m_fdSource(fdSource),
          m_fdTarget(fdTarget),
          m_nTotal(nTotal),
          m_pProgress(pProgress),
          m_pData(pData),
          m_pCancel(pCancel) {}

    // False, with the last error set, when the copy failed or was cancelled (ECANCELED).
    bool Run(bool bSparse);

private:
    bool CopyRange(int64_t nStart, int64_t nEnd);
    ssize_t ReadWriteChunk(loff_t& nIn, loff_t& nOut, size_t nWant);
    bool Report(uint32_t nReason);

    int m_fdSource;
    int m_fdTarget;
    int64_t m_nTotal;
    int64_t m_nDone = 0;
    CopyProgressRoutine m_pProgress;
    void* m_pData;
    const std::atomic<int32_t>* m_pCancel;
    bool m_bUseRange = true;
    std::unique_ptr<char[]> m_pBuffer;
};
