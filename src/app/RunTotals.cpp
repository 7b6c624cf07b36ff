#include "RunTotals.h"

#include <charconv>
#include <cstdio>

#include "SyncWindows.h"

namespace {

constexpr int64_t kRateWindowMs = 2000;

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

uint64_t CRunTotals::BytesCopied() const {
    return m_nBytesOfCopiedFiles +
           static_cast<uint64_t>(static_cast<double>(m_nCurrentSize) * m_dCurrentShare);
}

void CRateMeter::AddSample(int64_t nMilliseconds, uint64_t nBytes) {
    m_samples.push_back({nMilliseconds, nBytes});
    // Keep one sample at or before the window's start as its base.
    while (m_samples.size() > 2 && m_samples[1].nMilliseconds <= nMilliseconds - kRateWindowMs) {
        m_samples.pop_front();
    }
}

double CRateMeter::BytesPerSecond() const {
    if (m_samples.size() < 2) {
        return 0.0;
    }
    const Sample& first = m_samples.front();
    const Sample& last = m_samples.back();
    if (last.nMilliseconds <= first.nMilliseconds || last.nBytes < first.nBytes) {
        return 0.0;
    }
    return static_cast<double>(last.nBytes - first.nBytes) * 1000.0 /
           static_cast<double>(last.nMilliseconds - first.nMilliseconds);
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

std::string FormatRunTotals(std::optional<uint64_t> nFilesChecked, uint64_t nFilesCopied,
                            uint64_t nBytesCopied, double dBytesPerSecond) {
    const auto files = [](uint64_t nCount) {
        return FormatCount(nCount) + (nCount == 1 ? " file" : " files");
    };
    std::string strText;
    if (nFilesChecked) {
        strText = files(*nFilesChecked) + " checked, " + FormatCount(nFilesCopied) + " copied, ";
    } else {
        strText = files(nFilesCopied) + " copied, ";
    }
    return strText + FormatBytes(static_cast<double>(nBytesCopied)) + " at " +
           FormatBytes(dBytesPerSecond) + "/s";
}
