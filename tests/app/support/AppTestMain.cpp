// SPDX-License-Identifier: GPL-3.0-or-later
// The entry of every widget test: a QApplication on the offscreen platform, then the tests.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdlib>

#include "SettingsFile.h"

int main(int argc, char* argv[]) {
    // Also for test discovery, which runs without the test's environment.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    // Settings and window placements that the tests save stay with this run, out of the
    // user's; so does the place where earlier versions kept them.
    const QTemporaryDir settingsFolder;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());
    UseSettingsFile((settingsFolder.path() + QStringLiteral("/Folvex.conf")).toStdString());
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
