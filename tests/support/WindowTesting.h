#pragma once

// What the tests of the editor, the viewers, the review and the receiver windows share: list lines,
// a printer that fails, operator steps on a window and the check that every control is named.
#include <QByteArrayList>
#include <ostream>

#include "TestSupport.h"
#include "engine/SortedList.h"
#include "platform/QcError.h"
#include "platform/TextDevice.h"

class QAbstractItemView;
class QWidget;

namespace qc::test {

// The lines of a list that the logic fills.
inline QByteArrayList linesOf(const SortedList& list) {
    QByteArrayList out;
    for (const SortedList::Item& item : list.items())
        out << item.line;
    return out;
}

// A printer whose failAt-th line fails, as a printer going offline does; the lines after it print.
struct FailingPrinter : RecordingTextDevice {
    int failAt = 0;
    void lineOut(const QByteArray& line) override {
        if (--failAt == 0) throw QcError(QcError::DeviceIoError, QStringLiteral("Device I/O error"));
        RecordingTextDevice::lineOut(line);
    }
};

// Window tests only (qc_add_gui_test):

// Operator steps on the window's controls, found by objectName, separated by "|": click=name (near
// its left end, where the mark of an option or check box is), rclick=name (the right button let go),
// row=list:n and dclick=list:n (a line of a list), type=box:text (into the emptied box),
// key=name:Return, Up or Down, pick=name:n (item n of a drop-down or list, -1 none), tick=box:1 or
// 0, menu=action (triggered).
void act(QWidget* window, const QString& steps);
// A click on a line of a list view, or with twice a double-click.
void clickRow(QAbstractItemView* view, int row, bool twice = false);
// Every control of the window that takes the focus is announced by a name (Qt's own parts aside).
void expectNamed(const QWidget* window);

}  // namespace qc::test

// GoogleTest prints bytes (and so a list of lines) as their text.
inline void PrintTo(const QByteArray& bytes, std::ostream* os) {
    *os << '"' << bytes.toStdString() << '"';
}
