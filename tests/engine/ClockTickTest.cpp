// The clock tick and the switch-command cycles on simulated time, driven as the main window drives
// them: each row is a run, compared action by action with what the station must see.
#include <gtest/gtest.h>

#include <QDir>

#include "TestSupport.h"
#include "engine/SimulatedRun.h"

namespace qc::test {
namespace {

// 2026-12-07 is a Monday (day index 1).
const QDate kMonday(2026, 12, 7);

QDateTime at(const char* time, int days = 0) {
    const QString text = QString::fromLatin1(time);
    return QDateTime(kMonday.addDays(days),
                     QTime::fromString(text, text.size() > 8 ? "HH:mm:ss.zzz" : "HH:mm:ss"));
}

// What the main window would show at the end, and whether the status port was read at all.
QString endState(const TestProgram& p) {
    return QStringLiteral("label1 [%1] lblPort [%2] status %3")
        .arg(p.m->view.label1, p.m->view.lblPort, p.port.reads ? "read" : "unread");
}

struct Step {
    const char* at;  // the moment, on the first day or (with a leading "+") on the next
    std::function<void(TestProgram&)> action;
};

struct TickRun {
    const char* name;
    std::vector<ScheduleEntry> entries;
    QByteArray settings;
    const char* from;
    std::vector<Step> steps;  // done on the way, each after the ticks before its moment
    const char* until;
    QStringList expected;  // observed(), then each change of the outputs, then endState()
};

void PrintTo(const TickRun& r, std::ostream* os) {
    *os << r.name;
}

QDateTime moment(const char* text) {
    return text[0] == '+' ? at(text + 1, 1) : at(text);
}

class Tick : public ::testing::TestWithParam<TickRun> {};

TEST_P(Tick, RunsAsTheStationMustSeeIt) {
    const TickRun& r = GetParam();
    TestProgram p(moment(r.from));
    p.start(r.entries, r.settings);
    QStringList lpt;
    int last = p.port.data;
    std::vector<Step> steps = r.steps;
    steps.push_back({r.until, [](TestProgram&) {}});
    for (const Step& step : steps) {
        // A fresh run after each step, so a clock set back by a step stays set back.
        SimulatedRun run(*p.m, p.clock);
        QDateTime lastEvent = p.clock.now();
        auto look = [&](SimulatedRun::Event) {
            if (p.port.data != last)
                lpt << lastEvent.toString("HH:mm:ss.zzz ") + QStringLiteral("LPT %1").arg(last = p.port.data);
            lastEvent = p.clock.now();
        };
        run.beforeEvent = look;
        run.runUntil(moment(step.at));
        look({});
        step.action(p);
    }
    EXPECT_EQ(p.observed() + lpt + QStringList{endState(p)}, r.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Timeline, Tick,
    ::testing::Values(
        // Enabled at 15 seconds before, sent at about 13 and 11, the status read at 9; output 1 on
        // from half a second before the event second for one second; then the entry moves on a week.
        TickRun("MomentaryStartWithMpegLog", {makeEntry("News", 1, "14:01:00", {1}, 2)}, "111011d02",
                "14:00:00", {}, "14:01:05",
                {"14:00:46.550 COM1 SP A,S,14|AM A,3||", "14:00:48.550 COM1 SP A,S,14|AM A,3||",
                 "14:00:50.550 COM1 R M|",
                 "AL261207.log 14:00:46  News                      SP A,S,14<CR>AM A,3<CR>",
                 "AL261207.log 14:00:48  News                      SP A,S,14<CR>AM A,3<CR>",
                 "AL261207.log 14:00:59  Remote Start 1 On", "AL261207.log 14:01:01  Remote Start 1 Off",
                 "MP261207.log 14:00:50", "MP261207.log R M", "MP261207.log MPEG STATUS",
                 "MP261207.log Lock: YES", "MP261207.log >", "14:00:59.500 LPT 32", "14:01:01.050 LPT 0",
                 "label1 [Next to Switch:  News  167:59:55] lblPort [] status read"}),
        TickRun("CountdownRunsThroughMidnight", {makeEntry("Early", 1, "00:00:05", {2})}, "111001d02",
                "23:59:50", {}, "+00:00:02",
                {"23:59:52.000 COM1 SP A,S,14|AM A,3||", "23:59:54.000 COM1 SP A,S,14|AM A,3||",
                 "AL261207.log 23:59:52  Early                     SP A,S,14<CR>AM A,3<CR>",
                 "AL261207.log 23:59:54  Early                     SP A,S,14<CR>AM A,3<CR>",
                 "label1 [Next to Switch:  Early  00:03] lblPort [] status read"}),
        TickRun("HoldingOutputIsReleasedAfterMidnight",
                {makeEntry("Late Show", 1, "23:58:00", {1}, 3, "B", 1, 1, "05:00")}, "110001d02", "23:57:30",
                {}, "+00:04:00",
                {"23:57:46.550 COM1 SP B,S,1|AM B,1||", "23:57:48.550 COM1 SP B,S,1|AM B,1||",
                 "23:57:59.500 LPT 32", "00:03:00.050 LPT 0",
                 "label1 [Next to Switch:  Late Show  167:54:00] lblPort [] status read"}),
        // The release at 86400 is a value the time of day never reaches on the old day; the first
        // tick of the new day, however late, releases the output. (Started nine seconds before the
        // event, past its switch window, the program still sends its commands at once.)
        TickRun("ReleaseIsNotLostWhenNoTickComesAroundMidnight", {makeEntry("Last", 1, "23:59:59", {1}, 2)},
                "110001d02", "23:59:50",
                {{"23:59:59.600", [](TestProgram& p) { p.clock.set(at("00:00:01.200", 1)); }}},
                "+00:00:01.200",
                {"23:59:50.000 COM1 SP A,S,14|AM A,3||", "23:59:52.000 COM1 SP A,S,14|AM A,3||",
                 "23:59:58.550 LPT 32", "00:00:01.200 LPT 0",
                 "label1 [Next to Switch:  Last  167:59:58] lblPort [] status read"}),
        TickRun("TwoEntriesAtOneSecondGiveOneCycleAndOneStart",
                {makeEntry("Beta", 1, "14:00:30", {1}, 2, "B"),
                 makeEntry("alpha", 1, "14:00:30", {1}, 2, "A")},
                "110001d02", "14:00:00", {}, "14:00:40",
                {"14:00:16.550 COM1 SP A,S,14|AM A,3||", "14:00:18.550 COM1 SP A,S,14|AM A,3||",
                 "14:00:29.500 LPT 32", "14:00:31.050 LPT 0",
                 "label1 [Next to Switch:  alpha  167:59:50] lblPort [] status read"}),
        TickRun("ZeroDurationGivesOneRemoteStart",
                {makeEntry("Hold", 1, "14:00:30", {1}, 3, "A", 1, 1, ""),
                 makeEntry("Odd", 1, "14:01:30", {1}, 7)},
                "110001d02", "14:00:00", {}, "14:02:00",
                {"14:00:16.550 COM1 SP A,S,1|AM A,1||", "14:00:18.550 COM1 SP A,S,1|AM A,1||",
                 "14:01:16.550 COM1 SP A,S,14|AM A,3||", "14:01:18.550 COM1 SP A,S,14|AM A,3||",
                 "MSG 13  Type mismatch", "14:00:29.500 LPT 32", "14:00:30.050 LPT 0", "14:01:29.500 LPT 32",
                 "14:01:30.050 LPT 0", "label1 [Next to Switch:  Hold  167:58:30] lblPort [] status read"}),
        TickRun("TwoReceiversAtOneSecondTakeTurnsOnTheLine",
                {makeEntry("One", 1, "14:00:30", {1}, 2, "A"), makeEntry("Two", 2, "14:00:30", {1}, 2, "B")},
                "110011d12", "14:00:00", {}, "14:00:40",
                {"14:00:16.550 COM1 SP A,S,14|AM A,3||", "14:00:18.550 COM1 SP A,S,14|AM A,3||",
                 "14:00:20.550 COM1 R M|", "14:00:21.500 COM2 SP B,S,14|AM B,3||",
                 "14:00:23.500 COM2 SP B,S,14|AM B,3||", "14:00:25.500 COM2 R M|",
                 "MP261207.log Receiver 1  14:00:20", "MP261207.log R M", "MP261207.log MPEG STATUS",
                 "MP261207.log Lock: YES", "MP261207.log >", "MP261207.log Receiver 2  14:00:25",
                 "MP261207.log R M", "MP261207.log MPEG STATUS", "MP261207.log Lock: YES", "MP261207.log >",
                 "14:00:29.500 LPT 96", "14:00:31.050 LPT 0",
                 "label1 [Next to Switch:  One  167:59:50] lblPort [] status read"}),
        // A clock reset sets the clock back into the event's own second and the editor searches
        // again: the event is found still due, but never served twice.
        TickRun("ClockSetBackDoesNotRepeatAnEvent", {makeEntry("Once", 1, "14:00:30", {1}, 2)}, "110001d02",
                "14:00:00",
                {{"14:00:32",
                  [](TestProgram& p) {
                      p.clock.set(at("14:00:12"));
                      p.m->FindNextSwitch1();
                  }}},
                "14:00:40",
                {"14:00:16.550 COM1 SP A,S,14|AM A,3||", "14:00:18.550 COM1 SP A,S,14|AM A,3||",
                 "14:00:29.500 LPT 32", "14:00:31.050 LPT 0",
                 "label1 [Next to Switch:  Once  167:59:50] lblPort [] status read"}),
        // The logs folder goes away: each failing log write is reported and switching goes on.
        TickRun("ErrorsNeverStopTheTick", {makeEntry("First", 1, "14:00:30", {1}, 2)}, "111001d02",
                "14:00:00", {{"14:00:00", [](TestProgram& p) { QDir(p.file("logs")).removeRecursively(); }}},
                "14:00:35",
                {"14:00:16.550 COM1 SP A,S,14|AM A,3||", "14:00:18.550 COM1 SP A,S,14|AM A,3||",
                 "MSG Path not found", "MSG Path not found", "MSG 76  Path not found",
                 "MSG 76  Path not found", "14:00:29.500 LPT 32", "14:00:31.050 LPT 0",
                 "label1 [Next to Switch:  First  167:59:55] lblPort [] status read"}),
        // The commands still go out; the log says nothing of an output the automation never saw.
        TickRun("AnUnreachablePortLogsNoRemoteStart", {makeEntry("Dark", 1, "14:00:30", {1}, 2)}, "111001d02",
                "14:00:00", {{"14:00:00", [](TestProgram& p) { p.port.fails = true; }}}, "14:00:35",
                {"14:00:16.550 COM1 SP A,S,14|AM A,3||", "14:00:18.550 COM1 SP A,S,14|AM A,3||",
                 "AL261207.log 14:00:16  Dark                      SP A,S,14<CR>AM A,3<CR>",
                 "AL261207.log 14:00:18  Dark                      SP A,S,14<CR>AM A,3<CR>",
                 "MSG 8010  The hardware is not available",
                 "label1 [Next to Switch:  Dark  167:59:55] lblPort [] status read"}),
        // Remote control off: no output and no reading of the inputs, also with the alarm raised.
        TickRun("RemoteControlOffLeavesThePortAlone", {makeEntry("Plain", 1, "14:00:30", {1}, 2)},
                "111000d02", "14:00:00", {{"14:00:00", [](TestProgram& p) { p.port.status = 111; }}},
                "14:00:35",
                {"14:00:16.550 COM1 SP A,S,14|AM A,3||", "14:00:18.550 COM1 SP A,S,14|AM A,3||",
                 "AL261207.log 14:00:16  Plain                     SP A,S,14<CR>AM A,3<CR>",
                 "AL261207.log 14:00:18  Plain                     SP A,S,14<CR>AM A,3<CR>",
                 "label1 [Next to Switch:  Plain  167:59:55] lblPort [] status unread"}),
        // EbNo readings at the configured minutes, receiver 2 eight seconds after receiver 1.
        TickRun("EbNoOncePerHour", {}, "110101d02", "14:59:00", {}, "15:46:00",
                {"15:00:12.000 COM1 EB|", "EB261207.log 15:00:12  7.5", "label1 [] lblPort [] status read"}),
        TickRun("EbNoTwicePerHour", {}, "110201d02", "14:59:00", {}, "15:46:00",
                {"15:00:12.000 COM1 EB|", "15:30:12.000 COM1 EB|", "EB261207.log 15:00:12  7.5",
                 "EB261207.log 15:30:12  7.5", "label1 [] lblPort [] status read"}),
        TickRun("EbNoThreeTimesPerHour", {}, "110301d02", "14:59:00", {}, "15:46:00",
                {"15:00:12.000 COM1 EB|", "15:20:12.000 COM1 EB|", "15:40:12.000 COM1 EB|",
                 "EB261207.log 15:00:12  7.5", "EB261207.log 15:20:12  7.5", "EB261207.log 15:40:12  7.5",
                 "label1 [] lblPort [] status read"}),
        TickRun("EbNoFourTimesPerHour", {}, "110401d02", "14:59:00", {}, "15:46:00",
                {"15:00:12.000 COM1 EB|", "15:15:12.000 COM1 EB|", "15:30:12.000 COM1 EB|",
                 "15:45:12.000 COM1 EB|", "EB261207.log 15:00:12  7.5", "EB261207.log 15:15:12  7.5",
                 "EB261207.log 15:30:12  7.5", "EB261207.log 15:45:12  7.5",
                 "label1 [] lblPort [] status read"}),
        TickRun("EbNoEveryMinuteForBothReceivers", {}, "110501d12", "14:00:00", {}, "14:02:00",
                {"14:00:12.000 COM1 EB|", "14:00:20.000 COM2 EB|", "14:01:12.000 COM1 EB|",
                 "14:01:20.000 COM2 EB|", "EB261207.log 14:00:12 R1 7.5", "EB261207.log 14:00:20 R2 7.5",
                 "EB261207.log 14:01:12 R1 7.5", "EB261207.log 14:01:20 R2 7.5",
                 "label1 [] lblPort [] status read"})),
    [](const auto& info) { return std::string(info.param.name); });

// The automation's inputs through the tick, from 12:05:40 with the reset time 05:00. `holds` is
// what the status register holds, tick after tick 50 ms apart ("111x20": 20 ticks of 111), and
// what changes on the way: "fail" and "work" take the port away and back, "refuse" makes the
// system refuse to set the clock, "@12:06:02" sets the clock, "=05:7x" the reset time ("_" a blank).
struct StatusRun {
    const char* name;
    const char* holds;
    QStringList expected;  // observed(), then endState()
};

void PrintTo(const StatusRun& r, std::ostream* os) {
    *os << r.name;
}

class StatusInputs : public ::testing::TestWithParam<StatusRun> {};

// Status register values are 127 less the active inputs: alarm 16, clock reset 8.
TEST_P(StatusInputs, ActOncePerActivation) {
    TestProgram p(at("12:05:40"));
    p.writeFile("TimeReset.ini", "05:00");
    p.start({}, "111001d02");
    for (const QString& hold : QString::fromLatin1(GetParam().holds).split(' ')) {
        if (hold == "fail" || hold == "work" || hold == "refuse")
            (hold == "refuse" ? p.clock.refuseSetting : p.port.fails) = hold != "work";
        else if (hold.startsWith('@'))
            p.clock.set(at(qPrintable(hold.mid(1))));
        else if (hold.startsWith('='))
            p.m->ClockResetTime = hold.mid(1).replace('_', ' ').toLatin1();
        for (int i = hold.section('x', 1, 1).toInt(); i > 0; --i) {
            p.port.status = hold.section('x', 0, 0).toInt();
            p.m->tmrClock_Timer();
            p.clock.advance(50);
        }
    }
    EXPECT_EQ(p.observed() + QStringList{endState(p)}, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Status, StatusInputs,
    ::testing::Values(
        // The two top status lines are not used: 15 is still the same alarm, 63 none.
        StatusRun{"AlarmIsLoggedOncePerActivation",
                  "111x20 15x20 127x1 63x20 111x20",
                  {"AL261207.log 12:05:40  Alarm", "AL261207.log 12:05:43  Alarm",
                   "label1 [] lblPort [Alarm] status read"}},
        // The reset keeps the hour and takes minute and second from the setting.
        StatusRun{"AlarmAndClockResetInOneValue",
                  "103x20 127x1 119x20",
                  {"AL261207.log 12:05:40  Alarm", "AL261207.log 12:05:00  Time Set 12:05:40",
                   "AL261207.log 12:05:00  Time Set 12:05:01", "label1 [] lblPort [Time Set] status read"}},
        // Outside the configured minute, with another line active beside the pulse, or without a
        // whole reset time, the pulse does nothing.
        StatusRun{
            "NoResetButInTheConfiguredMinute",
            "@12:06:02 119x20 127x1 @12:05:30 118x20 127x1 = 119x20 127x1 =5 119x20 127x1 =__:__ 119x20",
            {"label1 [] lblPort [] status read"}},
        // A byte of 128 or more only opens the latches again.
        StatusRun{"HighByteOnlyClearsTheLatches",
                  "103x20 200x1 103x1",
                  {"AL261207.log 12:05:40  Alarm", "AL261207.log 12:05:00  Time Set 12:05:40",
                   "AL261207.log 12:05:01  Alarm", "AL261207.log 12:05:00  Time Set 12:05:01",
                   "label1 [] lblPort [Time Set] status read"}},
        StatusRun{"RefusedClockSettingIsReportedOncePerPulse",
                  "refuse 119x20 127x1 119x20 =05:7x 127x1 119x20",
                  {"MSG 70  Permission denied: the time of day could not be set to 12:05:00 (the program "
                   "lacks CAP_SYS_TIME)",
                   "MSG 70  Permission denied: the time of day could not be set to 12:05:00 (the program "
                   "lacks CAP_SYS_TIME)",
                   "MSG 13  Type mismatch", "label1 [] lblPort [] status read"}},
        StatusRun{"MissingPortIsReportedOnceUntilItWorkedAgain",
                  "fail 127x20 work 127x1 fail 127x20",
                  {"MSG 8010  The hardware is not available", "MSG 8010  The hardware is not available",
                   "label1 [] lblPort [] status read"}}),
    [](const auto& info) { return std::string(info.param.name); });

// The daily deletions at 10:00:15: activity and MPEG logs after a week, EbNo logs after the unit
// of the setting, each in any letter case. `units` holds the setting of each day up to Monday.
struct Retention {
    const char* units;
    QStringList left;
};

class DailyDeletions : public ::testing::TestWithParam<Retention> {};

TEST_P(DailyDeletions, RemoveTheLogsPastTheirTime) {
    const QByteArray units = GetParam().units;
    TestProgram p;
    p.start({}, "110001d02");
    for (const char* name : {"AL261130.log", "AL261130.LOG", "MP261130.Log", "AL261201.log", "EB261206.log",
                             "EB261205.log", "EB261130.log", "EB261107.log", "EB251207.log"})
        p.writeFile(QStringLiteral("logs/") + name, "x\r\n");
    for (int day = 1 - units.size(); day <= 0; ++day) {
        p.m->SaveLogsUnit = units.mid(day + units.size() - 1, 1);
        p.clock.set(QDateTime(kMonday.addDays(day), QTime(10, 0, 15)));
        p.m->tmrClock_Timer();  // one tick in the second, as on a loaded machine
    }
    EXPECT_EQ(QDir(p.file("logs")).entryList(QDir::Files, QDir::Name), GetParam().left);
}

// The file names are for Monday 2026-12-07: a day before is 261206, a week 261130, a month 261107,
// a year 251207. An unknown unit keeps the one used before: "wx" runs Sunday with "w", then Monday
// with "x".
INSTANTIATE_TEST_SUITE_P(
    Units, DailyDeletions,
    ::testing::Values(
        Retention{"d", {"AL261201.log", "EB251207.log", "EB261107.log", "EB261130.log", "EB261205.log"}},
        Retention{"w", {"AL261201.log", "EB251207.log", "EB261107.log", "EB261205.log", "EB261206.log"}},
        Retention{"m", {"AL261201.log", "EB251207.log", "EB261130.log", "EB261205.log", "EB261206.log"}},
        Retention{"y", {"AL261201.log", "EB261107.log", "EB261130.log", "EB261205.log", "EB261206.log"}},
        Retention{"wx", {"AL261201.log", "EB251207.log", "EB261107.log", "EB261205.log", "EB261206.log"}},
        Retention{"x",
                  {"AL261201.log", "EB251207.log", "EB261107.log", "EB261130.log", "EB261205.log",
                   "EB261206.log"}}));

TEST(LongExchange, DelaysTheTicksWithoutPilingThemUp) {
    // A receiver that never answers holds each EbNo reading for its whole limit.
    TestProgram p(at("14:00:00"));
    p.serial.answer = [](const QByteArray&) { return QByteArray(); };
    p.start({}, "110501d02");
    SimulatedRun run(*p.m, p.clock);
    run.runUntil(at("14:01:00"));
    // 60 s of 50 ms ticks, less those swallowed by the one 1.x s reading.
    EXPECT_GT(run.ticks(), 1150);
    EXPECT_LT(run.ticks(), 1190);
    EXPECT_EQ(p.readFile("logs/EB261207.log"), "14:00:13  None\r\n");
}

}  // namespace
}  // namespace qc::test
