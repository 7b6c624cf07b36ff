// SPDX-License-Identifier: GPL-3.0-or-later
#include "LogLineStore.h"

#include <algorithm>

namespace {

// Characters of UTF-8 text: every byte that does not continue a sequence.
size_t CharacterCount(const std::string& strText) {
    return static_cast<size_t>(std::count_if(strText.begin(), strText.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

}  // namespace

void CLogLineStore::Insert(int nIndex, std::string strLine) {
    const size_t nChars = CharacterCount(strLine);
    std::lock_guard lock(m_mutex);
    if (nChars > m_nLongestChars) {
        m_nLongestChars = nChars;
        m_strLongest = strLine;
        ++m_nLongestChanges;
    }
    if (nIndex == 0) {
        m_lines.push_front(std::move(strLine));
    } else if (nIndex < 0 || static_cast<size_t>(nIndex) >= m_lines.size()) {
        m_lines.push_back(std::move(strLine));
    } else {
        m_lines.insert(m_lines.begin() + nIndex, std::move(strLine));
    }
}

void CLogLineStore::Clear() {
    std::lock_guard lock(m_mutex);
    m_lines.clear();
    m_lines.shrink_to_fit();
    m_strLongest.clear();
    m_nLongestChars = 0;
    ++m_nLongestChanges;
}

size_t CLogLineStore::Count() const {
    std::lock_guard lock(m_mutex);
    return m_lines.size();
}

std::string CLogLineStore::At(size_t nIndex) const {
    std::lock_guard lock(m_mutex);
    return nIndex < m_lines.size() ? m_lines[nIndex] : std::string();
}

std::vector<std::string> CLogLineStore::Slice(size_t nFirst, size_t nCount) const {
    std::lock_guard lock(m_mutex);
    std::vector<std::string> slice;
    if (nFirst >= m_lines.size()) {
        return slice;
    }
    const size_t nEnd = std::min(m_lines.size(), nFirst + nCount);
    slice.assign(m_lines.begin() + static_cast<std::ptrdiff_t>(nFirst),
                 m_lines.begin() + static_cast<std::ptrdiff_t>(nEnd));
    return slice;
}

bool CLogLineStore::LongestLineSince(uint64_t& nSeen, std::string& strLine) const {
    std::lock_guard lock(m_mutex);
    if (nSeen == m_nLongestChanges) {
        return false;
    }
    nSeen = m_nLongestChanges;
    strLine = m_strLongest;
    return true;
}
