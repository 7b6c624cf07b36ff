// SPDX-License-Identifier: GPL-3.0-or-later
// A small disk image of exFAT, NTFS or FAT32, made and mounted through FUSE for the test's
// lifetime, as a USB stick is on this kernel (Debian's exfat-fuse, ntfs-3g and fusefat).
#pragma once

#include <string>

enum class FuseKind { ExFat, Ntfs, Fat };

const char* NameOf(FuseKind kind);

class FuseImage {
public:
    // Makes the image in strFolder and mounts it on strFolder/mnt.
    FuseImage(FuseKind kind, const std::string& strFolder);
    ~FuseImage();
    FuseImage(const FuseImage&) = delete;
    FuseImage& operator=(const FuseImage&) = delete;

    // Empty when mounted; else why not (no /dev/fuse, a missing package, not root).
    const std::string& Problem() const { return m_strProblem; }
    const std::string& MountPoint() const { return m_strMountPoint; }

private:
    std::string m_strProblem;
    std::string m_strImage;
    std::string m_strMountPoint;
    std::string m_strLoopDevice;
    bool m_bMounted = false;
};
