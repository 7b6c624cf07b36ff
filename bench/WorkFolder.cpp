// SPDX-License-Identifier: GPL-3.0-or-later
#include "WorkFolder.h"

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <vector>

#include "ProgressNote.h"
#include "TreeTools.h"

WorkFolder::WorkFolder(const std::string& strParent) {
    std::string strTemplate = strParent + "/folvex-bench-XXXXXX";
    std::vector<char> buffer(strTemplate.begin(), strTemplate.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr) {
        throw std::runtime_error("cannot create a work folder in " + strParent + ": " +
                                 std::strerror(errno));
    }
    m_strPath = buffer.data();
    m_strParent = strParent;
}

WorkFolder::~WorkFolder() {
    std::error_code error;
    std::filesystem::remove_all(m_strPath, error);
    if (!error) {
        try {
            SettleFileSystem(m_strParent);
        } catch (const std::exception& flushError) {
            std::cerr << "folvex_bench: " << flushError.what() << "\n";
        }
        ProgressNote("work folder removed");
    } else {
        std::cerr << "folvex_bench: could not remove " << m_strPath << ": " << error.message()
                  << "\n";
    }
}
