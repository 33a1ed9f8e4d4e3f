#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QMenuBar;
class QPushButton;
class QPlainTextEdit;

namespace qc {

// F10 opens the window's first menu, as elsewhere on the desktop; the arrow keys go on from there.
void openMenuOnF10(QWidget* window, QMenuBar* bar);

// A read-only box for text the program shows and the operator only reads (a receiver's answer): a
// screen reader announces it by its name and reads its text, and the keyboard reaches and scrolls it.
QPlainTextEdit* readOnlyText(QWidget* parent, const QString& objectName, const QString& accessibleName);

// Enter works as in a dialog, in a window that is none: on a focused button it presses that button;
// in a field or box of the window it presses `defaultButton`, when one is given. Call once the
// window's buttons are made.
void enterPressesButtons(QWidget* window, QPushButton* defaultButton = nullptr);

// A label whose text is a value or a status: a screen reader names it after what it shows and reads
// the text as its description, so the text is set through here.
void showValue(QLabel* label, const QString& text);

// A control with its documented name, the name a screen reader gives it and its description.
template <typename T>
T* named(T* widget, const char* name, const char* accessible, const QString& toolTip) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setAccessibleName(QString::fromLatin1(accessible));
    widget->setToolTip(toolTip);
    return widget;
}

}  // namespace qc
