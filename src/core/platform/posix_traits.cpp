// SPDX-License-Identifier: GPL-3.0-or-later
// What a destination's file system keeps: known from its type where statfs tells it, and
// found out by a probe where it cannot (a FUSE mount, an unknown type): a temporary file is
// made, looked up with other letter case, given times that are read back, and linked.
#include <fcntl.h>
#include <linux/fs.h>
#include <linux/magic.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "PosixHandles.h"
#include "PosixPlatform.h"
#include "posix_internal.h"

namespace {

using posix::FileDescriptor;

constexpr int64_t kSecondNs = 1'000'000'000;

// statfs types that keep names and times as POSIX wants them: case matters (unless a folder
// is made to ignore it), times to the nanosecond, permission bits and hard links.
constexpr long kPosixMagics[] = {EXT4_SUPER_MAGIC, XFS_SUPER_MAGIC,  BTRFS_SUPER_MAGIC,
                                 TMPFS_MAGIC,      F2FS_SUPER_MAGIC, OVERLAYFS_SUPER_MAGIC,
                                 0x2fc12fc1 /* zfs */};
constexpr long kFuseMagic = 0x65735546;
constexpr long kMsdosMagic = MSDOS_SUPER_MAGIC;
constexpr long kExfatMagic = 0x2011BAB0;
constexpr long kNtfs3Magic = 0x7366746e;

// The file system's family by its type's name, for the rules its names follow.
NameRules RulesOfType(const std::string& strType) {
    std::string strLower = strType;
    std::transform(strLower.begin(), strLower.end(), strLower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (strLower.find("fat") != std::string::npos && strLower.find("exfat") == std::string::npos) {
        return NameRules::Fat;
    }
    if (strLower.find("exfat") != std::string::npos || strLower.find("ntfs") != std::string::npos) {
        return NameRules::Windows;
    }
    return NameRules::Posix;
}

// What the first sector of a device or image says it holds: "exfat", "ntfs", "vfat", or "".
std::string BootSectorType(const std::string& strSource) {
    if (strSource.empty() || strSource[0] != '/') {
        return {};
    }
    FileDescriptor fd(::open(strSource.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    char sector[512] = {};
    if (!fd.Valid() || ::pread(fd.Get(), sector, sizeof sector, 0) != sizeof sector) {
        return {};
    }
    if (std::memcmp(sector + 3, "EXFAT   ", 8) == 0) {
        return "exfat";
    }
    if (std::memcmp(sector + 3, "NTFS    ", 8) == 0) {
        return "ntfs";
    }
    if (std::memcmp(sector + 82, "FAT32   ", 8) == 0 || std::memcmp(sector + 54, "FAT1", 4) == 0) {
        return "vfat";
    }
    return {};
}

// What udev found on a block device, where it keeps a record (a desktop's removable disks).
std::string UdevType(dev_t device) {
    std::ifstream record("/run/udev/data/b" + std::to_string(major(device)) + ":" +
                         std::to_string(minor(device)));
    std::string strLine;
    while (std::getline(record, strLine)) {
        if (strLine.rfind("E:ID_FS_TYPE=", 0) == 0) {
            return strLine.substr(13);
        }
    }
    return {};
}

// The type of a FUSE mount: its subtype ("fuse.fusefat" gives "fusefat"), or for a plain
// "fuse" or "fuseblk" mount what its device or image holds ("exfat (fuseblk)").
std::string FuseType(dev_t device) {
    std::ifstream mounts("/proc/self/mountinfo");
    const std::string strDevice =
        std::to_string(major(device)) + ":" + std::to_string(minor(device));
    std::string strLine;
    while (std::getline(mounts, strLine)) {
        std::istringstream fields(strLine);
        std::string strId, strParent, strNumbers;
        fields >> strId >> strParent >> strNumbers;
        if (strNumbers != strDevice) {
            continue;
        }
        std::string strField;
        while (fields >> strField && strField != "-") {
        }
        std::string strType, strSource;
        fields >> strType >> strSource;
        if (strType.rfind("fuse.", 0) == 0) {
            return strType.substr(5);
        }
        std::string strHeld = BootSectorType(strSource);
        if (strHeld.empty() && strSource.rfind("/dev/", 0) == 0) {
            struct stat st {};
            if (::stat(strSource.c_str(), &st) == 0 && S_ISBLK(st.st_mode)) {
                strHeld = UdevType(st.st_rdev);
            }
        }
        return strHeld.empty() ? strType : strHeld + " (" + strType + ")";
    }
    return "fuse";
}

// What a file system of a known type keeps, as far as its type tells.
CFileSystemTraits TraitsOfType(const std::string& strType) {
    CFileSystemTraits traits;
    traits.strType = strType;
    traits.bUnnamedFiles = false;
    traits.names = RulesOfType(strType);
    switch (traits.names) {
        case NameRules::Fat:
            traits.nMaxFileSize = UINT32_MAX;  // FAT32 holds files below 4 GiB
            traits.nTimeStepNs = 2 * kSecondNs;
            traits.bIgnoresCase = true;
            traits.bHardLinks = false;
            traits.bKeepsPermissions = false;
            break;
        case NameRules::Windows:
            if (strType.find("exfat") != std::string::npos) {
                traits.nTimeStepNs = 2 * kSecondNs;
                traits.bIgnoresCase = true;
                traits.bHardLinks = false;
                traits.bKeepsPermissions = false;
            } else {
                traits.nTimeStepNs = 100;  // NTFS keeps 100 ns steps
            }
            break;
        case NameRules::Posix:
            break;
    }
    return traits;
}

// The smallest of the steps file systems keep times in that covers a difference.
int64_t StepCovering(int64_t nDifferenceNs) {
    for (const int64_t nStep :
         {int64_t{1}, int64_t{100}, int64_t{1000}, int64_t{10'000'000}, kSecondNs, 2 * kSecondNs}) {
        if (nDifferenceNs < nStep) {
            return nStep;
        }
    }
    return 0;  // the time was not kept at all
}

// Finds out in the folder what the file system keeps. False when no probe file can be made
// there (a read-only destination): the type's traits then stand.
bool Probe(int fdFolder, CFileSystemTraits& traits) {
    std::string strName;
    FileDescriptor file(posix_internal::CreateNamedTemp(fdFolder, strName, 0600));
    if (!file.Valid()) {
        return false;
    }
    // Letter case: the same name in capitals finds the file.
    std::string strUpper = strName;
    std::transform(strUpper.begin(), strUpper.end(), strUpper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    struct stat st {};
    traits.bIgnoresCase = ::fstatat(fdFolder, strUpper.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    // Times: both set (some keep none when only one is), then read back by name. An odd
    // second with a fraction shows every step from 1 ns to 2 s.
    const timespec wanted{1600000001, 123456789};
    const timespec times[2] = {wanted, wanted};
    if (::futimens(file.Get(), times) == 0 &&
        ::fstatat(fdFolder, strName.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        const int64_t nKept = int64_t{st.st_mtim.tv_sec} * kSecondNs + st.st_mtim.tv_nsec;
        const int64_t nWanted = int64_t{wanted.tv_sec} * kSecondNs + wanted.tv_nsec;
        const int64_t nStep = StepCovering(nKept > nWanted ? nKept - nWanted : nWanted - nKept);
        traits.bKeepsTimes = nStep != 0;
        traits.nTimeStepNs = nStep != 0 ? nStep : 2 * kSecondNs;
    }
    // Permission bits: a file made read-only for all stays so.
    traits.bKeepsPermissions = ::fchmod(file.Get(), 0400) == 0 && ::fstat(file.Get(), &st) == 0 &&
                               (st.st_mode & 0777) == 0400;
    // Unnamed files.
    traits.bUnnamedFiles =
        FileDescriptor(::openat(fdFolder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600)).Valid();
    // Hard links.
    const std::string strLink = strName + "-link";
    traits.bHardLinks = ::linkat(fdFolder, strName.c_str(), fdFolder, strLink.c_str(), 0) == 0;
    if (traits.bHardLinks) {
        ::unlinkat(fdFolder, strLink.c_str(), 0);
    }
    file.Close();
    ::unlinkat(fdFolder, strName.c_str(), 0);
    traits.bProbed = true;
    return true;
}

// The identities of a folder and of every folder above it, up through "..", which is the
// folder itself at the root.
std::vector<CFolderIdentity> ChainUpwards(FileDescriptor current) {
    std::vector<CFolderIdentity> chain;
    while (current.Valid()) {
        struct stat st {};
        if (::fstat(current.Get(), &st) != 0) {
            break;
        }
        const CFolderIdentity identity{st.st_dev, st.st_ino};
        if (!chain.empty() && chain.back() == identity) {
            break;
        }
        chain.push_back(identity);
        current.Reset(::openat(current.Get(), "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
    }
    return chain;
}

}  // namespace

CFileSystemTraits PosixPlatform::FileSystemTraits(int fdFolder, bool bMayProbe) {
    struct statfs fs {};
    struct stat st {};
    if (::fstatfs(fdFolder, &fs) != 0 || ::fstat(fdFolder, &st) != 0) {
        return {};
    }
    const long nMagic = static_cast<long>(fs.f_type);
    const uint64_t nNameMax = fs.f_namelen > 0 ? static_cast<uint64_t>(fs.f_namelen) : 255;
    const auto nBlockSize = static_cast<uint64_t>(fs.f_frsize > 0 ? fs.f_frsize : fs.f_bsize);
    if (std::find(std::begin(kPosixMagics), std::end(kPosixMagics), nMagic) !=
        std::end(kPosixMagics)) {
        CFileSystemTraits traits;
        traits.nNameMax = nNameMax;
        traits.nBlockSize = nBlockSize;
        // A folder of ext4 or f2fs may be made to ignore letter case; its sub-folders inherit
        // it.
        int nFlags = 0;
        traits.bIgnoresCase =
            ::ioctl(fdFolder, FS_IOC_GETFLAGS, &nFlags) == 0 && (nFlags & FS_CASEFOLD_FL) != 0;
        return traits;
    }
    std::string strType = "unknown";
    if (nMagic == kFuseMagic) {
        strType = FuseType(st.st_dev);
    } else if (nMagic == kMsdosMagic) {
        strType = "vfat";
    } else if (nMagic == kExfatMagic) {
        strType = "exfat";
    } else if (nMagic == kNtfs3Magic) {
        strType = "ntfs3";
    }
    CFileSystemTraits traits = TraitsOfType(strType);
    traits.nNameMax = nNameMax;
    traits.nBlockSize = nBlockSize;
    traits.bVerifyTimes = true;
    if (bMayProbe) {
        Probe(fdFolder, traits);
    }
    return traits;
}

CFolderAncestry PosixPlatform::FolderAncestry(const std::string& strPath) {
    CFolderAncestry ancestry;
    if (strPath.empty()) {
        return ancestry;
    }
    // Down the path one name at a time, links followed; ".." after a name that does not
    // exist takes that name back, as the path reads.
    FileDescriptor current(::open(strPath[0] == '/' ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    size_t nMissing = 0;
    for (size_t nStart = 0; nStart <= strPath.size() && current.Valid();) {
        size_t nEnd = strPath.find('/', nStart);
        if (nEnd == std::string::npos) {
            nEnd = strPath.size();
        }
        const std::string strName = strPath.substr(nStart, nEnd - nStart);
        nStart = nEnd + 1;
        if (strName.empty() || strName == ".") {
            continue;
        }
        if (nMissing > 0) {
            nMissing = strName == ".." ? nMissing - 1 : nMissing + 1;
            continue;
        }
        const int fd = ::openat(current.Get(), strName.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            ++nMissing;
        } else {
            current.Reset(fd);
        }
    }
    ancestry.bExists = nMissing == 0;
    ancestry.chain = ChainUpwards(std::move(current));
    return ancestry;
}

bool PosixPlatform::IsFolderWithin(int fdFolder, const CFolderIdentity& ancestor) {
    const std::vector<CFolderIdentity> chain =
        ChainUpwards(FileDescriptor(::openat(fdFolder, ".", O_PATH | O_DIRECTORY | O_CLOEXEC)));
    return std::find(chain.begin(), chain.end(), ancestor) != chain.end();
}

bool PosixPlatform::FlushFileSystem(int fdFolder, const std::string& /*strPath*/) {
    return ::syncfs(fdFolder) == 0 || posix_internal::Fail();
}

bool PosixPlatform::FreeSpace(int fdFolder, uint64_t& nFree, uint64_t& nTotal) {
    struct statvfs fs {};
    if (::fstatvfs(fdFolder, &fs) != 0) {
        return posix_internal::Fail();
    }
    nFree = static_cast<uint64_t>(fs.f_bavail) * fs.f_frsize;
    nTotal = static_cast<uint64_t>(fs.f_blocks) * fs.f_frsize;
    return true;
}
