#include "AsRunListing.h"

#include <QLocale>
#include <vector>

#include "AsRunReport.h"
#include "platform/Text.h"
#include "platform/TextDevice.h"

namespace qc {

namespace {

// 8 point Courier: 102 columns fit the width of A4 and of Letter, 72 lines their height, also
// with a queue's wider margins.
constexpr int kFontSize = 8;
constexpr int kPageLines = 72;
constexpr int kHeadingLines = 5;
constexpr int kWidth = 102;

// A line laid out by columns (from 1), as the printer's "at column" would: padded up to the column.
struct Line {
    QByteArray text;
    Line& at(int column, const QByteArray& item) {
        if (text.size() < column - 1) text.append(QByteArray(column - 1 - text.size(), ' '));
        text += item;
        return *this;
    }
    // Right-aligned so that it ends in column `last`.
    Line& right(int last, const QByteArray& item) { return at(last - int(item.size()) + 1, item); }
};

// A name with a line break in it stays on its line.
QByteArray printable(const QString& text) {
    QByteArray bytes = toCp1252(text);
    for (char& c : bytes)
        if (static_cast<unsigned char>(c) < 32) c = ' ';
    return bytes;
}

QByteArray cell(const AsRunRow& row, int column) {
    return printable(asRunCell(row, column));
}

QByteArray tableHeading() {
    return Line()
        .at(1, "Scheduled")
        .at(11, "Rx")
        .at(14, "Programme")
        .at(40, "Port")
        .at(45, "Source")
        .at(52, "Route")
        .at(58, "First command")
        .at(72, "Cmds")
        .at(77, "Remote")
        .right(90, "Secs")
        .at(92, "Outcome")
        .text;
}

QByteArray totalsHeading() {
    return Line()
        .at(1, "Programme")
        .right(38, "Events")
        .right(46, "Sent")
        .right(54, "Failed")
        .right(62, "Missed")
        .text;
}

}  // namespace

QString AsRunHeading::range() const {
    return QStringLiteral("From %1 to %2").arg(from.toString(Qt::ISODate), to.toString(Qt::ISODate));
}

void printAsRun(TextDevice& printer, const AsRunReport& report, const AsRunHeading& heading) {
    const QLocale locale;
    // The lines under the heading, page by page; a page knows which column heading it starts under.
    struct Page {
        std::vector<QByteArray> lines;
        bool totals = false;
    };
    std::vector<Page> pages(1);
    enum Kind { Row, Text, TotalsHeading, Totals };
    QByteArray dateLine;
    auto add = [&](const QByteArray& line, Kind kind) {
        if (pages.back().lines.size() >= kPageLines - kHeadingLines) {
            if (line.isEmpty()) return;  // no page starts with a blank line
            pages.push_back({{}, kind == Totals || kind == TotalsHeading});
            if (kind == TotalsHeading) return;  // the page's heading is this one
            // A day that goes on over the page says so.
            if (kind == Row) pages.back().lines.push_back(dateLine + " (continued)");
        }
        pages.back().lines.push_back(line);
    };
    QDate day;
    for (const AsRunRow& row : report.rows) {
        if (row.date != day) {
            day = row.date;
            dateLine =
                toCp1252(day.toString(Qt::ISODate) + QLatin1Char(' ') + locale.dayName(day.dayOfWeek()));
            if (!pages.back().lines.empty()) add({}, Text);
            add(dateLine, Text);
        }
        add(Line()
                .at(1, cell(row, 1))
                .at(11, cell(row, 2))
                .at(14, cell(row, 3).left(25))
                .at(40, cell(row, 4))
                .right(50, cell(row, 5))
                .right(56, cell(row, 6))
                .at(58, cell(row, 7))
                .right(75, cell(row, 8))
                .at(77, cell(row, 9))
                .right(90, cell(row, 10))
                .at(92, cell(row, 11))
                .text,
            Row);
    }
    if (report.rows.empty()) add("No events were recorded in this range.", Text);
    add({}, Text);
    add("Totals per programme", Text);
    add(totalsHeading(), TotalsHeading);
    for (const AsRunReport::Totals& t : report.totals())
        add(Line()
                .at(1, printable(t.programme).left(25))
                .right(38, QByteArray::number(t.events))
                .right(46, QByteArray::number(t.sent))
                .right(54, QByteArray::number(t.failed))
                .right(62, QByteArray::number(t.missed))
                .text,
            Totals);
    add({}, Totals);
    add("Sent: one or both switch commands reached the receiver's port.", Totals);

    printer.setFont(QStringLiteral("Courier New"), kFontSize);
    const QByteArray title =
        toCp1252(heading.station + QStringLiteral("  As-run report  ") + heading.range());
    for (size_t i = 0; i < pages.size(); ++i) {
        if (i > 0) printer.newPage();
        const QByteArray page = "Page " + QByteArray::number(qsizetype(i + 1)) + " of " +
                                QByteArray::number(qsizetype(pages.size()));
        Line top;
        top.at(1, title.left(kWidth - page.size() - 2)).right(kWidth, page);
        const QByteArray made =
            toCp1252(QStringLiteral("Made ") + heading.made.toString(QStringLiteral("yyyy-MM-dd HH:mm")));
        for (const QByteArray& line : {top.text, made, QByteArray(),
                                       pages[i].totals ? totalsHeading() : tableHeading(), QByteArray()}) {
            printer.print(line.isEmpty() ? QByteArray(" ") : line);
            printer.endLine();
        }
        for (const QByteArray& line : pages[i].lines) {
            printer.print(line.isEmpty() ? QByteArray(" ") : line);
            printer.endLine();
        }
    }
    printer.endDoc();
}

}  // namespace qc
