#include "GroupListLocation.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "GroupListFile.h"
#include "platform.h"

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

CGroupListLock::CGroupListLock(const std::string& strListPath, std::chrono::milliseconds wait) {
    // The folder of the file that is replaced, so that a link and its target share one lock.
    const std::string strFolder = posix::FolderOf(posix::ResolveFileLinks(strListPath));
    if (!MakeFolders(strFolder)) {
        m_strError = "Cannot make the folder " + strFolder + ": " + std::strerror(errno);
        return;
    }
    posix::FileDescriptor folder(::open(strFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.Valid()) {
        m_strError = "Cannot open " + strFolder + ": " + std::strerror(errno);
        return;
    }
    // Polled rather than waited for in flock(), so the wait has an end.
    const auto deadline = std::chrono::steady_clock::now() + wait;
    constexpr auto kPollInterval = std::chrono::milliseconds(20);
    while (::flock(folder.Get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) {
            continue;
        }
        if (errno != EWOULDBLOCK) {
            m_strError = "Cannot lock " + strFolder + ": " + std::strerror(errno);
            return;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            m_bTimedOut = true;
            m_strError = "The group list is locked by another folvex";
            return;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    m_folder = std::move(folder);
}
