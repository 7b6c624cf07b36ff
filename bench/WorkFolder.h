// SPDX-License-Identifier: GPL-3.0-or-later
// The benchmark's own temporary folder: created fresh, removed with everything in it.
#pragma once

#include <string>

class WorkFolder {
public:
    // Creates a new, uniquely named folder inside strParent; throws when it cannot.
    explicit WorkFolder(const std::string& strParent);
    // Removes the folder and writes the freed inodes back: ext4 without a journal keeps
    // freed inode slots out of use for a minute, and for six while their table is unwritten,
    // checking each again on every new file, so an unflushed removal would slow every
    // program that creates files on this file system for minutes.
    ~WorkFolder();
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    const std::string& Path() const { return m_strPath; }
    // A path inside the folder (not created).
    std::string Child(const std::string& strName) const { return m_strPath + "/" + strName; }

private:
    std::string m_strParent;
    std::string m_strPath;
};
