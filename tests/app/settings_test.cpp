// SPDX-License-Identifier: GPL-3.0-or-later
// Folvex.conf and what the window does with it: reading it whole, damaged or not at all,
// writing it without losing a damaged file, the window place taken from where earlier
// versions kept it, the settings window, and the pair list's "Open replaced versions".
#include <gtest/gtest.h>

#include <QListWidget>
#include <QMenu>
#include <QSettings>
#include <QSpinBox>
#include <QTest>
#include <QUrl>

#include "AppTestSupport.h"
#include "DialogBuilder.h"
#include "FileTree.h"
#include "FolvexDlg.h"
#include "SettingsDlg.h"
#include "SettingsFile.h"
#include "TempFolder.h"

namespace {

class SettingsFileTest : public testing::Test {
protected:
    std::string Conf() const { return m_temp / "Folvex.conf"; }
    TempFolder m_temp;
};

TEST(SettingsPathTest, LivesBesideTheGroupList) {
    EXPECT_EQ(SettingsPathBeside("/home/u/.config/folvex/Synclist.dat"),
              "/home/u/.config/folvex/Folvex.conf");
    EXPECT_EQ(SettingsPathBeside("Synclist.dat"), "./Folvex.conf");
}

// What a file holds, what is read of it, and that writing keeps a damaged file aside.
TEST_F(SettingsFileTest, ReadsWholeOrFallsBackAndWritingKeepsWhatWasDamaged) {
    const struct {
        const char* szName;
        const char* szContent;  // nullptr: no file
        uint32_t nDays;
        bool bDamaged;
    } cases[] = {
        {"missing", nullptr, 30, false},
        {"empty", "", 30, false},
        {"set", "[Versions]\nKeepDays=7\n", 7, false},
        {"none kept", "[Versions]\nKeepDays=0\n", 0, false},
        {"most", "[Versions]\nKeepDays=3650\n", 3650, false},
        {"too many", "[Versions]\nKeepDays=3651\n", 30, true},
        {"negative", "[Versions]\nKeepDays=-1\n", 30, true},
        {"no number", "[Versions]\nKeepDays=abc\n", 30, true},
        {"broken section", "[Versions\nKeepDays=12\n", 30, true},
        {"garbage", "\x01\x02\xff\xfe garbage\n=\n[[[\n", 30, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.szName);
        std::remove(Conf().c_str());
        std::remove((Conf() + ".bak").c_str());
        if (c.szContent != nullptr) {
            WriteFile(Conf(), c.szContent);
        }
        const CSettings read = ReadSettings(Conf());
        EXPECT_EQ(read.nKeepVersionDays, c.nDays);
        EXPECT_EQ(read.strProblem.isEmpty(), !c.bDamaged) << read.strProblem.toStdString();
        if (c.bDamaged) {
            EXPECT_TRUE(read.strProblem.contains(QString::fromStdString(Conf())));
        }

        QString strError;
        ASSERT_TRUE(WriteKeepVersionDays(Conf(), 9, strError)) << strError.toStdString();
        EXPECT_EQ(ReadSettings(Conf()).nKeepVersionDays, 9u);
        EXPECT_TRUE(ReadSettings(Conf()).strProblem.isEmpty());
        EXPECT_EQ(Exists(Conf() + ".bak"), c.bDamaged);
        if (c.bDamaged) {
            EXPECT_EQ(ReadFile(Conf() + ".bak"), c.szContent);
        }
    }
}

// A settings file that is a folder can be neither read nor written: defaults, and a reason.
TEST_F(SettingsFileTest, UnreadableFileGivesDefaultsAndWritesFailWithReason) {
    MakeFolders(Conf());
    const CSettings read = ReadSettings(Conf());
    EXPECT_EQ(read.nKeepVersionDays, kDefaultKeepVersionDays);
    EXPECT_FALSE(read.strProblem.isEmpty());
    QString strError;
    EXPECT_FALSE(WriteKeepVersionDays(Conf(), 5, strError));
    EXPECT_TRUE(strError.contains(QString::fromStdString(Conf()))) << strError.toStdString();
}

TEST_F(SettingsFileTest, WindowPlaceComesFromEarlierLocationUntilFolvexConfHasOne) {
    const QByteArray earlier("earlier place");
    QSettings old(QStringLiteral("Folvex"), QStringLiteral("Folvex"));
    old.setValue("MainWindow/Geometry", earlier);
    old.sync();
    EXPECT_EQ(ReadWindowGeometry(Conf(), "MainWindow/Geometry"), earlier);
    QString strError;
    ASSERT_TRUE(WriteWindowGeometry(Conf(), "MainWindow/Geometry", "new place", strError));
    EXPECT_EQ(ReadWindowGeometry(Conf(), "MainWindow/Geometry"), QByteArray("new place"));
    old.clear();
    // The days and the place live side by side.
    ASSERT_TRUE(WriteKeepVersionDays(Conf(), 3, strError));
    EXPECT_EQ(ReadWindowGeometry(Conf(), "MainWindow/Geometry"), QByteArray("new place"));
    EXPECT_EQ(ReadSettings(Conf()).nKeepVersionDays, 3u);
}

TEST_F(SettingsFileTest, SettingsWindowShowsWritesOrKeepsTheDays) {
    PromptAnswerer prompts;
    WriteFile(Conf(), "[Versions]\nKeepDays=12\n");
    {
        CSettingsDlg dlg(Conf());
        ShowActive(dlg);
        EXPECT_EQ(dlg.windowTitle(), "Settings");
        auto* pDays = Control<QSpinBox>(dlg, IDC_KEEP_DAYS);
        EXPECT_EQ(pDays->value(), 12);
        EXPECT_EQ(pDays->maximum(), 3650);
        pDays->setValue(5);
        ClickControl(dlg, IDCANCEL);
        EXPECT_EQ(dlg.result(), QDialog::Rejected);
    }
    EXPECT_EQ(ReadSettings(Conf()).nKeepVersionDays, 12u);
    {
        CSettingsDlg dlg(Conf());
        ShowActive(dlg);
        auto* pDays = Control<QSpinBox>(dlg, IDC_KEEP_DAYS);
        pDays->selectAll();
        QTest::keyClicks(pDays, "0");  // typed, not confirmed: OK takes it as shown
        ClickControl(dlg, IDOK);
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
    }
    EXPECT_EQ(ReadSettings(Conf()).nKeepVersionDays, 0u);
    EXPECT_TRUE(prompts.m_messages.isEmpty());

    std::remove(Conf().c_str());
    MakeFolders(Conf());  // cannot be written: the user is told, the window stays
    CSettingsDlg dlg(Conf());
    ShowActive(dlg);
    ClickControl(dlg, IDOK);
    EXPECT_TRUE(dlg.isVisible());
    ASSERT_EQ(prompts.m_messages.size(), 1);
    EXPECT_TRUE(prompts.m_messages.front().contains("could not be written") ||
                prompts.m_messages.front().contains("cannot be read"));
}

class ReplacedVersionsEntryTest : public SettingsFileTest {
protected:
    CFolvexDlg& Open(bool bBothWays = false) {
        CSyncGroup* pGroup = CreateGroup(m_list);
        pGroup->m_strName = "G";
        CSyncPair* pPair = CreatePair(*pGroup);
        pPair->m_strSource = m_temp / "src";
        pPair->m_strDestination = m_temp / "dst";
        pPair->m_bBothWays = bBothWays ? 1 : 0;
        m_dlg = std::make_unique<CFolvexDlg>(m_list);
        ShowActive(*m_dlg);
        return *m_dlg;
    }
    // The entries of the pair list's context menu, "-" for a separator, "(off)" when disabled.
    QStringList PairMenu() const {
        QMenu menu;
        m_dlg->FillContextMenu(menu, true);
        QStringList entries;
        for (const QAction* pAction : menu.actions()) {
            entries << (pAction->isSeparator()
                            ? QStringLiteral("-")
                            : pAction->text() + (pAction->isEnabled() ? "" : " (off)"));
        }
        return entries;
    }

    CSyncGroupList m_list;
    PromptAnswerer m_prompts;
    DesktopUrlCatcher m_urls;
    std::unique_ptr<CFolvexDlg> m_dlg;
};

TEST_F(ReplacedVersionsEntryTest, PairListMenuOffersVersionsOnlyWithAPairSelected) {
    CFolvexDlg& dlg = Open();
    EXPECT_EQ(PairMenu(), QStringList({"Open replaced versions", "-", "Settings...", "-", "&Close",
                                       "-", "&About Folvex..."}));
    dlg.m_lbPairs->clearSelection();
    EXPECT_EQ(PairMenu().front(), "Open replaced versions (off)");
    QMenu windowMenu;
    dlg.FillContextMenu(windowMenu, false);
    EXPECT_EQ(windowMenu.actions().front()->text(), "Settings...");
}

TEST_F(ReplacedVersionsEntryTest, OpensTheVersionsFolderOrSaysThereIsNone) {
    CFolvexDlg& dlg = Open();
    dlg.OnOpenReplacedVersions();
    ASSERT_EQ(m_prompts.m_messages.size(), 1);
    EXPECT_TRUE(m_prompts.m_messages.front().startsWith("There are no replaced versions"));
    EXPECT_TRUE(m_urls.m_opened.isEmpty());

    MakeFolders(m_temp / "dst/.folvex-versions/not a dated folder");
    dlg.OnOpenReplacedVersions();
    EXPECT_EQ(m_prompts.m_messages.size(), 2);
    EXPECT_TRUE(m_urls.m_opened.isEmpty());

    WriteFile(m_temp / "dst/.folvex-versions/2026-11-01 101500/a.txt", "old");
    dlg.OnOpenReplacedVersions();
    EXPECT_EQ(m_prompts.m_messages.size(), 2);
    EXPECT_EQ(m_urls.m_opened, QList<QUrl>({QUrl::fromLocalFile(
                                   QString::fromStdString(m_temp / "dst/.folvex-versions"))}));
}

// Both ways, the way back keeps its versions on the source side.
TEST_F(ReplacedVersionsEntryTest, BothWaysPairOpensTheSourceSideWhenOnlyItHasVersions) {
    CFolvexDlg& dlg = Open(true);
    WriteFile(m_temp / "src/.folvex-versions/2026-11-01 101500/a.txt", "old");
    dlg.OnOpenReplacedVersions();
    EXPECT_TRUE(m_prompts.m_messages.isEmpty());
    EXPECT_EQ(m_urls.m_opened, QList<QUrl>({QUrl::fromLocalFile(
                                   QString::fromStdString(m_temp / "src/.folvex-versions"))}));
}

}  // namespace
