// SPDX-License-Identifier: GPL-3.0-or-later
#include "DialogBuilder.h"

#include <algorithm>

#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>

#include "LogListBox.h"
#include "PercentBar.h"

namespace {

QString AccessibleNameOf(const CDialogItem& item) {
    if (item.szAccessibleName != nullptr) {
        return QString::fromUtf8(item.szAccessibleName);
    }
    return QString::fromUtf8(item.szText).remove(QLatin1Char('&'));
}

QLabel* MakeLabel(const CDialogItem& item, QWidget& parent) {
    auto* label = new QLabel(QString::fromUtf8(item.szText), &parent);
    if (item.kind == ControlKind::Value) {
        // The program writes these; a long path must not widen the window.
        label->setTextFormat(Qt::PlainText);
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    }
    label->setAlignment((item.style & kCentred) ? Qt::AlignCenter
                                                : Qt::AlignLeft | Qt::AlignVCenter);
    if (item.style & kBorder) {
        label->setFrameShape(QFrame::Box);
        label->setFrameShadow(QFrame::Sunken);
    }
    return label;
}

// Moves a date picker's calendar pop-up, as it opens, so that its right edge lines up with
// the picker's (Qt lines up the left edges), within the screen.
class RightAlignedPopup : public QObject {
public:
    RightAlignedPopup(QDateEdit& picker, QWidget& popup) : QObject(&picker), m_picker(picker) {
        popup.installEventFilter(this);
    }

    bool eventFilter(QObject* pWatched, QEvent* pEvent) override {
        if (pEvent->type() == QEvent::Show) {
            auto* pPopup = static_cast<QWidget*>(pWatched);
            const int nRight = m_picker.mapToGlobal(QPoint(m_picker.width(), 0)).x();
            int x = nRight - pPopup->width();
            if (const QScreen* pScreen = m_picker.screen()) {
                x = std::max(x, pScreen->availableGeometry().left());
            }
            pPopup->move(x, pPopup->y());
        }
        return QObject::eventFilter(pWatched, pEvent);
    }

private:
    QDateEdit& m_picker;
};

QDateEdit* MakeDatePicker(const CDialogItem& item, QWidget& parent) {
    auto* picker = new QDateEdit(&parent);
    picker->setCalendarPopup(true);
    if (item.style & kRightAlignedCalendar) {
        // The pop-up exists once asked for, and lives as long as the picker.
        new RightAlignedPopup(*picker, *picker->calendarWidget()->window());
    }
    picker->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
    // A last-copy date of 0 shows as 1969-12-31 west of Greenwich.
    picker->setMinimumDate(QDate(1969, 12, 31));
    picker->setMaximumDate(QDate(2106, 2, 7));
    return picker;
}

QComboBox* MakeGroupBox(QWidget& parent) {
    auto* box = new QComboBox(&parent);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setDuplicatesEnabled(true);
    box->setCompleter(nullptr);  // completion would change the text the user types
    // The text field renames the current entry. Qt would select the entry whose text
    // matches once editing ends, so a rename to another entry's name would switch to it.
    QObject::disconnect(box->lineEdit(), &QLineEdit::editingFinished, box, nullptr);
    return box;
}

QWidget* MakeControl(const CDialogItem& item, QWidget& parent) {
    const QString strText = QString::fromUtf8(item.szText);
    switch (item.kind) {
        case ControlKind::PushButton:
        case ControlKind::DefaultPushButton: {
            auto* button = new QPushButton(strText, &parent);
            button->setDefault(item.kind == ControlKind::DefaultPushButton);
            return button;
        }
        case ControlKind::Edit:
            return new QLineEdit(&parent);
        case ControlKind::Label:
        case ControlKind::Value:
            return MakeLabel(item, parent);
        case ControlKind::PercentBar:
            return new CPercentBar(&parent);
        case ControlKind::CheckBox:
            return new QCheckBox(strText, &parent);
        case ControlKind::ListBox: {
            auto* list = new QListWidget(&parent);
            list->setSelectionMode(QAbstractItemView::SingleSelection);
            list->setSortingEnabled(false);
            list->setUniformItemSizes(true);
            if (item.style & kModalFrameEdge) {
                list->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
            }
            return list;
        }
        case ControlKind::LogList:
            return new CLogListBox(&parent);
        case ControlKind::DatePicker:
            return MakeDatePicker(item, parent);
        case ControlKind::ComboBox:
            return MakeGroupBox(parent);
        case ControlKind::Icon: {
            auto* label = new QLabel(&parent);
            label->setPixmap(LoadAppIcon().pixmap(32, 32));
            return label;
        }
        case ControlKind::SpinBox:
            return new QSpinBox(&parent);
    }
    return nullptr;
}

// The closed height of a drop-down box: the template gives the height with the list open.
QRect ClosedComboGeometry(QWidget& box, QRect rect) {
    auto& combo = static_cast<QComboBox&>(box);
    const int nClosed = combo.sizeHint().height();
    const int nRow = combo.fontMetrics().height() + 2;
    combo.setMaxVisibleItems(std::max(1, (rect.height() - nClosed) / std::max(1, nRow)));
    return QRect(rect.x(), rect.y(), rect.width(), nClosed);
}

}  // namespace

QRect CDialogUnits::ToPixels(int x, int y, int cx, int cy) const {
    return QRect(x * nBaseX / 4, y * nBaseY / 8, cx * nBaseX / 4, cy * nBaseY / 8);
}

CDialogUnits DialogUnitsOf(const QWidget& dialog) {
    const QFontMetrics metrics(dialog.font());
    const int nAlphabet = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    // The average of the 52 letters, rounded.
    return CDialogUnits{(nAlphabet / 26 + 1) / 2, metrics.height()};
}

void BuildDialog(QWidget& dialog, const CDialogTemplate& dlgTemplate) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSize(dlgTemplate.nFontPoints);
    dialog.setFont(font);
    dialog.setWindowTitle(QString::fromUtf8(dlgTemplate.szCaption));
    const CDialogUnits units = DialogUnitsOf(dialog);
    const QRect frame =
        units.ToPixels(dlgTemplate.x, dlgTemplate.y, dlgTemplate.cx, dlgTemplate.cy);
    dialog.setFixedSize(frame.size());

    QWidget* pPrevious = nullptr;
    for (const CDialogItem& item : dlgTemplate.items) {
        QWidget* pControl = MakeControl(item, dialog);
        pControl->setProperty(kControlIdProperty, item.nId);
        pControl->setAccessibleName(AccessibleNameOf(item));
        QRect rect = units.ToPixels(item.x, item.y, item.cx, item.cy);
        if (item.kind == ControlKind::ComboBox) {
            rect = ClosedComboGeometry(*pControl, rect);
        } else if (item.kind == ControlKind::Icon) {
            // An icon control takes its icon's size, whatever the font makes of the units.
            rect.setSize(pControl->sizeHint());
        }
        pControl->setGeometry(rect);
        if (item.style & kHidden) {
            pControl->hide();
        }
        if (item.style & kTabStop) {
            if (pPrevious != nullptr) {
                QWidget::setTabOrder(pPrevious, pControl);
            }
            pPrevious = pControl;
        } else if (pControl->focusPolicy() != Qt::NoFocus && item.kind != ControlKind::Label &&
                   item.kind != ControlKind::Value) {
            pControl->setFocusPolicy(Qt::ClickFocus);
        }
    }
}

QWidget* FindControl(const QWidget& dialog, int nId) {
    if (nId == IDC_STATIC) {
        return nullptr;
    }
    for (QWidget* pChild : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const QVariant id = pChild->property(kControlIdProperty);
        if (id.isValid() && id.toInt() == nId) {
            return pChild;
        }
    }
    return nullptr;
}
