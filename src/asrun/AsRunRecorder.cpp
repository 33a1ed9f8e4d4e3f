#include "AsRunRecorder.h"

#include <QDir>
#include <QFile>

#include "AsRunRow.h"
#include "AsRunSettings.h"
#include "core/Module1.h"
#include "platform/AppendFile.h"
#include "platform/Text.h"

namespace qc {

namespace {

QByteArray withoutTrailingBlanks(const QByteArray& text) {
    qsizetype n = text.size();
    // A record never written holds NUL bytes where a name would be.
    while (n > 0 && (text[n - 1] == ' ' || text[n - 1] == '\0'))
        --n;
    return text.left(n);
}

// The date of an ARyymmdd.csv in any letter case; invalid for any other name. The year is 20yy:
// a record dated after today (the clock was set back) is a record still to keep, never one of the
// last century to delete.
QDate recordDate(const QString& name) {
    if (name.size() != 12 || !name.startsWith(QLatin1String("ar"), Qt::CaseInsensitive) ||
        !name.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
        return {};
    for (int i = 2; i < 8; ++i)
        if (!name[i].isDigit() || name[i].unicode() > '9') return {};
    const int yy = name.mid(2, 2).toInt(), mm = name.mid(4, 2).toInt(), dd = name.mid(6, 2).toInt();
    return QDate(2000 + yy, mm, dd);
}

}  // namespace

AsRunRecorder::AsRunRecorder(Module1& m, QObject* parent) : QObject(parent), m_(m) {
    connect(&m, &Module1::switchCycleStarted, this,
            [this](int receiver, const QDate& date, int secs, int record) {
                Pending& p = pending(receiver, date, secs);
                p.record = record;
                p.cycleStarted = p.cycleOpen = true;
            });
    connect(&m, &Module1::switchCommandDone, this, &AsRunRecorder::commandDone);
    connect(&m, &Module1::switchCycleEnded, this, [this](int receiver) {
        if (Pending* p = openCycle(receiver)) p->cycleOpen = false;
        settle(receiver);
    });
    connect(&m, &Module1::eventSecondReached, this, [this](int receiver, const QDate& date, int secs) {
        Pending& p = pending(receiver, date, secs);
        p.secondReached = true;
        if (p.record == 0) p.record = receiver == 1 ? m_.NextRecord1 : m_.NextRecord2;
    });
    connect(&m, &Module1::remoteStartOn, this, &AsRunRecorder::remoteStarted);
    connect(&m, &Module1::eventMissed, this,
            [this](int receiver, const QDate& date, int secs, int record, bool) {
                missed(receiver, date, secs, record);
            });
    connect(&m, &Module1::ticked, this, [this] {
        const QDate today = m_.clock().now().date();
        if (today != day_) {
            day_ = today;
            deleteOldFiles();
        }
        settle(1);
        settle(2);
    });
}

AsRunRecorder::Pending& AsRunRecorder::pending(int receiver, const QDate& date, int secs) {
    for (Pending& p : pending_)
        if (p.receiver == receiver && p.date == date && p.secs == secs) return p;
    Pending& p = pending_.emplace_back();
    p.receiver = receiver;
    p.date = date;
    p.secs = secs;
    return p;
}

AsRunRecorder::Pending* AsRunRecorder::openCycle(int receiver) {
    for (Pending& p : pending_)
        if (p.receiver == receiver && p.cycleOpen) return &p;
    return nullptr;
}

void AsRunRecorder::commandDone(int receiver, bool sent) {
    Pending* p = openCycle(receiver);
    // A manual switch from the editor tells of its command too, also while a cycle runs; a send of
    // the cycle is the one that moved the cycle's count on just before it.
    const int count = receiver == 1 ? m_.SwitchCount1 : m_.SwitchCount2;
    if (!p || count != p->sends + 1) return;
    ++p->sends;
    // The entry the command was just built from: an edit between the two sends is what went out.
    p->entry = m_.EntryBuf;
    p->haveEntry = true;
    if (!sent) return;
    ++p->sent;
    if (p->firstCommandMs < 0) p->firstCommandMs = m_.clock().now().time().msecsSinceStartOfDay();
}

void AsRunRecorder::remoteStarted(int receiver, int seconds, bool written) {
    // The remote start is always that of the receiver's next event.
    Pending& p =
        receiver == 1 ? pending(1, m_.NextDate1, m_.NextSecs1) : pending(2, m_.NextDate2, m_.NextSecs2);
    p.remoteDone = true;
    if (!written) return;  // the port was not reached: the output never went on
    // The second as the activity log writes it.
    p.remoteStart = m_.clock().now().time().msecsSinceStartOfDay() / 1000;
    p.remoteSeconds = seconds;
}

void AsRunRecorder::missed(int receiver, const QDate& date, int secs, int record) {
    Pending& p = pending(receiver, date, secs);
    if (p.record == 0) p.record = record;
    write(p, true);
    std::erase_if(pending_, [&](const Pending& q) { return &q == &p; });
}

const ScheduleEntry& AsRunRecorder::entryOf(Pending& p) {
    // Read with a buffer of its own: EntryBuf is the engine's.
    if (!p.haveEntry) m_.SchedFileNo.read(p.record, p.entry);
    p.haveEntry = true;
    return p.entry;
}

void AsRunRecorder::settle(int receiver) {
    const bool one = receiver == 1;
    const int32_t next = one ? m_.NextRecord1 : m_.NextRecord2;
    const QDate& date = one ? m_.NextDate1 : m_.NextDate2;
    const int32_t secs = one ? m_.NextSecs1 : m_.NextSecs2;
    for (auto it = pending_.begin(); it != pending_.end();) {
        Pending& p = *it;
        // Once the engine has gone on to another event, nothing more comes for this one.
        const bool movedOn = next == 0 || p.date != date || p.secs != secs;
        bool ready =
            p.receiver == receiver && !p.cycleOpen && (movedOn || (p.cycleStarted && p.secondReached));
        if (ready && !movedOn && !p.remoteDone) {
            // A remote start due after an output still held by the event before comes a few ticks late.
            if (p.remoteExpected < 0) {
                p.remoteExpected = m_.RemoteStartOn && entryOf(p).RemoteMode != 1;
            }
            ready = p.remoteExpected == 0;
        }
        if (!ready) {
            ++it;
            continue;
        }
        write(p, false);
        it = pending_.erase(it);
    }
}

void AsRunRecorder::write(Pending& p, bool missed) {
    const ScheduleEntry& e = entryOf(p);
    const QByteArray programme = fromCp1252(withoutTrailingBlanks(e.Name)).toUtf8();
    const QByteArray port = fromCp1252(e.Port.left(1)).toUtf8();
    AsRunRow row;
    row.date = p.date;
    row.scheduled = p.secs;
    row.receiver = p.receiver;
    row.programme = programme;
    row.port = port;
    row.source = e.SourceCode;
    row.route = e.Route;
    row.firstCommandMs = p.firstCommandMs;
    row.commandsSent = std::min(p.sent, 2);
    row.remoteStart = p.remoteStart;
    row.remoteSeconds = p.remoteStart >= 0 ? p.remoteSeconds : -1;
    row.outcome = missed ? AsRunOutcome::Missed : outcomeOf(p.sent);
    QByteArray bytes;
    appendAsRunRow(bytes, row);

    const QString path = m_.paths().logFile(asRunFileName(p.date));
    try {
        AppendFile file;
        file.open(path);
        // Header and row go in one write, so a file whose first write failed gets its header later.
        if (file.size() == 0) bytes.prepend(AsRunHeader);
        file.write(bytes);
    } catch (const std::exception& e) {
        const QcError error = toQcError(e);
        emit m_.fileWritten(path, false, error.textOneBlank());
        m_.ShowMessage(error.text());
        return;
    }
    emit m_.fileWritten(path, true, {});
}

void AsRunRecorder::deleteOldFiles() {
    const AsRunSettings settings = AsRunSettings::read(m_.paths().file(QStringLiteral("Monitoring.ini")));
    // Kept: today and the days before it, keepDays in all.
    const QDate oldest = day_.addDays(1 - qint64(settings.keepDays));
    const QDir folder(m_.paths().logsFolder());
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden)) {
        const QDate d = recordDate(name);
        if (d.isValid() && d < oldest) QFile::remove(folder.filePath(name));
    }
}

}  // namespace qc
