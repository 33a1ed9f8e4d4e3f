#pragma once

#include <QObject>
#include <QSet>
#include <QString>

#include "HealthModel.h"
#include "MetricsText.h"
#include "MonitoringSettings.h"
#include "Outlets.h"

namespace qc {

class Module1;

// The station's health for the run: it follows what the engine tells through Module1's signals,
// keeps the health model and hands each alert change to its outlets: a line in the activity log (when
// it is on), a message for a raise, the webhook, the desktop and the metrics file.
//
// The engine's signals come in the middle of its procedures, while they still use ActivityText and
// the other shared values; so a signal only changes the model, and the changes go out at the end of
// the clock tick. Nothing here waits on the network, the session bus or the metrics file.
class Monitoring : public QObject {
    Q_OBJECT
public:
    explicit Monitoring(Module1& m, QObject* parent = nullptr);
    ~Monitoring() override;

    // Reads Monitoring.ini (a bad value is said once and takes its default) and puts it in use.
    void start();
    // Puts settings in use at once; the Monitoring window calls it after saving them.
    void apply(const MonitoringSettings& s);
    const MonitoringSettings& settings() const { return settings_; }
    QString settingsPath() const;
    QString stationName() const { return stationNameOf(settings_); }
    const HealthModel& health() const { return health_; }

    // For other subsystems: a station alert by name, raised once and cleared once with its sentence
    // ("ALERT ...", "RESTORED ..."), which goes to the same outlets at the end of the tick; its series
    // quillorn_alert_active{alert="name",receiver=""} is in the metrics from its first raise on. Safe to
    // call from anywhere on the window thread, also in the middle of a procedure.
    // A subsystem that writes its own activity-log line and message for the event (remoteOnly) has the
    // alert go only to the webhook, the desktop and the metrics.
    void raiseStationAlert(const QString& alert, const QString& text, bool remoteOnly = false);
    void clearStationAlert(const QString& alert, const QString& text);
    // A gauge of another subsystem in the metrics file, replaced by name; a name Prometheus does not
    // accept is left out.
    void setGauge(const QString& name, const QString& help, double value);

    // A "test" alert raised and cleared, to the webhook and the desktop; the result comes with
    // testAlertDone.
    void sendTestAlert();
    // The metrics as the file gets them now.
    QString metricsText() const;
    Outlets& outlets() { return outlets_; }

signals:
    // The health the windows show changed.
    void healthChanged();
    void testAlertDone(const QString& result);

private:
    void tick();
    void flush();
    void deliver(const AlertChange& change);
    void writeActivityLine(const QString& text);
    QByteArray webhookBody(const AlertChange& change) const;
    void followNextSwitch(int receiver);

    Module1& m_;
    MonitoringSettings settings_;
    HealthModel health_;
    Outlets outlets_;
    QList<ExtraGauge> gauges_;
    QSet<QString> remoteOnly_;  // station alerts whose subsystem logs and shows them itself
    bool flushing_ = false;
    quint64 shownRevision_ = 0;
    quint64 metricsRevision_ = ~0ULL;
    qint64 metricsAtMs_ = 0;
    struct Next {
        int record = -1;
        QDate date;
        int secs = 0;
    };
    Next next_[2];
};

}  // namespace qc
