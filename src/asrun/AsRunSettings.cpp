#include "AsRunSettings.h"

#include <QSettings>
#include <QSysInfo>

namespace qc {

AsRunSettings AsRunSettings::read(const QString& iniPath) {
    AsRunSettings out;
    const QSettings ini(iniPath, QSettings::IniFormat);
    const QVariant keep = ini.value(QStringLiteral("Monitoring/AsRunKeepDays"));
    if (keep.isValid()) {
        // A value with a comma comes back as a list; it is shown as it was written.
        const QString text = keep.typeId() == QMetaType::QStringList
                                 ? keep.toStringList().join(QLatin1Char(','))
                                 : keep.toString();
        bool ok = false;
        const int days = text.trimmed().toInt(&ok);
        if (ok && days >= 1)
            out.keepDays = days;
        else
            out.problem = QStringLiteral(
                              "Monitoring.ini: AsRunKeepDays = \"%1\" is not a number of days (1 or "
                              "more); the as-run record is kept for %2 days.")
                              .arg(text)
                              .arg(DefaultKeepDays);
    }
    out.stationName = ini.value(QStringLiteral("Monitoring/StationName")).toString().trimmed();
    if (out.stationName.isEmpty()) out.stationName = QSysInfo::machineHostName();
    return out;
}

}  // namespace qc
