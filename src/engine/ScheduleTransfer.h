#pragma once

#include <QString>

namespace qc {

class Module1;

// What a load or save through the transfer folder would replace, so the operator can be asked first.
struct TransferPlan {
    QString file;          // the transfer file, in the letter case it exists in
    bool exists = false;   // the file is there (a save would replace it)
    qint64 recordsIn = 0;  // its whole records (a load copies these)
    int entriesIn = 0;     // its active entries
    int entriesHere = 0;   // the active entries of the running schedule
};

// For the folder in TransferFolder. A load's transfer file must exist and be readable, with the
// errors the load itself would give; a save only looks whether it is there. Throws QcError.
TransferPlan planTransfer(Module1& m, bool loading);

// What a whole schedule copied in replaced.
struct ScheduleReplaced {
    int entriesBefore = 0;  // active entries of the schedule that ran
    int entriesAfter = 0;   // and of the one that runs now
    qint64 changed = 0;     // records written; 0 when the copy was the schedule already
};

// The running schedule becomes the copy `records` (its whole 113-byte records), as Load Schedules
// makes it: records 1..k byte for byte as in the copy, the active ones after k freed (the file
// never shrinks). Only records that differ are written, all through one journal: a power cut leaves
// the old schedule or the new one, never a mix. The schedule replaced is kept as SwitchList.dat.bak
// first, unless nothing changes; an empty copy changes nothing. The searches run again, also after a
// failure. Throws QcError.
ScheduleReplaced replaceSchedule(Module1& m, const QByteArray& records);

}  // namespace qc
