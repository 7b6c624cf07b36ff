// SPDX-License-Identifier: GPL-3.0-or-later
// The progress window run as the main window's Start command runs it: the log goes to the
// program's log window, which stays visible; the window starts the worker and closes at
// the end of the run. Qt draws offscreen, so no display is needed.
#include "GuiSyncRunner.h"

#include <QApplication>
#include <QByteArray>

#include "LogListBox.h"
#include "SyncGroup.h"
#include "Sync_ProgressDlg.h"

namespace {

class ProgressWindowRunner : public IGuiSyncRunner {
public:
    ProgressWindowRunner(int& argc, char** argv) {
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
        m_pApplication = std::make_unique<QApplication>(argc, argv);
        m_pLogList = std::make_unique<CLogListBox>();
        m_pLogList->resize(640, 320);
        m_pLogList->show();
    }

    SyncOutcome Run(const std::string& strSource, const std::string& strDestination) override {
        // Start empties the log window before every run.
        m_pLogList->ResetContent();
        CSyncPair pair;
        ConfigureBenchPair(pair, strSource, strDestination);
        pair.m_pLogList = m_pLogList.get();
        CSyncProgressDlg dialog;
        dialog.m_pPair = &pair;
        dialog.exec();
        return OutcomeOf(pair, m_pLogList->GetText(0).toStdString());
    }

private:
    // Declared first so that it is destroyed last, after every widget.
    std::unique_ptr<QApplication> m_pApplication;
    std::unique_ptr<CLogListBox> m_pLogList;
};

}  // namespace

std::unique_ptr<IGuiSyncRunner> MakeGuiSyncRunner(int& argc, char** argv) {
    return std::make_unique<ProgressWindowRunner>(argc, argv);
}
