// SPDX-License-Identifier: GPL-3.0-or-later
#include "ResultTable.h"

#include <algorithm>
#include <cstdio>

namespace {

std::string Format(const char* szFormat, double dValue) {
    char szText[64];
    std::snprintf(szText, sizeof szText, szFormat, dValue);
    return szText;
}

std::string PadRight(const std::string& strText, size_t nWidth) {
    return strText + std::string(nWidth > strText.size() ? nWidth - strText.size() : 0, ' ');
}

std::string PadLeft(const std::string& strText, size_t nWidth) {
    return std::string(nWidth > strText.size() ? nWidth - strText.size() : 0, ' ') + strText;
}

}  // namespace

void ResultTable::Print(std::ostream& out) const {
    size_t nCommandWidth = 7;
    for (const ResultRow& row : m_rows) {
        nCommandWidth = std::max(nCommandWidth, row.strCommand.size());
    }
    out << PadRight("command", nCommandWidth) << "  runs" << PadLeft("median s", 10)
        << PadLeft("min s", 9) << PadLeft("max s", 9) << PadLeft("cpu s", 9)
        << PadLeft("flush s", 9) << PadLeft("rate", 16) << "\n";
    for (const ResultRow& row : m_rows) {
        out << PadRight(row.strCommand, nCommandWidth) << PadLeft(std::to_string(row.nRuns), 6)
            << PadLeft(Format("%.3f", row.dMedianSeconds), 10)
            << PadLeft(Format("%.3f", row.dMinSeconds), 9)
            << PadLeft(Format("%.3f", row.dMaxSeconds), 9)
            << PadLeft(Format("%.3f", row.dMedianCpuSeconds), 9)
            << PadLeft(Format("%.3f", row.dMedianFlushSeconds), 9) << PadLeft(row.strRate, 16)
            << "\n";
    }
    out << "\n";
    for (const ResultRatio& ratio : m_ratios) {
        if (ratio.dTarget > 0.0) {
            out << "target " << ratio.strName << " <= " << Format("%.2f", ratio.dTarget) << ": "
                << Format("%.3f", ratio.dValue)
                << (ratio.dValue <= ratio.dTarget ? " met" : " MISSED") << " (ratio of CPU times "
                << Format("%.3f", ratio.dCpuValue) << ")\n";
        }
    }
    out << "\n";
    for (const ResultRatio& ratio : m_ratios) {
        out << "RATIO " << ratio.strName << " " << Format("%.3f", ratio.dValue) << "\n";
    }
}
