// The next switching event of each receiver and its coming week, on a simulated clock, and the time
// conversions the search and the countdown use.
#include <random>

#include "support/TestSupport.h"

namespace qc::test {
namespace {

ScheduleEntry active(ScheduleEntry e, int16_t value) {
    e.Active = value;
    return e;
}

struct Search {
    const char* name;
    std::vector<ScheduleEntry> entries;
    const char* now;  // "yyyy-MM-dd HH:mm:ss.zzz"
    int16_t twoReceivers;
    // Each week's lines as "<receiver>: <record> <line>", then per receiver searched "next<receiver>
    // <record> <date> <second> <name>", and the name in EntryBuf after the searches; joined by "; ".
    QString expected;
};

TEST(NextSwitch, FindsTheComingWeek) {
    const char* const monday = "2026-12-07 12:00:00.000";
    const auto one = makeEntry("One", 1, "08:00:00", {2});
    const auto two = makeEntry("Two", 2, "07:00:00", {2});
    // clang-format off
    const std::vector<Search> rows = {
        // Only Active 1 is in use. The next name is the entry's without its blanks.
        {"DeletedEntriesAreSkipped", {active(makeEntry("Deleted", 1, "06:00:00", {1, 2}), 0),
         makeEntry(" Live", 1, "13:00:00", {1}), active(makeEntry("Not One", 1, "06:00:00", {1, 2}), -1)}, monday, 0,
         "1: 2 Mon 13:00:00  Live; next1 2 20261207 46800 Live; buffer Live"},
        // Today's time has passed, so the week starts tomorrow and ends with today; the buffer is
        // read again at the end.
        {"TodaysTimeHasPassed",
         {makeEntry("News", 1, "10:00:00", {1, 2}), active(makeEntry("Not Today", 1, "08:00:00", {0}), 0)},
         monday, 0, "1: 1 Tue 10:00:00 News; 1: 1 Mon 10:00:00 News; next1 1 20261208 36000 News; buffer News"},
        // Across the turn of the year the dates still sort in time order.
        {"AcrossTheTurnOfTheYear", {makeEntry("News", 1, "10:00:00", {0, 4, 5})}, "2026-12-30 12:00:00.000", 0,
         "1: 1 Thu 10:00:00 News; 1: 1 Fri 10:00:00 News; 1: 1 Sun 10:00:00 News; next1 1 20261231 36000 News; "
         "buffer News"},
        // An event has passed from the start of its own second.
        {"JustBeforeTheSecond", {makeEntry("At Noon", 1, "12:00:00", {1})}, "2026-12-07 11:59:59.999", 0,
         "1: 1 Mon 12:00:00 At Noon; next1 1 20261207 43200 At Noon; buffer At Noon"},
        {"WithinTheSecond", {makeEntry("At Noon", 1, "12:00:00", {1}), makeEntry("Second After", 1, "12:00:01", {1})},
         "2026-12-07 12:00:00.400", 0, "1: 2 Mon 12:00:01 Second After; 1: 1 Mon 12:00:00 At Noon; "
         "next1 2 20261207 43201 Second After; buffer Second After"},
        // Events at the same moment in name order ignoring case (byte order would put the capitals
        // first); names equal but for case keep the order of their records.
        {"SameMomentByNameIgnoringCase", {makeEntry("beta", 1, "08:00:00", {2}), makeEntry("Alpha", 1, "08:00:00", {2}),
         makeEntry("BETA BAND", 1, "08:00:00", {2}), makeEntry("alpha", 1, "08:00:00", {2})}, monday, 0,
         "1: 2 Tue 08:00:00 Alpha; 1: 4 Tue 08:00:00 alpha; 1: 1 Tue 08:00:00 beta; 1: 3 Tue 08:00:00 BETA BAND; "
         "next1 2 20261208 28800 Alpha; buffer Alpha"},
        // With one receiver every active entry is switched on receiver 1; with two each receiver
        // has its own; any other setting: receiver 1's entries only.
        {"OneReceiverSwitchesAll", {one, two, makeEntry("Fresh", 0, "06:00:00", {2})}, monday, 0,
         "1: 3 Tue 06:00:00 Fresh; 1: 2 Tue 07:00:00 Two; 1: 1 Tue 08:00:00 One; next1 3 20261208 21600 Fresh; "
         "buffer Fresh"},
        {"TwoReceiversEachTheirOwn", {one, two, makeEntry("Fresh", 0, "06:00:00", {2})}, monday, 1,
         "1: 1 Tue 08:00:00 One; 2: 2 Tue 07:00:00 Two; next1 1 20261208 28800 One; next2 2 20261208 25200 Two; "
         "buffer Two"},
        {"OtherSettingReceiverOneOnly", {one, two}, monday, 2,
         "1: 1 Tue 08:00:00 One; next1 1 20261208 28800 One; buffer One"},
        // A damaged record's time that cannot be read is no event: it would take another entry's time.
        {"DamagedTimesAreLeftOut", {makeEntry("Good", 1, "10:00:00", {1, 2}), makeEntry("Bad", 1, "25:99:99", {1, 2}),
         makeEntry("Odd", 1, "0600:0:0", {1, 2})}, monday, 0,
         "1: 1 Tue 10:00:00 Good; 1: 1 Mon 10:00:00 Good; next1 1 20261208 36000 Good; buffer Good"},
    };
    // clang-format on
    for (const Search& s : rows) {
        SCOPED_TRACE(s.name);
        TestProgram p(QDateTime::fromString(s.now, "yyyy-MM-dd HH:mm:ss.zzz"));
        writeSchedule(p.file("SwitchList.dat"), s.entries);
        p.m->SchedFileNo.open(p.file("SwitchList.dat"));
        p.m->TwoReceivers = s.twoReceivers;
        p.m->FindNextSwitch1();
        if (s.twoReceivers == 1) p.m->FindNextSwitch2();
        const Module1& m = *p.m;
        QStringList seen;
        for (int receiver : {1, 2})
            for (const SortedList::Item& item :
                 (receiver == 1 ? m.lstNextToSwitch : m.lstNextToSwitch2).items())
                seen << QStringLiteral("%1: %2 ").arg(receiver).arg(item.itemData) + trimBlanks(item.line);
        auto next = [&](int n, int record, const QDate& date, int secs, const QByteArray& name) {
            seen << QString::asprintf("next%d %d %s %d ", n, record, qPrintable(date.toString("yyyyMMdd")),
                                      secs) +
                        name;
        };
        next(1, m.NextRecord1, m.NextDate1, m.NextSecs1, m.NextName1);
        if (s.twoReceivers == 1) next(2, m.NextRecord2, m.NextDate2, m.NextSecs2, m.NextName2);
        seen << "buffer " + trimBlanks(QByteArray(m.EntryBuf.Name).replace(QByteArray(1, 0), ""));
        EXPECT_EQ(seen.join("; "), s.expected);
    }
}

// The search against its steps taken one line at a time and a stable sort, on a schedule read in
// several blocks, with times that sort oddly as text, names equal but for case, and days on which the
// clock is put forward or back (the last row in the repeated hour's second pass).
TEST(NextSwitch, AgreesWithItsStepsTakenOneAtATime) {
    const std::tuple<const char*, const char*, qint64> rows[] = {
        {"UTC", "2026-12-07 12:00:00", 0},
        {"Europe/Berlin", "2027-03-28 01:59:59", 0},
        {"Europe/Berlin", "2027-03-28 03:00:00", 0},
        {"Europe/Berlin", "2027-10-31 02:30:00", 3600000}};
    const QByteArray times[] = {"02:30:00", "03:00:00", "12:00:00", "12:00:01", "12:5:30 ",
                                "12:30   ", "01:59:59", "02:59:59", "0600:0:0", "        "};
    const QByteArray names[] = {"News", "news", "NEWS HOUR", "\xC4rger", "\xE4rger", "Zebra", ""};
    std::mt19937 random(7);
    std::vector<ScheduleEntry> entries;
    for (int r = 1; r <= 1500; ++r) {
        ScheduleEntry& e = entries.emplace_back(makeEntry(names[random() % 7], int(random() % 3), "", {}));
        for (int d = 0; d < 7; ++d)
            std::tie(e.Days[d], e.Times[d]) = std::make_tuple(random() % 4 ? 1 : 0, times[random() % 10]);
    }
    for (const auto& [zone, start, laterMs] : rows) {
        SCOPED_TRACE(start);
        qputenv("TZ", zone);
        tzset();
        TestProgram p(QDateTime::fromString(start, "yyyy-MM-dd HH:mm:ss"));
        p.clock.advance(laterMs);
        writeSchedule(p.file("SwitchList.dat"), entries);
        Module1& m = *p.m;
        m.SchedFileNo.open(p.file("SwitchList.dat"));
        m.TwoReceivers = 1;
        for (int receiver : {1, 2}) {
            std::vector<SortedList::Item> lines;
            for (int r = 1; m.GetRecord(r); ++r) {
                for (int d = 0; d < 7 && m.EntryBuf.Receiver == receiver; ++d) {
                    const QDate day = p.clock.read().local.date().addDays(d);
                    m.TimeText = m.EntryBuf.Times[day.dayOfWeek() % 7];
                    m.Seconds = -1;
                    m.TimeToSeconds();
                    if (m.EntryBuf.Days[day.dayOfWeek() % 7] != 1 || m.Seconds < 0) continue;
                    const bool passed =
                        d == 0 && p.clock.read().utcMs >= p.clock.utcOf(day, m.Seconds) * 1000;
                    lines.push_back({(passed ? day.addDays(7) : day).toString("yyyyMMdd").toLatin1() + ' ' +
                                         m.TimeText + ' ' + m.EntryBuf.Name,
                                     r});
                }
            }
            std::stable_sort(lines.begin(), lines.end(), [](const auto& a, const auto& b) {
                return compareIgnoringCase(a.line, b.line) < 0;
            });
            receiver == 1 ? m.FindNextSwitch1() : m.FindNextSwitch2();
            EXPECT_TRUE(m.List1.items() == lines);
        }
    }
    qunsetenv("TZ");
    tzset();
}

// Hours are shown only when there are any. A bad time is reported and keeps the previous value;
// what is no time at all (the editor never stores one) passes without a word.
TEST(TimeConversions, BetweenSecondsAndText) {
    TestProgram p;
    QStringList seen;
    for (int seconds : {3725, 59, 0, 600, 45000, 100000}) {
        p.m->Seconds = seconds;
        p.m->SecondsToText();
        seen << QString::fromLatin1(p.m->TimeText);
    }
    for (const QByteArray& time : {QByteArray("14:30:00"), QByteArray("23:59:59"), QByteArray("25:00:00"),
                                   QByteArray("12:60:00"), QByteArray("00:00:00"), QByteArray("1:30:00 "),
                                   QByteArray("        "), QByteArray(8, '\0'), QByteArray()}) {
        p.m->TimeText = time;
        p.m->TimeToSeconds();
        seen << QString::number(p.m->Seconds);
    }
    EXPECT_EQ(seen.join('|'),
              " 1:02:05|00:59|00:00|10:00|12:30:00|27:46:40|52200|86399|86399|86399|0|0|0|0|0");
    EXPECT_EQ(p.messages, QStringList({"13  Type mismatch", "13  Type mismatch"}));
}

}  // namespace
}  // namespace qc::test
