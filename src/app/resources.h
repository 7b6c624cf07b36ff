// SPDX-License-Identifier: GPL-3.0-or-later
// The program's resources: dialog templates 100, 102, 103 and 1501 as data tables, string
// 101 and icon 128. Controls are addressed by these ids in code and tests.
#pragma once

#include <QIcon>
#include <QString>
#include <cstdint>
#include <span>

#include "SyncWindows.h"

// Template and resource ids.
enum ResourceId : int {
    IDD_ABOUTBOX = 100,
    IDS_ABOUTBOX = 101,
    IDD_FOLVEX_DIALOG = 102,
    IDD_SETTINGS = 103,
    IDR_MAINFRAME = 128,
    IDD_SYNC_PROGRESS = 1501,
};

// Control and command ids shared by the windows.
enum ControlId : int {
    IDC_STATIC = -1,
    IDOK = 1,
    IDCANCEL = 2,
    IDM_ABOUTBOX = 16,
    ID_HELP = 57670,
    // main window
    IDC_SOURCE = 101,
    IDC_SOURCE_DIR = 102,
    IDC_DESTINATION = 103,
    IDC_DESTINATION_DIR = 104,
    IDC_PAIRS = 105,
    IDC_LOG = 106,
    IDC_SUBFOLDERS = 108,
    IDC_EXCLUDE = 109,
    IDC_START = 111,
    IDC_SYNC_INFO = 112,
    IDC_START_ALL = 113,
    IDC_CHECK_DEST_DATE = 117,
    IDC_ADD = 118,
    IDC_REMOVE = 119,
    IDC_ONLY_NEWER = 123,
    IDC_OVERWRITE_RHS = 124,
    IDC_LAST_COPY = 1000,
    IDC_REVERSE = 1002,
    IDC_BOTH_WAYS = 1003,
    IDC_GROUPS = 1004,
    // settings window
    IDC_KEEP_DAYS = 1005,
    // progress window (the value fields are in SyncWindows.h)
    IDC_PROGRESS_CANCEL = 101,
    IDC_PROGRESS_SPARE = 112,
    IDC_PROGRESS_START = ID_PROGRESS_START,  // the start command posts this id
};

enum class ControlKind {
    PushButton,
    DefaultPushButton,
    Edit,
    Label,       // left-aligned text, no id
    Value,       // text written by the program
    PercentBar,  // a percent text written by the program, drawn as a bar
    CheckBox,    // toggles itself on click
    ListBox,     // the pair list
    LogList,     // the log window
    DatePicker,  // short date, drop-down calendar
    ComboBox,    // drop-down list with an editable text field
    Icon,        // the application icon
    SpinBox,     // a number, with arrows; its range is set by the window
};

// Style flags of a control, those that mean something here. Qt edits always scroll
// sideways, lists show a vertical scroll bar when they need one, and the log window has no
// selection of its own, so the template needs no flags for these.
enum ControlStyle : uint32_t {
    kStyleNone = 0,
    kTabStop = 1u << 0,
    kHidden = 1u << 1,
    kCentred = 1u << 2,
    kBorder = 1u << 3,
    kModalFrameEdge = 1u << 4,        // a double (sunken panel) edge
    kRightAlignedCalendar = 1u << 5,  // the calendar opens at the picker's right edge
};

// One control of a dialog template; positions and sizes in dialog units.
struct CDialogItem {
    int nId;
    ControlKind kind;
    const char* szText;
    int x, y, cx, cy;
    uint32_t style;
    // What screen readers and tests call the control when its own text is empty.
    const char* szAccessibleName = nullptr;
};

struct CDialogTemplate {
    int nId;
    const char* szCaption;
    int x, y, cx, cy;
    bool bSystemMenu;  // false: no close box
    int nFontPoints;   // of the system's font: the template's face is not on this platform
    std::span<const CDialogItem> items;  // template order, also the tab order
};

const CDialogTemplate& MainDialogTemplate();
const CDialogTemplate& AboutDialogTemplate();
const CDialogTemplate& ProgressDialogTemplate();
const CDialogTemplate& SettingsDialogTemplate();

// The text of a string resource, empty when there is none.
QString LoadResourceString(int nId);

// Icon 128, the application icon.
QIcon LoadAppIcon();

// The help page shown by the "&Help" button (rich text).
QString LoadHelpPage();

// The tooltip of the exclude field: how its text is matched.
QString ExcludeFieldToolTip();
