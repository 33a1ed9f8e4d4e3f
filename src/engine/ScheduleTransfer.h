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

}  // namespace qc
