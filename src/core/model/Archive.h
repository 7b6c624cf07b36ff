// SPDX-License-Identifier: GPL-3.0-or-later
// The group list archive: a sequential byte stream that stores or loads the primitives of
// the group list file (int32, uint32, time32, text), little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class CArchive {
public:
    // A storing archive that collects its bytes in memory.
    CArchive();
    // A loading archive over bytes that the caller keeps alive.
    explicit CArchive(std::string_view bytes);

    bool IsStoring() const { return m_bStoring; }

    // Storing.
    CArchive& operator<<(int32_t value);
    CArchive& operator<<(uint32_t value);
    CArchive& operator<<(const std::string& text);

    // Loading. Once a read runs past the end, it and every later read fail: the target
    // is left unchanged and Failed() is true. A text never takes more bytes than remain.
    CArchive& operator>>(int32_t& value);
    CArchive& operator>>(uint32_t& value);
    CArchive& operator>>(std::string& text);

    bool Failed() const { return m_bFailed; }
    // A record that found a value that cannot be (a negative count) ends the load too.
    void MarkDamaged() { m_bFailed = true; }

    // Where a record reports what the user must know while it loads (a message box).
    void SetMessageSink(std::function<void(const std::string&)> sink) { m_sink = std::move(sink); }
    void ShowMessage(const std::string& strMessage) const {
        if (m_sink) {
            m_sink(strMessage);
        }
    }
    // The stored bytes of a storing archive.
    const std::string& Bytes() const { return m_stored; }

private:
    bool Take(void* pTarget, size_t nBytes);
    uint32_t ReadLittleEndian(size_t nBytes, bool& bOk);

    bool m_bStoring;
    bool m_bFailed = false;
    std::string m_stored;
    std::string_view m_input;
    size_t m_nPos = 0;
    std::function<void(const std::string&)> m_sink;
};
