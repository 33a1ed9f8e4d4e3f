#pragma once

// Helpers of the window tests: controls found by objectName, the message window, list lines.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QStringList>
#include <QWidget>

namespace qc::test {

// The control of that objectName under the window; a test failure (and null) when it is missing.
template <typename T>
T* control(const QObject* window, const QString& name) {
    T* found = window ? window->findChild<T*>(name) : nullptr;
    if (!found) ADD_FAILURE() << "no control " << name.toStdString();
    return found;
}

// Whether the control would be on screen with its window.
bool shownIn(const QWidget* window, const QString& name);

// The text of the message window when exactly one is on screen, else empty.
QString messageText();
// Closes every message window, so the next test starts without one.
void closeMessages();

// The lines a list view shows, from its model.
QStringList listLines(const QAbstractItemView* view);

// The accessible name a screen reader announces for the control: its own, else its buddy label's
// text without the "&".
QString accessibleNameOf(const QWidget* control);

// What a screen reader reads of the control: the text of a text box (lines ended by "\n"), else its
// name.
QString accessibleTextOf(const QWidget* control);

// The top-level window of that objectName that is on screen, else null.
QWidget* shownWindow(const QString& name);

}  // namespace qc::test
