// What the switching does when the clock does not run evenly: daylight-saving changes in a zone
// that has them, late ticks and steps of the clock. Each row runs its events on the simulated clock
// and compares the activity log: time and kind of each line.
#include "TestSupport.h"
#include "engine/SimulatedRun.h"

namespace qc::test {
namespace {

struct Row {
    const char* zone;
    QDateTime start;
    std::vector<QByteArray> events;  // on the start's weekday; "HH:MM:SS/MM:SS" holds the output
    // Run this many ms, then set the clock this far ahead with no tick between, then (1) search as
    // after an edit of the schedule.
    std::vector<std::array<qint64, 3>> script;
    QByteArray log;
};

TEST(ClockChange, EveryEventIsDoneOnceAtTheRightMoment) {
    const QDate day(2026, 12, 7);
    const QDateTime early(day, QTime(13, 58));
    // clang-format off
    const std::vector<Row> rows = {
        {"UTC", early, {"14:00:00"}, {{104000, 3000}, {60000}}, "13:59:47 SP1,13:59:49 SP1,13:59:59 On,14:00:01 Off"},
        {"UTC", early, {"14:00:00"}, {{104000, 20000}, {60000}}, "14:00:04 SP1,14:00:04 On,14:00:05 Off,14:00:06 SP1"},
        {"UTC", early, {"14:00:00", "14:02:00"}, {{104000, 300000}, {60000}}, "14:04:44 Missed,14:04:44 Missed"},
        {"UTC", early, {"14:00:00"}, {{119400, 1500}, {60000}}, "13:59:46 SP1,13:59:48 SP1,14:00:00 On,14:00:02 Off"},
        // Spring: of the events in the skipped hour the last is done, at the jump.
        {"Europe/Berlin", QDateTime(QDate(2027, 3, 28), QTime(1, 58)), {"02:10:00", "02:30:00", "03:00:30"}, {{300000}},
         "01:59:46 SP2,01:59:48 SP2,01:59:59 On,03:00:01 Off,03:00:16 SP3,03:00:18 SP3,03:00:29 On,03:00:31 Off"},
        {"America/New_York", QDateTime(QDate(2027, 3, 14), QTime(1, 57)), {"01:58:00/05:00", "02:15:00"}, {{420000}},
         "01:57:46 SP1,01:57:48 SP1,01:57:59 On,01:59:46 SP2,01:59:48 SP2,03:03:00 Off"},
        // Autumn: the event of the repeated hour is done in its first pass only, also when the search
        // runs again in the second.
        {"Europe/Berlin", QDateTime(QDate(2027, 10, 31), QTime(2, 28)), {"02:30:00", "03:00:30"}, {{2100000, 0, 1}, {3600000}},
         "02:29:46 SP1,02:29:48 SP1,02:29:59 On,02:30:01 Off,next 31 03:00:30,03:00:16 SP2,03:00:18 SP2,03:00:29 On,03:00:31 Off"},
        {"America/New_York", QDateTime(QDate(2027, 11, 7), QTime(1, 28)), {"01:30:00"}, {{2100000, 0, 1}, {1800000}},
         "01:29:46 SP1,01:29:48 SP1,01:29:59 On,01:30:01 Off,next 14 01:30:00"},
    };
    // clang-format on
    for (const Row& row : rows) {
        qputenv("TZ", row.zone);
        tzset();
        TestProgram p(row.start);
        std::vector<ScheduleEntry> entries;
        for (const QByteArray& e : row.events)  // source codes 1, 2, ... tell the events apart in the log
            entries.push_back(makeEntry(e, 1, e.left(8), {row.start.date().dayOfWeek() % 7},
                                        e.size() > 8 ? 3 : 2, "A", int(entries.size()) + 1, 3, e.mid(9)));
        writeSchedule(p.file("SwitchList.dat"), entries);
        p.writeFile("QuillornControl.ini", "111001d02");
        QByteArray log;
        QObject::connect(p.m.get(), &Module1::logWritten, [&log](const QByteArray&, const QByteArray& line) {
            const QByteArray kind = line.contains("Missed") ? "Missed"
                                    : line.contains(" SP ") ? "SP" + line.split(',')[2].left(1)
                                                            : line.split(' ').last();
            log += (log.isEmpty() ? "" : ",") + line.left(9) + kind;
        });
        p.m->InitializeProgram();
        for (const auto& [runMs, stepMs, search] : row.script) {
            SimulatedRun(*p.m, p.clock).runFor(runMs);
            p.clock.advance(stepMs);
            if (search) {  // and the next event's day and the week list's first time join the log
                p.m->FindNextSwitch1();
                log += ",next " + p.m->NextDate1.toString("dd ").toLatin1() +
                       p.m->lstNextToSwitch.line(0).mid(4, 8);
            }
        }
        EXPECT_EQ(log.toStdString(), row.log.toStdString()) << row.zone;
    }
}

}  // namespace
}  // namespace qc::test
