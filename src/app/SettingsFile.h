// SPDX-License-Identifier: GPL-3.0-or-later
// Folvex.conf: the settings beyond the group list (days to keep replaced files, window
// places), an INI file beside Synclist.dat. Only the app reads and writes it; the engine is
// handed plain values.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <string>

#include "SyncGroup.h"

inline constexpr const char* kSettingsFileName = "Folvex.conf";
inline constexpr uint32_t kMostKeepVersionDays = 3650;

// Folvex.conf in the folder of the group list file.
std::string SettingsPathBeside(const std::string& strListPath);

// The settings file of this process: set once at start-up, beside the group list in use;
// until then the one beside the default group list.
void UseSettingsFile(const std::string& strPath);
std::string SettingsFile();

// What the settings file holds, defaults for what it lacks or holds damaged.
struct CSettings {
    uint32_t nKeepVersionDays = kDefaultKeepVersionDays;
    // Empty when the file was read whole or is not there; else what is wrong with it and
    // that the defaults stand in, in sentences for the user.
    QString strProblem;
};
CSettings ReadSettings(const std::string& strPath);

// Writes the days; false, with the reason, when the file could not be written. A damaged
// file is first kept as Folvex.conf.bak, since writing drops what cannot be read.
bool WriteKeepVersionDays(const std::string& strPath, uint32_t nDays, QString& strError);

// A window's size and place under a key. Where Folvex.conf has none yet, the one that
// earlier versions kept in the user's configuration folder (~/.config/Folvex) is taken.
QByteArray ReadWindowGeometry(const std::string& strPath, const char* szKey);
bool WriteWindowGeometry(const std::string& strPath, const char* szKey, const QByteArray& geometry,
                         QString& strError);
