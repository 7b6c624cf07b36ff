// SPDX-License-Identifier: GPL-3.0-or-later
#include "HelpViewer.h"

#include <QDialog>
#include <QPointer>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "resources.h"

namespace {

QPointer<QDialog>& OpenViewer() {
    static QPointer<QDialog> viewer;
    return viewer;
}

}  // namespace

void ShowHelpViewer(QWidget* pOwner) {
    QPointer<QDialog>& viewer = OpenViewer();
    if (viewer == nullptr) {
        // Owned by the main window, so it takes input while the main window is modal.
        viewer = new QDialog(pOwner, Qt::Window);
        viewer->setAttribute(Qt::WA_DeleteOnClose);
        viewer->setWindowTitle(QStringLiteral("Folvex help"));
        auto* pLayout = new QVBoxLayout(viewer);
        auto* pBrowser = new QTextBrowser(viewer);
        pBrowser->setHtml(LoadHelpPage());
        pLayout->addWidget(pBrowser);
        viewer->resize(520, 480);
    }
    viewer->show();
    viewer->raise();
    viewer->activateWindow();
}

void QuitHelpViewer() {
    if (OpenViewer() != nullptr) {
        delete OpenViewer().data();
    }
}

bool IsHelpViewerOpen() {
    return OpenViewer() != nullptr && OpenViewer()->isVisible();
}
