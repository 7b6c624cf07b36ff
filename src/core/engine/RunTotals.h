// SPDX-License-Identifier: GPL-3.0-or-later
// The running totals of a run as the progress window and the runner's terminal line show
// them: the files checked and copied and the bytes copied, as the engine tells them now and
// then; the share of the file being copied, from the field texts the engine writes ("<size>
// bytes to copy", then its percent line), so that the bytes grow during a long copy too;
// and what the plans said would be copied, so that the run is seen as a whole.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The number at the start of a field text ("45%", "1024 bytes to copy"), if any.
std::optional<double> PercentOf(std::string_view text);
std::optional<uint64_t> BytesToCopyOf(std::string_view text);

class CRunTotals {
public:
    // A field text the engine wrote; texts of other fields are passed over.
    void OnFieldText(int nId, std::string_view text);
    // What the engine adds to the totals.
    void Add(uint64_t nFilesChecked, uint64_t nFilesCopied, uint64_t nBytesCopied);
    // A plan is being made; then it is made, with so many files and bytes to copy. The time
    // is the run's clock, in milliseconds.
    void PlanStarted();
    void PlanMade(uint64_t nFiles, uint64_t nBytes, int64_t nNowMs);
    // "Checking files... 1,204" while a plan is made; then "1,204 of 4,009 files, 1.1 GB of
    // 3.4 GB, about 2 min left", the time left from the bytes still to copy and the rate so
    // far, once the copy has gone on for 2 seconds.
    std::string WholeRunText(int64_t nNowMs) const;

    uint64_t FilesChecked() const { return m_nFilesChecked; }
    uint64_t FilesCopied() const { return m_nFilesCopied; }
    // Bytes of the copied files, and the share of the file being copied.
    uint64_t BytesCopied() const;

private:
    uint64_t m_nFilesChecked = 0;
    uint64_t m_nFilesCopied = 0;
    uint64_t m_nBytesOfCopiedFiles = 0;
    uint64_t m_nCurrentSize = 0;
    double m_dCurrentShare = 0.0;  // until it is done; the engine then counts the file
    bool m_bPlanning = false;
    uint64_t m_nCheckedBeforePlan = 0;
    uint64_t m_nFilesPlanned = 0;
    uint64_t m_nBytesPlanned = 0;
    int64_t m_nCopyStartMs = 0;        // when the copy of the latest plan started
    uint64_t m_nBytesAtCopyStart = 0;  // and what was copied then
};

// 1234567 as "1,234,567".
std::string FormatCount(uint64_t nCount);
// Decimal units with three figures at most: "512 B", "1.2 kB", "310 MB", "12 GB".
std::string FormatBytes(double dBytes);
// "about 45 s left", "about 3 min left", "about 2 h 10 min left".
std::string FormatTimeLeft(double dSeconds);
