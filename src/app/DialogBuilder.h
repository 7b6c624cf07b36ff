// SPDX-License-Identifier: GPL-3.0-or-later
// Builds the widgets of a dialog from its template table and finds them again by id.
#pragma once

#include <QWidget>

#include "resources.h"

// The name of the property in which every built control carries its control id.
inline constexpr const char* kControlIdProperty = "controlId";

// Creates the template's controls as children of the dialog, in template order (which is
// also the tab order), at positions scaled from dialog units by the dialog font, and sizes
// the dialog. Sets the caption and the font.
void BuildDialog(QWidget& dialog, const CDialogTemplate& dlgTemplate);

// Pixels of one horizontal and one vertical dialog unit times 4 and 8 respectively: the
// average character width and the character height of the dialog font.
struct CDialogUnits {
    int nBaseX;
    int nBaseY;
    QRect ToPixels(int x, int y, int cx, int cy) const;
};
CDialogUnits DialogUnitsOf(const QWidget& dialog);

// The control with an id, or nullptr.
QWidget* FindControl(const QWidget& dialog, int nId);

template <class T>
T* Control(const QWidget& dialog, int nId) {
    return qobject_cast<T*>(FindControl(dialog, nId));
}
