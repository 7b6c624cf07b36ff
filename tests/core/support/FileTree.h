// SPDX-License-Identifier: GPL-3.0-or-later
// Builders and readers of small file trees on disk, for the engine's tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes a file (creating its folders), with an optional modification time in seconds.
void WriteFile(const std::string& strPath, const std::string& strContent, int64_t nMtime = -1);
// A file of nSize bytes that holds no data blocks (reads as zeros).
void WriteSparseFile(const std::string& strPath, uint64_t nSize);
std::string ReadFile(const std::string& strPath);
bool Exists(const std::string& strPath);
void MakeFolders(const std::string& strPath);
void SetMtime(const std::string& strPath, int64_t nSeconds, int64_t nNanoseconds = 0);
int64_t MtimeNs(const std::string& strPath);
void SetMode(const std::string& strPath, unsigned nMode);
unsigned Mode(const std::string& strPath);

struct TreeEntry {
    std::string strRelative;  // "sub/three.txt"; a trailing "/" makes a folder
    std::string strContent;
    int64_t nMtime = -1;
};
// Builds the files and folders of a tree below strRoot.
void BuildTree(const std::string& strRoot, const std::vector<TreeEntry>& files);
// The relative paths of every file and folder below strRoot ("sub/", "sub/three.txt"),
// sorted. Links to folders are entered only when asked, and never into a folder that is
// already on the way down, nor into strNotInto or below it.
std::vector<std::string> ListTree(const std::string& strRoot, bool bFollowFolderLinks = false,
                                  const std::string& strNotInto = {});
