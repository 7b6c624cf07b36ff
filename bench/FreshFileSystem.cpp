// SPDX-License-Identifier: GPL-3.0-or-later
#include "FreshFileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <stdexcept>

#include "ExternalCommand.h"
#include "PosixHandles.h"
#include "ProgressNote.h"

FreshFileSystem::FreshFileSystem(const std::string& strParent, uint64_t nBytes)
    : m_strImage(strParent + "/fresh.img"), m_strMount(strParent + "/fresh") {
    {
        posix::FileDescriptor image(
            ::open(m_strImage.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
        if (!image.Valid() || ::ftruncate(image.Get(), static_cast<off_t>(nBytes)) != 0) {
            throw std::runtime_error("cannot make the image " + m_strImage + ": " +
                                     std::strerror(errno));
        }
    }
    ProgressNote("  making a fresh ext4 file system of " + std::to_string(nBytes >> 30) + " GiB");
    try {
        // Inode tables and journal written now, so that no lazy initialisation runs in the
        // background of the timed runs.
        RunCommand(
            {"mkfs.ext4", "-q", "-F", "-E", "lazy_itable_init=0,lazy_journal_init=0", m_strImage});
        if (::mkdir(m_strMount.c_str(), 0755) != 0) {
            throw std::runtime_error("cannot make " + m_strMount + ": " + std::strerror(errno));
        }
        RunCommand({"mount", "-o", "loop", m_strImage, m_strMount});
        m_bMounted = true;
    } catch (...) {
        ::rmdir(m_strMount.c_str());
        ::unlink(m_strImage.c_str());
        throw;
    }
}

FreshFileSystem::~FreshFileSystem() {
    try {
        if (m_bMounted) {
            RunCommand({"umount", m_strMount});
        }
    } catch (const std::exception& error) {
        std::cerr << "folvex_bench: " << error.what() << "\n";
    }
    ::rmdir(m_strMount.c_str());
    ::unlink(m_strImage.c_str());
}
