// SPDX-License-Identifier: GPL-3.0-or-later
#include "RunTotals.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "SyncWindows.h"

namespace {

// The time left is not guessed from the first moments of a copy.
constexpr int64_t kTimeLeftAfterMs = 2000;

template <class T>
std::optional<T> LeadingNumber(std::string_view text) {
    T value{};
    const auto [pEnd, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || pEnd == text.data()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<double> PercentOf(std::string_view text) {
    return LeadingNumber<double>(text);
}

std::optional<uint64_t> BytesToCopyOf(std::string_view text) {
    return LeadingNumber<uint64_t>(text);
}

void CRunTotals::OnFieldText(int nId, std::string_view text) {
    if (nId == IDC_PROGRESS_BYTES) {
        m_nCurrentSize = BytesToCopyOf(text).value_or(0);
        m_dCurrentShare = 0.0;
    } else if (nId == IDC_PROGRESS_PERCENT) {
        const double dPercent = PercentOf(text).value_or(0.0);
        m_dCurrentShare = dPercent > 0.0 && dPercent < 100.0 ? dPercent / 100.0 : 0.0;
    }
}

void CRunTotals::Add(uint64_t nFilesChecked, uint64_t nFilesCopied, uint64_t nBytesCopied) {
    m_nFilesChecked += nFilesChecked;
    m_nFilesCopied += nFilesCopied;
    m_nBytesOfCopiedFiles += nBytesCopied;
}

void CRunTotals::PlanStarted() {
    m_bPlanning = true;
    m_nCheckedBeforePlan = m_nFilesChecked;
}

void CRunTotals::PlanMade(uint64_t nFiles, uint64_t nBytes, int64_t nNowMs) {
    m_bPlanning = false;
    m_nFilesPlanned += nFiles;
    m_nBytesPlanned += nBytes;
    m_nCopyStartMs = nNowMs;
    m_nBytesAtCopyStart = BytesCopied();
}

std::string CRunTotals::WholeRunText(int64_t nNowMs) const {
    if (m_bPlanning) {
        return "Checking files... " + FormatCount(m_nFilesChecked - m_nCheckedBeforePlan);
    }
    const uint64_t nBytes = BytesCopied();
    std::string strText = FormatCount(m_nFilesCopied) + " of " + FormatCount(m_nFilesPlanned) +
                          " files, " + FormatBytes(static_cast<double>(nBytes)) + " of " +
                          FormatBytes(static_cast<double>(m_nBytesPlanned));
    const int64_t nElapsedMs = nNowMs - m_nCopyStartMs;
    if (nElapsedMs >= kTimeLeftAfterMs && nBytes > m_nBytesAtCopyStart &&
        m_nBytesPlanned > nBytes) {
        const double dRate = static_cast<double>(nBytes - m_nBytesAtCopyStart) * 1000.0 /
                             static_cast<double>(nElapsedMs);
        strText += ", " + FormatTimeLeft(static_cast<double>(m_nBytesPlanned - nBytes) / dRate);
    }
    return strText;
}

uint64_t CRunTotals::BytesCopied() const {
    return m_nBytesOfCopiedFiles +
           static_cast<uint64_t>(static_cast<double>(m_nCurrentSize) * m_dCurrentShare);
}

std::string FormatCount(uint64_t nCount) {
    std::string strDigits = std::to_string(nCount);
    for (size_t nPos = strDigits.size(); nPos > 3; nPos -= 3) {
        strDigits.insert(nPos - 3, 1, ',');
    }
    return strDigits;
}

std::string FormatBytes(double dBytes) {
    static constexpr const char* kUnits[] = {"B", "kB", "MB", "GB", "TB", "PB", "EB"};
    size_t nUnit = 0;
    // 999.5 would print as "1000", so it moves up a unit already.
    while (dBytes >= 999.5 && nUnit + 1 < std::size(kUnits)) {
        dBytes /= 1000.0;
        ++nUnit;
    }
    char szText[32];
    if (nUnit > 0 && dBytes < 9.95) {
        std::snprintf(szText, sizeof szText, "%.1f %s", dBytes, kUnits[nUnit]);
    } else {
        std::snprintf(szText, sizeof szText, "%.0f %s", dBytes, kUnits[nUnit]);
    }
    return szText;
}

std::string FormatTimeLeft(double dSeconds) {
    const auto nSeconds = static_cast<uint64_t>(dSeconds + 0.5);
    if (nSeconds < 60) {
        // In steps of 5 seconds, which a changing rate does not make jump about.
        return "about " + std::to_string(std::max<uint64_t>(5, (nSeconds + 4) / 5 * 5)) + " s left";
    }
    const uint64_t nMinutes = (nSeconds + 59) / 60;
    if (nMinutes < 60) {
        return "about " + std::to_string(nMinutes) + " min left";
    }
    return "about " + std::to_string(nMinutes / 60) + " h " + std::to_string(nMinutes % 60) +
           " min left";
}
