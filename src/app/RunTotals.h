// The running totals of a run as the progress window shows them: the files checked and
// copied and the bytes copied, as the engine tells them now and then, and the share of
// the file being copied, from the field texts the engine writes ("<size> bytes to copy",
// then its percent line), so that the bytes grow during a long copy too.
#pragma once

#include <cstdint>
#include <deque>
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
};

// Bytes per second over about the last two seconds: from the newest sample at or before
// the window's start (the first sample before that) to the newest sample.
class CRateMeter {
public:
    void AddSample(int64_t nMilliseconds, uint64_t nBytes);
    double BytesPerSecond() const;

private:
    struct Sample {
        int64_t nMilliseconds;
        uint64_t nBytes;
    };
    std::deque<Sample> m_samples;
};

// 1234567 as "1,234,567".
std::string FormatCount(uint64_t nCount);
// Decimal units with three figures at most: "512 B", "1.2 kB", "310 MB", "12 GB".
std::string FormatBytes(double dBytes);
// "1,234 files checked, 56 copied, 1.2 GB at 310 MB/s"; without the count of files
// checked, "56 files copied, 1.2 GB at 310 MB/s".
std::string FormatRunTotals(std::optional<uint64_t> nFilesChecked, uint64_t nFilesCopied,
                            uint64_t nBytesCopied, double dBytesPerSecond);
