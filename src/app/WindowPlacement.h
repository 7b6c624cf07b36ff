// SPDX-License-Identifier: GPL-3.0-or-later
// A window's size and place, kept in the settings file from one start to the next.
#pragma once

class QWidget;

// Gives the window the size and place last saved under the key, if any; call before the
// window is shown. Qt keeps a restored window on a screen and no smaller than its minimum.
void RestoreWindowPlacement(QWidget& window, const char* szKey);
// A place that cannot be saved is only lost: closing the window goes on.
void SaveWindowPlacement(const QWidget& window, const char* szKey);
