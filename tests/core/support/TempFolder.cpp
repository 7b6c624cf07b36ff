#include "TempFolder.h"

#include <stdlib.h>

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
    std::error_code ignored;
    std::filesystem::remove_all(m_strPath, ignored);
}
