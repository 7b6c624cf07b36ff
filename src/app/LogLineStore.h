// SPDX-License-Identifier: GPL-3.0-or-later
// The lines of the log window, shared by the worker that adds them and the window that
// paints them. Adding at the top or the end is O(1); every call takes the store's lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

class CLogLineStore {
public:
    // Index 0 inserts at the top, -1 (or any index past the end) appends at the end.
    void Insert(int nIndex, std::string strLine);
    void Clear();
    size_t Count() const;
    // The line at an index; empty when there is none.
    std::string At(size_t nIndex) const;
    // Up to nCount lines from nFirst on, for painting the visible rows.
    std::vector<std::string> Slice(size_t nFirst, size_t nCount) const;
    // The line with the most characters since the last Clear, kept as lines arrive so that
    // the window never has to measure them all. True, with the line, when it changed since
    // the call that returned nSeen.
    bool LongestLineSince(uint64_t& nSeen, std::string& strLine) const;

private:
    mutable std::mutex m_mutex;
    std::deque<std::string> m_lines;
    std::string m_strLongest;
    size_t m_nLongestChars = 0;
    uint64_t m_nLongestChanges = 0;
};
