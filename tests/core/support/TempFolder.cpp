// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempFolder.h"

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

TempFolder::TempFolder() {
    const char* szBase = std::getenv("TMPDIR");
    std::string strTemplate =
        std::string(szBase != nullptr ? szBase : "/tmp") + "/folvex-test-XXXXXX";
    if (::mkdtemp(strTemplate.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    m_strPath = strTemplate;
}

TempFolder::~TempFolder() {
    std::error_code error;
    std::filesystem::remove_all(m_strPath, error);
    if (error) {
        // Paths longer than the system's limit: rm works through folder handles.
        const std::string strCommand = "rm -rf '" + m_strPath + "'";
        [[maybe_unused]] const int nStatus = std::system(strCommand.c_str());
    }
}
