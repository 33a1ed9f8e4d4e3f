// The schedule listing as it reaches the printer: layout, page breaks and failures.
#include <gtest/gtest.h>

#include <QLocale>

#include "TestSupport.h"
#include "WindowTesting.h"
#include "schedule_ui/ScheduleEditing.h"

namespace qc::test {
namespace {

// The heading of page n, printed on 2026-12-07 in US English.
QList<QByteArray> heading(const char* page) {
    const QByteArray title = "                            QuillornControl Schedules      12/7/26   Page ";
    return {" ", title + page, " ", " ", "         Program               Len  Srce Port Rte  Att  Rec", " "};
}

struct Print : ::testing::Test {
    TestProgram p;
    SchedulePrint print;
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void load(const std::vector<ScheduleEntry>& entries) {
        writeSchedule(p.file("SwitchList.dat"), entries);
        p.m->SchedFileNo.open(p.file("SwitchList.dat"));
    }
};

TEST_F(Print, EntriesWithTheirTickedDaysAndAPageBreakAfterFiftyLines) {
    load({});
    RecordingTextDevice empty;
    print.PrintSchedules(*p.m, {}, empty);
    EXPECT_EQ(empty.pages, QList<QList<QByteArray>>{heading("1 ")});
    EXPECT_TRUE(empty.ended);

    ScheduleEntry news = makeEntry("Morning News", 2, "06:00:00", {1, 3}, 1, "B", 14, 3, "05:00");
    news.Days[5] = 2;  // greyed: not printed
    news.Attenuation = -3;
    const ScheduleEntry daily = makeEntry("Daily", 1, "12:00:00", {0, 1, 2, 3, 4, 5, 6});
    std::vector<ScheduleEntry> entries{
        news,  makeEntry("Odd", 1, "", {}, 1, "A", 7, 9), daily, daily, daily, daily,
        daily, makeEntry("Once", 1, "12:00:00", {1}),     daily, daily};
    entries[3].Active = 0;  // free: not printed
    load(entries);
    p.m->CurRecordNo = 4;
    RecordingTextDevice printer;
    print.PrintSchedules(*p.m, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, printer);

    const QList<QByteArray>& page1 = printer.pages[0];
    EXPECT_EQ(page1.mid(6, 5),
              (QList<QByteArray>{"    Morning News              05:00   14   B  Rev   -3   2 ",
                                 "         Mon  06:00:00  ", "         Wed  06:00:00   ", " ",
                                 "    Odd                               7   A  9       0   1 "}));
    EXPECT_EQ(page1[14], "         Sun  12:00:00  ");
    // Counted: heading 6, news 4, odd 2, four daily entries of 9, once 3 = 51: the break comes there.
    EXPECT_EQ(page1.size(), 6 + 4 + 3 + 4 * 9 + 3);
    EXPECT_EQ(printer.pages.value(1).mid(0, 6), heading("2 "));
    EXPECT_EQ(printer.pages.value(1).size(), 6 + 2 * 9);
    EXPECT_EQ(p.m->CurRecordNo, 4);
}

TEST_F(Print, FailuresAreReportedAndWhatWasPrintedIsReleased) {
    load({makeEntry("News", 1, "06:00:00", {1})});
    FailingPrinter heading, entry;
    heading.failAt = 2;  // the title line: the entries still print
    print.PrintSchedules(*p.m, {1}, heading);
    EXPECT_TRUE(heading.pages[0].at(heading.pages[0].size() - 3).startsWith("    News"));
    entry.failAt = 8;  // the day line
    print.PrintSchedules(*p.m, {1}, entry);
    EXPECT_TRUE(entry.ended);
    setDefaultPrinter(nullptr);
    print.PrintSchedules(*p.m, {1});
    EXPECT_EQ(p.messages,
              (QStringList{"57 Device I/O error", "57 Device I/O error", "8010 No printer is installed"}));
}

}  // namespace
}  // namespace qc::test
