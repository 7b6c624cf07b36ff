// SPDX-License-Identifier: GPL-3.0-or-later
#include "GroupListLocation.h"

#include <cstdlib>

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

}  // namespace

std::string DefaultGroupListPath(const std::string& strExecutablePath, IPlatform& platform) {
    const std::string strBeside = GroupListPathBeside(strExecutablePath);
    const std::string strFolder = posix::FolderOf(strBeside);
    if (!IsSystemFolder(strFolder) && platform.IsWritableFolder(strFolder)) {
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

CGroupListLock::CGroupListLock(const std::string& strListPath, std::chrono::milliseconds wait,
                               IPlatform& platform) {
    // The folder of the file that is replaced, so that a link and its target share one lock.
    const std::string strFolder = posix::FolderOf(platform.ResolveFileLinks(strListPath));
    if (!platform.MakeFolders(strFolder, m_strError)) {
        return;
    }
    m_folder.Reset(platform.LockFolder(strFolder, wait, m_bTimedOut, m_strError));
    if (m_bTimedOut) {
        m_strError = "The group list is locked by another folvex";
    }
}
