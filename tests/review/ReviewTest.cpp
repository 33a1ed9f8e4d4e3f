// The review logic on a test program: the conflict check over a receiver's coming week, the weekly
// listing, and the reference files SPNames.dat and Source.dat.
#include <gtest/gtest.h>

#include <QDir>

#include "WindowTesting.h"
#include "platform/Text.h"
#include "review/ServiceProviderNames.h"
#include "review/SourceCodes.h"

namespace qc::test {
namespace {

TEST(ConflictCheck, ReportsEachAdjacentPairDueAtTheSameSecond) {
    // Monday 08:00:0<second>; 2026-12-07, the day of the run, is a Monday (day 1).
    auto e = [](const char* name, int receiver, int second = 0, int day = 1) {
        return makeEntry(name, receiver, "08:00:0" + QByteArray::number(second), {day});
    };
    // The entries, TwoReceivers, the receiver whose search and check run, the names found.
    const std::tuple<std::vector<ScheduleEntry>, int16_t, int, QByteArrayList> rows[] = {
        {{e("bravo", 1), e("Alpha", 1)}, 0, 1, {"Alpha", "bravo"}},
        {{e("A", 1), e("B", 1, 0, 2)}, 0, 1, {}},                                       // another day
        {{e("A", 1), e("B", 2)}, 0, 1, {"A", "B"}},                                     // one receiver
        {{e("C", 2), e("A", 2), e("B", 2), e("D", 2, 1)}, 1, 2, {"A", "B", "B", "C"}},  // three at once
    };
    for (const auto& [entries, twoReceivers, receiver, expected] : rows) {
        TestProgram p;
        p.start(entries, twoReceivers ? "111001d12" : "111001d02");  // both searches run at the start
        p.m->lstConflicts.addItem("left from the last check");
        receiver == 1 ? p.m->CheckConflicts1() : p.m->CheckConflicts2();
        QByteArrayList names;  // whole lines of the week: day, time, the name as stored
        for (const QByteArray& line : linesOf(p.m->lstConflicts))
            names << (line.startsWith("Mon 08:00:00 ") ? trimBlanks(line.mid(13)) : line);
        EXPECT_EQ(names, expected);
    }
}

// One line per day of each active entry, in week order, with the receiver tag only when two
// receivers are in use.
TEST(WeeklySchedule, ListsEachActiveDayInWeekOrder) {
    ScheduleEntry twoDays = makeEntry("Farm Report", 2, "06:00:00", {1, 5});
    twoDays.Times[5] = "18:15:00";
    ScheduleEntry inactive = makeEntry("Old Show", 1, "05:00:00", {0, 1});
    inactive.Active = 0;
    for (const int16_t two : {1, 0}) {
        TestProgram p;
        p.start({makeEntry("Late Mass", 1, "07:00:00", {0}), twoDays, inactive,
                 makeEntry("Early Mass", 1, "06:30:00", {0})},
                two ? "111001d12" : "111001d02");
        p.m->BuildWeeklySchedule();
        auto line = [two](const char* dayAndTime, const char* name, const char* tag) {
            return dayAndTime + (' ' + fitField(name, 25)) + ' ' + (two ? tag : "");
        };
        const QByteArrayList expected{
            line("Sun 06:30:00", "Early Mass", "R 1"), line("Sun 07:00:00", "Late Mass", "R 1"),
            line("Mon 06:00:00", "Farm Report", "R 2"), line("Fri 18:15:00", "Farm Report", "R 2")};
        EXPECT_EQ(linesOf(p.m->lstWeeklySchedule), expected) << "two receivers " << two;
        EXPECT_EQ(p.m->lstSort.line(0), "106:30:00 " + expected[0].mid(13));
    }
}

TEST(ServiceProviderNames, SixtyFourSlotsOfWhichNamesTakeTwentyFiveBytes) {
    TestProgram p;
    ServiceProviderNames names(p.file("SPNames.dat"));
    names.open();  // the first opening makes the file
    // 64 slots of 128 bytes: 25 blanks, then zero bytes; the last slot ends with its name.
    QByteArray blank = (QByteArray(25, ' ') + QByteArray(103, '\0')).repeated(64).chopped(103);
    EXPECT_EQ(p.readFile("SPNames.dat"), blank);

    // An old station's file whose slots carry other bytes after the name: they stay as they are.
    names.close();
    p.writeFile("SPNames.dat", blank.replace('\0', 'x'));
    names.open();
    names.writeName(7, "alpha6789012345678901234567890");  // 30 characters
    EXPECT_EQ(p.readFile("SPNames.dat").mid(7 * 128, 26), "alpha67890123456789012345x");
}

// The floppy's Source.dat becomes the local one, a field a line: every field is taken, the last one too.
TEST(SourceCodes, TheFloppyIsCopiedWholeOrTheOldListStays) {
    const QByteArray old = "OLD\r\n";
    // The floppy's file (none: no floppy folder), its text, the new local file blocked, what is
    // left locally, the message.
    // clang-format off
    const std::tuple<const char*, QByteArray, bool, QByteArray, QString> rows[] = {
        {"SOURCE.DAT", "\"ENG\", fra ,\"D,E\"\r\n  ita\t\r\nSPA", false, "ENG\r\nfra\r\n\"D,E\"\r\nita\r\nSPA\r\n", ""},
        {"Source.dat", "\"X Y\"junk,Z\n\r\n   \r\nW\x1aGARBAGE\r\n", false, "X Y\r\nZ\r\nW\r\n", ""},
        {"Source.dat", "", false, "", ""},
        {"Other.dat", "ENG\r\n", false, old, "53  File not found"},
        {nullptr, "", false, old, "76  Path not found"},
        {"Source.dat", "ENG\r\n", true, old, "75  Path/File access error"},
    };
    // clang-format on
    for (const auto& [floppyFile, floppy, blockCopy, local, message] : rows) {
        TestProgram p;
        p.writeFile("Source.dat", old);
        if (floppyFile) p.writeFile(QStringLiteral("floppy/") + floppyFile, floppy);
        if (blockCopy) QDir().mkpath(p.file("Source.dat.new"));
        qputenv("QUILLORN_FLOPPY", p.file("floppy").toLocal8Bit());
        LoadSourceCodes(*p.m);
        EXPECT_EQ(p.readFile("Source.dat"), local) << floppyFile;
        EXPECT_TRUE(message.isEmpty() ? p.messages.isEmpty() : p.messages.join('|').startsWith(message))
            << p.messages.join('|').toStdString();
    }
}

}  // namespace
}  // namespace qc::test
