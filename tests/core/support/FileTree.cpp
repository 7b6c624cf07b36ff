// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileTree.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

void WriteFile(const std::string& strPath, const std::string& strContent, int64_t nMtime) {
    fs::create_directories(fs::path(strPath).parent_path());
    {
        std::ofstream out(strPath, std::ios::binary | std::ios::trunc);
        out << strContent;
        if (!out) {
            throw std::runtime_error("cannot write " + strPath);
        }
    }
    if (nMtime >= 0) {
        SetMtime(strPath, nMtime);
    }
}

void WriteSparseFile(const std::string& strPath, uint64_t nSize) {
    fs::create_directories(fs::path(strPath).parent_path());
    const int fd = ::open(strPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::ftruncate(fd, static_cast<off_t>(nSize)) != 0) {
        throw std::runtime_error("cannot make " + strPath);
    }
    ::close(fd);
}

std::string ReadFile(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

bool Exists(const std::string& strPath) {
    struct stat st {};
    return ::lstat(strPath.c_str(), &st) == 0;
}

void MakeFolders(const std::string& strPath) {
    fs::create_directories(strPath);
}

void SetMtime(const std::string& strPath, int64_t nSeconds, int64_t nNanoseconds) {
    const timespec times[2] = {{nSeconds, nNanoseconds}, {nSeconds, nNanoseconds}};
    if (::utimensat(AT_FDCWD, strPath.c_str(), times, 0) != 0) {
        throw std::runtime_error("cannot set the time of " + strPath);
    }
}

int64_t MtimeNs(const std::string& strPath) {
    struct stat st {};
    if (::stat(strPath.c_str(), &st) != 0) {
        return -1;
    }
    return int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
}

void SetMode(const std::string& strPath, unsigned nMode) {
    ::chmod(strPath.c_str(), nMode);
}

unsigned Mode(const std::string& strPath) {
    struct stat st {};
    ::stat(strPath.c_str(), &st);
    return st.st_mode & 07777;
}

void BuildTree(const std::string& strRoot, const std::vector<TreeEntry>& files) {
    fs::create_directories(strRoot);
    for (const TreeEntry& file : files) {
        const std::string strPath = strRoot + "/" + file.strRelative;
        if (!file.strRelative.empty() && file.strRelative.back() == '/') {
            fs::create_directories(strPath);
        } else {
            WriteFile(strPath, file.strContent, file.nMtime);
        }
    }
}

namespace {

struct Identity {
    dev_t nDevice;
    ino_t nInode;
    bool operator==(const Identity&) const = default;
};

// Whether a path leads to strFolder (a canonical path) or below it.
bool LeadsInto(const fs::path& path, const std::string& strFolder) {
    std::error_code error;
    const std::string strWhere = fs::canonical(path, error).string();
    return !strFolder.empty() && !error &&
           (strWhere == strFolder || strWhere.rfind(strFolder + "/", 0) == 0);
}

void ListFollowing(const std::string& strRoot, const std::string& strRelative,
                   const std::string& strNotInto, std::vector<Identity>& path,
                   std::vector<std::string>& paths) {
    std::error_code error;
    const std::string strFolder = strRelative.empty() ? strRoot : strRoot + "/" + strRelative;
    for (const fs::directory_entry& entry : fs::directory_iterator(strFolder, error)) {
        const std::string strName = entry.path().filename().string();
        const std::string strChild = strRelative.empty() ? strName : strRelative + "/" + strName;
        struct stat st {};
        const bool bFolder = ::stat(entry.path().c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        const Identity identity{st.st_dev, st.st_ino};
        if (!bFolder || std::find(path.begin(), path.end(), identity) != path.end() ||
            LeadsInto(entry.path(), strNotInto)) {
            paths.push_back(strChild);
            continue;
        }
        paths.push_back(strChild + "/");
        path.push_back(identity);
        ListFollowing(strRoot, strChild, strNotInto, path, paths);
        path.pop_back();
    }
}

}  // namespace

std::vector<std::string> ListTree(const std::string& strRoot, bool bFollowFolderLinks,
                                  const std::string& strNotInto) {
    std::vector<std::string> paths;
    if (bFollowFolderLinks) {
        // Folders never entered go first on the path; the root follows them.
        std::vector<Identity> path;
        for (const std::string& strFolder : {strNotInto, strRoot}) {
            struct stat st {};
            if (!strFolder.empty() && ::stat(strFolder.c_str(), &st) == 0) {
                path.push_back({st.st_dev, st.st_ino});
            }
        }
        std::error_code error;
        const std::string strNotIntoPath =
            strNotInto.empty() ? std::string() : fs::canonical(strNotInto, error).string();
        ListFollowing(strRoot, "", strNotIntoPath, path, paths);
        std::sort(paths.begin(), paths.end());
        return paths;
    }
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(strRoot, error);
         it != fs::recursive_directory_iterator(); it.increment(error)) {
        std::string strRelative = it->path().lexically_relative(strRoot).string();
        if (fs::is_directory(it->symlink_status(error))) {
            strRelative += "/";
        }
        paths.push_back(strRelative);
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}
