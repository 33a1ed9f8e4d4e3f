#pragma once

#include <QString>
#include <QStringList>

namespace qc {

// Monitoring.ini in the data folder, group [Monitoring] (Qt's INI format). A missing file gives these
// defaults: no webhook, no metrics file.
struct MonitoringSettings {
    double EbNoMinimum = 0;  // dB; 0 = the EbNo is not watched
    int EbNoLowReadings = 3;
    int ReceiverSilentAfter = 3;
    QString WebhookUrl;   // empty: no webhook
    QString MetricsFile;  // empty: no metrics file; a relative path lies in the data folder
    bool DesktopNotifications = true;
    QString StationName;      // empty: the host name
    int AsRunKeepDays = 400;  // read here for the as-run record, which shares the file

    bool operator==(const MonitoringSettings&) const = default;
};

// Reads the file. Every bad value adds one problem that names the key and the value, and that key
// keeps its default; nothing in the file makes the reading fail.
MonitoringSettings readMonitoringSettings(const QString& path, QStringList& problems);

// The problems of settings about to be saved, in the same words as the reading's.
QStringList checkMonitoringSettings(const MonitoringSettings& s);

// Puts the settings in the file whole or not at all (a new file beside it, flushed, then renamed),
// keeping every other key the file holds. Throws QcError.
void writeMonitoringSettings(const QString& path, const MonitoringSettings& s);

// The station's name for the outlets: StationName, else the host name.
QString stationNameOf(const MonitoringSettings& s);

}  // namespace qc
