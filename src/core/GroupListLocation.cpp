#include "GroupListLocation.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "GroupListFile.h"

namespace {

bool IsSystemFolder(const std::string& strFolder) {
    for (const char* szPrefix : {"/usr/", "/bin", "/sbin"}) {
        if (strFolder.rfind(szPrefix, 0) == 0) {
            return true;
        }
    }
    return false;
}

// Makes a folder and the folders above it that are missing.
bool MakeFolders(const std::string& strFolder) {
    for (size_t nCut = strFolder.find('/', 1);; nCut = strFolder.find('/', nCut + 1)) {
        const std::string strPart = strFolder.substr(0, nCut);
        if (::mkdir(strPart.c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
        if (nCut == std::string::npos) {
            return true;
        }
    }
}

}  // namespace

std::string DefaultGroupListPath(const std::string& strExecutablePath) {
    const std::string strBeside = GroupListPathBeside(strExecutablePath);
    const std::string strFolder = posix::FolderOf(strBeside);
    if (!IsSystemFolder(strFolder) && ::access(strFolder.c_str(), W_OK) == 0) {
        return strBeside;
    }
    const char* szConfig = std::getenv("XDG_CONFIG_HOME");
    std::string strConfig;
    if (szConfig != nullptr && szConfig[0] == '/') {
        strConfig = szConfig;
    } else {
        const char* szHome = std::getenv("HOME");
        strConfig = std::string(szHome != nullptr ? szHome : "") + "/.config";
    }
    return strConfig + "/folvex/" + kGroupListFileName;
}

CGroupListLock::CGroupListLock(const std::string& strListPath) {
    const std::string strFolder = posix::FolderOf(strListPath);
    if (!MakeFolders(strFolder)) {
        m_strError = "Cannot make the folder " + strFolder + ": " + std::strerror(errno);
        return;
    }
    m_folder.Reset(::open(strFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    while (m_folder.Valid() && ::flock(m_folder.Get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            m_strError = "Cannot lock " + strFolder + ": " + std::strerror(errno);
            m_folder.Close();
        }
    }
    if (!m_folder.Valid() && m_strError.empty()) {
        m_strError = "Cannot open " + strFolder + ": " + std::strerror(errno);
    }
}
