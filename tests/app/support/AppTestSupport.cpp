// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppTestSupport.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QTest>
#include <QTimer>

#include "DialogBuilder.h"
#include "LogListBox.h"

PromptAnswerer::PromptAnswerer()
    : m_hooks(
          [this](QWidget*, const QString& strText, MessageButtons buttons, QMessageBox::Icon) {
              m_messages << strText;
              if (m_whileShown) {
                  m_whileShown(strText);
              }
              if (!m_answers.empty()) {
                  const QMessageBox::StandardButton answer = m_answers.front();
                  m_answers.pop_front();
                  return answer;
              }
              switch (buttons) {
                  case MessageButtons::YesNo:
                  case MessageButtons::YesNoDefaultNo:
                      return QMessageBox::Yes;
                  case MessageButtons::RetryCancel:
                      return QMessageBox::Cancel;
                  case MessageButtons::Ok:
                      break;
              }
              return QMessageBox::Ok;
          },
          [this](QWidget*, const QString& strTitle) {
              m_folderTitles << strTitle;
              return m_strChosenFolder;
          }) {}

void ShowActive(QWidget& window) {
    window.show();
    QApplication::setActiveWindow(&window);
    (void)QTest::qWaitForWindowActive(&window, 1000);
}

void GiveFocus(QWidget& control) {
    control.setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
}

void ClickControl(QWidget& dialog, int nId) {
    auto* pButton = Control<QAbstractButton>(dialog, nId);
    ASSERT_NE(pButton, nullptr) << "no button " << nId;
    pButton->click();
}

void TypeInto(QWidget& edit, const QString& strText) {
    QTest::keyClick(&edit, Qt::Key_End);
    QTest::keyClicks(&edit, strText);
}

QStringList LogLines(const CLogListBox& log) {
    QStringList lines;
    for (int i = 0; i < log.GetCount(); ++i) {
        lines << log.GetText(i);
    }
    return lines;
}

void WhenEventLoopRuns(std::function<void()> action) {
    QTimer::singleShot(0, qApp, std::move(action));
}

DesktopUrlCatcher::DesktopUrlCatcher() {
    QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "Open");
}

DesktopUrlCatcher::~DesktopUrlCatcher() {
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
}
