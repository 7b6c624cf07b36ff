// SPDX-License-Identifier: GPL-3.0-or-later
#include "GroupListFile.h"

#include <cerrno>
#include <cstring>

#include "Archive.h"
#include "platform.h"

namespace {

constexpr int32_t kListVersion = 2;
const std::string kHeader = std::string("Synchronize group list") + '\x1a';
const std::string kTrailer = "\nEnd of list.";

constexpr const char* kNotFoundMessage = "Sync list not found!";
constexpr const char* kInvalidMessage = "Invalid Synclist!";
constexpr const char* kNewerVersionMessage = "Synclist for newer version!";
constexpr const char* kDamagedMessage = "Sync list damaged at end!";

LoadOutcome Fail(LoadOutcome outcome, const std::string& strMessage,
                 const MessageSink& showMessage) {
    if (showMessage) {
        showMessage(strMessage);
    }
    return outcome;
}

// A file that is not there is simply not found; any other failure says why.
std::string NotReadMessage(const std::string& strPath, int nErrno) {
    if (nErrno == ENOENT) {
        return kNotFoundMessage;
    }
    std::string strWhy;
    if (nErrno == EISDIR) {
        strWhy = strPath + " is a folder, not a file.";
    } else if (nErrno == kErrorNotRegularFile) {
        strWhy = strPath + " is not a regular file (a FIFO, a socket or a device).";
    } else {
        strWhy = "Cannot read " + strPath + ": " + std::strerror(nErrno);
    }
    return std::string(kNotFoundMessage) + "\n" + strWhy;
}

}  // namespace

LoadOutcome LoadGroupListFile(const std::string& strPath, CSyncGroupList& list,
                              const MessageSink& showMessage, std::string* pBytes) {
    std::string bytes;
    std::string& read = pBytes != nullptr ? *pBytes : bytes;
    read.clear();
    int nErrno = 0;
    if (!Platform().ReadWholeFile(strPath, read, nErrno)) {
        read.clear();
        return Fail(LoadOutcome::NotFound, NotReadMessage(strPath, nErrno), showMessage);
    }
    return LoadGroupListBytes(read, list, showMessage);
}

LoadOutcome LoadGroupListBytes(std::string_view bytes, CSyncGroupList& list,
                               const MessageSink& showMessage) {
    CArchive ar(bytes);
    ar.SetMessageSink(showMessage);

    std::string strHeader;
    ar >> strHeader;
    if (ar.Failed()) {
        return Fail(LoadOutcome::Damaged, kDamagedMessage, showMessage);
    }
    if (strHeader != kHeader) {
        return Fail(LoadOutcome::Invalid, kInvalidMessage, showMessage);
    }
    int32_t nVersion = 0;
    ar >> nVersion;
    if (!ar.Failed() && nVersion > kListVersion) {
        return Fail(LoadOutcome::NewerVersion, kNewerVersionMessage, showMessage);
    }
    int32_t nGroups = 0;
    ar >> nGroups;
    if (nGroups < 0) {
        ar.MarkDamaged();
    }
    // Each group is appended only once its record is complete, so a file that ends early
    // keeps the groups before the one being read.
    for (int32_t i = 0; i < nGroups && !ar.Failed(); ++i) {
        auto group = std::make_unique<CSyncGroup>();
        group->Serialize(ar);
        if (!ar.Failed()) {
            int32_t nPair = 0;
            for (CSyncPair& pair : group->m_listPairs) {
                pair.m_origin = {list.GetCount(), nPair++};
            }
            list.AddTail(std::move(group));
        }
    }
    std::string strTrailer;
    ar >> strTrailer;
    if (ar.Failed() || strTrailer != kTrailer) {
        return Fail(LoadOutcome::Damaged, kDamagedMessage, showMessage);
    }
    return LoadOutcome::Loaded;
}

std::string StoreGroupList(const CSyncGroupList& list) {
    CArchive ar;
    ar << kHeader << kListVersion << list.GetCount();
    for (CSyncGroup& group : list) {
        group.Serialize(ar);
    }
    ar << kTrailer;
    return ar.Bytes();
}

bool SaveGroupList(const std::string& strPath, const CSyncGroupList& list, std::string& strError) {
    return Platform().WriteFileAtomically(strPath, StoreGroupList(list), strError);
}

std::string GroupListPathBeside(const std::string& strExecutablePath) {
    const size_t nCut = strExecutablePath.rfind('/');
    const std::string strFolder =
        nCut == std::string::npos ? std::string() : strExecutablePath.substr(0, nCut + 1);
    return strFolder + kGroupListFileName;
}
