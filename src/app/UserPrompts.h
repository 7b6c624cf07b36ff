// SPDX-License-Identifier: GPL-3.0-or-later
// Questions to the user: message boxes and the folder chooser. Tests install hooks that
// answer them instead of a person, so no modal box blocks a test.
#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>

class QWidget;

// YesNoDefaultNo: Enter answers No, for a question whose Yes may cost the user dearly.
enum class MessageButtons { Ok, YesNo, YesNoDefaultNo, RetryCancel };

// A message box with the caption "Folvex"; returns the button that closed it.
using MessageBoxHook = std::function<QMessageBox::StandardButton(
    QWidget* pOwner, const QString& strText, MessageButtons buttons, QMessageBox::Icon icon)>;
QMessageBox::StandardButton ShowMessageBox(QWidget* pOwner, const QString& strText,
                                           MessageButtons buttons = MessageButtons::Ok,
                                           QMessageBox::Icon icon = QMessageBox::Information);

// The folder chooser; returns the chosen folder's path, or an empty text on cancel.
using FolderChooserHook = std::function<QString(QWidget* pOwner, const QString& strTitle)>;
QString ChooseFolder(QWidget* pOwner, const QString& strTitle);

// Installs hooks for its lifetime (tests only).
class ScopedPromptHooks {
public:
    ScopedPromptHooks(MessageBoxHook messageBox, FolderChooserHook folderChooser = {});
    ~ScopedPromptHooks();
    ScopedPromptHooks(const ScopedPromptHooks&) = delete;
    ScopedPromptHooks& operator=(const ScopedPromptHooks&) = delete;

private:
    MessageBoxHook m_previousMessageBox;
    FolderChooserHook m_previousFolderChooser;
};
