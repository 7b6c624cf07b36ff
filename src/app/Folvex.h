// SPDX-License-Identifier: GPL-3.0-or-later
// The application shell: the group list, loaded before the main window exists and saved
// once it has closed.
#pragma once

#include <string>

#include "GroupListFile.h"
#include "SyncGroup.h"

class CFolvexDlg;

class CFolvexApp {
public:
    // strListPath is the group list file (Synclist.dat).
    explicit CFolvexApp(std::string strListPath);
    CFolvexApp(const CFolvexApp&) = delete;
    CFolvexApp& operator=(const CFolvexApp&) = delete;

    // Loads the group list, runs the main window modally; returns false (no message loop
    // follows).
    bool InitInstance();
    // Saves the group list; returns the exit code.
    int ExitInstance();

    // True only if the whole file was read. Messages go to message boxes.
    bool LoadGroupList();
    // Writes the list, under the lock that a scheduled run takes too; on failure the user is
    // told why and may try again. A file that could not be read at start-up is first kept
    // as Synclist.dat.bak. What another program's runs saved meanwhile is kept (see
    // TakeRunsSavedElsewhere). The lock is held only while the file is written, never while
    // a message waits for the user. True when saved.
    bool SaveGroupList();

    std::string GroupListPath() const;
    std::string BackupPath() const;

    CSyncGroupList m_listGroups;
    CFolvexDlg* m_pMainWnd = nullptr;

private:
    bool KeepUnreadFile();
    // One attempt at writing the list, under the lock.
    bool WriteGroupList(std::string& strError);

    std::string m_strListPath;
    LoadOutcome m_loadOutcome = LoadOutcome::Loaded;
    std::string m_strLoadedBytes;  // the file as read, for the backup
    CSyncGroupList m_listLoaded;   // the list as read, to tell what others changed since
    bool m_bUnreadFileExists = false;
};
