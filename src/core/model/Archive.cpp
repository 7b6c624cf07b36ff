// SPDX-License-Identifier: GPL-3.0-or-later
#include "Archive.h"

#include <cstring>

namespace {

constexpr uint8_t kLongPrefix = 0xFF;
constexpr uint16_t kWidePrefix = 0xFFFF;
// Never written; a reader meeting it treats the file as damaged.
constexpr uint16_t kReservedPrefix = 0xFFFE;

void AppendLittleEndian(std::string& out, uint32_t value, size_t nBytes) {
    for (size_t i = 0; i < nBytes; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

}  // namespace

CArchive::CArchive() : m_bStoring(true) {}

CArchive::CArchive(std::string_view bytes) : m_bStoring(false), m_input(bytes) {}

CArchive& CArchive::operator<<(int32_t value) {
    AppendLittleEndian(m_stored, static_cast<uint32_t>(value), 4);
    return *this;
}

CArchive& CArchive::operator<<(uint32_t value) {
    AppendLittleEndian(m_stored, value, 4);
    return *this;
}

CArchive& CArchive::operator<<(const std::string& text) {
    const size_t n = text.size();
    if (n < kLongPrefix) {
        AppendLittleEndian(m_stored, static_cast<uint32_t>(n), 1);
    } else if (n < kReservedPrefix) {
        AppendLittleEndian(m_stored, kLongPrefix, 1);
        AppendLittleEndian(m_stored, static_cast<uint32_t>(n), 2);
    } else {
        AppendLittleEndian(m_stored, kLongPrefix, 1);
        AppendLittleEndian(m_stored, kWidePrefix, 2);
        AppendLittleEndian(m_stored, static_cast<uint32_t>(n), 4);
    }
    m_stored.append(text);
    return *this;
}

uint32_t CArchive::ReadLittleEndian(size_t nBytes, bool& bOk) {
    unsigned char raw[4] = {};
    bOk = Take(raw, nBytes);
    uint32_t value = 0;
    for (size_t i = 0; i < nBytes; ++i) {
        value |= static_cast<uint32_t>(raw[i]) << (8 * i);
    }
    return value;
}

bool CArchive::Take(void* pTarget, size_t nBytes) {
    if (m_bFailed || m_input.size() - m_nPos < nBytes) {
        m_bFailed = true;
        return false;
    }
    std::memcpy(pTarget, m_input.data() + m_nPos, nBytes);
    m_nPos += nBytes;
    return true;
}

CArchive& CArchive::operator>>(int32_t& value) {
    bool bOk = false;
    const uint32_t raw = ReadLittleEndian(4, bOk);
    if (bOk) {
        value = static_cast<int32_t>(raw);
    }
    return *this;
}

CArchive& CArchive::operator>>(uint32_t& value) {
    bool bOk = false;
    const uint32_t raw = ReadLittleEndian(4, bOk);
    if (bOk) {
        value = raw;
    }
    return *this;
}

CArchive& CArchive::operator>>(std::string& text) {
    bool bOk = false;
    uint32_t n = ReadLittleEndian(1, bOk);
    if (bOk && n == kLongPrefix) {
        n = ReadLittleEndian(2, bOk);
        if (bOk && n == kReservedPrefix) {
            m_bFailed = true;
            return *this;
        }
        if (bOk && n == kWidePrefix) {
            n = ReadLittleEndian(4, bOk);
        }
    }
    // The length is checked against what remains before anything is allocated.
    if (!bOk || m_input.size() - m_nPos < n) {
        m_bFailed = true;
        return *this;
    }
    text.assign(m_input.data() + m_nPos, n);
    m_nPos += n;
    return *this;
}
