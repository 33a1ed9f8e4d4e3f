// The schedule file: end of file, new and deleted entries, and the copy to and from a transfer folder.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "platform/QcError.h"
#include "support/TestSupport.h"

namespace qc {
namespace {

using test::makeEntry;

constexpr int R = ScheduleEntry::RecordLength;

class ScheduleFileTest : public ::testing::Test {
protected:
    test::TestProgram tp;  // Monday 2026-12-07 12:00

    QByteArray scheduleBytes() const { return tp.readFile(QStringLiteral("SwitchList.dat")); }

    void openSchedule(const std::vector<ScheduleEntry>& entries, const QByteArray& tail = {}) {
        const QString path = tp.file(QStringLiteral("SwitchList.dat"));
        test::writeSchedule(path, entries);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write(tail);
        f.close();
        tp.m->SchedFileNo.open(path);
    }

    // A transfer folder holding switchlist.dat with the given bytes.
    QString transferFolder(const QByteArray& bytes) {
        tp.writeFile(QStringLiteral("floppy/switchlist.dat"), bytes);
        return tp.file(QStringLiteral("floppy"));
    }

    static QByteArray bytesOf(const std::vector<ScheduleEntry>& entries) {
        QByteArray out;
        for (const ScheduleEntry& e : entries)
            out += e.serialise();
        return out;
    }
};

TEST_F(ScheduleFileTest, AnIncompleteLastRecordIsEndOfFileEverywhere) {
    // The broken tail would be the earliest event of all if it were read as a record.
    const QByteArray tail = makeEntry("Torn", 1, "06:00:00", {2}).serialise().left(50);
    ScheduleEntry odd = makeEntry("Second", 1, "10:00:00", {3});
    odd.Active = -1;  // neither switched nor free
    openSchedule({makeEntry("First", 1, "09:00:00", {2}), odd}, tail);
    const QByteArray before = scheduleBytes();
    ASSERT_EQ(before.size(), 2 * R + 50);

    EXPECT_EQ(tp.m->SchedFileNo.recordCount(), 2);
    EXPECT_TRUE(tp.m->GetRecord(2));
    EXPECT_FALSE(tp.m->GetRecord(3));

    tp.m->FindNextSwitch1();
    EXPECT_EQ(tp.m->List1.count(), 1);
    EXPECT_EQ(tp.m->NextRecord1, 1);

    tp.m->TransferFolder = transferFolder({});
    tp.m->SaveFiles();
    EXPECT_EQ(tp.readFile(QStringLiteral("floppy/switchlist.dat")), before.left(2 * R));

    // A new entry on a file without a free record goes after the last whole record.
    tp.m->NewEntry();
    EXPECT_EQ(tp.m->CurRecordNo, 3);
    const QByteArray after = scheduleBytes();
    ASSERT_EQ(after.size(), 3 * R);
    EXPECT_EQ(after.left(2 * R), before.left(2 * R));
    EXPECT_EQ(after.mid(2 * R, 2), QByteArray::fromHex("0100"));
}

TEST_F(ScheduleFileTest, DeletingTheOnlyEntryAndMakingANewOneReusesRecordOne) {
    openSchedule({makeEntry("Only Show", 1, "09:00:00", {1, 2, 3}, 2, "C", 41, 5, "59:00")});
    const QByteArray original = scheduleBytes();

    tp.m->CurRecordNo = 1;
    ASSERT_TRUE(tp.m->GetRecord(1));
    tp.m->DeleteEntry();
    QByteArray deleted = scheduleBytes();
    EXPECT_EQ(deleted.left(2), QByteArray::fromHex("0000"));
    EXPECT_EQ(deleted.mid(2), original.mid(2));  // the rest of the record stays as it was
    tp.m->FindNextSwitch1();
    EXPECT_EQ(tp.m->NextRecord1, 0);
    EXPECT_EQ(tp.m->lstNextToSwitch.count(), 0);

    tp.m->NewEntry();
    EXPECT_EQ(tp.m->CurRecordNo, 1);
    const QByteArray fresh = scheduleBytes();
    ASSERT_EQ(fresh.size(), R);
    ASSERT_TRUE(tp.m->GetRecord(1));
    const ScheduleEntry& e = tp.m->EntryBuf;
    EXPECT_EQ(e.Active, 1);
    EXPECT_EQ(e.Name, QByteArray(25, ' '));
    EXPECT_EQ(e.Length, "     ");
    EXPECT_EQ(e.Port, " ");
    EXPECT_EQ(e.SourceCode, 0);
    EXPECT_EQ(e.Route, 0);
    EXPECT_EQ(e.Receiver, 0);
    for (int d = 0; d < 7; ++d) {
        EXPECT_EQ(e.Days[d], 0) << d;
        EXPECT_EQ(e.Times[d], "        ") << d;
    }

    // Now every record is in use: the next new entry extends the file.
    tp.m->NewEntry();
    EXPECT_EQ(tp.m->CurRecordNo, 2);
    EXPECT_EQ(scheduleBytes().size(), 2 * R);
}

TEST_F(ScheduleFileTest, LoadingAShorterScheduleFreesTheRecordsBeyondItAndSearchesAgain) {
    tp.m->TwoReceivers = 1;
    openSchedule({makeEntry("Old One", 1, "09:00:00", {3}), makeEntry("Old Two", 1, "10:00:00", {3}),
                  makeEntry("Old Three", 1, "11:00:00", {3}), makeEntry("Old Early", 1, "06:00:00", {2}),
                  makeEntry("Old Rx2", 2, "07:00:00", {2})});
    tp.m->FindNextSwitch1();
    tp.m->FindNextSwitch2();
    ASSERT_EQ(tp.m->NextRecord1, 4);
    ASSERT_EQ(tp.m->NextRecord2, 5);
    const QByteArray before = scheduleBytes();

    const std::vector<ScheduleEntry> loaded = {makeEntry("New Rx1", 1, "08:00:00", {4}),
                                               makeEntry("New Rx2", 2, "08:30:00", {5}),
                                               makeEntry("New Late", 1, "20:00:00", {4})};
    tp.m->TransferFolder = transferFolder(bytesOf(loaded));
    tp.m->LoadSchedules();

    const QByteArray after = scheduleBytes();
    ASSERT_EQ(after.size(), 5 * R);  // the file never shrinks
    EXPECT_EQ(after.left(3 * R), bytesOf(loaded));
    for (int r = 4; r <= 5; ++r) {
        const qsizetype at = (r - 1) * R;
        EXPECT_EQ(after.mid(at, 2), QByteArray::fromHex("0000")) << r;
        EXPECT_EQ(after.mid(at + 2, R - 2), before.mid(at + 2, R - 2)) << r;
    }
    EXPECT_EQ(tp.m->NextRecord1, 1);
    EXPECT_EQ(tp.m->NextName1, "New Rx1");
    EXPECT_EQ(tp.m->NextRecord2, 2);
    EXPECT_EQ(tp.m->NextName2, "New Rx2");
    EXPECT_EQ(tp.m->lstNextToSwitch.count(), 2);
    EXPECT_EQ(tp.m->lstNextToSwitch2.count(), 1);
}

TEST_F(ScheduleFileTest, ACopyNamedInAnotherLetterCaseLoadsAndAFailedLoadStillSearches) {
    openSchedule({makeEntry("Old", 1, "13:00:00", {1})});
    tp.m->FindNextSwitch1();
    ASSERT_EQ(tp.m->NextName1, "Old");

    // A stick written on the old PCs: the 8.3 name in capitals.
    tp.writeFile(QStringLiteral("stick/SWITCHLIST.DAT"),
                 makeEntry("From Stick", 1, "14:00:00", {1}).serialise());
    tp.m->TransferFolder = tp.file(QStringLiteral("stick"));
    tp.m->LoadSchedules();
    EXPECT_EQ(tp.m->NextName1, "From Stick");

    // A load that fails after copying records: the next event is searched again all the same, so
    // the engine never switches an old event's time with the record that now stands there.
    tp.writeFile(QStringLiteral("bad/switchlist.dat"),
                 makeEntry("Copied", 1, "15:00:00", {1}).serialise() +
                     makeEntry("Never", 1, "16:00:00", {1}).serialise());
    tp.m->TransferFolder = tp.file(QStringLiteral("bad"));
    tp.m->SchedFileNo.close();
    tp.m->SchedFileNo.openForReading(tp.file(QStringLiteral("SwitchList.dat")));  // writes now fail
    tp.m->NextName1 = "Stale";
    EXPECT_THROW(tp.m->LoadSchedules(), QcError);
    EXPECT_EQ(tp.m->NextName1, "From Stick");
}

TEST_F(ScheduleFileTest, LoadingAnEmptyFileChangesNothingButStillSearches) {
    tp.m->TwoReceivers = 1;
    openSchedule({makeEntry("Noon Thirty", 1, "12:30:00", {1}), makeEntry("Tuesday", 1, "08:00:00", {2})});
    tp.m->FindNextSwitch1();
    ASSERT_EQ(tp.m->NextRecord1, 1);
    const QByteArray before = scheduleBytes();

    tp.clock.set(QDateTime(QDate(2026, 12, 7), QTime(12, 31)));  // the first event has passed
    tp.m->NextRecord2 = -5;
    tp.m->TransferFolder = transferFolder({});
    tp.m->LoadSchedules();

    EXPECT_EQ(scheduleBytes(), before);
    EXPECT_EQ(tp.m->NextRecord1, 2);
    EXPECT_EQ(tp.m->NextRecord2, 0);
}

TEST_F(ScheduleFileTest, SavingReplacesALongerTransferFileWithAnExactCopy) {
    // Odd bytes in a record are copied as they are.
    QByteArray odd = makeEntry("x", 1, "09:00:00", {1}).serialise();
    odd.replace(2, 25, QByteArray("Caf\xE9\x81") + QByteArray(20, '\0'));
    openSchedule({makeEntry("One", 1, "09:00:00", {1}), ScheduleEntry::deserialise(odd.constData()),
                  makeEntry("Three", 2, "10:00:00", {2, 3})});
    const QString folder = transferFolder(QByteArray(10 * R, '\xEE'));

    tp.m->TransferFolder = folder;
    tp.m->SaveFiles();
    EXPECT_EQ(tp.readFile(QStringLiteral("floppy/switchlist.dat")), scheduleBytes());
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"switchlist.dat"});

    // The copy loads back as the same schedule.
    const QByteArray saved = scheduleBytes();
    tp.m->LoadSchedules();
    EXPECT_EQ(scheduleBytes(), saved);
}

TEST_F(ScheduleFileTest, TransferFailuresAreErrorsAndLeaveNoFilesBehind) {
    openSchedule({makeEntry("One", 1, "09:00:00", {1})});
    const QByteArray before = scheduleBytes();

    tp.m->TransferFolder = tp.file(QStringLiteral("no-floppy"));
    EXPECT_THROW(tp.m->SaveFiles(), QcError);
    EXPECT_THROW(tp.m->LoadSchedules(), QcError);
    EXPECT_FALSE(QFileInfo::exists(tp.file(QStringLiteral("no-floppy"))));
    EXPECT_EQ(scheduleBytes(), before);

    // The copy cannot be put in place: the half-written temporary copy is removed again.
    ASSERT_TRUE(QDir().mkpath(tp.file(QStringLiteral("blocked/switchlist.dat"))));
    tp.m->TransferFolder = tp.file(QStringLiteral("blocked"));
    EXPECT_THROW(tp.m->SaveFiles(), QcError);
    EXPECT_EQ(QDir(tp.file(QStringLiteral("blocked")))
                  .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{"switchlist.dat"});
    EXPECT_THROW(tp.m->LoadSchedules(), QcError);
    EXPECT_EQ(scheduleBytes(), before);
}

}  // namespace
}  // namespace qc
