// The conflict check over a receiver's coming week: equal day and second on one receiver collide.
#include <gtest/gtest.h>

#include <tuple>

#include "TestSupport.h"
#include "platform/Text.h"

namespace qc::test {
namespace {

TEST(ConflictCheck, ReportsEachAdjacentPairDueAtTheSameSecond) {
    // What, the entries, TwoReceivers, the receiver whose search and check run, the names found.
    using Row = std::tuple<const char*, std::vector<ScheduleEntry>, int16_t, int, QByteArrayList>;
    // Monday 08:00:0<second>; 2026-12-07, the day of the run, is a Monday (day 1).
    auto e = [](const char* name, int receiver, int second = 0, int day = 1) {
        return makeEntry(name, receiver, "08:00:0" + QByteArray::number(second), {day});
    };
    const Row rows[] = {
        {"same second", {e("bravo", 1), e("Alpha", 1)}, 0, 1, {"Alpha", "bravo"}},
        {"a second apart", {e("A", 1), e("B", 1, 1)}, 0, 1, {}},
        {"other day", {e("A", 1), e("B", 1, 0, 2)}, 0, 1, {}},
        {"receivers apart", {e("A", 1), e("B", 2)}, 1, 2, {}},
        {"one receiver takes all", {e("A", 1), e("B", 2)}, 0, 1, {"A", "B"}},
        {"three at once", {e("C", 2), e("A", 2), e("B", 2), e("D", 2, 1)}, 1, 2, {"A", "B", "B", "C"}},
    };
    for (const auto& [what, entries, twoReceivers, receiver, expected] : rows) {
        SCOPED_TRACE(what);
        TestProgram p;
        writeSchedule(p.file("SwitchList.dat"), entries);
        p.m->SchedFileNo.open(p.file("SwitchList.dat"));
        p.m->TwoReceivers = twoReceivers;
        p.m->lstConflicts.addItem("left from the last check");
        std::vector<bool> signalled;
        QObject::connect(p.m.get(), &Module1::conflictsChecked,
                         [&](bool found) { signalled.push_back(found); });
        if (receiver == 1) {
            p.m->FindNextSwitch1();
            p.m->CheckConflicts1();
        } else {
            p.m->FindNextSwitch2();
            p.m->CheckConflicts2();
        }
        QByteArrayList names;
        // Whole lines of the week: day, time, the name as stored.
        for (const auto& item : p.m->lstConflicts.items()) {
            EXPECT_EQ(item.line.left(13), "Mon 08:00:00 ");
            names << trimBlanks(item.line.mid(13));
        }
        EXPECT_EQ(names, expected);
        EXPECT_EQ(signalled, std::vector<bool>{!expected.isEmpty()});
    }
}

}  // namespace
}  // namespace qc::test
