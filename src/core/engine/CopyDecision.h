// What the copy step decides for one file, as pure functions of the file's relative name,
// the two status records, the pair's options and the reference date. The run acts on the
// decision, the dry run prints it, and every worker of a run makes it the same way.
#pragma once

#include <cstdint>
#include <optional>
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
};

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

// What the source's status alone decides (not a regular file, older than the reference
// date); nothing when the destination must be looked at.
std::optional<FileVerdict> DecideBySource(const CFileStatus& source, const CopyRules& rules);

// The decision for a file that is not excluded, given its destination (nullptr: absent).
FileDecision DecideFile(const CFileStatus& source, const CFileStatus* pDestination,
                        const CopyRules& rules);

// Why, in a few words, for the dry run ("new", "same time", ...).
const char* VerdictReason(FileVerdict verdict);
