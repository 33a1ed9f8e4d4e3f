#pragma once

#include <QDateTime>
#include <QString>

namespace qc {

class TextDevice;
struct AsRunReport;

// What stands at the top of a report: the station, the range and when it was made.
struct AsRunHeading {
    QString station;
    QDate from;
    QDate to;
    QDateTime made;

    // "From 2026-12-01 to 2026-12-07", the range as every report names it.
    QString range() const;
};

// The report as a fixed-pitch listing on the program's printer: per page a heading with "Page N of
// M", the rows under a line per date, then the totals per programme. Throws QcError from the printer.
void printAsRun(TextDevice& printer, const AsRunReport& report, const AsRunHeading& heading);

}  // namespace qc
