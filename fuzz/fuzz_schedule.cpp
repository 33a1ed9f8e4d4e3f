// SwitchList.dat as a station's disk may hold it: any bytes. The search of both receivers, the
// switch commands and the remote start at the event second must take it without a crash, and every
// whole record must write back exactly as read.
#include "FuzzSupport.h"

using namespace qc;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    test::TestProgram& p = fuzz::program();
    fuzz::reset(p);
    const QByteArray bytes(reinterpret_cast<const char*>(data) + 3, static_cast<qsizetype>(size - 3));
    p.writeFile(QStringLiteral("SwitchList.dat"), bytes);
    p.m->TwoReceivers = static_cast<int16_t>(data[0] % 3);
    p.m->RemoteStartOn = true;
    p.clock.set(QDateTime(QDate(2026, 12, 6), QTime(0, 0)).addSecs((data[1] << 8 | data[2]) * 10));

    for (qsizetype at = 0; at + ScheduleEntry::RecordLength <= bytes.size();
         at += ScheduleEntry::RecordLength) {
        const QByteArray record = bytes.mid(at, ScheduleEntry::RecordLength);
        fuzz::require(ScheduleEntry::deserialise(record.constData()).serialise() == record);
    }

    p.m->SchedFileNo.open(p.m->paths().file(QStringLiteral("SwitchList.dat")));
    p.m->FindNextSwitch1();
    p.m->FindNextSwitch2();
    fuzz::require(p.m->lstNextToSwitch.count() <= 7 * (bytes.size() / ScheduleEntry::RecordLength));
    if (p.m->NextRecord1 != 0) {
        p.m->SwitchReceiver1();
        // The tick at the event second: the remote start, then the search for the next event.
        p.clock.set(QDateTime(p.m->NextDate1, QTime(0, 0)).addSecs(p.m->NextSecs1));
        p.m->tmrClock_Timer();
        p.clock.advance(1500);
        p.m->tmrClock_Timer();
    }
    if (p.m->NextRecord2 != 0) p.m->SwitchReceiver2();
    return 0;
}
