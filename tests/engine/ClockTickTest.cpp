// The clock tick and the switch-command cycles on simulated time: ticks every 50 ms and the 2-second
// switch timers, driven as the main window drives them.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "TestSupport.h"
#include "engine/SimulatedRun.h"

namespace qc::test {
namespace {

// 2026-12-07 is a Monday (day index 1).
const QDate kMonday(2026, 12, 7);

struct Tick : ::testing::Test {
    TestProgram p{QDateTime(kMonday, QTime(14, 0, 0))};
    std::vector<std::pair<QDateTime, int>> lpt;  // data register changes
    std::vector<QByteArray> al;

    void start(const std::vector<ScheduleEntry>& entries, const QByteArray& settings = "111001d02") {
        writeSchedule(p.file("SwitchList.dat"), entries);
        p.writeFile("QuillornControl.ini", settings);
        p.m->InitializeProgram();
        QObject::connect(p.m.get(), &Module1::logWritten,
                         [this](const QByteArray& kind, const QByteArray& line) {
                             if (kind == "AL") al.push_back(line);
                         });
    }
    void run(const QTime& until, int days = 0) {
        SimulatedRun run(*p.m, p.clock);
        // A change of the outputs is seen before the next event and belongs to the one before it.
        int lastData = p.port.data;
        QDateTime lastEvent = p.clock.now();
        auto look = [&] {
            if (p.port.data != lastData) lpt.emplace_back(lastEvent, lastData = p.port.data);
            lastEvent = p.clock.now();
        };
        run.beforeEvent = [&](SimulatedRun::Event) { look(); };
        run.runUntil(QDateTime(kMonday.addDays(days), until, Qt::UTC));
        look();
    }
    std::vector<ScriptedSerialLine::Write> writes(const QByteArray& prefix) const {
        std::vector<ScriptedSerialLine::Write> out;
        for (const auto& w : p.serial.writes)
            if (w.bytes.startsWith(prefix)) out.push_back(w);
        return out;
    }
    static double at(const QDateTime& t) { return t.time().msecsSinceStartOfDay() / 1000.0; }
};

TEST_F(Tick, OneEventRunsItsWholeTimeline) {
    // Momentary remote start at 14:01:00 on receiver 1, MPEG log and remote control on.
    start({makeEntry("News", 1, "14:01:00", {1}, 2)}, "111011d02");
    bool enabledInWindow = false;
    QObject::connect(&p.m->Timer1, &SwitchTimer::enabledChanged, [&](bool on) {
        if (on) enabledInWindow = p.m->Seconds == 14 || p.m->Seconds == 15;
    });
    run(QTime(14, 1, 5));

    EXPECT_TRUE(enabledInWindow);
    const auto sends = writes("SP ");
    ASSERT_EQ(sends.size(), 2u);
    EXPECT_EQ(sends[0].bytes, QByteArray("SP A,S,14\rAM A,3\r\r"));
    // Enabled at 14:00:45 rounded, so sent about 13 and 11 seconds before, the status about 9.
    EXPECT_NEAR(at(sends[0].at), 14 * 3600 + 47, 0.6);
    EXPECT_NEAR(at(sends[1].at), 14 * 3600 + 49, 0.6);
    const auto status = writes("R M");
    ASSERT_EQ(status.size(), 1u);
    EXPECT_NEAR(at(status[0].at), 14 * 3600 + 51, 0.6);
    EXPECT_EQ(p.m->MonitorCommand, "R M");
    EXPECT_TRUE(QFile::exists(p.file("logs/MP261207.log")));

    // Output 1 on from half a second before the event second, for one second.
    ASSERT_EQ(lpt.size(), 2u);
    EXPECT_EQ(lpt[0].second, 32);
    EXPECT_DOUBLE_EQ(at(lpt[0].first), 14 * 3600 + 59.5);
    EXPECT_EQ(lpt[1].second, 0);
    EXPECT_NEAR(at(lpt[1].first), 14 * 3600 + 61.05, 0.01);
    EXPECT_EQ(al.back(), "14:01:01  Remote Start 1 Off");

    // Once the countdown went negative the entry moved to next week.
    EXPECT_EQ(p.m->NextDate1, kMonday.addDays(7));
    EXPECT_EQ(p.m->lstNextToSwitch.count(), 1);
    EXPECT_TRUE(p.messages.isEmpty()) << p.messages.join('\n').toStdString();
}

TEST_F(Tick, CountdownRunsThroughMidnight) {
    p.clock.set(QDateTime(kMonday, QTime(23, 59, 50)));
    start({makeEntry("Early", 1, "00:00:05", {2})});
    run(QTime(23, 59, 55));
    EXPECT_EQ(p.m->view.label1, QStringLiteral("Next to Switch:  Early  00:10"));
    run(QTime(0, 0, 2), 1);
    EXPECT_EQ(p.m->view.label1, QStringLiteral("Next to Switch:  Early  00:03"));
    EXPECT_EQ(writes("SP ").size(), 2u);
}

TEST_F(Tick, HoldingOutputIsReleasedAfterMidnight) {
    p.clock.set(QDateTime(kMonday, QTime(23, 57, 30)));
    start({makeEntry("Late Show", 1, "23:58:00", {1}, 3, "B", 1, 1, "05:00")}, "111001d02");
    run(QTime(0, 4, 0), 1);
    ASSERT_EQ(lpt.size(), 2u);
    EXPECT_EQ(lpt[0].first.time(), QTime(23, 57, 59, 500));
    EXPECT_EQ(lpt[1].first.date(), kMonday.addDays(1));
    EXPECT_NEAR(at(lpt[1].first), 3 * 60 + 0.05, 0.01);
}

TEST_F(Tick, ReleaseIsNotLostWhenNoTickComesAroundMidnight) {
    // A momentary start at 23:59:59 is released at 00:00:00 (86400), a value the time of day never
    // exceeds on the old day; the first tick of the new day, however late, releases it.
    p.clock.set(QDateTime(kMonday, QTime(23, 59, 50)));
    start({makeEntry("Last", 1, "23:59:59", {1}, 2)});
    run(QTime(23, 59, 59, 600));
    EXPECT_EQ(p.port.data, 32);
    p.clock.set(QDateTime(kMonday.addDays(1), QTime(0, 0, 1, 200)));  // the machine stalled
    p.m->tmrClock_Timer();
    EXPECT_EQ(p.port.data, 0);
    EXPECT_FALSE(p.m->RemoteStart1Active);
}

TEST_F(Tick, TwoEntriesAtOneSecondGiveOneCycleAndOneStart) {
    start({makeEntry("Beta", 1, "14:00:30", {1}, 2, "B"), makeEntry("alpha", 1, "14:00:30", {1}, 2, "A")});
    run(QTime(14, 0, 40));
    const auto sends = writes("SP ");
    ASSERT_EQ(sends.size(), 2u);
    EXPECT_TRUE(sends[0].bytes.startsWith("SP A,"));  // "alpha" sorts first
    EXPECT_EQ(lpt.size(), 2u);
    EXPECT_EQ(p.m->NextDate1, kMonday.addDays(7));
    EXPECT_EQ(p.m->lstNextToSwitch.count(), 2);
}

TEST_F(Tick, ZeroDurationGivesOneRemoteStart) {
    // Holding with an empty length and an unknown mode both come out as a duration of 0.
    start({makeEntry("Hold", 1, "14:00:30", {1}, 3, "A", 1, 1, ""), makeEntry("Odd", 1, "14:01:30", {1}, 7)});
    run(QTime(14, 2, 0));
    ASSERT_EQ(lpt.size(), 4u);
    EXPECT_EQ(lpt[0].second, 32);
    EXPECT_EQ(lpt[1].second, 0);
    EXPECT_EQ(lpt[2].second, 32);
    EXPECT_EQ(lpt[3].second, 0);
    EXPECT_LT(at(lpt[1].first) - at(lpt[0].first), 0.6);
}

TEST_F(Tick, TwoReceiversAtOneSecondTakeTurnsOnTheLine) {
    start({makeEntry("One", 1, "14:00:30", {1}, 2, "A"), makeEntry("Two", 2, "14:00:30", {1}, 2, "B")},
          "111011d12");
    run(QTime(14, 0, 40));
    ASSERT_EQ(p.serial.writes.size(), 6u);  // 2 sends and a status reading each
    for (size_t i = 1; i < p.serial.writes.size(); ++i)
        EXPECT_LT(p.serial.writes[i - 1].at, p.serial.writes[i].at);
    EXPECT_EQ(writes("SP A").size(), 2u);
    EXPECT_EQ(writes("SP B").size(), 2u);
    EXPECT_EQ(p.serial.opens, p.serial.closes);
    // Receiver 2's commands go about 8 and 6 seconds before, its status about 4.
    EXPECT_NEAR(at(writes("SP B")[0].at), 14 * 3600 + 22, 0.6);
    // Both outputs went on at the event second.
    EXPECT_EQ(lpt[0].second | lpt[1].second, 96);
}

TEST_F(Tick, EbNoOncePerMinuteAndReceiverTwoEightSecondsLater) {
    start({}, "111501d12");
    run(QTime(14, 3, 0));
    const QByteArray eb = p.readFile("logs/EB261207.log");
    EXPECT_EQ(eb,
              "14:00:12 R1 7.5\r\n14:00:20 R2 7.5\r\n14:01:12 R1 7.5\r\n14:01:20 R2 7.5\r\n"
              "14:02:12 R1 7.5\r\n14:02:20 R2 7.5\r\n");
}

TEST_F(Tick, DailyDeletionsRemoveExactlyTheNamedFiles) {
    p.clock.set(QDateTime(kMonday, QTime(10, 0, 14)));
    start({}, "111001m02");
    QDir().mkpath(p.file("logs"));
    const QStringList files = {"AL261130.log", "MP261130.log", "EB261107.log", "AL261129.log",
                               "EB261206.log", "MP261201.log", "AL261207.log", "EB261130.log"};
    for (const QString& f : files)
        p.writeFile("logs/" + f, "x\r\n");
    run(QTime(10, 0, 17));
    QStringList left = QDir(p.file("logs")).entryList(QDir::Files);
    left.sort();
    EXPECT_EQ(left,
              QStringList({"AL261129.log", "AL261207.log", "EB261130.log", "EB261206.log", "MP261201.log"}));
}

TEST_F(Tick, ClockSetBackDoesNotRepeatAnEvent) {
    start({makeEntry("Once", 1, "14:00:30", {1}, 2)});
    run(QTime(14, 0, 32));
    ASSERT_EQ(writes("SP ").size(), 2u);
    ASSERT_EQ(lpt.size(), 2u);
    // A clock reset pulse sets the clock back into the event's own second, then the editor re-runs
    // the search, which finds the event still due today.
    p.clock.set(QDateTime(kMonday, QTime(14, 0, 12)));
    p.m->FindNextSwitch1();
    ASSERT_EQ(p.m->NextDate1, kMonday);
    run(QTime(14, 0, 40));
    EXPECT_EQ(writes("SP ").size(), 2u);
    EXPECT_EQ(lpt.size(), 2u);
}

TEST_F(Tick, ErrorsNeverStopTheTick) {
    start({makeEntry("First", 1, "14:00:30", {1}, 2), makeEntry("Second", 1, "14:01:30", {1}, 2)},
          "111001d02");
    // The logs folder goes away: each failing log write is reported, switching goes on.
    QDir(p.file("logs")).removeRecursively();
    run(QTime(14, 2, 0));
    EXPECT_EQ(writes("SP ").size(), 4u);
    EXPECT_EQ(lpt.size(), 4u);
    EXPECT_FALSE(p.m->RemoteStart1Active);
    ASSERT_FALSE(p.messages.isEmpty());
    EXPECT_TRUE(p.messages.back().startsWith(QStringLiteral("76  Path not found")))
        << p.messages.back().toStdString();
}

TEST_F(Tick, AnUnreachablePortLogsNoRemoteStart) {
    p.port.fails = true;
    start({makeEntry("Dark", 1, "14:00:30", {1}, 2)});
    run(QTime(14, 0, 35));
    // The commands still went out; the log says nothing of an output the automation never saw.
    EXPECT_EQ(writes("SP ").size(), 2u);
    for (const QByteArray& line : al)
        EXPECT_FALSE(line.contains("Remote Start")) << line.constData();
    EXPECT_FALSE(p.m->view.Label2Visible);
    EXPECT_EQ(p.messages.size(), 1);  // reported once, at start-up
    EXPECT_FALSE(p.m->RemoteStart1Active);
}

TEST_F(Tick, LongExchangeDelaysTicksWithoutPilingThemUp) {
    // A receiver that never answers holds each EbNo reading for its whole limit.
    p.serial.answer = [](const QByteArray&) { return QByteArray(); };
    start({}, "111501d02");
    SimulatedRun run(*p.m, p.clock);
    run.runUntil(QDateTime(kMonday, QTime(14, 1, 0), Qt::UTC));
    // 60 s of 50 ms ticks, less those swallowed by the one 1.x s reading.
    EXPECT_GT(run.ticks(), 1150);
    EXPECT_LT(run.ticks(), 1190);
    EXPECT_EQ(p.readFile("logs/EB261207.log"), "14:00:13  None\r\n");
}

}  // namespace
}  // namespace qc::test
