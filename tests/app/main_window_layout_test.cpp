// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's size: the template's size is the smallest, the pair list and the log
// take what it grows by (with the controls lined up with the pair list), the other
// controls keep their distance to the nearer edges, and size and place come back at the
// next start.
#include <gtest/gtest.h>

#include <QCalendarWidget>
#include <QDateEdit>
#include <QFile>
#include <QTest>

#include "AppTestSupport.h"
#include "DialogBuilder.h"
#include "FolvexDlg.h"
#include "SettingsFile.h"

namespace {

constexpr QSize kGrowth(200, 100);

struct MoveCase {
    const char* szName;
    int nId;
    QPoint shift;
    QSize growth;
};

class GrowingMainWindowTest : public testing::TestWithParam<MoveCase> {};

TEST_P(GrowingMainWindowTest, ControlFollowsItsEdges) {
    const MoveCase& c = GetParam();
    CSyncGroupList list;
    CFolvexDlg dlg(list);
    QWidget* pControl = FindControl(dlg, c.nId);
    ASSERT_NE(pControl, nullptr);
    const QRect before = pControl->geometry();
    ShowActive(dlg);
    dlg.resize(dlg.size() + kGrowth);
    const QRect after = pControl->geometry();
    EXPECT_EQ(after.topLeft() - before.topLeft(), c.shift);
    EXPECT_EQ(after.size() - before.size(), c.growth);
}

INSTANTIATE_TEST_SUITE_P(Controls, GrowingMainWindowTest,
                         testing::Values(MoveCase{"PairList", IDC_PAIRS, {0, 0}, {200, 50}},
                                         MoveCase{"Log", IDC_LOG, {0, 50}, {200, 50}},
                                         MoveCase{"GroupBox", IDC_GROUPS, {0, 0}, {200, 0}},
                                         MoveCase{"StartAll", IDC_START_ALL, {200, 0}, {0, 0}},
                                         MoveCase{"InfoText", IDC_SYNC_INFO, {0, 50}, {200, 0}},
                                         MoveCase{"DatePicker", IDC_LAST_COPY, {200, 50}, {0, 0}},
                                         MoveCase{"Exclude", IDC_EXCLUDE, {0, 50}, {0, 0}}),
                         [](const auto& info) { return std::string(info.param.szName); });

TEST(MainWindowPlacementTest, TemplateSizeIsSmallestAndPlacementComesBack) {
    QFile::remove(QString::fromStdString(SettingsFile()));
    CSyncGroupList list;
    QSize templateSize;
    QSize grownSize;
    int nGrownLogWidth = 0;
    {
        CFolvexDlg dlg(list);
        templateSize = dlg.size();
        EXPECT_EQ(dlg.minimumSize(), templateSize);
        ShowActive(dlg);
        dlg.resize(templateSize - QSize(50, 50));
        EXPECT_EQ(dlg.size(), templateSize);
        dlg.resize(templateSize + kGrowth);
        grownSize = dlg.size();
        nGrownLogWidth = FindControl(dlg, IDC_LOG)->width();
        ClickControl(dlg, IDCANCEL);
    }
    EXPECT_EQ(grownSize, templateSize + kGrowth);
    CFolvexDlg again(list);
    EXPECT_EQ(again.size(), grownSize);
    ShowActive(again);
    EXPECT_EQ(again.size(), grownSize);
    EXPECT_EQ(FindControl(again, IDC_LOG)->width(), nGrownLogWidth);
    QFile::remove(QString::fromStdString(SettingsFile()));
}

TEST(MainWindowDatePickerTest, CalendarOpensAlignedToPickersRightEdge) {
    CSyncGroupList list;
    CFolvexDlg dlg(list);
    ShowActive(dlg);
    auto* pPicker = Control<QDateEdit>(dlg, IDC_LAST_COPY);
    QTest::mouseClick(pPicker, Qt::LeftButton, {},
                      QPoint(pPicker->width() - 4, pPicker->height() / 2));
    QWidget* pPopup = pPicker->calendarWidget()->window();
    ASSERT_TRUE(pPopup->isVisible());
    EXPECT_EQ(pPopup->geometry().right(), pPicker->mapToGlobal(pPicker->rect().bottomRight()).x());
    pPopup->hide();
}

}  // namespace
