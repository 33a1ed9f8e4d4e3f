// A schedule delivered to the inbox: any bytes. The checks take them without a crash, and what they
// accept runs as it came: copied in byte for byte, and searched without a single error message.
#include "FuzzSupport.h"
#include "engine/ScheduleTransfer.h"
#include "inbox/ScheduleChecks.h"

using namespace qc;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    test::TestProgram& p = fuzz::program();
    Module1& m = fuzz::reset(p);
    const QByteArray bytes(reinterpret_cast<const char*>(data) + 1, static_cast<qsizetype>(size - 1));
    m.RemoteStartOn = (data[0] & 1) != 0;
    m.TwoReceivers = static_cast<int16_t>((data[0] >> 1) & 1);
    const QStringList faults = deliveredScheduleFaults(bytes, m.DayNames, m.RemoteStartOn, 3);
    fuzz::require(faults.size() <= 4);
    if (!faults.isEmpty()) return 0;

    p.writeFile(QStringLiteral("SwitchList.dat"), {});
    m.SchedFileNo.open(m.paths().file(QStringLiteral("SwitchList.dat")));
    replaceSchedule(m, bytes);
    fuzz::require(p.readFile(QStringLiteral("SwitchList.dat")) == bytes);
    m.ReportImpossibleTimes();
    fuzz::require(p.messages.isEmpty());
    return 0;
}
