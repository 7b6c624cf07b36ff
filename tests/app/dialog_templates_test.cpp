// SPDX-License-Identifier: GPL-3.0-or-later
// The dialog builder over the three templates: every control found by its id, tab order in
// template order, accessible names, and the window's fixed parts.
#include <gtest/gtest.h>

#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <vector>

#include "DialogBuilder.h"
#include "FolvexDlg.h"
#include "PercentBar.h"
#include "Sync_ProgressDlg.h"

namespace {

// The ids of the dialog's tab-stop controls in focus-chain order, from the first one on.
std::vector<int> TabOrder(const QWidget& dialog, const std::vector<int>& tabStops) {
    std::vector<int> order;
    QWidget* pStart = FindControl(dialog, tabStops.front());
    QWidget* pWidget = pStart;
    do {
        const QVariant id = pWidget->property(kControlIdProperty);
        if (pWidget->parentWidget() == &dialog && id.isValid() &&
            std::find(tabStops.begin(), tabStops.end(), id.toInt()) != tabStops.end()) {
            order.push_back(id.toInt());
        }
        pWidget = pWidget->nextInFocusChain();
    } while (pWidget != pStart && order.size() < tabStops.size());
    return order;
}

void ExpectBuiltAsTemplate(const QWidget& dialog, const CDialogTemplate& dlgTemplate) {
    EXPECT_EQ(dialog.windowTitle().toStdString(), dlgTemplate.szCaption);
    std::vector<int> tabStops;
    for (const CDialogItem& item : dlgTemplate.items) {
        if (item.nId == IDC_STATIC) {
            continue;
        }
        QWidget* pControl = FindControl(dialog, item.nId);
        ASSERT_NE(pControl, nullptr) << item.nId;
        EXPECT_FALSE(pControl->accessibleName().isEmpty()) << item.nId;
        EXPECT_EQ(pControl->isHidden(), (item.style & kHidden) != 0) << item.nId;
        if (item.style & kTabStop) {
            tabStops.push_back(item.nId);
        }
    }
    EXPECT_EQ(TabOrder(dialog, tabStops), tabStops);
}

TEST(DialogTemplatesTest, MainWindowIsBuiltFromTemplate102) {
    CSyncGroupList list;
    CFolvexDlg dlg(list);
    ExpectBuiltAsTemplate(dlg, MainDialogTemplate());
    const CDialogUnits units = DialogUnitsOf(dlg);
    EXPECT_EQ(dlg.size(), units.ToPixels(0, 0, 333, 298).size());
    EXPECT_EQ(FindControl(dlg, IDC_START)->geometry(), units.ToPixels(276, 121, 50, 15));
    EXPECT_EQ(FindControl(dlg, IDC_SOURCE)->accessibleName(), "Source dir");
    EXPECT_EQ(FindControl(dlg, ID_HELP)->accessibleName(), "Help");
    // The exclude field says how it matches: by parts of names, without wildcards.
    EXPECT_TRUE(FindControl(dlg, IDC_EXCLUDE)->toolTip().contains("No wildcards"));
    // No default push button: Enter in an edit is the window's confirm command.
    for (QPushButton* pButton : dlg.findChildren<QPushButton*>()) {
        EXPECT_FALSE(pButton->isDefault()) << pButton->text().toStdString();
    }
}

TEST(DialogTemplatesTest, ProgressWindowIsBuiltFromTemplate1501WithoutCloseBox) {
    CSyncProgressDlg dlg;
    ExpectBuiltAsTemplate(dlg, ProgressDialogTemplate());
    EXPECT_FALSE(dlg.windowFlags() & Qt::WindowCloseButtonHint);
    const auto* pPercent = Control<CPercentBar>(dlg, IDC_PROGRESS_PERCENT);
    ASSERT_NE(pPercent, nullptr);
    EXPECT_EQ(pPercent->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    EXPECT_TRUE(pPercent->isTextVisible());
    EXPECT_TRUE(pPercent->text().isEmpty());
}

TEST(DialogTemplatesTest, AboutBoxIsBuiltFromTemplate100) {
    CAboutDlg dlg;
    ExpectBuiltAsTemplate(dlg, AboutDialogTemplate());
    EXPECT_TRUE(Control<QPushButton>(dlg, IDOK)->isDefault());
    // The icon is drawn whole at any font size, as an icon control sizes itself to its
    // icon rather than to the template's dialog units.
    const auto* pIcon = Control<QLabel>(dlg, IDR_MAINFRAME);
    ASSERT_NE(pIcon, nullptr);
    EXPECT_EQ(pIcon->size(), pIcon->pixmap().deviceIndependentSize().toSize());
    EXPECT_EQ(pIcon->size(), QSize(32, 32));
    EXPECT_EQ(LoadResourceString(IDS_ABOUTBOX), "&About Folvex...");
    EXPECT_FALSE(LoadAppIcon().isNull());
    // Each size of the icon has its frame on all four sides alike, none cut off.
    for (const int nSize : {32, 64, 256}) {
        const QImage image = LoadAppIcon().pixmap(nSize, nSize).toImage();
        ASSERT_EQ(image.size(), QSize(nSize, nSize));
        const int nMiddle = nSize / 2;
        const int nLast = nSize - 1;
        EXPECT_EQ(image.pixel(0, nMiddle), image.pixel(nLast, nMiddle)) << nSize;
        EXPECT_EQ(image.pixel(nMiddle, 0), image.pixel(nMiddle, nLast)) << nSize;
        EXPECT_EQ(image.pixel(0, nMiddle), image.pixel(nMiddle, 0)) << nSize;
    }
    EXPECT_TRUE(LoadHelpPage().contains("Synclist.dat"));
    EXPECT_TRUE(LoadHelpPage().simplified().contains("There are no wildcards"));
}

}  // namespace
