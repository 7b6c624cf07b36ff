// What the POSIX platform's files share among themselves.
#pragma once

#include <sys/types.h>

#include <string>

namespace posix_internal {

// Creates a new file under a temporary name of the copy's own (".folvex-tmp-<process>-<n>")
// in a folder; its descriptor, or -1 with errno set.
int CreateNamedTemp(int fdFolder, std::string& strTempName, mode_t mode);

}  // namespace posix_internal
