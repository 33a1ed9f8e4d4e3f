#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <vector>

namespace qc {

class Module1;
class SortedList;
class TextDevice;

// What the editor's controls hold, as Apply reads them.
struct EditorFields {
    QString name;               // txtPgmName
    QString length;             // txtSatLen
    QString sourceCode;         // txtServProv
    QString port;               // text of cboSatPort; empty with no item selected
    int route = 0;              // selection index of cboSatRoute
    QString attenuation;        // text of cboSatAtt
    int receiverIndex = -1;     // selection index of cboReceiver
    int remoteOption = 1;       // Option1..Option3 chosen: 1..3; 0 none
    std::array<int, 7> days{};  // chkDay values: 0 clear, 1 ticked, 2 greyed
    std::array<QString, 7> times;
};

// The number a text starts with, as the old runtime read numbers typed into a box (blanks ignored,
// sign, digits, fraction, exponent; nothing numeric gives 0), rounded to a whole number with halves
// to the even neighbour. Throws QcError 6 when it does not fit a 16-bit field.
int16_t wholeNumberOf(const QString& text);

// Apply up to and including the write: the length and the ticked days' times (form and values),
// then what would make the entry never act as meant (Holding without a length, no receiver chosen
// of two, a source code that is no number) are checked in that order, the fields copied into
// EntryBuf as it goes; the first check that fails returns its message and nothing is written. Otherwise
// EntryBuf is written as record CurRecordNo (on the disk when this returns) and the result is empty. Throws
// QcError when the write fails.
QString storeEntry(Module1& m, const EditorFields& fields);

// After Apply: every receiver's next event is searched again, so an entry that changed receiver or
// lost its days leaves the other receiver at once; the conflict check runs for the receiver of the
// stored entry, right after that receiver's search.
void recomputeAfterApply(Module1& m, int16_t receiver);
// After a deletion: the searches of the receivers in use.
void recomputeAfterDelete(Module1& m);

// The active entries of the schedule file as lines of the editor's list, the record number as item
// data; names as stored, or without their outer blanks when trimmed. counter is the loop counter
// and ends one past the last record. Throws QcError when a record cannot be read; the list then
// holds the lines read before it.
void fillScheduleList(Module1& m, SortedList& list, bool trimmed, int32_t& counter);

// The manual switch of record: CurRecordNo becomes record, the stored entry's switch command goes to
// its receiver's port and the activity log gets its line.
void switchEntry(Module1& m, int32_t record);

// The schedule on the printer: the entries of the given records in that order, with page headings.
struct SchedulePrint {
    int16_t PageNumber = 0;  // printed in the next heading
    int16_t LineCount = 0;   // lines counted on the current page

    // On the default printer. Every error is shown as "number, one blank, description".
    void PrintSchedules(Module1& m, const std::vector<int32_t>& records);
    void PrintSchedules(Module1& m, const std::vector<int32_t>& records, TextDevice& printer);
    void PrintHeader(Module1& m, TextDevice& printer);
};

}  // namespace qc
