// SPDX-License-Identifier: GPL-3.0-or-later
// The sync pair and sync group records and the owning lists that hold them.
#pragma once

#include <atomic>
#include <cassert>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CArchive;
class ILogList;         // the engine's view of the log window
class IProgressWindow;  // and of the progress window
class IPlatform;

// Seconds since 1970-01-01 00:00:00 UTC, as the group list file stores them.
using CTime32 = uint32_t;

// Common base of the records that the group list file stores.
class CSerializable {
public:
    virtual ~CSerializable() = default;
    virtual void Serialize(CArchive& ar) = 0;
};

// An ordered list that owns its entries. Entries live on the heap, so their addresses
// stay fixed while other entries are added or removed; windows and the worker keep them.
template <class T>
class COwningList {
public:
    // Appends the entry at the tail and returns it.
    T* AddTail(std::unique_ptr<T> entry) {
        m_entries.push_back(std::move(entry));
        return m_entries.back().get();
    }

    // The entry at a 0-based index from the head, or nullptr when there is none.
    T* GetAt(int32_t nIndex) const {
        if (nIndex < 0 || static_cast<size_t>(nIndex) >= m_entries.size()) {
            return nullptr;
        }
        return m_entries[static_cast<size_t>(nIndex)].get();
    }

    // Destroys the entry at nIndex. The caller names the entry it shows at that index; a
    // mismatch is a programming error, and then nothing is removed.
    void RemoveAt(int32_t nIndex, const T* pExpected) {
        T* pFound = GetAt(nIndex);
        assert(pFound != nullptr && pFound == pExpected);
        if (pFound == nullptr || pFound != pExpected) {
            return;
        }
        m_entries.erase(m_entries.begin() + nIndex);
    }

    int32_t GetCount() const { return static_cast<int32_t>(m_entries.size()); }
    bool IsEmpty() const { return m_entries.empty(); }

    // Walks the entries from head to tail, as references.
    class Iterator {
    public:
        using Base = typename std::vector<std::unique_ptr<T>>::const_iterator;
        explicit Iterator(Base it) : m_it(it) {}
        T& operator*() const { return **m_it; }
        T* operator->() const { return m_it->get(); }
        Iterator& operator++() {
            ++m_it;
            return *this;
        }
        bool operator==(const Iterator& other) const = default;

    private:
        Base m_it;
    };
    Iterator begin() const { return Iterator(m_entries.begin()); }
    Iterator end() const { return Iterator(m_entries.end()); }

private:
    std::vector<std::unique_ptr<T>> m_entries;
};

// Days that the files a run replaces are kept, unless the settings say otherwise.
inline constexpr uint32_t kDefaultKeepVersionDays = 30;

// Where a pair stood in the list file it was read from: its group's position and its own,
// from 0; none for a pair made since. Savers find the pair again by it.
struct CPairOrigin {
    int32_t nGroup = -1;
    int32_t nPair = -1;
    bool Known() const { return nGroup >= 0 && nPair >= 0; }
};

// One sync pair: folders, exclude text, last-copy date, options, the figures of its last
// run, the run-time links to the windows and the platform, and the cancel request. A record
// of data: the engine's CPairRun does the work.
class CSyncPair : public CSerializable {
public:
    CSyncPair() = default;
    CSyncPair(const CSyncPair&) = delete;
    CSyncPair& operator=(const CSyncPair&) = delete;
    ~CSyncPair() override = default;

    void Serialize(CArchive& ar) override;

    // The engine's runs, as the pair's own: defined by the engine (Synchronize.cpp) and run
    // on the platform m_pPlatform. DoSync: one run from m_strSource to m_strDestination;
    // DoSyncPair: the pair as Start runs it, one way or both ways with one result, or a dry
    // run that tells what it would do and changes nothing. Both return m_nErrors.
    int32_t DoSync();
    int32_t DoSyncPair(bool bDryRun = false);

    std::string m_strSource;
    std::string m_strDestination;
    std::string m_strExclude;
    CTime32 m_timeLastCopy = 0;
    int32_t m_bSubFolders = 1;
    uint32_t m_nFilesFound = 0;
    uint32_t m_nDirectories = 0;
    uint32_t m_nFilesCopied = 0;
    uint32_t m_dwElapsedMs = 0;
    int32_t m_nErrors = 0;
    int32_t m_nLastError = 0;
    uint32_t m_dwBytesCopied = 0;
    uint32_t m_dwReserved = 0;
    int32_t m_bCheckDestDate = 0;
    int32_t m_bOnlyNewer = 0;
    int32_t m_bOverwriteRHS = 0;
    int32_t m_bBothWays = 0;
    CPairOrigin m_origin;  // not stored
    // Not stored (a setting): days that the files a run replaces are kept; 0 keeps none.
    uint32_t m_nKeepVersionDays = kDefaultKeepVersionDays;
    // Not stored: the files the last run replaced and kept in the versions folder.
    uint64_t m_nKeptVersions = 0;
    ILogList* m_pLogList = nullptr;             // not owned
    IProgressWindow* m_pProgressDlg = nullptr;  // not owned
    IPlatform* m_pPlatform = nullptr;           // not owned: what a run of the pair works on
    // The cancel request: set by the window thread, read by the worker and the copy through
    // its address. Its name says "b" as the stored options do, but it is a 32-bit atomic
    // integer, 0 or 1, so that the copy can watch it through a plain address.
    std::atomic<int32_t> m_bCancel{0};
};

// A named, ordered list of sync pairs.
class CSyncGroup : public CSerializable {
public:
    CSyncGroup() = default;
    CSyncGroup(const CSyncGroup&) = delete;
    CSyncGroup& operator=(const CSyncGroup&) = delete;
    ~CSyncGroup() override = default;

    void Serialize(CArchive& ar) override;

    std::string m_strName = "New Group";
    COwningList<CSyncPair> m_listPairs;
};

using CSyncGroupList = COwningList<CSyncGroup>;

// Group list operations, used by the main window and the loader.
CSyncGroup* CreateGroup(CSyncGroupList& list);
void RenameGroup(CSyncGroup& group, const std::string& strNewName);
CSyncPair* CreatePair(CSyncGroup& group);
CSyncGroup* GroupAtIndex(const CSyncGroupList& list, int32_t nIndex);
CSyncPair* PairAtIndex(const CSyncGroup& group, int32_t nIndex);
void RemoveGroup(CSyncGroupList& list, int32_t nIndex, const CSyncGroup* pShown);
void RemovePair(CSyncGroup& group, int32_t nIndex, const CSyncPair* pShown);
