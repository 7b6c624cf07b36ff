// SPDX-License-Identifier: GPL-3.0-or-later
#include "resources.h"

#include <QFile>

#include "SyncWindows.h"

namespace {

constexpr uint32_t kEditStyle = kBorder | kTabStop;

// Template 102, the main window "synchronize".
constexpr CDialogItem kMainItems[] = {
    {IDCANCEL, ControlKind::PushButton, "Exit", 276, 25, 50, 14, kTabStop},
    {ID_HELP, ControlKind::PushButton, "&Help", 276, 7, 50, 14, kTabStop},
    {IDC_SOURCE, ControlKind::Edit, "", 67, 139, 150, 15, kEditStyle, "Source dir"},
    {IDC_SOURCE_DIR, ControlKind::PushButton, "Source dir", 7, 139, 55, 14, kTabStop},
    {IDC_DESTINATION, ControlKind::Edit, "", 67, 173, 150, 15, kEditStyle, "Destination dir"},
    {IDC_DESTINATION_DIR, ControlKind::PushButton, "Destination dir", 7, 174, 55, 14, kTabStop},
    {IDC_EXCLUDE, ControlKind::Edit, "", 66, 196, 150, 15, kEditStyle, "Exclude files"},
    {IDC_STATIC, ControlKind::Label, "Exclude files", 10, 201, 50, 8, kStyleNone},
    {IDC_SYNC_INFO, ControlKind::Value, "Sync info", 7, 116, 261, 20, kCentred | kBorder},
    {IDC_STATIC, ControlKind::Label, "Last copy", 287, 144, 39, 8, kStyleNone},
    {IDC_ONLY_NEWER, ControlKind::CheckBox, "Only newer than this date", 222, 157, 95, 12,
     kTabStop},
    {IDC_SUBFOLDERS, ControlKind::CheckBox, "Include sub folders", 222, 168, 95, 15, kTabStop},
    {IDC_CHECK_DEST_DATE, ControlKind::CheckBox, "Check destination date", 222, 182, 95, 12,
     kTabStop},
    {IDC_OVERWRITE_RHS, ControlKind::CheckBox, "Overwrite +RHS files", 222, 193, 100, 12, kTabStop},
    {IDC_START, ControlKind::PushButton, "Start", 276, 121, 50, 15, kTabStop},
    {IDC_START_ALL, ControlKind::PushButton, "StartAll", 276, 102, 50, 15, kTabStop},
    {IDC_PAIRS, ControlKind::ListBox, "", 7, 23, 261, 94, kBorder | kModalFrameEdge | kTabStop,
     "Sync pairs"},
    {IDC_ADD, ControlKind::PushButton, "Add", 276, 55, 50, 15, kTabStop},
    {IDC_REMOVE, ControlKind::PushButton, "Remove", 276, 74, 50, 15, kTabStop},
    {IDC_LOG, ControlKind::LogList, "", 7, 216, 319, 74, kBorder | kTabStop, "Log"},
    {IDC_LAST_COPY, ControlKind::DatePicker, "", 223, 140, 60, 15, kRightAlignedCalendar | kTabStop,
     "Last copy"},
    {IDC_REVERSE, ControlKind::PushButton, "Reverse", 15, 156, 40, 14, kTabStop},
    {IDC_BOTH_WAYS, ControlKind::CheckBox, "Both ways", 67, 158, 49, 10, kTabStop},
    {IDC_GROUPS, ControlKind::ComboBox, "", 35, 7, 232, 118, kTabStop, "Group:"},
    {IDC_STATIC, ControlKind::Label, "Group:", 7, 9, 25, 8, kStyleNone},
};

// Template 100, the About box.
constexpr CDialogItem kAboutItems[] = {
    {IDR_MAINFRAME, ControlKind::Icon, "", 11, 17, 20, 20, kStyleNone, "Folvex icon"},
    {IDC_STATIC, ControlKind::Label, "Folvex Version 1.0", 40, 10, 119, 8, kStyleNone},
    {IDOK, ControlKind::DefaultPushButton, "OK", 178, 7, 50, 14, kTabStop},
};

// Template 1501, the progress window "Synchronize copying".
constexpr CDialogItem kProgressItems[] = {
    {IDC_PROGRESS_CANCEL, ControlKind::PushButton, "Cancel", 118, 100, 50, 14, kTabStop},
    {IDC_STATIC, ControlKind::Label, "Folder", 5, 5, 25, 8, kStyleNone},
    {IDC_STATIC, ControlKind::Label, "Dest", 5, 20, 25, 8, kStyleNone},
    {IDC_STATIC, ControlKind::Label, "File", 5, 35, 25, 8, kStyleNone},
    {IDC_PROGRESS_PERCENT, ControlKind::PercentBar, "", 5, 65, 275, 10, kCentred, "Percent"},
    {IDC_STATIC, ControlKind::Label, "Bytes", 5, 50, 25, 8, kStyleNone},
    {IDC_PROGRESS_SPARE, ControlKind::Value, "", 5, 83, 275, 8, kCentred, "Spare"},
    {IDC_PROGRESS_FOLDER, ControlKind::Value, "", 35, 5, 245, 8, kCentred, "Folder"},
    {IDC_PROGRESS_DEST, ControlKind::Value, "", 35, 20, 245, 8, kCentred, "Dest"},
    {IDC_PROGRESS_FILE, ControlKind::Value, "", 35, 35, 245, 8, kCentred, "File"},
    {IDC_PROGRESS_BYTES, ControlKind::Value, "", 35, 50, 245, 8, kCentred, "Bytes"},
    {IDC_PROGRESS_START, ControlKind::PushButton, "Start", 51, 100, 50, 14, kHidden | kTabStop},
};

// Template 103, the settings window.
constexpr CDialogItem kSettingsItems[] = {
    {IDC_STATIC, ControlKind::Label, "Keep replaced files for", 7, 10, 82, 8, kStyleNone},
    {IDC_KEEP_DAYS, ControlKind::SpinBox, "", 90, 7, 44, 14, kTabStop, "Keep replaced files for"},
    {IDC_STATIC, ControlKind::Label, "days", 139, 10, 30, 8, kStyleNone},
    {IDC_STATIC, ControlKind::Label, "0 keeps none: a run replaces files as before.", 7, 27, 186, 8,
     kStyleNone},
    {IDOK, ControlKind::DefaultPushButton, "OK", 89, 44, 50, 14, kTabStop},
    {IDCANCEL, ControlKind::PushButton, "Cancel", 143, 44, 50, 14, kTabStop},
};

const CDialogTemplate kMainTemplate{IDD_FOLVEX_DIALOG, "synchronize", 0, 0, 333, 298, true, 8,
                                    kMainItems};
const CDialogTemplate kAboutTemplate{IDD_ABOUTBOX, "About Folvex", 0, 0,          235,
                                     55,           true,           8, kAboutItems};
const CDialogTemplate kSettingsTemplate{IDD_SETTINGS,  "Settings", 0, 0, 200, 65, true, 8,
                                        kSettingsItems};
const CDialogTemplate kProgressTemplate{
    IDD_SYNC_PROGRESS, "Synchronize copying", 6, 15, 286, 121, false, 8, kProgressItems};

}  // namespace

const CDialogTemplate& MainDialogTemplate() {
    return kMainTemplate;
}
const CDialogTemplate& AboutDialogTemplate() {
    return kAboutTemplate;
}
const CDialogTemplate& ProgressDialogTemplate() {
    return kProgressTemplate;
}
const CDialogTemplate& SettingsDialogTemplate() {
    return kSettingsTemplate;
}

QString LoadResourceString(int nId) {
    switch (nId) {
        case IDS_ABOUTBOX:
            return QStringLiteral("&About Folvex...");
        default:
            return QString();
    }
}

QIcon LoadAppIcon() {
    QIcon icon;
    for (const char* szSize : {"32", "64", "256"}) {
        icon.addFile(QStringLiteral(":/folvex/folvex-%1.png").arg(QLatin1String(szSize)));
    }
    return icon;
}

QString LoadHelpPage() {
    QFile file(QStringLiteral(":/folvex/help.html"));
    if (!file.open(QIODevice::ReadOnly)) {
        return QStringLiteral("<p>The help page is missing from this build.</p>");
    }
    return QString::fromUtf8(file.readAll());
}

QString ExcludeFieldToolTip() {
    return QStringLiteral(
        "Parts of file names to leave out, separated by ;\n"
        "A file is left out when its path below the source folder contains one of them.\n"
        "Letter case is ignored. No wildcards: * and ? match only themselves.\n"
        "Example: .tmp;thumbs.db");
}
