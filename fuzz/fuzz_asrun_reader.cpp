// An as-run file as a broken disk or a spreadsheet may leave it: any bytes. Every row read is
// written back in a form that reads again as the same rows, and each line gives at most one row or
// one warning. The printed listing takes whatever was read.
#include "FuzzSupport.h"
#include "asrun/AsRunListing.h"
#include "asrun/AsRunReport.h"
#include "platform/TextDevice.h"

using namespace qc;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    AsRunReport first;
    first.from = QDate(1, 1, 1);
    first.to = QDate(9999, 12, 31);
    first.addFile(bytes, QStringLiteral("AR261207.csv"));
    fuzz::require(qsizetype(first.rows.size()) + first.warnings.size() <= bytes.count('\n') + 1);
    first.sort();
    const QByteArray csv = first.csv();

    AsRunReport again;
    again.from = first.from;
    again.to = first.to;
    again.addFile(csv, QStringLiteral("again.csv"));
    fuzz::require(again.warnings.isEmpty() && again.rows.size() == first.rows.size());
    again.sort();
    fuzz::require(again.csv() == csv);

    if (first.rows.size() <= 300) {
        RecordingTextDevice printer;
        printAsRun(printer, first, {QStringLiteral("Station"), first.from, first.to, QDateTime()});
        fuzz::require(printer.ended);
    }
    return 0;
}
