#pragma once

#include <QString>

namespace qc {

// The keys of the group [Monitoring] in Monitoring.ini of the data folder that the as-run record
// and its report use.
struct AsRunSettings {
    static constexpr int DefaultKeepDays = 400;

    int keepDays = DefaultKeepDays;  // AsRunKeepDays: days an ARyymmdd.csv is kept
    QString stationName;             // StationName, else the host's name

    static AsRunSettings read(const QString& iniPath);
};

}  // namespace qc
