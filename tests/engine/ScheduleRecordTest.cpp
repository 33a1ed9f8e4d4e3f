// The 113-byte schedule record, byte for byte as the station's files hold it.
#include <gtest/gtest.h>

#include <QFile>

#include "support/TestSupport.h"

namespace qc {
namespace {

// One record with every field set, written out by hand field after field.
QByteArray handBuiltRecord() {
    QByteArray b;
    b += QByteArray::fromHex("0100");                                    // Active 1
    b += QByteArray("Caf\xE9 Ol\x81 Morning", 16) + QByteArray(9, ' ');  // Name, 25
    b += "30:00";                                                        // Length, 5
    b += "B";                                                            // Port, 1
    b += QByteArray::fromHex("FEFF");                                    // SourceCode -2
    b += QByteArray::fromHex("2301");                                    // Route 0x0123
    b += QByteArray::fromHex("0080");                                    // Attenuation -32768
    b += QByteArray::fromHex("0100 0100 0000 0000 0100 0000 FFFF");      // Days Sun..Sat
    b += "06:00:00";                                                     // Times: Sunday
    b += "07:30:00";                                                     // Monday
    b += QByteArray(16, ' ');                                            // Tuesday, Wednesday unused
    b += "23:59:59";                                                     // Thursday
    b += QByteArray(8, ' ');                                             // Friday
    b += "00:00:01";                                                     // Saturday
    b += QByteArray::fromHex("0300");                                    // RemoteMode 3, Holding
    b += QByteArray::fromHex("0200");                                    // Receiver 2
    return b;
}

// The same record as the program holds it, with its texts assigned short as the editor does.
ScheduleEntry handBuiltEntry() {
    ScheduleEntry e;
    e.Active = 1;
    e.Name = QByteArray("Caf\xE9 Ol\x81 Morning", 16);
    e.Length = "30:00";
    e.Port = "B";
    e.SourceCode = -2;
    e.Route = 0x0123;
    e.Attenuation = -32768;
    e.Days = {1, 1, 0, 0, 1, 0, -1};
    e.Times = {"06:00:00", "07:30:00", "", "", "23:59:59", "", "00:00:01"};
    e.RemoteMode = 3;
    e.Receiver = 2;
    return e;
}

TEST(ScheduleRecord, EveryFieldStandsAtItsOffsetInBothDirections) {
    const QByteArray bytes = handBuiltRecord();
    ASSERT_EQ(bytes.size(), ScheduleEntry::RecordLength);
    // The hand-built bytes themselves follow the documented offsets.
    ASSERT_EQ(bytes.mid(27, 5), "30:00");
    ASSERT_EQ(bytes.mid(32, 1), "B");
    ASSERT_EQ(bytes.mid(33, 6).toHex(), "feff23010080");
    ASSERT_EQ(bytes.mid(39, 2).toHex(), "0100");
    ASSERT_EQ(bytes.mid(51, 2).toHex(), "ffff");
    ASSERT_EQ(bytes.mid(53, 8), "06:00:00");
    ASSERT_EQ(bytes.mid(101, 8), "00:00:01");
    ASSERT_EQ(bytes.mid(109, 4).toHex(), "03000200");
    EXPECT_EQ(handBuiltEntry().serialise().toHex(' '), bytes.toHex(' '));

    const ScheduleEntry e = ScheduleEntry::deserialise(bytes.constData());
    EXPECT_EQ(e.Active, 1);
    EXPECT_EQ(e.Name, QByteArray("Caf\xE9 Ol\x81 Morning         ", 25));
    EXPECT_EQ(e.Length, "30:00");
    EXPECT_EQ(e.Port, "B");
    EXPECT_EQ(e.SourceCode, -2);
    EXPECT_EQ(e.Route, 0x0123);
    EXPECT_EQ(e.Attenuation, -32768);
    EXPECT_EQ(e.Days, (std::array<int16_t, 7>{1, 1, 0, 0, 1, 0, -1}));
    EXPECT_EQ(e.Times[0], "06:00:00");
    EXPECT_EQ(e.Times[1], "07:30:00");
    EXPECT_EQ(e.Times[2], "        ");
    EXPECT_EQ(e.Times[4], "23:59:59");
    EXPECT_EQ(e.Times[6], "00:00:01");
    EXPECT_EQ(e.RemoteMode, 3);
    EXPECT_EQ(e.Receiver, 2);
}

TEST(ScheduleRecord, AnyBytesOfAStoredRecordAreWrittenBackUnchanged) {
    // Records from old PCs hold NUL-filled texts, unassigned code-page bytes and odd integers.
    QByteArray bytes(ScheduleEntry::RecordLength, '\0');
    uint32_t x = 2463534242u;
    for (char& c : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x & 0xFF);
    }
    EXPECT_EQ(ScheduleEntry::deserialise(bytes.constData()).serialise(), bytes);
    const QByteArray zeros(ScheduleEntry::RecordLength, '\0');
    EXPECT_EQ(ScheduleEntry::deserialise(zeros.constData()).serialise(), zeros);
}

TEST(ScheduleRecord, TextsLongerThanTheirFieldAreCut) {
    ScheduleEntry e = handBuiltEntry();
    e.Name = "The Thirty Character Name Show";  // 30
    e.Port = "CDE";
    e.Length = "120:00";
    e.Times[1] = "07:30:00 PM";
    const QByteArray bytes = e.serialise();
    ASSERT_EQ(bytes.size(), ScheduleEntry::RecordLength);
    const ScheduleEntry back = ScheduleEntry::deserialise(bytes.constData());
    EXPECT_EQ(back.Name, "The Thirty Character Name");
    EXPECT_EQ(back.Port, "C");
    EXPECT_EQ(back.Length, "120:0");
    EXPECT_EQ(back.Times[1], "07:30:00");
    // The fields after the cut ones are where they belong.
    EXPECT_EQ(back.SourceCode, -2);
    EXPECT_EQ(back.Times[0], "06:00:00");
    EXPECT_EQ(back.Times[4], "23:59:59");
    EXPECT_EQ(back.Receiver, 2);
}

TEST(ScheduleRecord, RecordsWrittenThroughEntryBufAreTheHandBuiltBytes) {
    test::TestProgram tp;
    const QString path = tp.file(QStringLiteral("SwitchList.dat"));
    tp.m->SchedFileNo.open(path);

    ScheduleEntry second = handBuiltEntry();
    second.Name = "Evening";
    second.Receiver = 1;
    QByteArray secondBytes = handBuiltRecord();
    secondBytes.replace(2, 25, QByteArray("Evening") + QByteArray(18, ' '));
    secondBytes[111] = 1;

    tp.m->EntryBuf = second;  // first written in the wrong place, then overwritten
    tp.m->PutRecord(1);
    tp.m->PutRecord(2);
    tp.m->EntryBuf = handBuiltEntry();
    tp.m->PutRecord(1);
    EXPECT_EQ(tp.readFile(QStringLiteral("SwitchList.dat")).toHex(' '),
              (handBuiltRecord() + secondBytes).toHex(' '));

    // And they read back through the buffer; a record past the end is end of file.
    ASSERT_TRUE(tp.m->GetRecord(2));
    EXPECT_EQ(tp.m->EntryBuf.serialise(), secondBytes);
    ASSERT_TRUE(tp.m->GetRecord(1));
    EXPECT_EQ(tp.m->EntryBuf.serialise(), handBuiltRecord());
    EXPECT_FALSE(tp.m->GetRecord(3));
    EXPECT_FALSE(tp.m->GetRecord(0));
}

}  // namespace
}  // namespace qc
