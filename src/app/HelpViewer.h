// SPDX-License-Identifier: GPL-3.0-or-later
// The help viewer that the "&Help" button opens: a window with the program's help page.
#pragma once

class QWidget;

// Shows the help viewer, owned by pOwner, or raises it when it is already open.
void ShowHelpViewer(QWidget* pOwner);
// Closes the help viewer if it is open.
void QuitHelpViewer();
bool IsHelpViewerOpen();
