#pragma once

#include <QLocale>
#include <QPageSize>

class QIODevice;

namespace qc {

struct AsRunReport;
struct AsRunHeading;

// Letter where the locale's country uses it (the United States, Canada and their neighbours), A4
// everywhere else.
QPageSize::PageSizeId paperOf(const QLocale& locale);
// The locale that decides the paper: LC_ALL, else LC_PAPER, else LANG; the C locale without them.
QLocale paperLocale();

// The report as a PDF: the station, the range and when it was made at the top, the rows in a table
// whose heading is repeated on every page, the totals per programme, "Page N of M" at the foot of
// every page. Needs a QGuiApplication (for the fonts). Returns false when the device failed.
bool writeAsRunPdf(QIODevice& device, const AsRunReport& report, const AsRunHeading& heading,
                   QPageSize::PageSizeId paper);

}  // namespace qc
