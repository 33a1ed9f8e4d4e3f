#pragma once

#include <QString>

class QMenuBar;
class QPlainTextEdit;
class QWidget;

namespace qc {

// F10 opens the window's first menu, as elsewhere on the desktop; the arrow keys go on from there.
void openMenuOnF10(QWidget* window, QMenuBar* bar);

// A read-only box for text the program shows and the operator only reads (a receiver's answer): a
// screen reader announces it by its name and reads its text, and the keyboard reaches and scrolls it.
QPlainTextEdit* readOnlyText(QWidget* parent, const QString& objectName, const QString& accessibleName);

}  // namespace qc
