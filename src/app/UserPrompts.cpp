// SPDX-License-Identifier: GPL-3.0-or-later
#include "UserPrompts.h"

#include <QDir>
#include <QFileDialog>

namespace {

MessageBoxHook& MessageBoxOverride() {
    static MessageBoxHook hook;
    return hook;
}

FolderChooserHook& FolderChooserOverride() {
    static FolderChooserHook hook;
    return hook;
}

QMessageBox::StandardButtons ButtonsOf(MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::YesNo:
        case MessageButtons::YesNoDefaultNo:
            return QMessageBox::Yes | QMessageBox::No;
        case MessageButtons::RetryCancel:
            return QMessageBox::Retry | QMessageBox::Cancel;
        case MessageButtons::Ok:
            break;
    }
    return QMessageBox::Ok;
}

}  // namespace

QMessageBox::StandardButton ShowMessageBox(QWidget* pOwner, const QString& strText,
                                           MessageButtons buttons, QMessageBox::Icon icon) {
    if (MessageBoxOverride()) {
        return MessageBoxOverride()(pOwner, strText, buttons, icon);
    }
    QMessageBox box(icon, QStringLiteral("Folvex"), strText, ButtonsOf(buttons), pOwner);
    if (buttons == MessageButtons::YesNoDefaultNo) {
        box.setDefaultButton(QMessageBox::No);
    }
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QString ChooseFolder(QWidget* pOwner, const QString& strTitle) {
    if (FolderChooserOverride()) {
        return FolderChooserOverride()(pOwner, strTitle);
    }
    // The chooser opens at the top of the user's own folders.
    return QFileDialog::getExistingDirectory(pOwner, strTitle, QDir::homePath());
}

ScopedPromptHooks::ScopedPromptHooks(MessageBoxHook messageBox, FolderChooserHook folderChooser)
    : m_previousMessageBox(std::move(MessageBoxOverride())),
      m_previousFolderChooser(std::move(FolderChooserOverride())) {
    MessageBoxOverride() = std::move(messageBox);
    FolderChooserOverride() = std::move(folderChooser);
}

ScopedPromptHooks::~ScopedPromptHooks() {
    MessageBoxOverride() = std::move(m_previousMessageBox);
    FolderChooserOverride() = std::move(m_previousFolderChooser);
}
