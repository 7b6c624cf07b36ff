// SPDX-License-Identifier: GPL-3.0-or-later
// A new ext4 file system with a journal, as users' disks have, on a loop-mounted image:
// every section of the benchmark can start on an empty disk that nothing else writes to.
#pragma once

#include <cstdint>
#include <string>

class FreshFileSystem {
public:
    // Makes an image of nBytes (sparse) in strParent, formats and mounts it; throws when it
    // cannot (mounting needs root).
    FreshFileSystem(const std::string& strParent, uint64_t nBytes);
    // Unmounts the file system and removes the image.
    ~FreshFileSystem();
    FreshFileSystem(const FreshFileSystem&) = delete;
    FreshFileSystem& operator=(const FreshFileSystem&) = delete;

    const std::string& Path() const { return m_strMount; }

private:
    std::string m_strImage;
    std::string m_strMount;
    bool m_bMounted = false;
};
