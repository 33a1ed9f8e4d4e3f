// The 113-byte schedule record byte for byte, the schedule file through EntryBuf, and the copy to
// and from a transfer folder.
#include "support/TestSupport.h"

namespace qc::test {
namespace {

constexpr int R = ScheduleEntry::RecordLength;

TEST(ScheduleRecord, EveryFieldStandsAtItsOffsetInBothDirections) {
    const QByteArray name("Caf\xE9 Ol\x81 Morning", 16);
    QByteArray b =
        QByteArray::fromHex("0100") + name + QByteArray(9, ' ') + "30:00B";  // Active, Name, Length, Port
    b += QByteArray::fromHex("FEFF 2301 0080 0100 0100 0000 0000 0100 0000 FFFF");  // codes, days Sun..Sat
    b += "06:00:0007:30:00" + QByteArray(16, ' ') + "23:59:59" + QByteArray(8, ' ') + "00:00:01";
    b += QByteArray::fromHex("0300 0200");  // RemoteMode 3, Receiver 2
    ASSERT_EQ(b.size(), R);
    ScheduleEntry e = makeEntry(name, 2, "", {}, 3, "B", -2, 0x0123, "30:00");
    e.Name = name;  // assigned short, as the editor does
    e.Attenuation = -32768;
    e.Days = {1, 1, 0, 0, 1, 0, -1};
    e.Times = {"06:00:00", "07:30:00", "", "", "23:59:59", "", "00:00:01"};
    EXPECT_EQ(e.serialise().toHex(' '), b.toHex(' '));
    EXPECT_EQ(ScheduleEntry::deserialise(b.constData()).serialise(), b);
    EXPECT_EQ(ScheduleEntry::deserialise(b.constData()).Name, fitField(e.Name, 25));
    // Too long texts are cut, and the fields after them stay where they belong.
    e.Name = "The Thirty Character Name Show";
    e.Port = "CDE";
    e.Length = "120:00";
    e.Times[1] = "07:30:00 PM";
    b.replace(2, 31, "The Thirty Character Name120:0C");
    EXPECT_EQ(e.serialise().toHex(' '), b.toHex(' '));
}

class ScheduleFileTest : public ::testing::Test {
protected:
    TestProgram tp;  // Monday 2026-12-07 12:00

    void open(const std::vector<ScheduleEntry>& entries, const QByteArray& tail = {}) {
        writeSchedule(tp.file("SwitchList.dat"), entries);
        QFile f(tp.file("SwitchList.dat"));
        if (f.open(QIODevice::Append)) f.write(tail);
        tp.m->SchedFileNo.open(tp.file("SwitchList.dat"));
        tp.m->TwoReceivers = 1;
        tp.m->FindNextSwitch1();
        tp.m->FindNextSwitch2();
    }
    // The records of a file: each name, with "-" when not active, and what is left over after them.
    static QString records(const QByteArray& bytes) {
        QStringList out;
        for (qsizetype at = 0; at + R <= bytes.size(); at += R) {
            const ScheduleEntry e = ScheduleEntry::deserialise(bytes.constData() + at);
            out << QString::fromLatin1(trimBlanks(e.Name)) + (e.Active == 1 ? "" : "-");
        }
        if (bytes.size() % R) out << QStringLiteral("+%1").arg(bytes.size() % R);
        return out.join(", ");
    }
    // The schedule file's records, then the next record of each receiver.
    QString state() const {
        return records(tp.readFile("SwitchList.dat")) +
               QStringLiteral(" | %1 %2").arg(tp.m->NextRecord1).arg(tp.m->NextRecord2);
    }
    // Loads or saves with the transfer folder `folder` under the data folder; an error as its text.
    QString transfer(void (Module1::*command)(), const char* folder) {
        tp.m->TransferFolder = folder ? tp.file(folder) : QString();
        try {
            (tp.m.get()->*command)();
        } catch (const QcError& e) {
            return e.text().replace(tp.home(), "<home>").section(" (", 0, 0);
        }
        return {};
    }
};

// The torn tail would be the earliest event of all if it were read as a record. A new entry goes
// into the first free record, else after the last whole record; the rest of a deleted record stays.
TEST_F(ScheduleFileTest, AnIncompleteLastRecordIsEndOfFileEverywhere) {
    ScheduleEntry odd = makeEntry("Second", 1, "10:00:00", {3});
    odd.Active = -1;  // neither switched nor free
    open({makeEntry("First", 1, "09:00:00", {2}, 2, "C", 41, 5, "59:00"), odd},
         makeEntry("Torn", 1, "06:00:00", {2}).serialise().left(50));
    EXPECT_EQ(tp.m->SchedFileNo.recordCount(), 2);
    EXPECT_EQ(state() + QStringLiteral(" %1").arg(tp.m->lstNextToSwitch.count()),
              "First, Second-, +50 | 1 0 1");
    // A longer copy in capitals (as the old PCs wrote it) is replaced by the whole records alone.
    tp.writeFile("floppy/SWITCHLIST.DAT", QByteArray(400, 'x'));
    transfer(&Module1::SaveFiles, "floppy");
    EXPECT_EQ(QDir(tp.file("floppy")).entryList(QDir::Files | QDir::Hidden), QStringList{"SWITCHLIST.DAT"});
    EXPECT_EQ(records(tp.readFile("floppy/SWITCHLIST.DAT")), "First, Second-");
    tp.m->NewEntry();
    EXPECT_EQ(tp.m->CurRecordNo, 3);
    tp.m->CurRecordNo = 1;
    tp.m->GetRecord(1);
    tp.m->DeleteEntry();
    EXPECT_EQ(records(tp.readFile("SwitchList.dat")), "First-, Second-, ");
    tp.m->NewEntry();
    EXPECT_EQ(tp.m->CurRecordNo, 1);
    ScheduleEntry fresh = makeEntry("", 0, "", {}, 2, "", 0, 0);  // RemoteMode: left from the deleted entry
    fresh.Attenuation = 0;
    ASSERT_TRUE(tp.m->GetRecord(1));
    EXPECT_EQ(tp.m->EntryBuf, fresh);
    tp.m->NewEntry();  // now every record is in use: the next new entry extends the file
    EXPECT_EQ(tp.m->CurRecordNo, 4);
}

// An empty transfer file (a floppy with nothing on it) must not wipe the running schedule; the
// search runs all the same, here after the first event has passed. What is loaded is exactly what
// runs: records past the loaded ones are freed (the file never shrinks), and the next events are
// searched again. A copy written on the old PCs in capitals loads, and saving replaces that same
// file with an exact copy.
TEST_F(ScheduleFileTest, LoadingReplacesWhatRunsAndSavingMakesAnExactCopy) {
    open({makeEntry("Old One", 1, "12:30:00", {1}), makeEntry("Old Two", 1, "10:00:00", {3}),
          makeEntry("Old Three", 1, "11:00:00", {3}), makeEntry("Old Early", 1, "06:00:00", {2}),
          makeEntry("Old Rx2", 2, "07:00:00", {2})});
    ASSERT_EQ(state(), "Old One, Old Two, Old Three, Old Early, Old Rx2 | 1 5");
    tp.clock.set(QDateTime(QDate(2026, 12, 7), QTime(12, 31)));
    tp.writeFile("floppy/switchlist.dat", "");
    transfer(&Module1::LoadSchedules, "floppy");
    EXPECT_EQ(state(), "Old One, Old Two, Old Three, Old Early, Old Rx2 | 4 5");
    writeSchedule(tp.file("stick/SWITCHLIST.DAT"),
                  {makeEntry("New Rx1", 1, "08:00:00", {4}), makeEntry("New Rx2", 2, "08:30:00", {5}),
                   makeEntry("New Late", 1, "20:00:00", {4})});
    transfer(&Module1::LoadSchedules, "stick");
    EXPECT_EQ(state(), "New Rx1, New Rx2, New Late, Old Early-, Old Rx2- | 1 2");
    transfer(&Module1::SaveFiles, "stick");
    EXPECT_EQ(QDir(tp.file("stick")).entryList(QDir::Files | QDir::Hidden), QStringList{"SWITCHLIST.DAT"});
    EXPECT_EQ(tp.readFile("stick/SWITCHLIST.DAT"), tp.readFile("SwitchList.dat"));
    writeSchedule(tp.file("old/switchlist.dat"), {makeEntry("Odd", 1, "25:00:00", {4})});
    tp.messages.clear();
    transfer(&Module1::LoadSchedules, "old");
    EXPECT_EQ(tp.messages.filter("the Thursday time 25:00:00 is no time of day").size(), 1)
        << tp.messages.join('\n').toStdString();
}

// Failures are errors that name the transfer file the operator sees, and leave no file behind and
// the schedule as it was. A load that fails after copying records searches again all the same, so
// the engine never switches an old event's time with the record that now stands there.
TEST_F(ScheduleFileTest, TransferFailuresAreReportedAndLeaveNothingBehind) {
    open({makeEntry("One", 1, "09:00:00", {1})});
    QDir().mkpath(tp.file("blocked/switchlist.dat"));  // the copy cannot be put in place
    QStringList errors;
    for (const char* folder : {"no-floppy", "blocked", static_cast<const char*>(nullptr)})
        errors << transfer(&Module1::SaveFiles, folder) << transfer(&Module1::LoadSchedules, folder);
    EXPECT_EQ(errors, QStringList({"76  Path not found: <home>/no-floppy/switchlist.dat",
                                   "76  Path not found: <home>/no-floppy/switchlist.dat",
                                   "75  Path/File access error: <home>/blocked/switchlist.dat",
                                   "75  Path/File access error: <home>/blocked/switchlist.dat",
                                   "76  Path not found: no folder is chosen for switchlist.dat",
                                   "76  Path not found: no folder is chosen for switchlist.dat"}));
    EXPECT_FALSE(QFileInfo::exists(tp.file("no-floppy")));
    EXPECT_EQ(QDir(tp.file("blocked")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{"switchlist.dat"});
    EXPECT_EQ(state(), "One | 1 0");

    writeSchedule(tp.file("bad/switchlist.dat"),
                  {makeEntry("Copied", 1, "15:00:00", {1}), makeEntry("Never", 1, "16:00:00", {1})});
    tp.m->SchedFileNo.openForReading(tp.file("SwitchList.dat"));  // writes now fail
    tp.m->NextName1 = "Stale";
    transfer(&Module1::LoadSchedules, "bad");
    EXPECT_EQ(tp.m->NextName1, "One");
}

}  // namespace
}  // namespace qc::test
