// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers for the widget tests: answering message boxes and the folder chooser, driving
// controls as a user would, and reading the log window.
#pragma once

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <deque>
#include <functional>
#include <memory>
#include <ostream>

#include "UserPrompts.h"

class QWidget;
class CLogListBox;

// Answers every message box from a queue of answers (Ok, Yes or Retry by default, by the
// buttons offered) and the folder chooser with a set path; records what was asked.
class PromptAnswerer {
public:
    PromptAnswerer();

    std::deque<QMessageBox::StandardButton> m_answers;
    // Runs while a message box is up, before it is answered.
    std::function<void(const QString& strText)> m_whileShown;
    QString m_strChosenFolder;
    QStringList m_messages;
    QStringList m_folderTitles;

private:
    ScopedPromptHooks m_hooks;
};

// Catches the local files and folders that the program hands to the desktop to open, for
// its lifetime, instead of starting a file manager.
class DesktopUrlCatcher : public QObject {
    Q_OBJECT
public:
    DesktopUrlCatcher();
    ~DesktopUrlCatcher() override;
    QList<QUrl> m_opened;
public slots:
    void Open(const QUrl& url) { m_opened << url; }
};

// Shows the window and makes it the active one, so that focus changes reach it.
void ShowActive(QWidget& window);
// Gives a control the keyboard focus as a click would.
void GiveFocus(QWidget& control);
// Clicks the button with an id.
void ClickControl(QWidget& dialog, int nId);
// Types text at the end of an edit's text, one key at a time.
void TypeInto(QWidget& edit, const QString& strText);
// The log window's lines from the top.
QStringList LogLines(const CLogListBox& log);
// Runs action inside the next modal loop (once the event loop turns).
void WhenEventLoopRuns(std::function<void()> action);

// Test failures show texts as text, not as bytes.
inline void PrintTo(const QString& strText, std::ostream* pOut) {
    *pOut << '"' << strText.toStdString() << '"';
}
