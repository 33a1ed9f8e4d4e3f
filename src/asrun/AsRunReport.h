#pragma once

#include <QByteArray>
#include <QDate>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

#include "AsRunRow.h"

namespace qc {

// The rows of the as-run record for a range of dates, sorted by date, time and receiver. The rows
// point into the files' bytes, which the report keeps.
struct AsRunReport {
    QDate from;
    QDate to;
    std::vector<AsRunRow> rows;
    // One line per row that could not be read: the file and the line, the rest is reported.
    QStringList warnings;

    // Reads the ARyymmdd.csv files of the logs folder for the dates from..to (inclusive), each in
    // one pass over its bytes. A file that cannot be read is a warning; a missing one holds no rows.
    static AsRunReport read(const QString& logsFolder, const QDate& from, const QDate& to);

    // Adds the rows of one file's bytes that fall in the range; `file` names it in the warnings.
    // Rows are added as they stand; read() sorts them.
    void addFile(QByteArray bytes, const QString& file);
    void sort();

    // The CSV of the rows: the header, then every row, as the record writes them.
    QByteArray csv() const;

    struct Totals {
        QString programme;
        int events = 0;
        int sent = 0;  // both commands or one of them reached the receiver's port
        int failed = 0;
        int missed = 0;
    };
    // Per programme, by its name as stored, sorted by name ignoring letter case.
    std::vector<Totals> totals() const;

private:
    std::vector<QByteArray> files_;  // the bytes the rows point into
    std::deque<QByteArray> texts_;   // quoted fields with doubled quotes, undone
};

// Writes the bytes to `path` through a temporary file beside it, renamed into place at the end, so
// a failure never leaves a part of a file. Throws QcError.
void saveFile(const QString& path, const std::function<bool(QIODevice&)>& write);

}  // namespace qc
