#pragma once

// What the tests of the editor, the viewers, the review and the receiver windows share: list lines,
// a printer that fails, clicks on list lines and the check that every control is named.
#include <QByteArrayList>
#include <ostream>

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

// Window tests only (qc_add_gui_test).
// A click on a line of a list view, or with twice a double-click.
void clickRow(QAbstractItemView* view, int row, bool twice = false);
// Every control of the window that takes the focus is announced by a name (Qt's own parts aside).
void expectNamed(const QWidget* window);

}  // namespace qc::test

// GoogleTest prints bytes (and so a list of lines) as their text.
inline void PrintTo(const QByteArray& bytes, std::ostream* os) {
    *os << '"' << bytes.toStdString() << '"';
}
