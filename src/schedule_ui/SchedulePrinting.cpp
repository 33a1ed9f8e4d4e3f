// The schedule as a fixed-pitch listing on the printer: per entry a line with its settings and a
// line per ticked day, a heading on every page.
#include <QLocale>

#include "ScheduleEditing.h"
#include "core/Module1.h"
#include "platform/Text.h"
#include "platform/TextDevice.h"

namespace qc {

namespace {

// A page takes entries until one brings the count past this.
constexpr int kPageLines = 50;

QByteArray routeName(int16_t route) {
    static const char* const names[] = {"Stereo", "Left", "Right", "Rev", ""};
    // A route no editor writes is printed as its number, so the listing still shows every entry.
    if (route < 0 || route > 4) return QByteArray::number(route);
    return names[route];
}

void reportPrintError(Module1& m, const std::exception& e) {
    m.ShowMessage(toQcError(e).textOneBlank());
}

}  // namespace

void SchedulePrint::PrintHeader(Module1& m, TextDevice& printer) {
    try {
        const QLocale locale;
        printer.print(" ");
        printer.endLine();
        printer.printAt(29, "QuillornControl Schedules");
        printer.printAt(60, toCp1252(locale.toString(m.clock().now().date(), QLocale::ShortFormat)));
        printer.printAt(70, "Page" + TextDevice::number(PageNumber));
        printer.endLine();
        for (int i = 0; i < 2; ++i) {
            printer.print(" ");
            printer.endLine();
        }
        printer.printAt(10, "Program");
        printer.printAt(32, "Len  Srce Port Rte  Att  Rec");
        printer.endLine();
        printer.print(" ");
        printer.endLine();
        ++PageNumber;
        LineCount = 6;
    } catch (const std::exception& e) {
        reportPrintError(m, e);
    }
}

void SchedulePrint::PrintSchedules(Module1& m, const std::vector<int32_t>& records) {
    try {
        const std::unique_ptr<TextDevice> printer = defaultPrinter();
        PrintSchedules(m, records, *printer);
    } catch (const std::exception& e) {
        reportPrintError(m, e);
    }
}

void SchedulePrint::PrintSchedules(Module1& m, const std::vector<int32_t>& records, TextDevice& printer) {
    // The loop has its own counter: the entry being edited (CurRecordNo) stays as it is.
    try {
        const QLocale locale;
        printer.setFont(QStringLiteral("Courier New"), 12);
        PageNumber = 1;
        PrintHeader(m, printer);
        for (const int32_t record : records) {
            if (!m.GetRecord(record) || m.EntryBuf.Active != 1) continue;
            const ScheduleEntry& e = m.EntryBuf;
            printer.printAt(5, e.Name + " " + e.Length + "  " + TextDevice::number(e.SourceCode) + "  " +
                                   e.Port + "  " + routeName(e.Route));
            printer.printAt(53, TextDevice::number(e.Attenuation));
            printer.printAt(57, TextDevice::number(e.Receiver));
            printer.endLine();
            for (int i = 0; i < 7; ++i) {
                if (e.Days[i] != 1) continue;
                const QByteArray day = toCp1252(locale.dayName(i == 0 ? 7 : i, QLocale::ShortFormat));
                printer.printAt(10, day + "  " + e.Times[i] + "  ");
                ++LineCount;
            }
            for (int i = 0; i < 2; ++i) {
                printer.print(" ");
                printer.endLine();
            }
            LineCount += 2;
            if (LineCount > kPageLines) {
                printer.newPage();
                PrintHeader(m, printer);
            }
        }
        printer.endDoc();
    } catch (const std::exception& e) {
        reportPrintError(m, e);
        // What was printed before the error is released rather than left hanging in an open job.
        try {
            printer.endDoc();
        } catch (const std::exception&) {
        }
    }
}

}  // namespace qc
