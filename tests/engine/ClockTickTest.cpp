// The clock tick and the switch-command cycles on simulated time, driven as the main window drives
// them: each row is a run, compared action by action with what the station must see.
#include "TestSupport.h"
#include "engine/SimulatedRun.h"

namespace qc::test {
namespace {

// 2026-12-07 is a Monday (day index 1).
const QDate kMonday(2026, 12, 7);

// A moment on the Monday or, with a leading "+", on the Tuesday.
QDateTime at(const char* time) {
    const QString text = QString::fromLatin1(time).remove('+');
    return QDateTime(kMonday.addDays(time[0] == '+'),
                     QTime::fromString(text, text.size() > 8 ? "HH:mm:ss.zzz" : "HH:mm:ss"));
}

// observed() in short, joined by "; ": a command by its first line, a log line by its kind and time
// without the MPEG answer's own lines, blank runs as one (the full forms are the link tests'
// business); then "=" and what the main window shows at the end: receiver 1's next event, the port
// status, and "unread" when the status port was never read.
QString brief(const TestProgram& p, const QStringList& more = {}) {
    QStringList out;
    for (QString line : p.observed() + more) {
        line = line.section('|', 0, 0)
                   .section("<CR>", 0, 0)
                   .replace(QRegularExpression("^(..)\\d{6}.log"), "\\1");
        if (!line.startsWith("MP ") || line.contains(QRegularExpression("\\d:\\d\\d")))
            out << line.simplified();
    }
    const QString end = "= " + p.m->view.label1.section("Next to Switch:", 1) + " " + p.m->view.lblPort;
    return (out << end.simplified() + (p.port.reads ? "" : " unread")).join("; ");
}

struct Step {
    const char* at;
    std::function<void(TestProgram&)> action;
};

struct TickRun {
    const char* name;
    std::vector<ScheduleEntry> entries;
    QByteArray settings;
    const char* from;
    std::vector<Step> steps;  // done on the way, each after the ticks before its moment
    const char* until;
    QString expected;  // brief(), each change of the outputs before the end state
};

TEST(Tick, RunsAsTheStationMustSeeIt) {
    const auto jump = [](const char* to) { return [to](TestProgram& p) { p.clock.set(at(to)); }; };
    // clang-format off
    const std::vector<TickRun> rows = {
        // Enabled at 15 seconds before, sent at about 13 and 11, the status read at 9; output 1 on
        // from half a second before the event second for one second; then the entry moves on a week.
        {"MomentaryStartWithMpegLog", {makeEntry("News", 1, "14:01:00", {1}, 2)}, "111011d02", "14:00:00", {},
         "14:01:05", "14:00:46.550 COM1 SP A,S,14; 14:00:48.550 COM1 SP A,S,14; 14:00:50.550 COM1 R M; "
         "AL 14:00:46 News SP A,S,14; AL 14:00:48 News SP A,S,14; AL 14:00:59 Remote Start 1 On; "
         "AL 14:01:01 Remote Start 1 Off; MP 14:00:50; 14:00:59.500 LPT 32; 14:01:01.050 LPT 0; = News 167:59:55"},
        {"CountdownRunsThroughMidnight", {makeEntry("Early", 1, "00:00:05", {2})}, "110001d02", "23:59:50", {},
         "+00:00:02", "23:59:52.000 COM1 SP A,S,14; 23:59:54.000 COM1 SP A,S,14; = Early 00:03"},
        // Held for the entry's length (5 s). The release at 86404 is a value the time of day never
        // reaches on the old day; no tick comes around midnight, the first of the new day brings the
        // release time into it. (Started nine seconds before the event, past its switch window, the
        // program still sends its commands at once.)
        {"HeldOutputIsReleasedAfterMidnight", {makeEntry("Late", 1, "23:59:59", {1}, 3, "B", 1, 1, "00:05")},
         "110001d02", "23:59:50", {{"23:59:59.600", jump("+00:00:01.200")}}, "+00:00:06",
         "23:59:50.000 COM1 SP B,S,1; 23:59:52.000 COM1 SP B,S,1; 23:59:58.550 LPT 32; 00:00:04.050 LPT 0; "
         "= Late 167:59:53"},
        {"TwoEntriesAtOneSecondGiveOneCycleAndOneStart",
         {makeEntry("Beta", 1, "14:00:30", {1}, 2, "B"), makeEntry("alpha", 1, "14:00:30", {1}, 2, "A")},
         "110001d02", "14:00:00", {}, "14:00:40", "14:00:16.550 COM1 SP A,S,14; 14:00:18.550 COM1 SP A,S,14; "
         "14:00:29.500 LPT 32; 14:00:31.050 LPT 0; = alpha 167:59:50"},
        {"ZeroDurationGivesOneRemoteStart",
         {makeEntry("Hold", 1, "14:00:30", {1}, 3, "A", 1, 1, ""), makeEntry("Odd", 1, "14:01:30", {1}, 7)},
         "110001d02", "14:00:00", {}, "14:02:00", "14:00:16.550 COM1 SP A,S,1; 14:00:18.550 COM1 SP A,S,1; "
         "14:01:16.550 COM1 SP A,S,14; 14:01:18.550 COM1 SP A,S,14; MSG 13 Type mismatch; 14:00:29.500 LPT 32; "
         "14:00:30.050 LPT 0; 14:01:29.500 LPT 32; 14:01:30.050 LPT 0; = Hold 167:58:30"},
        {"TwoReceiversAtOneSecondTakeTurnsOnTheLine",
         {makeEntry("One", 1, "14:00:30", {1}, 2, "A"), makeEntry("Two", 2, "14:00:30", {1}, 2, "B")},
         "110011d12", "14:00:00", {}, "14:00:40", "14:00:16.550 COM1 SP A,S,14; 14:00:18.550 COM1 SP A,S,14; "
         "14:00:20.550 COM1 R M; 14:00:21.500 COM2 SP B,S,14; 14:00:23.500 COM2 SP B,S,14; 14:00:25.500 COM2 R M; "
         "MP Receiver 1 14:00:20; MP Receiver 2 14:00:25; 14:00:29.500 LPT 96; 14:00:31.050 LPT 0; = One 167:59:50"},
        // A clock reset sets the clock back into the event's own second and the editor searches
        // again: the event is found still due, but never served twice.
        {"ClockSetBackDoesNotRepeatAnEvent", {makeEntry("Once", 1, "14:00:30", {1}, 2)}, "110001d02", "14:00:00",
         {{"14:00:32", [](TestProgram& p) { p.clock.set(at("14:00:12")); p.m->FindNextSwitch1(); }}}, "14:00:40",
         "14:00:16.550 COM1 SP A,S,14; 14:00:18.550 COM1 SP A,S,14; 14:00:29.500 LPT 32; 14:00:31.050 LPT 0; "
         "= Once 167:59:50"},
        // The logs folder goes away: each failing log write is reported and switching goes on.
        {"ErrorsNeverStopTheTick", {makeEntry("First", 1, "14:00:30", {1}, 2)}, "111001d02", "14:00:00",
         {{"14:00:00", [](TestProgram& p) { QDir(p.file("logs")).removeRecursively(); }}}, "14:00:35",
         "14:00:16.550 COM1 SP A,S,14; 14:00:18.550 COM1 SP A,S,14; MSG Path not found; MSG Path not found; "
         "MSG 76 Path not found; MSG 76 Path not found; 14:00:29.500 LPT 32; 14:00:31.050 LPT 0; = First 167:59:55"},
        // The commands still go out; the log says nothing of an output the automation never saw.
        {"AnUnreachablePortLogsNoRemoteStart", {makeEntry("Dark", 1, "14:00:30", {1}, 2)}, "111001d02", "14:00:00",
         {{"14:00:00", [](TestProgram& p) { p.port.fails = true; }}}, "14:00:35",
         "14:00:16.550 COM1 SP A,S,14; 14:00:18.550 COM1 SP A,S,14; AL 14:00:16 Dark SP A,S,14; "
         "AL 14:00:18 Dark SP A,S,14; MSG 8010 The hardware is not available; = Dark 167:59:55"},
        // Receiver 2 unplugged: its commands are logged as not sent, with the reason, and receiver 1
        // switches as usual.
        {"AnUnpluggedReceiverIsLoggedAsNotSent",
         {makeEntry("One", 1, "14:00:30", {1}, 1, "A"), makeEntry("Two", 2, "14:00:30", {1}, 1, "B")},
         "111001d12", "14:00:00", {{"14:00:00", [](TestProgram& p) { p.serial.missingPorts = {2}; }}}, "14:00:35",
         "14:00:16.550 COM1 SP A,S,14; 14:00:18.550 COM1 SP A,S,14; AL 14:00:16 One Receiver 1 SP A,S,14; "
         "AL 14:00:18 One Receiver 1 SP A,S,14; AL 14:00:21 Two Receiver 2 not sent: 8002 Invalid port number; "
         "AL 14:00:23 Two Receiver 2 not sent: 8002 Invalid port number; MSG 8002 Invalid port number Command not "
         "sent.; MSG 8002 Invalid port number Command not sent.; = One 167:59:55"},
        // Remote control off: no output and no reading of the inputs, also with the alarm raised.
        {"RemoteControlOffLeavesThePortAlone", {makeEntry("Plain", 1, "14:00:30", {1}, 2)}, "110000d02",
         "14:00:00", {{"14:00:00", [](TestProgram& p) { p.port.status = 111; }}}, "14:00:35",
         "14:00:16.550 COM1 SP A,S,14; 14:00:18.550 COM1 SP A,S,14; = Plain 167:59:55 unread"},
        // EbNo readings at the configured minutes, receiver 2 eight seconds after receiver 1.
        {"EbNoOncePerHour", {}, "110101d02", "14:59:00", {}, "15:46:00", "15:00:12.000 COM1 EB; EB 15:00:12 7.5; ="},
        {"EbNoTwicePerHour", {}, "110201d02", "14:59:00", {}, "15:46:00",
         "15:00:12.000 COM1 EB; 15:30:12.000 COM1 EB; EB 15:00:12 7.5; EB 15:30:12 7.5; ="},
        {"EbNoThreeTimesPerHour", {}, "110301d02", "14:59:00", {}, "15:46:00", "15:00:12.000 COM1 EB; "
         "15:20:12.000 COM1 EB; 15:40:12.000 COM1 EB; EB 15:00:12 7.5; EB 15:20:12 7.5; EB 15:40:12 7.5; ="},
        {"EbNoFourTimesPerHour", {}, "110401d02", "14:59:00", {}, "15:46:00", "15:00:12.000 COM1 EB; "
         "15:15:12.000 COM1 EB; 15:30:12.000 COM1 EB; 15:45:12.000 COM1 EB; EB 15:00:12 7.5; EB 15:15:12 7.5; "
         "EB 15:30:12 7.5; EB 15:45:12 7.5; ="},
        {"EbNoEveryMinuteForBothReceivers", {}, "110501d12", "14:00:00", {}, "14:02:00", "14:00:12.000 COM1 EB; "
         "14:00:20.000 COM2 EB; 14:01:12.000 COM1 EB; 14:01:20.000 COM2 EB; EB 14:00:12 R1 7.5; "
         "EB 14:00:20 R2 7.5; EB 14:01:12 R1 7.5; EB 14:01:20 R2 7.5; ="},
    };
    // clang-format on
    for (const TickRun& r : rows) {
        SCOPED_TRACE(r.name);
        TestProgram p(at(r.from));
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
                    lpt << lastEvent.toString("HH:mm:ss.zzz ") +
                               QStringLiteral("LPT %1").arg(last = p.port.data);
                lastEvent = p.clock.now();
            };
            run.beforeEvent = look;
            run.runUntil(at(step.at));
            look({});
            step.action(p);
        }
        EXPECT_EQ(brief(p, lpt), r.expected);
    }
}

// The automation's inputs through the tick, from 12:05:40 with the reset time 05:00. Each row is
// what the status register holds, tick after tick 50 ms apart ("111x20": 20 ticks of 111), and
// what changes on the way: "fail" and "work" take the port away and back, "refuse" makes the
// system refuse to set the clock, "@12:06:02" sets the clock, "=05:7x" the reset time ("_" a blank);
// then, after "->", brief(). Status register values are 127 less the active inputs: alarm 16, clock
// reset 8.
TEST(StatusInputs, ActOncePerActivation) {
    // clang-format off
    const char* const rows[] = {
        // The two top status lines are not used: 15 is still the same alarm, 95 and 63 none.
        "111x20 15x20 127x1 95x20 63x20 111x20 -> AL 12:05:40 Alarm; AL 12:05:44 Alarm; = Alarm",
        // The reset keeps the hour and takes minute and second from the setting.
        "103x20 127x1 119x20 -> AL 12:05:40 Alarm; AL 12:05:00 Time Set 12:05:40; AL 12:05:00 Time Set 12:05:01; "
        "= Time Set",
        // Outside the configured minute, with another line active beside the pulse, or without a
        // whole reset time, the pulse does nothing.
        "@12:06:02 119x20 127x1 @12:05:30 118x20 127x1 = 119x20 127x1 =5 119x20 127x1 =__:__ 119x20 -> "
        "=",
        // A byte of 128 or more only opens the latches again.
        "103x20 200x1 103x1 -> AL 12:05:40 Alarm; AL 12:05:00 Time Set 12:05:40; AL 12:05:01 Alarm; "
        "AL 12:05:00 Time Set 12:05:01; = Time Set",
        "refuse 119x20 127x1 119x20 =05:7x 127x1 119x20 -> MSG 70 Permission denied: the time of day could not be set "
        "to 12:05:00 (the program lacks CAP_SYS_TIME); MSG 70 Permission denied: the time of day could not be set to "
        "12:05:00 (the program lacks CAP_SYS_TIME); MSG 13 Type mismatch; =",
        "fail 127x20 work 127x1 fail 127x20 -> MSG 8010 The hardware is not available; "
        "MSG 8010 The hardware is not available; =",
    };
    // clang-format on
    for (const QString row : rows) {
        TestProgram p(at("12:05:40"));
        p.writeFile("TimeReset.ini", "05:00");
        p.start({}, "111001d02");
        for (const QString& hold : row.section(" -> ", 0, 0).split(' ')) {
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
        EXPECT_EQ(brief(p), row.section(" -> ", 1)) << row.section(" -> ", 0, 0).toStdString();
    }
}

// The daily deletions at 10:00:15: activity and MPEG logs after a week, EbNo logs after the unit of
// the setting, each in any letter case. Each row: the setting of each day up to Monday, then the
// EbNo logs left. An unknown unit keeps the one used before: "wx" runs Sunday with "w", then Monday
// with "x". The file names are for Monday 2026-12-07: a day before is 261206, a week 261130, a
// month 261107, a year 251207.
TEST(DailyDeletions, RemoveTheLogsPastTheirTime) {
    for (const QString row : {"d: 251207 261107 261130 261205", "w: 251207 261107 261205 261206",
                              "m: 251207 261130 261205 261206", "y: 261107 261130 261205 261206",
                              "wx: 251207 261107 261205 261206", "x: 251207 261107 261130 261205 261206"}) {
        const QByteArray units = row.section(':', 0, 0).toLatin1();
        TestProgram p;
        p.start({}, "110001d02");
        for (const char* name :
             {"AL261130.log", "AL261130.LOG", "MP261130.Log", "AL261201.log", "EB261206.log", "EB261205.log",
              "EB261130.log", "EB261107.log", "EB251207.log"})
            p.writeFile(QStringLiteral("logs/") + name, "x\r\n");
        for (int day = 1 - units.size(); day <= 0; ++day) {
            p.m->SaveLogsUnit = units.mid(day + units.size() - 1, 1);
            p.clock.set(QDateTime(kMonday.addDays(day), QTime(10, 0, 15)));
            p.m->tmrClock_Timer();  // one tick in the second, as on a loaded machine
        }
        const QString left = QDir(p.file("logs")).entryList(QDir::Files, QDir::Name).join(' ');
        EXPECT_EQ(QString(left).remove(".log").remove("EB"), "AL261201" + row.section(':', 1))
            << units.data();
    }
}

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

// What the switching does when the clock does not run evenly: daylight-saving changes in a zone
// that has them, late ticks and steps of the clock. Each row runs its events on the simulated clock
// and compares the activity log: time and kind of each line.
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
        // Started ten seconds before an event, after a power cut: switched at once.
        {"UTC", QDateTime(day, QTime(13, 59, 50)), {"14:00:00"}, {{60000}}, "13:59:50 SP1,13:59:52 SP1,13:59:59 On,14:00:01 Off"},
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
    qunsetenv("TZ");  // the other tests run in the machine's own zone
    tzset();
}

// Events a stalled machine passed over while the activity log cannot be written: each is passed
// once all the same, and the next one switches on time.
TEST(ClockChange, AnUnwritableLogHoldsNoPassedEvent) {
    TestProgram p(QDateTime(QDate(2026, 12, 7), QTime(13, 58)));
    p.start({makeEntry("A", 1, "14:00:00", {1}), makeEntry("B", 1, "14:02:00", {1}),
             makeEntry("C", 1, "14:06:00", {1}, 1, "A", 33)},
            "111001d02");
    QDir().mkpath(p.file("logs/AL261207.log"));  // a folder where the file should be
    SimulatedRun(*p.m, p.clock).runFor(60000);
    p.clock.advance(300000);  // 13:59 to 14:04
    SimulatedRun(*p.m, p.clock).runFor(150000);
    QStringList out = p.observed().filter(QRegularExpression("COM1|MSG"));
    out.replaceInStrings(QRegularExpression("MSG (.*): .*"), "MSG \\1");
    // One message for the two passed events, one for each of C's two sends.
    EXPECT_EQ(out.join('\n'),
              "14:05:46.550 COM1 SP A,S,33|AM A,3||\n14:05:48.550 COM1 SP A,S,33|AM A,3||\n"
              "MSG 75  Path/File access error\nMSG Path/File access error\n"
              "MSG Path/File access error");
}

}  // namespace
}  // namespace qc::test
