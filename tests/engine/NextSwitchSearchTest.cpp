// The next switching event of each receiver and its coming week, on a simulated clock.
#include <gtest/gtest.h>

#include "platform/Text.h"
#include "support/TestSupport.h"

namespace qc {
namespace {

using test::makeEntry;

QByteArray name25(const QByteArray& name) {
    return fitField(name, ScheduleEntry::NameLength);
}

std::vector<QByteArray> linesOf(const SortedList& list) {
    std::vector<QByteArray> out;
    for (const SortedList::Item& item : list.items())
        out.push_back(item.line);
    return out;
}

std::vector<int> dataOf(const SortedList& list) {
    std::vector<int> out;
    for (const SortedList::Item& item : list.items())
        out.push_back(item.itemData);
    return out;
}

class NextSwitchSearchTest : public ::testing::Test {
protected:
    test::TestProgram tp;  // Monday 2026-12-07 12:00:00

    void openSchedule(const std::vector<ScheduleEntry>& entries) {
        const QString path = tp.file(QStringLiteral("SwitchList.dat"));
        test::writeSchedule(path, entries);
        tp.m->SchedFileNo.open(path);
    }
    void at(int hour, int minute, int second, int ms = 0) {
        tp.clock.set(QDateTime(QDate(2026, 12, 7), QTime(hour, minute, second, ms)));
    }
};

// An entry set for every day, at 10:00:00 on Sunday, 10:01:00 on Monday, ... 10:06:00 on Saturday.
ScheduleEntry dailyAtTenPlusDay(const QByteArray& name) {
    ScheduleEntry e = makeEntry(name, 1, "", {0, 1, 2, 3, 4, 5, 6});
    for (int d = 0; d < 7; ++d)
        e.Times[d] = "10:0" + QByteArray::number(d) + ":00";
    return e;
}

TEST_F(NextSwitchSearchTest, AnEmptyOrDeletedScheduleHasNoNextEvent) {
    openSchedule({});
    tp.m->NextRecord1 = 9;
    tp.m->FindNextSwitch1();
    EXPECT_EQ(tp.m->NextRecord1, 0);
    EXPECT_EQ(tp.m->List1.count(), 0);
    EXPECT_EQ(tp.m->lstNextToSwitch.count(), 0);

    ScheduleEntry deleted = makeEntry("Deleted", 1, "06:00:00", {0, 1, 2, 3, 4, 5, 6});
    deleted.Active = 0;
    ScheduleEntry notOne = makeEntry("Not One", 1, "06:00:00", {0, 1, 2, 3, 4, 5, 6});
    notOne.Active = -1;  // only 1 counts as in use
    openSchedule({deleted, makeEntry("Live", 1, "13:00:00", {1}), notOne});
    tp.m->FindNextSwitch1();
    EXPECT_EQ(dataOf(tp.m->List1), std::vector<int>{2});
    EXPECT_EQ(tp.m->NextName1, "Live");

    // Deleting the last live entry empties the week; the old name is simply left behind.
    tp.m->CurRecordNo = 2;
    ASSERT_TRUE(tp.m->GetRecord(2));
    tp.m->DeleteEntry();
    tp.m->FindNextSwitch1();
    EXPECT_EQ(tp.m->NextRecord1, 0);
    EXPECT_EQ(tp.m->lstNextToSwitch.count(), 0);
    EXPECT_EQ(tp.m->NextName1, "Live");
}

TEST_F(NextSwitchSearchTest, AnEntryForEveryDayThatHasPassedTodayListsTheWeekFromTomorrow) {
    ScheduleEntry later = makeEntry("Not Today", 1, "08:00:00", {0});
    later.Active = 0;  // read last, so the buffer must be read again at the end
    openSchedule({dailyAtTenPlusDay("Daily News"), later});
    tp.m->FindNextSwitch1();

    const QByteArray name = name25("Daily News");
    EXPECT_EQ(linesOf(tp.m->List1),
              (std::vector<QByteArray>{"20261208 10:02:00 " + name, "20261209 10:03:00 " + name,
                                       "20261210 10:04:00 " + name, "20261211 10:05:00 " + name,
                                       "20261212 10:06:00 " + name, "20261213 10:00:00 " + name,
                                       "20261214 10:01:00 " + name}));
    EXPECT_EQ(linesOf(tp.m->lstNextToSwitch),
              (std::vector<QByteArray>{"Tue 10:02:00 " + name, "Wed 10:03:00 " + name, "Thu 10:04:00 " + name,
                                       "Fri 10:05:00 " + name, "Sat 10:06:00 " + name, "Sun 10:00:00 " + name,
                                       "Mon 10:01:00 " + name}));
    EXPECT_EQ(dataOf(tp.m->lstNextToSwitch), std::vector<int>(7, 1));
    EXPECT_EQ(tp.m->NextRecord1, 1);
    EXPECT_EQ(tp.m->NextDate1, QDate(2026, 12, 8));
    EXPECT_EQ(tp.m->NextSecs1, 10 * 3600 + 2 * 60);
    EXPECT_EQ(tp.m->NextName1, "Daily News");
    EXPECT_EQ(tp.m->EntryBuf, dailyAtTenPlusDay("Daily News"));

    // Across the turn of the year the dates still sort in time order.
    tp.clock.set(QDateTime(QDate(2026, 12, 28), QTime(12, 0)));
    tp.m->FindNextSwitch1();
    const std::vector<QByteArray> lines = linesOf(tp.m->List1);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_TRUE(lines[0].startsWith("20261229 10:02:00"));
    EXPECT_TRUE(lines[3].startsWith("20270101 10:05:00"));
    EXPECT_TRUE(lines[6].startsWith("20270104 10:01:00"));
    EXPECT_TRUE(tp.m->lstNextToSwitch.line(3).startsWith("Fri 10:05:00"));
    EXPECT_EQ(tp.m->NextDate1, QDate(2026, 12, 29));
}

TEST_F(NextSwitchSearchTest, AnEventHasPassedFromTheStartOfItsOwnSecond) {
    openSchedule({makeEntry("At Noon", 1, "12:00:00", {1}), makeEntry("Second After", 1, "12:00:01", {1})});

    at(11, 59, 59, 999);
    tp.m->FindNextSwitch1();
    EXPECT_EQ(tp.m->NextRecord1, 1);
    EXPECT_EQ(tp.m->NextDate1, QDate(2026, 12, 7));
    EXPECT_EQ(tp.m->NextSecs1, 43200);

    at(12, 0, 0);
    tp.m->FindNextSwitch1();
    EXPECT_EQ(tp.m->NextRecord1, 2);
    EXPECT_EQ(tp.m->NextDate1, QDate(2026, 12, 7));
    EXPECT_EQ(tp.m->NextSecs1, 43201);
    EXPECT_EQ(tp.m->List1.line(1).left(17), "20261214 12:00:00");

    at(12, 0, 0, 400);
    tp.m->FindNextSwitch1();
    EXPECT_EQ(tp.m->NextRecord1, 2);

    at(12, 0, 1);
    tp.m->FindNextSwitch1();
    EXPECT_EQ(tp.m->NextRecord1, 1);
    EXPECT_EQ(tp.m->NextDate1, QDate(2026, 12, 14));
    EXPECT_EQ(tp.m->List1.line(1).left(17), "20261214 12:00:01");
}

TEST_F(NextSwitchSearchTest, EventsAtTheSameMomentAreOrderedByNameIgnoringCase) {
    // In byte order the capitals would come first: "Alpha", "BETA BAND", "alpha", "beta".
    openSchedule({makeEntry("beta", 1, "08:00:00", {2}), makeEntry("Alpha", 1, "08:00:00", {2}),
                  makeEntry("BETA BAND", 1, "08:00:00", {2}), makeEntry("alpha", 1, "08:00:00", {2})});
    tp.m->FindNextSwitch1();
    // Names equal but for case keep the order of their records.
    EXPECT_EQ(dataOf(tp.m->List1), (std::vector<int>{2, 4, 1, 3}));
    EXPECT_EQ(dataOf(tp.m->lstNextToSwitch), (std::vector<int>{2, 4, 1, 3}));
    EXPECT_EQ(tp.m->NextRecord1, 2);
    EXPECT_EQ(tp.m->NextName1, "Alpha");
    EXPECT_EQ(tp.m->EntryBuf.Name, name25("Alpha"));
}

TEST_F(NextSwitchSearchTest, EachReceiverSearchesItsOwnEntries) {
    openSchedule({makeEntry("One", 1, "08:00:00", {2}), makeEntry("Two", 2, "07:00:00", {2}),
                  makeEntry("Fresh", 0, "06:00:00", {2})});

    // With one receiver every active entry is switched on receiver 1.
    tp.m->TwoReceivers = 0;
    tp.m->FindNextSwitch1();
    EXPECT_EQ(dataOf(tp.m->lstNextToSwitch), (std::vector<int>{3, 2, 1}));

    tp.m->TwoReceivers = 1;
    tp.m->FindNextSwitch1();
    EXPECT_EQ(dataOf(tp.m->lstNextToSwitch), std::vector<int>{1});
    EXPECT_EQ(tp.m->NextRecord1, 1);
    tp.m->FindNextSwitch2();
    EXPECT_EQ(linesOf(tp.m->lstNextToSwitch2), std::vector<QByteArray>{"Tue 07:00:00 " + name25("Two")});
    EXPECT_EQ(dataOf(tp.m->lstNextToSwitch2), std::vector<int>{2});
    EXPECT_EQ(tp.m->NextRecord2, 2);
    EXPECT_EQ(tp.m->NextDate2, QDate(2026, 12, 8));
    EXPECT_EQ(tp.m->NextSecs2, 7 * 3600);
    EXPECT_EQ(tp.m->NextName2, "Two");
    EXPECT_EQ(tp.m->EntryBuf.Name, name25("Two"));
    // Receiver 2's search leaves receiver 1's week alone.
    EXPECT_EQ(dataOf(tp.m->lstNextToSwitch), std::vector<int>{1});
    EXPECT_EQ(tp.m->NextRecord1, 1);

    // Any other setting: receiver 1's entries only.
    tp.m->TwoReceivers = 2;
    tp.m->FindNextSwitch1();
    EXPECT_EQ(dataOf(tp.m->lstNextToSwitch), std::vector<int>{1});
}

TEST(TimeConversions, SecondsToTextShowsHoursOnlyWhenThereAreAny) {
    test::TestProgram tp;
    auto text = [&](int32_t secs) {
        tp.m->Seconds = secs;
        tp.m->SecondsToText();
        return tp.m->TimeText;
    };
    EXPECT_EQ(text(3725), " 1:02:05");
    EXPECT_EQ(text(59), "00:59");
    EXPECT_EQ(text(0), "00:00");
    EXPECT_EQ(text(600), "10:00");
    EXPECT_EQ(text(3600), " 1:00:00");
    EXPECT_EQ(text(45000), "12:30:00");
    EXPECT_EQ(text(100000), "27:46:40");
    EXPECT_EQ(tp.m->Seconds, 100000);
}

TEST(TimeConversions, TimeToSecondsReportsBadTimesAndKeepsThePreviousValue) {
    test::TestProgram tp;
    auto seconds = [&](const QByteArray& time) {
        tp.m->TimeText = time;
        tp.m->TimeToSeconds();
        return tp.m->Seconds;
    };
    EXPECT_EQ(seconds("14:30:00"), 52200);
    EXPECT_EQ(seconds("00:00:00"), 0);
    EXPECT_EQ(seconds("23:59:59"), 86399);
    EXPECT_TRUE(tp.messages.isEmpty());

    tp.m->Seconds = 777;
    EXPECT_EQ(seconds("25:00:00"), 777);
    EXPECT_EQ(tp.messages, QStringList{"13  Type mismatch"});
    EXPECT_EQ(seconds("12:60:00"), 777);
    EXPECT_EQ(tp.messages.size(), 2);

    // Not a time at all: the editor never stores one, and it passes without a word.
    tp.messages.clear();
    EXPECT_EQ(seconds("1:30:00 "), 777);
    EXPECT_EQ(seconds("        "), 777);
    EXPECT_EQ(seconds(QByteArray(8, '\0')), 777);
    EXPECT_EQ(seconds(""), 777);
    EXPECT_TRUE(tp.messages.isEmpty());
}

}  // namespace
}  // namespace qc
