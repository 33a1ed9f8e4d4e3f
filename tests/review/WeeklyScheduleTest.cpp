// The weekly switch listing built from the schedule file: one line per day of each active entry,
// in week order, with the receiver tag only when two receivers are in use.
#include <gtest/gtest.h>

#include "platform/Text.h"
#include "support/TestSupport.h"

namespace qc {
namespace {

QByteArray line(const char* day, const char* time, const char* name, const char* tag) {
    return QByteArray(day) + ' ' + time + ' ' + fitField(name, 25) + ' ' + tag;
}

TEST(WeeklySchedule, ListsEachActiveDayInWeekOrder) {
    ScheduleEntry twoDays = test::makeEntry("Farm Report", 2, "06:00:00", {1, 5});
    twoDays.Times[5] = "18:15:00";
    ScheduleEntry inactive = test::makeEntry("Old Show", 1, "05:00:00", {0, 1});
    inactive.Active = 0;
    const std::vector<ScheduleEntry> week{test::makeEntry("Late Mass", 1, "07:00:00", {0}), twoDays, inactive,
                                          test::makeEntry("Early Mass", 1, "06:30:00", {0})};
    struct Row {
        int16_t twoReceivers;
        std::vector<ScheduleEntry> entries;
        std::vector<QByteArray> lines;
    };
    const Row rows[] = {
        {1,
         week,
         {line("Sun", "06:30:00", "Early Mass", "R 1"), line("Sun", "07:00:00", "Late Mass", "R 1"),
          line("Mon", "06:00:00", "Farm Report", "R 2"), line("Fri", "18:15:00", "Farm Report", "R 2")}},
        {0,
         week,
         {line("Sun", "06:30:00", "Early Mass", ""), line("Sun", "07:00:00", "Late Mass", ""),
          line("Mon", "06:00:00", "Farm Report", ""), line("Fri", "18:15:00", "Farm Report", "")}},
        {1, {}, {}},
    };
    for (const Row& row : rows) {
        test::TestProgram p;
        test::writeSchedule(p.file("SwitchList.dat"), row.entries);
        p.m->InitializeProgram();
        p.m->TwoReceivers = row.twoReceivers;
        p.m->BuildWeeklySchedule();
        p.m->BuildWeeklySchedule();  // a rebuild replaces the listing
        std::vector<QByteArray> shown;
        for (const SortedList::Item& item : p.m->lstWeeklySchedule.items())
            shown.push_back(item.line);
        EXPECT_EQ(shown, row.lines) << "two receivers " << row.twoReceivers;
        ASSERT_EQ(p.m->lstSort.count(), int(row.lines.size()));
        if (!row.lines.empty()) {
            EXPECT_EQ(p.m->lstSort.line(0), "106:30:00 " + row.lines[0].mid(13));
        }
    }
}

}  // namespace
}  // namespace qc
