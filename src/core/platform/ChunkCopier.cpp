// SPDX-License-Identifier: GPL-3.0-or-later
#include "ChunkCopier.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "PosixHandles.h"
#include "posix_internal.h"

using posix_internal::Fail;

namespace {

bool RangeCopyRefused(int nErrno) {
    return nErrno == EXDEV || nErrno == EINVAL || nErrno == ENOSYS || nErrno == EOPNOTSUPP ||
           nErrno == EPERM || nErrno == EBADF;
}

}  // namespace

bool ChunkCopier::Run(bool bSparse) {
    if (!Report(CALLBACK_STREAM_SWITCH)) {
        return false;
    }
    if (!bSparse) {
        return CopyRange(0, m_nTotal);
    }
    for (int64_t nPos = 0; nPos < m_nTotal;) {
        const off_t nData = ::lseek(m_fdSource, nPos, SEEK_DATA);
        if (nData < 0) {
            if (errno == ENXIO) {
                break;  // only a hole is left
            }
            return errno == EINVAL ? CopyRange(nPos, m_nTotal) : Fail();
        }
        off_t nHole = ::lseek(m_fdSource, nData, SEEK_HOLE);
        if (nHole < 0 || nHole > m_nTotal) {
            nHole = static_cast<off_t>(m_nTotal);
        }
        if (nData > m_nDone) {
            m_nDone = nData;
            if (!Report(CALLBACK_CHUNK_FINISHED)) {
                return false;
            }
        }
        if (!CopyRange(nData, nHole)) {
            return false;
        }
        nPos = nHole;
    }
    // A file that ends in a hole gets its whole size.
    if (::ftruncate(m_fdTarget, static_cast<off_t>(m_nTotal)) != 0) {
        return Fail();
    }
    if (m_nDone < m_nTotal) {
        m_nDone = m_nTotal;
        return Report(CALLBACK_CHUNK_FINISHED);
    }
    return true;
}

// Copies [nStart, nEnd) to the same place in the target. The size that fstat gave is
// copied, and no more: that spares the call that would only report the end (a file
// that grew or shrank meanwhile is caught afterwards). An empty file is read to its
// end, since pseudo files report the size 0 and yet hold data.
bool ChunkCopier::CopyRange(int64_t nStart, int64_t nEnd) {
    loff_t nIn = nStart;
    loff_t nOut = nStart;
    for (;;) {
        if (m_nTotal > 0 && nIn >= nEnd) {
            return true;
        }
        const size_t nWant = m_nTotal > 0
                                 ? static_cast<size_t>(std::min<int64_t>(kChunkBytes, nEnd - nIn))
                                 : kChunkBytes;
        ssize_t n = 0;
        if (m_bUseRange) {
            n = ::copy_file_range(m_fdSource, &nIn, m_fdTarget, &nOut, nWant, 0);
            // Refused, or nothing from a file that should hold data (some pseudo file
            // systems): read and write instead.
            if ((n < 0 && nIn == nStart && RangeCopyRefused(errno)) || (n == 0 && nIn == 0)) {
                m_bUseRange = false;
                continue;
            }
        } else {
            n = ReadWriteChunk(nIn, nOut, nWant);
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Fail();
        }
        if (n == 0) {
            return true;  // the file ended early: it shrank, which is caught afterwards
        }
        // The disk starts on a large chunk while the next one is copied, so that the
        // flush at the end of the run has less left to do. Small files are left to the
        // flush: starting each one alone costs more than it saves. A failure here costs
        // nothing.
        if (static_cast<size_t>(n) >= kEarlyWritebackBytes) {
            ::sync_file_range(m_fdTarget, nOut - n, n, SYNC_FILE_RANGE_WRITE);
        }
        m_nDone = nIn;
        if (!Report(CALLBACK_CHUNK_FINISHED)) {
            return false;
        }
    }
}

ssize_t ChunkCopier::ReadWriteChunk(loff_t& nIn, loff_t& nOut, size_t nWant) {
    if (!m_pBuffer) {
        m_pBuffer = std::make_unique<char[]>(kBufferBytes);
    }
    const ssize_t nRead = ::pread(m_fdSource, m_pBuffer.get(), std::min(nWant, kBufferBytes), nIn);
    if (nRead <= 0) {
        return nRead;
    }
    if (!posix::WriteAll(m_fdTarget, m_pBuffer.get(), static_cast<size_t>(nRead), nOut)) {
        return -1;
    }
    nIn += nRead;
    nOut += nRead;
    return nRead;
}

// Reports progress, then looks at the cancel request. The routine's answer is not looked
// at: it tells the copy to go on, and a cancel comes through the request alone.
bool ChunkCopier::Report(uint32_t nReason) {
    if (m_pProgress != nullptr) {
        m_pProgress(m_nTotal, m_nDone, m_nTotal, m_nDone, 1, nReason, m_fdSource, m_fdTarget,
                    m_pData);
    }
    if (m_pCancel != nullptr && m_pCancel->load(std::memory_order_relaxed) != 0) {
        return Fail(ECANCELED);
    }
    return true;
}
