// SPDX-License-Identifier: GPL-3.0-or-later
// Where the group list lives, and the lock that every writer of it takes.
#pragma once

#include <chrono>
#include <string>

#include "PosixHandles.h"
#include "platform.h"

// Synclist.dat beside the executable when that folder may be written (the portable copy);
// otherwise $XDG_CONFIG_HOME/folvex/Synclist.dat (~/.config/folvex). A system folder (under
// /usr, /bin or /sbin) never holds it, even for root.
std::string DefaultGroupListPath(const std::string& strExecutablePath,
                                 IPlatform& platform = Platform());

// How long a save waits for another program's save to end. Writers hold the lock only while
// they write, so a longer wait means a program that hangs.
inline constexpr std::chrono::milliseconds kGroupListLockWait{60000};

// An exclusive lock on the folder of a group list file (of the file a link leads to), held
// for the object's lifetime, so that a scheduled run and the window never save over each
// other's work. The folder is made when it does not exist yet. Waits at most wait for
// another holder to let go.
class CGroupListLock {
public:
    explicit CGroupListLock(const std::string& strListPath,
                            std::chrono::milliseconds wait = kGroupListLockWait,
                            IPlatform& platform = Platform());
    bool Locked() const { return m_folder.Valid(); }
    // Another holder kept it for the whole wait.
    bool TimedOut() const { return m_bTimedOut; }
    // Why the lock could not be taken.
    const std::string& Error() const { return m_strError; }

private:
    posix::FileDescriptor m_folder;
    bool m_bTimedOut = false;
    std::string m_strError;
};
