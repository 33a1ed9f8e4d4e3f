// A log file as a broken disk may leave it: any bytes. The viewer shows it by time and by event and
// prints it; every shown line stays within its length, and the printout holds every shown line.
#include "FuzzSupport.h"
#include "platform/TextDevice.h"
#include "viewers/LogViewer.h"

using namespace qc;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    test::TestProgram& p = fuzz::program();
    fuzz::reset(p);
    p.m->LogKind = data[0] & 1 ? "EB" : "AL";
    p.m->TwoReceivers = static_cast<int16_t>(data[0] >> 1 & 1);
    p.writeFile(QStringLiteral("logs/") + QString::fromLatin1(p.m->LogKind) + QStringLiteral("261207.log"),
                QByteArray(reinterpret_cast<const char*>(data) + 1, static_cast<qsizetype>(size - 1)));

    LogViewer viewer(*p.m, LogViewer::Window::ActivityLog);
    viewer.Form_Load();
    fuzz::require(viewer.lstDate.count() == 1);
    for (bool byEvent : {false, true}) {
        viewer.byEvent = byEvent;
        viewer.cmdOk_Click();
        fuzz::require(viewer.showing);
        for (const SortedList::Item& line : viewer.lstActivityLog.items())
            fuzz::require(line.line.size() <= MaxShownLine + 9);
        RecordingTextDevice printer;
        viewer.PrintLog(printer);
        qsizetype printed = 0;
        for (const QList<QByteArray>& page : printer.pages)
            printed += page.size();
        fuzz::require(printed >= viewer.lstActivityLog.count());
        viewer.cmdOk_Click();
        fuzz::require(!viewer.showing);
    }
    return 0;
}
