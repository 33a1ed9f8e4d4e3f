#pragma once

#include <QDate>
#include <QObject>
#include <QString>
#include <vector>

#include "engine/ScheduleEntry.h"

namespace qc {

class Module1;

// The as-run record: for every event the clock tick serves or logs as missed, one row in the logs
// folder's ARyymmdd.csv of the event's date, whether or not the activity log is on. It listens to
// what the engine tells of its steps and never calls a procedure, so the switching is the same with
// or without it.
//
// A row is written at the end of the tick in which the event's remote start went on, or of its
// second when it has none. An event served late, whose switch cycle runs past its second, is written
// when the cycle has ended, so both sends are counted. Files older than AsRunKeepDays days are
// deleted at the first tick of every day.
class AsRunRecorder : public QObject {
    Q_OBJECT
public:
    explicit AsRunRecorder(Module1& m, QObject* parent = nullptr);

private:
    // One event on its way to its row.
    struct Pending {
        int receiver = 1;
        QDate date;
        int secs = 0;
        int record = 0;
        bool cycleStarted = false;
        bool cycleOpen = false;
        bool secondReached = false;
        bool remoteDone = false;
        int remoteExpected = -1;  // whether the entry asks for a remote start; -1 not looked up yet
        int sends = 0;            // the cycle's sends, whether they reached the port or not
        int sent = 0;
        int firstCommandMs = -1;
        int remoteStart = -1;
        int remoteSeconds = -1;
        bool haveEntry = false;
        ScheduleEntry entry;  // as last sent
    };

    Pending& pending(int receiver, const QDate& date, int secs);
    Pending* openCycle(int receiver);
    void commandDone(int receiver, bool sent);
    void remoteStarted(int receiver, int seconds, bool written);
    void missed(int receiver, const QDate& date, int secs, int record);
    // The event's entry as last sent, else as it stands in the schedule.
    const ScheduleEntry& entryOf(Pending& p);
    // Writes the events of the receiver that are complete.
    void settle(int receiver);
    void write(Pending& p, bool missed);
    void deleteOldFiles();

    Module1& m_;
    std::vector<Pending> pending_;
    QDate day_;
};

}  // namespace qc
