// SPDX-License-Identifier: GPL-3.0-or-later
// The program's entry: the runner without a window, or the toolkit, then start-up and
// shut-down of the application shell.
#include <QApplication>
#include <iostream>

#include "CommandLine.h"
#include "Folvex.h"
#include "Runner.h"
#include "resources.h"

int main(int argc, char* argv[]) {
    if (WantsCommandLine(argc, argv)) {
        return RunFromCommandLine(argc, argv);
    }
    QApplication app(argc, argv);
    std::string strListPath;
    std::string strError;
    if (!ParseWindowArguments(QCoreApplication::arguments(), strListPath, strError)) {
        std::cerr << "folvex: " << strError << "\nTry 'folvex --help' for more information.\n";
        return kExitUsage;
    }
    QApplication::setWindowIcon(LoadAppIcon());
    // Lets the desktop match the window to the menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("folvex"));
    CFolvexApp theApp(strListPath);
    theApp.InitInstance();
    return theApp.ExitInstance();
}
