// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReplacedVersions.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>

#include "PosixHandles.h"

namespace {

constexpr size_t kDateLength = 17;  // "YYYY-MM-DD HHMMSS"

// Walks a folder tree below an open folder: every file (links included) is handed to
// onFile, every folder to onFolder after what it holds.
template <class OnFile, class OnFolder>
bool WalkTree(IPlatform& platform, const CPathAt& at, OnFile onFile, OnFolder onFolder) {
    const posix::FileDescriptor folder(platform.OpenFolder(at, false));
    std::vector<CDirEntry> entries;
    if (!folder.Valid() || !platform.ReadFolder(folder.Get(), at.strPath, entries)) {
        return false;
    }
    bool bWhole = true;
    for (const CDirEntry& entry : entries) {
        const std::string strPath = at.strPath + "/" + entry.m_strName;
        const CPathAt inner{folder.Get(), entry.m_strName.c_str(), strPath};
        if (entry.m_bIsDirectory) {
            bWhole = WalkTree(platform, inner, onFile, onFolder) && onFolder(inner) && bWhole;
        } else {
            bWhole = onFile(inner) && bWhole;
        }
    }
    return bWhole;
}

uint64_t SizeOf(IPlatform& platform, const CPathAt& at) {
    CFileStatus status;
    return platform.GetStatus(at, false, status) && status.m_kind == FileKind::Regular
               ? status.m_size64
               : 0;
}

}  // namespace

std::string VersionFolderName(IPlatform& platform, int64_t nTime) {
    std::tm local{};
    if (!platform.LocalTime(nTime, local)) {
        local = std::tm{};
        local.tm_year = 70;
        local.tm_mday = 1;
    }
    char szName[96];  // room for any int the fields may hold
    std::snprintf(szName, sizeof szName, "%04d-%02d-%02d %02d%02d%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return szName;
}

bool IsVersionFolderName(std::string_view name) {
    if (name.size() < kDateLength) {
        return false;
    }
    static constexpr std::string_view kShape = "0000-00-00 000000";
    for (size_t n = 0; n < kDateLength; ++n) {
        const bool bDigit = std::isdigit(static_cast<unsigned char>(name[n])) != 0;
        if (kShape[n] == '0' ? !bDigit : name[n] != kShape[n]) {
            return false;
        }
    }
    return true;
}

bool VersionFolderNames(IPlatform& platform, int fdVersions, const std::string& strPath,
                        std::vector<std::string>& names) {
    std::vector<CDirEntry> entries;
    const bool bRead = platform.ReadFolder(fdVersions, strPath, entries);
    for (const CDirEntry& entry : entries) {
        if (entry.m_bIsDirectory && IsVersionFolderName(entry.m_strName)) {
            names.push_back(entry.m_strName);
        }
    }
    std::sort(names.begin(), names.end());
    return bRead;
}

bool ListVersionFolders(IPlatform& platform, const std::string& strDestination,
                        std::vector<CVersionFolder>& folders, bool bMeasure) {
    folders.clear();
    const std::string strVersions = strDestination + "/" + kVersionsFolderName;
    const posix::FileDescriptor versions(platform.OpenFolder(CPathAt::Whole(strVersions), false));
    if (!versions.Valid()) {
        return platform.GetLastError() == ENOENT;
    }
    std::vector<std::string> names;
    if (!VersionFolderNames(platform, versions.Get(), strVersions, names)) {
        return false;
    }
    for (std::string& strName : names) {
        folders.push_back({std::move(strName), {}});
    }
    if (!bMeasure) {
        return true;
    }
    bool bWhole = true;
    for (CVersionFolder& folder : folders) {
        const std::string strPath = strVersions + "/" + folder.strName;
        bWhole =
            MeasureTree(platform, {versions.Get(), folder.strName.c_str(), strPath}, folder.size) &&
            bWhole;
    }
    return bWhole;
}

bool MeasureTree(IPlatform& platform, const CPathAt& at, CTreeSize& size) {
    return WalkTree(
        platform, at,
        [&](const CPathAt& file) {
            ++size.nFiles;
            size.nBytes += SizeOf(platform, file);
            return true;
        },
        [](const CPathAt&) { return true; });
}

bool RemoveTree(IPlatform& platform, const CPathAt& at, CTreeSize& removed) {
    const bool bInside = WalkTree(
        platform, at,
        [&](const CPathAt& file) {
            const uint64_t nBytes = SizeOf(platform, file);
            if (!platform.RemoveFile(file)) {
                return false;
            }
            ++removed.nFiles;
            removed.nBytes += nBytes;
            return true;
        },
        [&](const CPathAt& folder) { return platform.RemoveFolder(folder); });
    return bInside && platform.RemoveFolder(at);
}
