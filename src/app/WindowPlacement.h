// A window's size and place, kept in the user's settings from one start to the next.
#pragma once

class QWidget;

// The settings that hold them: Folvex/Folvex in the user's configuration folder.
inline constexpr const char* kSettingsOrganisation = "Folvex";
inline constexpr const char* kSettingsApplication = "Folvex";

// Gives the window the size and place last saved under the key, if any; call before the
// window is shown. Qt keeps a restored window on a screen and no smaller than its minimum.
void RestoreWindowPlacement(QWidget& window, const char* szKey);
void SaveWindowPlacement(const QWidget& window, const char* szKey);
