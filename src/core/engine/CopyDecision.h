// SPDX-License-Identifier: GPL-3.0-or-later
// What the copy step decides for one file, as pure functions of the file's relative name,
// the two status records, the pair's options and the reference date, and the line it
// writes. The run acts on the decision, the dry run prints it, and every worker of a run
// makes it the same way.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform.h"

enum class FileVerdict : uint8_t {
    Excluded,                 // an exclude entry matches
    NotRegularFile,           // FIFO, socket, device, a link that leads nowhere
    OlderThanLastCopy,        // "Only newer than this date"
    SameFile,                 // same time (as far as both keep it) and same size
    DestinationNewer,         // newer by at most the tolerance: skipped without a word
    DestinationNewerWarning,  // newer by more: skipped with the warning
    CopyNew,                  // no destination file
    CopySourceNewer,          // the destination is older
    CopySizeDiffers,          // same time, another size: cut short or changed by others
    CopyUnchecked,            // the destination's date is not checked
};

// The options of one run, as the decision reads them.
struct CopyRules {
    std::string_view exclude = {};  // folded to one letter case
    bool bOnlyNewer = false;
    bool bCheckDestDate = false;
    bool bOverwriteRHS = false;
    int64_t timeReference = 0;    // "Only newer than this date", in seconds
    int64_t nDestTimeStepNs = 1;  // the step of the times the destination keeps
    bool bPlan = false;           // a dry run: every skip says why
    bool bTellSkips = false;      // a run says why it skips every file too
};

// The attributes "Overwrite +RHS files" takes off a destination before it is replaced.
inline constexpr uint8_t kRhsAttributes = ATTR_READONLY | ATTR_HIDDEN | ATTR_SYSTEM;

struct FileDecision {
    FileVerdict verdict = FileVerdict::Excluded;
    // Read-only (hidden, system) is taken off the destination before it is replaced.
    bool bClearAttributes = false;

    bool Copies() const { return verdict >= FileVerdict::CopyNew; }
};

// The one letter-case fold of exclude texts and relative names: ASCII to lower case, which
// leaves the bytes of multi-byte characters alone.
void FoldCase(std::string& strText);

// Whether one of the ";"-separated exclude entries occurs in the folded relative name. An
// entry not ended by ";" counts with its first 260 characters; empty entries are ignored.
bool IsExcluded(std::string_view relative, std::string_view exclude);

// Whether a file system that follows these rules can hold a name: FAT, exFAT and NTFS (as
// Windows reads them) take no "*/:<>?\| nor control characters, nor a trailing dot or blank;
// FAT takes no device name (CON, NUL, COM1, ...) either, with or without an extension.
bool IsNameAllowed(std::string_view name, NameRules rules);

// The decision for a file that is not excluded, from what both status queries found
// (pDestination: nullptr when there is none, or it cannot be queried). A link, or anything
// else at the destination that is neither a file nor a folder, counts as absent: the copy
// replaces it.
FileDecision DecideFile(const CFileStatus& source, const CFileStatus* pDestination,
                        const CopyRules& rules);

// The line of a step that copies nothing; its text is empty when there is none. Every run
// warns of a destination much newer than its source (an error) and tells of a skipped
// special file; a dry run also tells why it skips every other file: "Would skip (same
// time): <source>", and a run that tells its skips "Skipped (same time): <source>".
struct SkipLine {
    std::string strText;
    bool bError = false;
};
SkipLine SkipLineOf(FileVerdict verdict, const std::string& strSourcePath, const CopyRules& rules);

// A dry run's line for a file it would copy: "Would copy (new): <destination>", with
// ", ATTRIB -RHS" when the attributes would be cleared first, and ", previous version kept"
// when the file it replaces would be kept.
std::string WouldCopyLine(const FileDecision& decision, const std::string& strDestPath,
                          bool bKeepsReplaced);
