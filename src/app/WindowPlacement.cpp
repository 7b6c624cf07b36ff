#include "WindowPlacement.h"

#include <QSettings>
#include <QWidget>

void RestoreWindowPlacement(QWidget& window, const char* szKey) {
    const QSettings settings(kSettingsOrganisation, kSettingsApplication);
    const QByteArray geometry = settings.value(szKey).toByteArray();
    if (!geometry.isEmpty()) {
        window.restoreGeometry(geometry);
    }
}

void SaveWindowPlacement(const QWidget& window, const char* szKey) {
    QSettings settings(kSettingsOrganisation, kSettingsApplication);
    settings.setValue(szKey, window.saveGeometry());
}
