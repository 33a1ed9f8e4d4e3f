#include "HealthLines.h"

#include <QRegularExpression>

namespace qc {

HealthLine receiverHealthLine(const HealthModel& health, int receiver) {
    const HealthModel::Receiver& r = health.receiver(receiver);
    QStringList alerts;
    if (health.active(QStringLiteral("receiver_silent"), receiver))
        alerts << QStringLiteral("Not answering since ") +
                      r.silentSince.local.time().toString(QStringLiteral("HH:mm"));
    if (health.active(QStringLiteral("ebno_low"), receiver))
        alerts << QStringLiteral("EbNo %1 dB low").arg(QString::number(r.ebNo, 'f', 1));
    if (health.active(QStringLiteral("event_missed"), receiver))
        alerts << QStringLiteral("Missed the event due ") + r.missedDue.toString(QStringLiteral("HH:mm:ss"));
    if (!alerts.isEmpty()) return {alerts.join(QStringLiteral("; ")), HealthLine::Alert};
    const QString ebNo =
        r.ebNoKnown ? QStringLiteral(", EbNo %1 dB").arg(QString::number(r.ebNo, 'f', 1)) : QString();
    if (r.unanswered > 0)
        return {QStringLiteral("No answer to the last exchange") + ebNo, HealthLine::Doubtful};
    if (r.heard) return {QStringLiteral("Answering") + ebNo, HealthLine::Good};
    if (r.lastSwitchMs)
        return {QStringLiteral("Switch sent at ") + r.lastSwitchAt.toString(QStringLiteral("HH:mm")),
                HealthLine::Good};
    return {QStringLiteral("Not heard from yet"), HealthLine::Unknown};
}

HealthLine stationHealthLine(const HealthModel& health) {
    QStringList alerts;
    for (const auto& [name, receiver] : health.knownAlerts())
        if (receiver == 0 && health.active(name))
            alerts << health.activeText(name).remove(QRegularExpression(QStringLiteral("^ALERT ")));
    if (alerts.isEmpty()) return {QStringLiteral("Station OK"), HealthLine::Good};
    return {alerts.join(QStringLiteral("; ")), HealthLine::Alert};
}

}  // namespace qc
