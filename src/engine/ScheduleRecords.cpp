// The schedule file through EntryBuf: records, the editor's New and Delete conventions, the report of
// stored times that are no time of day, and the copy of the whole schedule to and from a transfer
// folder with what such a copy would replace.
#include <QDir>
#include <QFileInfo>

#include "ScheduleTransfer.h"
#include "core/Module1.h"
#include "platform/DurableFile.h"
#include "platform/Text.h"

namespace qc {

bool Module1::GetRecord(qint64 n) {
    return SchedFileNo.read(n, EntryBuf);
}

void Module1::PutRecord(qint64 n) {
    try {
        SchedFileNo.write(n, EntryBuf);
    } catch (const std::exception& e) {
        emit fileWritten(SchedFileNo.path(), false, toQcError(e).textOneBlank());
        throw;
    }
    emit fileWritten(SchedFileNo.path(), true, {});
}

void Module1::NewEntry() {
    CurRecordNo = 1;
    while (GetRecord(CurRecordNo) && EntryBuf.Active != 0)
        ++CurRecordNo;
    EntryBuf.Active = 1;
    EntryBuf.Name = QByteArray(ScheduleEntry::NameLength, ' ');
    EntryBuf.Length = QByteArray(ScheduleEntry::LengthLength, ' ');
    EntryBuf.Port = QByteArray(1, ' ');
    EntryBuf.SourceCode = 0;
    EntryBuf.Route = 0;
    EntryBuf.Receiver = 0;
    EntryBuf.Days.fill(0);
    EntryBuf.Times.fill(QByteArray(ScheduleEntry::TimeLength, ' '));
    PutRecord(CurRecordNo);
}

void Module1::DeleteEntry() {
    EntryBuf.Active = 0;
    PutRecord(CurRecordNo);
}

void Module1::ReportImpossibleTimes() {
    // Such a time was let through by earlier editors, which checked the colons only. The search
    // leaves its day out, and the operator learns once where it is rather than seeing a bare
    // "13 Type mismatch" at every search. The buffer keeps the record the search left in it.
    const ScheduleEntry kept = EntryBuf;
    QStringList found;
    int more = 0;
    for (qint64 n = 1; GetRecord(n); ++n) {
        if (EntryBuf.Active != 1) continue;
        for (int i = 0; i < 7; ++i) {
            const QByteArray& t = EntryBuf.Times[i];
            const bool storedForm = t.size() > 5 && t[2] == ':' && t[5] == ':' && !t.contains(' ');
            if (EntryBuf.Days[i] != 1 || !storedForm || timeForm(t, {23, 59, 59}) == TimeForm::Good) continue;
            if (found.size() == 10) {
                ++more;
                continue;
            }
            const QString name = fromCp1252(trimBlanks(EntryBuf.Name));
            const QString day = QString::fromLatin1(DayNames[i + 1]);
            found << QStringLiteral(
                         "Schedule \"%1\" (record %2): the %3 time %4 is no time of day, so it is "
                         "not switched on %3.")
                         .arg(name, QString::number(n), day, fromCp1252(t));
        }
    }
    EntryBuf = kept;
    if (found.isEmpty()) return;
    if (more > 0) found << QStringLiteral("And %1 more.").arg(more);
    found << (found.size() > 1 ? QStringLiteral("Correct the times in Schedules.")
                               : QStringLiteral("Correct the time in Schedules."));
    ShowMessage(found.join(QLatin1Char('\n')));
}

namespace {
// The transfer file in the folder the operator chose. The file panel always has one chosen; without
// one the copy is refused, never made at the root of the file system. A copy written on the old PCs
// may carry the name in other letters (SWITCHLIST.DAT); on a file system that keeps letter case that
// file is the one loaded and replaced.
QString transferFile(const QString& folder) {
    if (folder.isEmpty())
        throw QcError(QcError::PathNotFound,
                      QStringLiteral("Path not found: no folder is chosen for switchlist.dat"));
    return Paths::existingSpelling(QDir::cleanPath(folder), QStringLiteral("switchlist.dat"));
}
}  // namespace

TransferPlan planTransfer(Module1& m, bool loading) {
    TransferPlan plan;
    plan.file = transferFile(m.TransferFolder);
    plan.exists = QFileInfo::exists(plan.file);
    if (loading || plan.exists) {
        ScheduleFile in;
        in.openForReading(plan.file);
        ScheduleEntry entry;
        for (plan.recordsIn = 0; in.read(plan.recordsIn + 1, entry); ++plan.recordsIn)
            plan.entriesIn += entry.Active == 1 ? 1 : 0;
    }
    for (qint64 n = 1; m.GetRecord(n); ++n)
        plan.entriesHere += m.EntryBuf.Active == 1 ? 1 : 0;
    return plan;
}

void Module1::SaveFiles() {
    // The transfer file becomes an exact copy of the schedule, put in place whole: an old longer file
    // never leaves its tail behind and a failure never leaves half a copy.
    const QString target = transferFile(TransferFolder);
    QByteArray all;
    for (qint64 n = 1; GetRecord(n); ++n)
        all += EntryBuf.serialise();
    replaceFileDurably(target, all);
}

void Module1::LoadSchedules() {
    // Read whole before anything is replaced: a floppy that fails half-way replaces nothing.
    const QByteArray copy = readWholeFile(transferFile(TransferFolder));
    replaceSchedule(*this, copy.left(copy.size() - copy.size() % ScheduleEntry::RecordLength));
    // An old station's file may hold a time no editor of today takes: said once, as at the start.
    ReportImpossibleTimes();
}

namespace {
bool active(const QByteArray& record) {
    return record.size() >= 2 && record[0] == 1 && record[1] == 0;
}
}  // namespace

ScheduleReplaced replaceSchedule(Module1& m, const QByteArray& records) {
    constexpr qsizetype R = ScheduleEntry::RecordLength;
    ScheduleReplaced done;
    bool writing = false;  // records may have changed, whether or not the write went through
    try {
        const QByteArray old = readWholeFile(m.SchedFileNo.path());
        const qsizetype copied = records.size() / R;
        const qsizetype oldRecords = old.size() / R;
        std::vector<ScheduleFile::RecordBytes> changes;
        for (qsizetype n = 1; n <= std::max(copied, oldRecords); ++n) {
            const QByteArray was = n <= oldRecords ? old.mid((n - 1) * R, R) : QByteArray();
            done.entriesBefore += active(was) ? 1 : 0;
            // What was loaded is exactly what runs: records past the loaded ones are freed, never
            // left active from the old schedule. An empty copy (a floppy with nothing on it) loads
            // nothing and must not wipe the running schedule.
            QByteArray now = n <= copied ? records.mid((n - 1) * R, R) : was;
            if (n > copied && copied > 0 && (now[0] != 0 || now[1] != 0)) now[0] = now[1] = 0;
            done.entriesAfter += active(now) ? 1 : 0;
            if (now != was) changes.push_back({n, now});
        }
        done.changed = qint64(changes.size());
        if (!changes.empty()) {
            // On the disk before the first record is written: a load of the wrong file can be undone.
            replaceFileDurably(m.paths().file(QStringLiteral("SwitchList.dat.bak")), old);
            writing = true;
            try {
                m.SchedFileNo.write(changes);
            } catch (const std::exception& e) {
                emit m.fileWritten(m.SchedFileNo.path(), false, toQcError(e).textOneBlank());
                throw;
            }
            emit m.fileWritten(m.SchedFileNo.path(), true, {});
        }
    } catch (...) {
        // The next events are searched again all the same: a write that could not be taken back
        // leaves records that the ones found before no longer name.
        try {
            m.FindNextSwitch1();
            m.FindNextSwitch2();
        } catch (...) {
        }
        if (writing) emit m.scheduleReplaced();
        throw;
    }
    // An editor open on the old schedule opens afresh: its record may hold another programme now.
    if (done.changed > 0) emit m.scheduleReplaced();
    m.FindNextSwitch1();
    m.FindNextSwitch2();
    return done;
}

}  // namespace qc
