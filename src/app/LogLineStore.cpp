#include "LogLineStore.h"

#include <algorithm>

void CLogLineStore::Insert(int nIndex, std::string strLine) {
    std::lock_guard lock(m_mutex);
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
