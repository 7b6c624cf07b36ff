// Where the group list lives, and the lock that every writer of it takes.
#pragma once

#include <string>

#include "PosixHandles.h"

// Synclist.dat beside the executable when that folder may be written (the portable copy);
// otherwise $XDG_CONFIG_HOME/folvex/Synclist.dat (~/.config/folvex). A system folder (under
// /usr, /bin or /sbin) never holds it, even for root.
std::string DefaultGroupListPath(const std::string& strExecutablePath);

// An exclusive lock on the folder of a group list file, held for the object's lifetime, so
// that a scheduled run and the window never save over each other's work. The folder is
// made when it does not exist yet.
class CGroupListLock {
public:
    explicit CGroupListLock(const std::string& strListPath);
    bool Locked() const { return m_folder.Valid(); }
    // Why the lock could not be taken.
    const std::string& Error() const { return m_strError; }

private:
    posix::FileDescriptor m_folder;
    std::string m_strError;
};
