#include "AsRunSettings.h"

#include "monitoring/MonitoringSettings.h"

namespace qc {

AsRunSettings AsRunSettings::read(const QString& iniPath) {
    // One reader for the file: a bad value is told by the monitoring, which reads it at start and
    // on every save, and here it only takes its default.
    QStringList problems;
    const MonitoringSettings s = readMonitoringSettings(iniPath, problems);
    return {s.AsRunKeepDays, stationNameOf(s)};
}

}  // namespace qc
