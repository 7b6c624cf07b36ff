// SPDX-License-Identifier: GPL-3.0-or-later
#include "FuseImage.h"

#include <sys/vfs.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "FileTree.h"

namespace {

constexpr long kFuseMagic = 0x65735546;

// Runs a shell command quietly; true when it succeeded.
bool Run(const std::string& strCommand) {
    return std::system((strCommand + " >/dev/null 2>&1").c_str()) == 0;
}

// The first line a command prints.
std::string Output(const std::string& strCommand) {
    std::string strOutput;
    if (FILE* pPipe = ::popen((strCommand + " 2>/dev/null").c_str(), "r")) {
        char szLine[512];
        if (std::fgets(szLine, sizeof szLine, pPipe) != nullptr) {
            strOutput = szLine;
        }
        ::pclose(pPipe);
    }
    while (!strOutput.empty() && (strOutput.back() == '\n' || strOutput.back() == '\r')) {
        strOutput.pop_back();
    }
    return strOutput;
}

std::string Quoted(const std::string& strPath) {
    return "'" + strPath + "'";
}

}  // namespace

const char* NameOf(FuseKind kind) {
    static constexpr const char* kNames[] = {"exFAT", "NTFS", "FAT32"};
    return kNames[static_cast<int>(kind)];
}

FuseImage::FuseImage(FuseKind kind, const std::string& strFolder)
    : m_strImage(strFolder + "/disk.img"), m_strMountPoint(strFolder + "/mnt") {
    if (::geteuid() != 0) {
        m_strProblem = "mounting disk images needs root";
        return;
    }
    if (::access("/dev/fuse", R_OK | W_OK) != 0) {
        m_strProblem = "there is no /dev/fuse";
        return;
    }
    struct Tools {
        const char* szMake;
        const char* szMount;
        const char* szPackages;
    };
    const Tools tools = kind == FuseKind::ExFat
                            ? Tools{"mkfs.exfat", "mount.exfat-fuse", "exfatprogs and exfat-fuse"}
                        : kind == FuseKind::Ntfs
                            ? Tools{"mkntfs", "ntfs-3g", "ntfs-3g"}
                            : Tools{"mkfs.fat", "fusefat", "dosfstools and fusefat"};
    if (!Run(std::string("command -v ") + tools.szMake) ||
        !Run(std::string("command -v ") + tools.szMount)) {
        m_strProblem = std::string("the packages ") + tools.szPackages + " are not installed";
        return;
    }
    MakeFolders(m_strMountPoint);
    if (!Run("truncate -s 64M " + Quoted(m_strImage))) {
        m_strProblem = "cannot make the image " + m_strImage;
        return;
    }
    bool bMounted = false;
    switch (kind) {
        case FuseKind::ExFat:
            // exfat-fuse mounts a block device only.
            m_strLoopDevice = Output("losetup -f --show " + Quoted(m_strImage));
            bMounted = !m_strLoopDevice.empty() && Run("mkfs.exfat " + m_strLoopDevice) &&
                       Run("mount.exfat-fuse " + m_strLoopDevice + " " + Quoted(m_strMountPoint));
            break;
        case FuseKind::Ntfs:
            bMounted = Run("mkntfs -F -q -f " + Quoted(m_strImage)) &&
                       Run("ntfs-3g " + Quoted(m_strImage) + " " + Quoted(m_strMountPoint));
            break;
        case FuseKind::Fat:
            bMounted = Run("mkfs.fat -F 32 " + Quoted(m_strImage)) &&
                       Run("fusefat -o rw+ " + Quoted(m_strImage) + " " + Quoted(m_strMountPoint));
            break;
    }
    struct statfs fs {};
    m_bMounted = bMounted && ::statfs(m_strMountPoint.c_str(), &fs) == 0 && fs.f_type == kFuseMagic;
    if (!m_bMounted) {
        m_strProblem = std::string("cannot mount ") + NameOf(kind) + " through FUSE here";
    }
}

FuseImage::~FuseImage() {
    if (m_bMounted && !Run("fusermount -u " + Quoted(m_strMountPoint))) {
        Run("umount -l " + Quoted(m_strMountPoint));
    }
    if (!m_strLoopDevice.empty()) {
        Run("losetup -d " + m_strLoopDevice);
    }
}
