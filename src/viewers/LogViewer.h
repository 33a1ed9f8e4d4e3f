#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <cstdint>
#include <vector>

#include "engine/SortedList.h"

namespace qc {

class Module1;
class TextDevice;

// The day list of a log kind: the date line "MM/DD/YY" of every file kind + YYMMDD + ".log" in the
// folder, newest first. Letter case of prefix and extension does not matter (an old station's copy
// brings .LOG); other files are not days and are left out. Throws QcError when the folder cannot
// be read.
QList<QByteArray> logDayList(const QString& folder, const QByteArray& kind);

// "MM/DD/YY" back to the "YYMMDD" of the file name.
QByteArray logFileStamp(const QByteArray& dateLine);

// The lines of a log file, without their line ends (CR LF, CR or LF). Lines longer than
// MaxShownLine come in pieces of that length, and no more than MaxShownBytes are read: a file that
// a broken disk filled with garbage is shown without holding the window, and a last line says what
// was left out.
std::vector<SortedList::Item> readLogLines(const QString& path);
inline constexpr qsizetype MaxShownLine = 1000;
inline constexpr qsizetype MaxShownBytes = 32 * 1024 * 1024;

// A log line in event order: the text after its 9th character, a blank, its first 8 characters
// (the time). A line shorter than 9 characters keeps all of it after the blank.
QByteArray eventOrderLine(const QByteArray& line);

// The activity, EbNo and MPEG log viewers without their windows: the day list, the toggle between
// choosing a day and showing it, the two orders and the printout. The windows mirror the lists and
// the state, and turn clicks into these calls. The kind is Module1::LogKind, read at load, on every
// Ok and when printing, as the menu commands set it just before they show a viewer.
class LogViewer : public QObject {
    Q_OBJECT
public:
    enum class Window { ActivityLog, MPEGLog };
    LogViewer(Module1& m, Window window, QObject* parent = nullptr);

    SortedList lstDate{false};
    SortedList lstActivityLog{false};
    SortedList lstSort{true};

    int selectedDate = -1;  // lstDate's selected line
    bool byEvent = false;   // Option2 "By Event" rather than Option1 "By Time"
    bool showing = false;   // lstActivityLog visible, the day list and the options hidden
    QString caption;
    QByteArray dateText;    // the day shown, used in captions and the printed header
    QByteArray layoutKind;  // the kind at load, which sets the widths
    bool twoReceiverLayout = false;
    int16_t PageNumber = 0;
    int16_t LineCount = 0;

    // The window's load: the day list, newest first, or "No Logs"; the first day selected, By Time.
    void Form_Load();
    // Ok and a double-click on a day: show the selected day, or go back to the day list.
    void cmdOk_Click();
    // Files > Print on the default printer; errors go to the message window.
    void mnuPrint_Click();
    // The printout of the shown lines on a text device, a header on every page.
    void PrintLog(TextDevice& printer);
    void PrintHeader(TextDevice& printer);

    Module1& module() { return m_; }

signals:
    // Captions, visibility or the selection changed.
    void changed();

private:
    void showDay();

    Module1& m_;
    Window window_;
};

}  // namespace qc
