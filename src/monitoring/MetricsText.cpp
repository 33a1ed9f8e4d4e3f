#include "MetricsText.h"

#include <cmath>

namespace qc {

namespace {

QString labelValue(QString v) {
    return v.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('"'), QStringLiteral("\\\""))
        .replace(QLatin1Char('\n'), QStringLiteral("\\n"));
}

QString helpText(QString v) {
    return v.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('\n'), QStringLiteral("\\n"));
}

QString number(double v) {
    if (std::isnan(v)) return QStringLiteral("NaN");
    if (std::isinf(v)) return v > 0 ? QStringLiteral("+Inf") : QStringLiteral("-Inf");
    return QString::number(v, 'g', 15);
}

class Writer {
public:
    void family(const char* name, const char* type, const QString& help) {
        out_ += QStringLiteral("# HELP %1 %2\n# TYPE %1 %3\n")
                    .arg(QLatin1String(name), helpText(help), QLatin1String(type));
    }
    void sample(const QString& name, const QString& labels, const QString& value) {
        out_ += name + (labels.isEmpty() ? QString() : QLatin1Char('{') + labels + QLatin1Char('}')) +
                QLatin1Char(' ') + value + QLatin1Char('\n');
    }
    QString text() const { return out_; }

private:
    QString out_;
};

QString seconds(qint64 ms) {
    return QString::number(ms / 1000);
}

}  // namespace

bool isMetricName(const QString& name) {
    if (name.isEmpty()) return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name[i];
        const bool letter = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                            (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || c == QLatin1Char('_') ||
                            c == QLatin1Char(':');
        if (!letter && (i == 0 || !(c >= QLatin1Char('0') && c <= QLatin1Char('9')))) return false;
    }
    return true;
}

QString metricsText(const HealthModel& health, const QString& station, const QString& version,
                    const QList<ExtraGauge>& extra) {
    Writer w;
    const int receivers = health.receivers();
    auto perReceiver = [&](const char* name, const char* type, const QString& help,
                           const std::function<QString(const HealthModel::Receiver&)>& value) {
        w.family(name, type, help);
        for (int r = 1; r <= receivers; ++r)
            w.sample(QLatin1String(name), QStringLiteral("receiver=\"%1\"").arg(r),
                     value(health.receiver(r)));
    };
    const auto silent = QStringLiteral("receiver_silent");
    w.family("quillorn_receiver_up", "gauge",
             QStringLiteral("1 while the receiver answers, 0 while it is not answering (receiver_silent)."));
    for (int r = 1; r <= receivers; ++r)
        w.sample(QStringLiteral("quillorn_receiver_up"), QStringLiteral("receiver=\"%1\"").arg(r),
                 health.active(silent, r) ? QStringLiteral("0") : QStringLiteral("1"));
    perReceiver(
        "quillorn_receiver_ebno_db", "gauge", QStringLiteral("The last EbNo reading in dB (NaN: none)."),
        [](const HealthModel::Receiver& x) { return x.ebNoKnown ? number(x.ebNo) : QStringLiteral("NaN"); });
    perReceiver("quillorn_last_switch_timestamp_seconds", "gauge",
                QStringLiteral("When the last switch command went out (0: none since the start)."),
                [](const HealthModel::Receiver& x) { return seconds(x.lastSwitchMs); });
    perReceiver("quillorn_next_switch_timestamp_seconds", "gauge",
                QStringLiteral("When the next switch is due (0: none scheduled)."),
                [](const HealthModel::Receiver& x) { return seconds(x.nextSwitchMs); });
    perReceiver("quillorn_switches_total", "counter", QStringLiteral("Switches whose command went out."),
                [](const HealthModel::Receiver& x) { return QString::number(x.switches); });
    perReceiver("quillorn_missed_events_total", "counter", QStringLiteral("Events logged as missed."),
                [](const HealthModel::Receiver& x) { return QString::number(x.missedEvents); });

    w.family("quillorn_alert_active", "gauge", QStringLiteral("1 while the alert is raised, else 0."));
    auto alert = [&](const QString& name, int r) {
        w.sample(QStringLiteral("quillorn_alert_active"),
                 QStringLiteral("alert=\"%1\",receiver=\"%2\"")
                     .arg(labelValue(name), r ? QString::number(r) : QString()),
                 health.active(name, r) ? QStringLiteral("1") : QStringLiteral("0"));
    };
    for (int r = 1; r <= receivers; ++r)
        for (const QString& name : HealthModel::receiverAlerts())
            alert(name, r);
    QStringList station_alerts = HealthModel::stationAlerts();
    for (const auto& [name, r] : health.knownAlerts())
        if (r == 0 && !station_alerts.contains(name)) station_alerts << name;
    for (const QString& name : station_alerts)
        alert(name, 0);

    w.family("quillorn_heartbeat_timestamp_seconds", "gauge", QStringLiteral("When the clock last ticked."));
    w.sample(QStringLiteral("quillorn_heartbeat_timestamp_seconds"), {}, seconds(health.heartbeatMs()));
    w.family("quillorn_info", "gauge", QStringLiteral("The program's version and the station's name."));
    w.sample(QStringLiteral("quillorn_info"),
             QStringLiteral("version=\"%1\",station=\"%2\"").arg(labelValue(version), labelValue(station)),
             QStringLiteral("1"));
    QString text = w.text();
    for (const ExtraGauge& g : extra) {
        Writer e;
        e.family(g.name.toLatin1().constData(), "gauge", g.help);
        e.sample(g.name, {}, number(g.value));
        text += e.text();
    }
    return text;
}

}  // namespace qc
