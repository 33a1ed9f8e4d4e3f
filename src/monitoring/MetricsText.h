#pragma once

#include <QList>
#include <QString>

#include "HealthModel.h"

namespace qc {

// A gauge another part of the program publishes beside the health (a name Prometheus accepts).
struct ExtraGauge {
    QString name;
    QString help;
    double value = 0;
};

// The metrics in Prometheus's text format, for node_exporter's textfile collector. Receiver 2's series
// only while two receivers are in use.
QString metricsText(const HealthModel& health, const QString& station, const QString& version,
                    const QList<ExtraGauge>& extra);

// A metric name Prometheus accepts: [a-zA-Z_:][a-zA-Z0-9_:]*.
bool isMetricName(const QString& name);

}  // namespace qc
