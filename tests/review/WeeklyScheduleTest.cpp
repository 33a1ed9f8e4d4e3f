// The weekly switch listing built from the schedule file: one line per day of each active entry,
// in week order, with the receiver tag only when two receivers are in use.
#include <gtest/gtest.h>

#include "platform/Text.h"
#include "support/TestSupport.h"

namespace qc {
namespace {

TEST(WeeklySchedule, ListsEachActiveDayInWeekOrder) {
    ScheduleEntry twoDays = test::makeEntry("Farm Report", 2, "06:00:00", {1, 5});
    twoDays.Times[5] = "18:15:00";
    ScheduleEntry inactive = test::makeEntry("Old Show", 1, "05:00:00", {0, 1});
    inactive.Active = 0;
    for (const int16_t two : {1, 0}) {
        test::TestProgram p;
        test::writeSchedule(p.file("SwitchList.dat"),
                            {test::makeEntry("Late Mass", 1, "07:00:00", {0}), twoDays, inactive,
                             test::makeEntry("Early Mass", 1, "06:30:00", {0})});
        p.m->InitializeProgram();
        p.m->TwoReceivers = two;
        p.m->BuildWeeklySchedule();
        p.m->BuildWeeklySchedule();  // a rebuild replaces the listing
        auto line = [two](const char* dayAndTime, const char* name, const char* tag) {
            return dayAndTime + (' ' + fitField(name, 25)) + ' ' + (two ? tag : "");
        };
        const std::vector<QByteArray> expected{
            line("Sun 06:30:00", "Early Mass", "R 1"), line("Sun 07:00:00", "Late Mass", "R 1"),
            line("Mon 06:00:00", "Farm Report", "R 2"), line("Fri 18:15:00", "Farm Report", "R 2")};
        std::vector<QByteArray> shown;
        for (const SortedList::Item& item : p.m->lstWeeklySchedule.items())
            shown.push_back(item.line);
        EXPECT_EQ(shown, expected) << "two receivers " << two;
        EXPECT_EQ(p.m->lstSort.line(0), "106:30:00 " + expected[0].mid(13));
    }
}

}  // namespace
}  // namespace qc
