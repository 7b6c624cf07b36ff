// SPDX-License-Identifier: GPL-3.0-or-later
#include "MemoryPlatform.h"

#include <cerrno>
#include <ctime>
#include <functional>
#include <vector>

namespace {

// Descriptors far above any the system hands out, so that closing one touches nothing.
constexpr int kFirstDescriptor = 1 << 28;
constexpr int kMostLinks = 40;
constexpr uint64_t kDevice = 42;
constexpr int64_t kSecondNs = 1'000'000'000;

thread_local int32_t t_nLastError = 0;

std::vector<std::string> Components(const std::string& strPath) {
    std::vector<std::string> parts;
    size_t nStart = 0;
    while (nStart <= strPath.size()) {
        size_t nEnd = strPath.find('/', nStart);
        if (nEnd == std::string::npos) {
            nEnd = strPath.size();
        }
        const std::string strPart = strPath.substr(nStart, nEnd - nStart);
        if (!strPart.empty() && strPart != ".") {
            parts.push_back(strPart);
        }
        nStart = nEnd + 1;
    }
    return parts;
}

std::string Joined(const std::vector<std::string>& parts, size_t nCount) {
    std::string strPath;
    for (size_t i = 0; i < nCount; ++i) {
        strPath += "/" + parts[i];
    }
    return strPath.empty() ? "/" : strPath;
}

}  // namespace

struct MemoryPlatform::Node {
    enum class Kind { File, Folder, Link } kind = Kind::Folder;
    std::string strData;  // a file's data, a link's target
    int64_t nMtimeNs = 0;
    unsigned nMode = 0755;
    uint64_t nInode = 0;
    std::map<std::string, std::shared_ptr<Node>> children;
};

// What a path leads to: the node (none when it does not exist), the folder that holds its
// last name, that name, and the path without links.
struct MemoryPlatform::Found {
    std::shared_ptr<Node> node;
    std::shared_ptr<Node> parent;
    std::string strName;
    std::string strPath;
    int nError = 0;
};

MemoryPlatform::MemoryPlatform() : m_root(std::make_shared<Node>()) {
    m_root->nInode = m_nNextInode++;
    m_nNextDescriptor = kFirstDescriptor;
}

MemoryPlatform::~MemoryPlatform() = default;

MemoryPlatform::Found MemoryPlatform::Resolve(const std::string& strPath, bool bFollowLast,
                                              int nDepth) const {
    Found found;
    if (nDepth > kMostLinks) {
        found.nError = ELOOP;
        return found;
    }
    const std::vector<std::string> parts = Components(strPath);
    std::vector<std::string> walked;  // the path so far, without links
    std::vector<std::shared_ptr<Node>> nodes = {m_root};
    for (size_t i = 0; i < parts.size(); ++i) {
        const bool bLast = i + 1 == parts.size();
        if (parts[i] == "..") {
            if (nodes.size() > 1) {
                nodes.pop_back();
                walked.pop_back();
            }
            if (bLast) {
                found.node = nodes.back();
                found.parent = nodes.size() > 1 ? nodes[nodes.size() - 2] : nodes.back();
                found.strName = walked.empty() ? "" : walked.back();
                found.strPath = Joined(walked, walked.size());
                return found;
            }
            continue;
        }
        const std::shared_ptr<Node> folder = nodes.back();
        if (folder->kind != Node::Kind::Folder) {
            found.nError = ENOTDIR;
            return found;
        }
        const auto it = folder->children.find(parts[i]);
        if (it == folder->children.end()) {
            found.nError = bLast ? 0 : ENOENT;
            found.parent = bLast ? folder : nullptr;
            found.strName = parts[i];
            walked.push_back(parts[i]);
            found.strPath = Joined(walked, walked.size());
            return found;
        }
        std::shared_ptr<Node> node = it->second;
        if (node->kind == Node::Kind::Link && (!bLast || bFollowLast)) {
            const std::string strTarget = node->strData[0] == '/'
                                              ? node->strData
                                              : Joined(walked, walked.size()) + "/" + node->strData;
            Found target = Resolve(strTarget, true, nDepth + 1);
            if (target.node == nullptr) {
                target.nError = target.nError != 0 ? target.nError : ENOENT;
                if (bLast) {
                    // A link that leads nowhere: the link itself, and why.
                    found.node = nullptr;
                    found.parent = folder;
                    found.strName = parts[i];
                    found.nError = target.nError;
                    return found;
                }
                return target;
            }
            if (bLast) {
                return target;
            }
            walked = Components(target.strPath);
            nodes = {m_root};
            for (const std::string& strPart : walked) {
                nodes.push_back(nodes.back()->children.at(strPart));
            }
            continue;
        }
        walked.push_back(parts[i]);
        nodes.push_back(node);
        if (bLast) {
            found.node = node;
            found.parent = folder;
            found.strName = parts[i];
            found.strPath = Joined(walked, walked.size());
        }
    }
    if (parts.empty()) {
        found.node = m_root;
        found.parent = m_root;
        found.strPath = "/";
    }
    return found;
}

MemoryPlatform::Found MemoryPlatform::ResolveAt(const CPathAt& at, bool bFollowLast) const {
    if (at.fdFolder == AT_FDCWD) {
        return Resolve(at.szName, bFollowLast);
    }
    const auto it = m_open.find(at.fdFolder);
    if (it == m_open.end()) {
        Found found;
        found.nError = EBADF;
        return found;
    }
    if (at.szName[0] == '\0') {
        Found found;
        found.node = it->second.first;
        found.strPath = it->second.second;
        return found;
    }
    return Resolve(it->second.second + "/" + at.szName, bFollowLast);
}

bool MemoryPlatform::Fail(int nErrno) {
    t_nLastError = nErrno;
    return false;
}

void MemoryPlatform::AddFolder(const std::string& strPath) {
    std::lock_guard lock(m_mutex);
    std::shared_ptr<Node> folder = m_root;
    for (const std::string& strPart : Components(strPath)) {
        std::shared_ptr<Node>& child = folder->children[strPart];
        if (!child) {
            child = std::make_shared<Node>();
            child->nInode = m_nNextInode++;
        }
        folder = child;
    }
}

void MemoryPlatform::AddFile(const std::string& strPath, const std::string& strData, int64_t nMtime,
                             unsigned nMode) {
    auto node = std::make_shared<Node>();
    node->kind = Node::Kind::File;
    node->strData = strData;
    node->nMtimeNs = nMtime * kSecondNs;
    node->nMode = nMode;
    Place(strPath, std::move(node));
}

void MemoryPlatform::AddLink(const std::string& strPath, const std::string& strTarget) {
    auto node = std::make_shared<Node>();
    node->kind = Node::Kind::Link;
    node->strData = strTarget;
    Place(strPath, std::move(node));
}

// Puts a new node under its path, making the folders above it.
void MemoryPlatform::Place(const std::string& strPath, std::shared_ptr<Node> node) {
    const size_t nCut = strPath.rfind('/');
    AddFolder(strPath.substr(0, nCut));
    std::lock_guard lock(m_mutex);
    node->nInode = m_nNextInode++;
    Resolve(strPath.substr(0, nCut), true).node->children[strPath.substr(nCut + 1)] =
        std::move(node);
}

std::map<std::string, std::string> MemoryPlatform::Describe(const std::string& strRoot) const {
    std::lock_guard lock(m_mutex);
    std::map<std::string, std::string> described;
    const std::function<void(const Node&, const std::string&)> visit =
        [&](const Node& folder, const std::string& strAt) {
            for (const auto& [strName, child] : folder.children) {
                const std::string strPath = strAt.empty() ? strName : strAt + "/" + strName;
                switch (child->kind) {
                    case Node::Kind::Folder:
                        described[strPath + "/"] = "folder";
                        visit(*child, strPath);
                        break;
                    case Node::Kind::Link:
                        described[strPath] = "link to " + child->strData;
                        break;
                    case Node::Kind::File:
                        described[strPath] = "file " + child->strData + " at " +
                                             std::to_string(child->nMtimeNs) + " mode " +
                                             std::to_string(child->nMode);
                        break;
                }
            }
        };
    const Found root = Resolve(strRoot, true);
    if (root.node != nullptr) {
        visit(*root.node, "");
    }
    return described;
}

int MemoryPlatform::OpenFolder(const CPathAt& at, bool bFollowLink) {
    std::lock_guard lock(m_mutex);
    if (m_unreadableFolders.count(at.strPath) != 0) {
        Fail(EACCES);
        return -1;
    }
    const Found found = ResolveAt(at, bFollowLink);
    if (found.node == nullptr) {
        Fail(found.nError != 0 ? found.nError : ENOENT);
        return -1;
    }
    if (found.node->kind != Node::Kind::Folder) {
        Fail(found.node->kind == Node::Kind::Link ? ELOOP : ENOTDIR);
        return -1;
    }
    const int fd = m_nNextDescriptor++;
    m_open[fd] = {found.node, found.strPath};
    return fd;
}

bool MemoryPlatform::ReadFolder(int fdFolder, const std::string& /*strPath*/,
                                std::vector<CDirEntry>& entries) {
    std::lock_guard lock(m_mutex);
    const auto it = m_open.find(fdFolder);
    if (it == m_open.end()) {
        return Fail(EBADF);
    }
    for (const auto& [strName, child] : it->second.first->children) {
        CDirEntry& entry = entries.emplace_back();
        entry.m_strName = strName;
        entry.m_bIsDirectory = child->kind == Node::Kind::Folder;
        entry.m_bIsLink = child->kind == Node::Kind::Link;
    }
    return true;
}

bool MemoryPlatform::IsFolderEmpty(int fdFolder, bool& bEmpty) {
    std::lock_guard lock(m_mutex);
    const auto it = m_open.find(fdFolder);
    if (it == m_open.end()) {
        return Fail(EBADF);
    }
    bEmpty = it->second.first->children.empty();
    return true;
}

bool MemoryPlatform::CreateDirectory(const CPathAt& at) {
    std::lock_guard lock(m_mutex);
    const Found found = ResolveAt(at, false);
    if (found.node != nullptr) {
        return Fail(EEXIST);
    }
    if (found.parent == nullptr) {
        return Fail(found.nError != 0 ? found.nError : ENOENT);
    }
    auto node = std::make_shared<Node>();
    node->nInode = m_nNextInode++;
    found.parent->children[found.strName] = node;
    return true;
}

bool MemoryPlatform::RemoveFolder(const CPathAt& at) {
    std::lock_guard lock(m_mutex);
    const Found found = ResolveAt(at, false);
    if (found.node == nullptr || found.node->kind != Node::Kind::Folder) {
        return Fail(ENOENT);
    }
    if (!found.node->children.empty()) {
        return Fail(ENOTEMPTY);
    }
    found.parent->children.erase(found.strName);
    return true;
}

bool MemoryPlatform::RemoveFile(const CPathAt& at) {
    std::lock_guard lock(m_mutex);
    const Found found = ResolveAt(at, false);
    if (found.node == nullptr) {
        return Fail(ENOENT);
    }
    if (found.node->kind == Node::Kind::Folder) {
        return Fail(EISDIR);
    }
    found.parent->children.erase(found.strName);
    return true;
}

bool MemoryPlatform::GetStatus(const CPathAt& at, bool bFollowLink, CFileStatus& status) {
    std::lock_guard lock(m_mutex);
    if (m_failStatusPaths.count(at.strPath) != 0) {
        return Fail(ENOENT);
    }
    Found found = ResolveAt(at, bFollowLink);
    FileKind kind = FileKind::Regular;
    if (found.node == nullptr && bFollowLink && found.parent != nullptr &&
        found.parent->children.count(found.strName) != 0) {
        found.node = found.parent->children.at(found.strName);  // a link that leads nowhere
        kind = FileKind::BrokenLink;
    }
    if (found.node == nullptr) {
        return Fail(found.nError != 0 ? found.nError : ENOENT);
    }
    const Node& node = *found.node;
    if (kind != FileKind::BrokenLink) {
        kind = node.kind == Node::Kind::Folder ? FileKind::Folder
               : node.kind == Node::Kind::Link ? FileKind::Link
                                               : FileKind::Regular;
    }
    status = CFileStatus();
    status.m_kind = kind;
    status.m_mtime = node.nMtimeNs / kSecondNs;
    status.m_mtimeNs = static_cast<int32_t>(node.nMtimeNs % kSecondNs);
    status.m_size64 = node.kind == Node::Kind::File ? node.strData.size() : 0;
    status.m_size = static_cast<int32_t>(static_cast<uint32_t>(status.m_size64));
    status.m_nDevice = kDevice;
    status.m_nInode = node.nInode;
    status.m_attribute = static_cast<uint8_t>(((node.nMode & 0200) == 0 ? ATTR_READONLY : 0) |
                                              (kind == FileKind::Folder ? ATTR_DIRECTORY : 0));
    return true;
}

bool MemoryPlatform::SetAttributes(const CPathAt& at, uint8_t attributes) {
    std::lock_guard lock(m_mutex);
    const Found found = ResolveAt(at, false);
    if (found.node == nullptr) {
        return Fail(ENOENT);
    }
    if (found.node->kind == Node::Kind::Link) {
        return Fail(ELOOP);
    }
    unsigned& nMode = found.node->nMode;
    nMode = (attributes & ATTR_READONLY) != 0 ? (nMode & ~0222u) : (nMode | 0200u);
    return true;
}

bool MemoryPlatform::CopyFileEx(const CPathAt& from, const CPathAt& to,
                                CopyProgressRoutine pProgress, void* pData,
                                const std::atomic<int32_t>* pCancel, uint32_t nCopyFlags,
                                int /*fdTempFolder*/, CKeepReplaced* pKeep) {
    std::unique_lock lock(m_mutex);
    if (m_failCopyPaths.count(from.strPath) != 0) {
        return Fail(EACCES);
    }
    const Found source = ResolveAt(from, true);
    if (source.node == nullptr) {
        return Fail(source.nError != 0 ? source.nError : ENOENT);
    }
    if (source.node->kind != Node::Kind::File) {
        return Fail(source.node->kind == Node::Kind::Folder ? EISDIR : ENOTSUP);
    }
    const Found target = ResolveAt(to, false);
    if (target.parent == nullptr) {
        return Fail(target.nError != 0 ? target.nError : ENOENT);
    }
    if (target.node != nullptr && target.node->kind == Node::Kind::Folder) {
        return Fail(EISDIR);
    }
    if (target.node != nullptr && target.node->kind == Node::Kind::File &&
        (target.node->nMode & 0200) == 0) {
        return Fail(EACCES);
    }
    const auto nSize = static_cast<int64_t>(source.node->strData.size());
    auto copy = std::make_shared<Node>(*source.node);
    copy->nInode = m_nNextInode++;
    if ((nCopyFlags & COPY_FILE_NO_PERMISSIONS) != 0) {
        copy->nMode = 0644;
    }
    lock.unlock();
    if (pProgress != nullptr) {
        pProgress(nSize, 0, nSize, 0, 1, CALLBACK_STREAM_SWITCH, -1, -1, pData);
    }
    if (pCancel != nullptr && pCancel->load() != 0) {
        return Fail(ECANCELED);
    }
    if (pProgress != nullptr) {
        pProgress(nSize, nSize, nSize, nSize, 1, CALLBACK_CHUNK_FINISHED, -1, -1, pData);
    }
    if (pKeep != nullptr && target.node != nullptr && target.node->kind == Node::Kind::File) {
        int32_t nError = 0;
        const int fdKeep = pKeep->openFolder(nError);
        lock.lock();
        const auto open = m_open.find(fdKeep);
        if (open == m_open.end() || open->second.first->children.count(pKeep->szName) != 0) {
            pKeep->bFailed = true;
            return Fail(fdKeep < 0 ? nError : EEXIST);
        }
        open->second.first->children[pKeep->szName] = target.node;
        pKeep->bKept = true;
    } else {
        lock.lock();
    }
    target.parent->children[target.strName] = copy;
    return true;
}

void MemoryPlatform::RemoveLeftoverTempFiles(int /*fdFolder*/, const std::string& /*strPath*/) {}

bool MemoryPlatform::FlushFileSystem(int /*fdFolder*/, const std::string& /*strPath*/) {
    return true;
}

CFileSystemTraits MemoryPlatform::FileSystemTraits(int /*fdFolder*/, bool /*bMayProbe*/) {
    return {};
}

int32_t MemoryPlatform::GetLastError() {
    return t_nLastError;
}

uint32_t MemoryPlatform::GetTickCount() {
    std::lock_guard lock(m_mutex);
    return m_nTick += 3;
}

uint32_t MemoryPlatform::GetCurrentTime() {
    return 1700000000;
}

CFolderAncestry MemoryPlatform::FolderAncestry(const std::string& strPath) {
    std::lock_guard lock(m_mutex);
    CFolderAncestry ancestry;
    std::vector<std::string> parts = Components(strPath);
    // The deepest folder of the path that exists.
    Found found = Resolve(strPath, true);
    ancestry.bExists = found.node != nullptr;
    while (found.node == nullptr && !parts.empty()) {
        parts.pop_back();
        found = Resolve(Joined(parts, parts.size()), true);
    }
    parts = Components(found.strPath);
    for (size_t n = parts.size() + 1; n-- > 0;) {
        const Found level = Resolve(Joined(parts, n), true);
        ancestry.chain.push_back({kDevice, level.node->nInode});
    }
    return ancestry;
}

bool MemoryPlatform::IsFolderWithin(int fdFolder, const CFolderIdentity& ancestor) {
    std::lock_guard lock(m_mutex);
    const auto it = m_open.find(fdFolder);
    if (it == m_open.end()) {
        return false;
    }
    const std::vector<std::string> parts = Components(it->second.second);
    for (size_t n = 0; n <= parts.size(); ++n) {
        const Found level = Resolve(Joined(parts, n), true);
        if (level.node != nullptr && CFolderIdentity{kDevice, level.node->nInode} == ancestor) {
            return true;
        }
    }
    return false;
}

bool MemoryPlatform::ReadWholeFile(const std::string& /*strPath*/, std::string& /*bytes*/,
                                   int& nErrno) {
    nErrno = ENOENT;
    return false;
}

bool MemoryPlatform::Exists(const std::string& strPath) {
    std::lock_guard lock(m_mutex);
    return Resolve(strPath, false).node != nullptr;
}

bool MemoryPlatform::RenameFile(const std::string& /*strFrom*/, const std::string& /*strTo*/,
                                std::string& strError) {
    strError = "not in memory";
    return false;
}

bool MemoryPlatform::WriteFileAtomically(const std::string& /*strPath*/,
                                         const std::string& /*bytes*/, std::string& strError) {
    strError = "not in memory";
    return false;
}

std::string MemoryPlatform::ResolveFileLinks(const std::string& strPath) {
    return strPath;
}

bool MemoryPlatform::MakeFolders(const std::string& strFolder, std::string& /*strError*/) {
    AddFolder(strFolder);
    return true;
}

bool MemoryPlatform::IsWritableFolder(const std::string& /*strFolder*/) {
    return true;
}

int MemoryPlatform::LockFolder(const std::string& /*strFolder*/, std::chrono::milliseconds,
                               bool& bTimedOut, std::string& strError) {
    bTimedOut = false;
    strError = "not in memory";
    return -1;
}

bool MemoryPlatform::FreeSpace(int /*fdFolder*/, uint64_t& nFree, uint64_t& nTotal) {
    nFree = nTotal = uint64_t{1} << 40;
    return true;
}

int64_t MemoryPlatform::OpenFileLimit() {
    return 1024;
}

unsigned MemoryPlatform::ProcessorCount() {
    return 4;
}

std::thread MemoryPlatform::StartThread(std::function<void()> run) {
    return std::thread(std::move(run));
}

void MemoryPlatform::SetInterruptHandler(void (* /*pHandler*/)(int)) {}

void MemoryPlatform::HoldHangup(bool /*bHold*/) {}

bool MemoryPlatform::LocalTime(int64_t nTime, std::tm& local) {
    const time_t time = static_cast<time_t>(nTime);
    return ::gmtime_r(&time, &local) != nullptr;
}

bool MemoryPlatform::IsTerminal(int /*fd*/) {
    return false;
}

int MemoryPlatform::TerminalWidth(int /*fd*/) {
    return 0;
}
