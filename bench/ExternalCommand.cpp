// SPDX-License-Identifier: GPL-3.0-or-later
#include "ExternalCommand.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

extern char** environ;

void RunCommand(const std::vector<std::string>& argv) {
    std::vector<char*> arguments;
    for (const std::string& strArgument : argv) {
        arguments.push_back(const_cast<char*>(strArgument.c_str()));
    }
    arguments.push_back(nullptr);

    pid_t pid = 0;
    const int nSpawnError =
        ::posix_spawnp(&pid, arguments[0], nullptr, nullptr, arguments.data(), environ);
    if (nSpawnError != 0) {
        throw std::runtime_error("cannot start " + CommandText(argv) + ": " +
                                 std::strerror(nSpawnError));
    }
    int nStatus = 0;
    while (::waitpid(pid, &nStatus, 0) < 0) {
        if (errno != EINTR) {
            throw std::runtime_error("cannot wait for " + CommandText(argv) + ": " +
                                     std::strerror(errno));
        }
    }
    if (!WIFEXITED(nStatus) || WEXITSTATUS(nStatus) != 0) {
        throw std::runtime_error(CommandText(argv) + " failed (status " + std::to_string(nStatus) +
                                 ")");
    }
}

std::string CommandText(const std::vector<std::string>& argv) {
    std::string strText;
    for (const std::string& strArgument : argv) {
        if (!strText.empty()) {
            strText += ' ';
        }
        strText += strArgument;
    }
    return strText;
}
