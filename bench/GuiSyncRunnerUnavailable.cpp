// SPDX-License-Identifier: GPL-3.0-or-later
// Used when the desktop program is not built: there is no window to measure.
#include "GuiSyncRunner.h"

std::unique_ptr<IGuiSyncRunner> MakeGuiSyncRunner(int& argc, char** argv) {
    (void)argc;
    (void)argv;
    return nullptr;
}
