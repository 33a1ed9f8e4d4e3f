// Monitoring.ini as any bytes. Reading never fails and never keeps a bad value; what is read is
// written back and reads the same again, with no problem said.
#include "FuzzSupport.h"
#include "monitoring/MonitoringSettings.h"

using namespace qc;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    test::TestProgram& p = fuzz::program();
    const QString path = p.file(QStringLiteral("Monitoring.ini"));
    p.writeFile(QStringLiteral("Monitoring.ini"),
                QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    QStringList problems;
    const MonitoringSettings s = readMonitoringSettings(path, problems);
    fuzz::require(checkMonitoringSettings(s).isEmpty());
    writeMonitoringSettings(path, s);
    QStringList again;
    fuzz::require(readMonitoringSettings(path, again) == s);
    fuzz::require(again.isEmpty());
    return 0;
}
