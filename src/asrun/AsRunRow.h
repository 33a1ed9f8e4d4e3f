#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QString>

namespace qc {

// What became of one event: both switch commands reached the port, one, none, or the event was
// logged as missed.
enum class AsRunOutcome { Sent, PartlySent, Failed, Missed };

// One row of the as-run record ARyymmdd.csv: one event the clock tick served or logged as missed.
// The text fields are UTF-8 views: into the file's bytes when read back, into the recorder's own
// buffers when written.
struct AsRunRow {
    QDate date;                // the event's date
    int scheduled = 0;         // the event's second of the day
    int receiver = 1;          // 1 or 2
    QByteArrayView programme;  // the entry's name without trailing blanks
    QByteArrayView port;       // as sent
    int source = 0;            // as sent
    int route = 0;             // as sent
    int firstCommandMs = -1;   // ms of the day the first command reached the port; -1 none
    int commandsSent = 0;      // 0, 1 or 2
    int remoteStart = -1;      // second of the day the output went on; -1 none
    int remoteSeconds = -1;    // how long it was to stay on; -1 none
    AsRunOutcome outcome = AsRunOutcome::Failed;
};

// The header row, CR LF included. Stations' spreadsheets read the columns by these names.
extern const QByteArray AsRunHeader;

// "AR" + yymmdd + ".csv", the record of a day.
QString asRunFileName(const QDate& date);

// The outcome for the commands that reached the port.
AsRunOutcome outcomeOf(int commandsSent);
QByteArrayView outcomeText(AsRunOutcome outcome);

// Appends the row in RFC 4180 form with its CR LF: a field holding a comma, a quote or a line break
// quoted, its quotes doubled.
void appendAsRunRow(QByteArray& out, const AsRunRow& row);

// The columns as a report shows them to a reader, and a row's text in each.
constexpr int AsRunColumns = 12;
extern const char* const AsRunColumnTitles[AsRunColumns];
QString asRunCell(const AsRunRow& row, int column);
// Whether the column holds a number, shown aligned to the right.
bool asRunNumberColumn(int column);

// Reads the twelve fields of one row; false when one does not read as its column says. The views
// must stay valid as long as the row is used.
bool readAsRunFields(const QByteArrayView (&fields)[12], AsRunRow& row);

}  // namespace qc
