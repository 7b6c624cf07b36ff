// SPDX-License-Identifier: GPL-3.0-or-later
#include "CopyDecision.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

// An exclude entry that is not ended by ";" is cut to this many characters.
constexpr size_t kMaxExcludeEntry = 260;
// A destination at most this much newer than its source counts as the same age (file
// systems that keep times in 2-second steps, clocks slightly apart).
constexpr int64_t kNewerToleranceNs = int64_t{5} * 1'000'000'000;
constexpr int64_t kSecondNs = 1'000'000'000;

// How much later a's time is than b's, in nanoseconds. Worked out in 128 bits and held
// within +-INT64_MAX, so that times past the year 2262, or any a file system may report,
// cannot overflow.
int64_t LaterByNs(const CFileStatus& a, const CFileStatus& b) {
    constexpr __int128 kLimit = INT64_MAX;
    const __int128 nLater =
        (__int128{a.m_mtime} - b.m_mtime) * kSecondNs + (__int128{a.m_mtimeNs} - b.m_mtimeNs);
    return static_cast<int64_t>(std::clamp(nLater, -kLimit, kLimit));
}

}  // namespace

void FoldCase(std::string& strText) {
    for (char& c : strText) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
}

bool IsExcluded(std::string_view relative, std::string_view exclude) {
    size_t nPos = 0;
    while (nPos < exclude.size()) {
        const std::string_view rest = exclude.substr(nPos);
        size_t nCut = rest.find(';');
        if (nCut == std::string_view::npos) {
            nCut = kMaxExcludeEntry;
        }
        const std::string_view entry = rest.substr(0, nCut);
        // An empty entry (a leading, doubled or trailing ";") would match every name.
        if (!entry.empty() && relative.find(entry) != std::string_view::npos) {
            return true;
        }
        nPos += entry.size() + 1;
    }
    return false;
}

bool IsNameAllowed(std::string_view name, NameRules rules) {
    if (rules == NameRules::Posix) {
        return true;
    }
    constexpr std::string_view kForbidden = "\"*/:<>?\\|";
    if (name.empty() || name.back() == '.' || name.back() == ' ' ||
        std::any_of(name.begin(), name.end(), [&](char c) {
            return static_cast<unsigned char>(c) < 0x20 ||
                   kForbidden.find(c) != std::string_view::npos;
        })) {
        return false;
    }
    if (rules != NameRules::Fat) {
        return true;
    }
    std::string strBase(name.substr(0, name.find('.')));
    FoldCase(strBase);
    static constexpr std::string_view kDevices[] = {"con", "prn", "aux", "nul"};
    if (std::find(std::begin(kDevices), std::end(kDevices), strBase) != std::end(kDevices)) {
        return false;
    }
    // COM1 to COM9 and LPT1 to LPT9.
    return !(strBase.size() == 4 &&
             (strBase.rfind("com", 0) == 0 || strBase.rfind("lpt", 0) == 0) && strBase[3] >= '1' &&
             strBase[3] <= '9');
}

FileDecision DecideFile(const CFileStatus& source, const CFileStatus* pDestination,
                        const CopyRules& rules) {
    if (source.m_kind == FileKind::BrokenLink || source.m_kind == FileKind::Other) {
        return {FileVerdict::NotRegularFile};
    }
    if (rules.bOnlyNewer && source.m_mtime < rules.timeReference) {
        return {FileVerdict::OlderThanLastCopy};
    }
    if (pDestination == nullptr ||
        (pDestination->m_kind != FileKind::Regular && pDestination->m_kind != FileKind::Folder)) {
        return {FileVerdict::CopyNew};
    }
    const CFileStatus& dest = *pDestination;
    FileVerdict verdict = FileVerdict::CopyUnchecked;
    if (rules.bCheckDestDate) {
        // Times count as the same within the step that the destination keeps; a
        // destination time without a fraction is taken as one kept in whole seconds.
        int64_t nStep = rules.nDestTimeStepNs;
        if (dest.m_mtimeNs == 0 && nStep < kSecondNs) {
            nStep = kSecondNs;
        }
        const int64_t nNewerBy = LaterByNs(dest, source);
        if (std::llabs(nNewerBy) < nStep) {
            if (dest.m_size64 == source.m_size64) {
                return {FileVerdict::SameFile};
            }
            verdict = FileVerdict::CopySizeDiffers;
        } else if (nNewerBy > 0) {
            return {nNewerBy > kNewerToleranceNs ? FileVerdict::DestinationNewerWarning
                                                 : FileVerdict::DestinationNewer};
        } else {
            verdict = FileVerdict::CopySourceNewer;
        }
    }
    return {verdict, rules.bOverwriteRHS && (dest.m_attribute & kRhsAttributes) != 0};
}

namespace {

// Why, in a few words, for the dry run ("new", "same time", ...).
const char* VerdictReason(FileVerdict verdict) {
    // In the order of FileVerdict.
    static constexpr const char* kReasons[] = {
        "excluded",
        "not a regular file",
        "older than the last copy",
        "same time",
        "destination newer",
        "destination newer",
        "new",
        "source newer",
        "size differs",
        "date not checked",
    };
    return kReasons[static_cast<int>(verdict)];
}

}  // namespace

SkipLine SkipLineOf(FileVerdict verdict, const std::string& strSourcePath, const CopyRules& rules) {
    if (verdict == FileVerdict::DestinationNewerWarning) {
        return {"WARNING! Destination file is newer! Skipped:" + strSourcePath, true};
    }
    if (verdict == FileVerdict::NotRegularFile) {
        return {"Skipped (not a regular file):" + strSourcePath};
    }
    if (!rules.bPlan && !rules.bTellSkips) {
        return {};
    }
    return {std::string(rules.bPlan ? "Would skip (" : "Skipped (") + VerdictReason(verdict) +
            "): " + strSourcePath};
}

std::string WouldCopyLine(const FileDecision& decision, const std::string& strDestPath,
                          bool bKeepsReplaced) {
    return std::string("Would copy (") + VerdictReason(decision.verdict) +
           (decision.bClearAttributes ? ", ATTRIB -RHS" : "") +
           (bKeepsReplaced ? ", previous version kept" : "") + "): " + strDestPath;
}
