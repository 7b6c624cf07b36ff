// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowPlacement.h"

#include <QWidget>

#include "SettingsFile.h"

void RestoreWindowPlacement(QWidget& window, const char* szKey) {
    const QByteArray geometry = ReadWindowGeometry(SettingsFile(), szKey);
    if (!geometry.isEmpty()) {
        window.restoreGeometry(geometry);
    }
}

void SaveWindowPlacement(const QWidget& window, const char* szKey) {
    QString strError;
    WriteWindowGeometry(SettingsFile(), szKey, window.saveGeometry(), strError);
}
