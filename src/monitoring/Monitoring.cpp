#include "Monitoring.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>

#include "core/Module1.h"
#include "platform/Text.h"

namespace qc {

namespace {

// Metrics are rewritten at least this often, so a reader sees the heartbeat move.
constexpr qint64 kMetricsEveryMs = 10000;

QByteArray json(const QString& text) {
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

// ISO 8601 with the zone's offset, e.g. 2026-12-07T14:00:12+01:00.
QString isoTime(const Clock::Reading& at) {
    const qint64 offset = at.offsetSecs();
    const qint64 minutes = std::abs(offset) / 60;
    return at.local.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) +
           QString::asprintf("%c%02lld:%02lld", offset < 0 ? '-' : '+', minutes / 60, minutes % 60);
}

}  // namespace

Monitoring::Monitoring(Module1& m, QObject* parent) : QObject(parent), m_(m) {
    const auto now = [this] { return m_.clock().read(); };
    connect(&m_, &Module1::receiverExchanged, this, [this, now](int r, bool answered, const QString& reason) {
        health_.exchanged(r, answered, reason, now());
    });
    connect(&m_, &Module1::ebNoRead, this,
            [this, now](int r, const QByteArray& value) { health_.ebNoRead(r, value, now()); });
    connect(&m_, &Module1::switchCycleStarted, this, [this](int r) { health_.cycleStarted(r); });
    connect(&m_, &Module1::switchCycleEnded, this, [this](int r) { health_.cycleEnded(r); });
    connect(&m_, &Module1::switchCommandDone, this, [this, now](int r, bool sent, const QString& reason) {
        health_.switchCommand(r, sent, reason, now());
    });
    // The missed entry is the one in EntryBuf: the tick has just read it to log it.
    connect(&m_, &Module1::eventMissed, this,
            [this, now](int r, const QDate& date, int secs, int, bool remoteOnly) {
                health_.eventMissed(r, fromCp1252(m_.EntryBuf.Name),
                                    QDateTime(date, QTime::fromMSecsSinceStartOfDay(secs * 1000)), remoteOnly,
                                    now());
            });
    connect(&m_, &Module1::fileWritten, this,
            [this, now](const QString& path, bool ok, const QString& reason) {
                health_.fileWritten(path, ok, reason, now());
            });
    connect(&m_, &Module1::clockResetDone, this,
            [this, now](bool ok, const QString& reason) { health_.clockReset(ok, reason, now()); });
    connect(&m_, &Module1::ticked, this, &Monitoring::tick);
    // The outlets' own trouble comes from their threads, between events.
    connect(&outlets_, &Outlets::said, this, [this](const QString& text) { m_.ShowMessage(text); });
    connect(&outlets_, &Outlets::testDone, this, &Monitoring::testAlertDone);
    connect(&outlets_, &Outlets::desktopTestDone, this, [this](const QString& result) {
        if (settings_.WebhookUrl.isEmpty())
            emit testAlertDone(QStringLiteral("No webhook is set. ") + result);
    });
    apply(settings_);
}

Monitoring::~Monitoring() = default;

QString Monitoring::settingsPath() const {
    return m_.paths().file(QStringLiteral("Monitoring.ini"));
}

void Monitoring::start() {
    QStringList problems;
    const MonitoringSettings s = readMonitoringSettings(settingsPath(), problems);
    for (const QString& problem : problems)
        m_.ShowMessage(problem);
    apply(s);
}

void Monitoring::apply(const MonitoringSettings& s) {
    settings_ = s;
    health_.setRules({s.EbNoMinimum, s.EbNoLowReadings, s.ReceiverSilentAfter});
    if (s.EbNoMinimum <= 0) {
        for (int r = 1; r <= 2; ++r)
            health_.clear(QStringLiteral("ebno_low"), r,
                          QStringLiteral("RESTORED Receiver %1 EbNo no longer watched").arg(r),
                          m_.clock().read());
    }
    const QString metrics =
        s.MetricsFile.isEmpty() ? QString() : QDir(m_.paths().dataFolder).absoluteFilePath(s.MetricsFile);
    outlets_.configure(s.WebhookUrl, s.DesktopNotifications, metrics);
    metricsRevision_ = ~0ULL;  // written again at the next tick, where the settings say now
}

void Monitoring::raiseStationAlert(const QString& alert, const QString& text, bool remoteOnly) {
    if (remoteOnly)
        remoteOnly_.insert(alert);
    else
        remoteOnly_.remove(alert);
    health_.raise(alert, 0, text, m_.clock().read());
}

void Monitoring::clearStationAlert(const QString& alert, const QString& text) {
    health_.clear(alert, 0, text, m_.clock().read());
}

void Monitoring::setGauge(const QString& name, const QString& help, double value) {
    if (!isMetricName(name)) return;
    for (ExtraGauge& g : gauges_) {
        if (g.name != name) continue;
        if (g.help == help && g.value == value) return;
        g = {name, help, value};
        metricsRevision_ = ~0ULL;
        return;
    }
    gauges_.append({name, help, value});
    metricsRevision_ = ~0ULL;
}

QString Monitoring::metricsText() const {
    return qc::metricsText(health_, stationName(), QStringLiteral(QC_VERSION), gauges_);
}

void Monitoring::followNextSwitch(int receiver) {
    const int record = receiver == 1 ? m_.NextRecord1 : m_.NextRecord2;
    const QDate& date = receiver == 1 ? m_.NextDate1 : m_.NextDate2;
    const int secs = receiver == 1 ? m_.NextSecs1 : m_.NextSecs2;
    Next& n = next_[receiver - 1];
    if (n.record == record && n.date == date && n.secs == secs) return;
    n = {record, date, secs};
    health_.setNextSwitch(receiver, record != 0 && date.isValid() ? m_.clock().utcOf(date, secs) * 1000 : 0);
}

void Monitoring::tick() {
    const Clock::Reading now = m_.clock().read();
    health_.heartbeat(now.utcMs);
    health_.setReceivers(m_.TwoReceivers == 1 ? 2 : 1, now);
    followNextSwitch(1);
    followNextSwitch(2);
    flush();
    if (!outlets_.metricsFileOn()) return;
    if (health_.revision() != metricsRevision_ || now.utcMs - metricsAtMs_ >= kMetricsEveryMs ||
        now.utcMs < metricsAtMs_) {
        metricsRevision_ = health_.revision();
        metricsAtMs_ = now.utcMs;
        outlets_.writeMetrics(metricsText());
    }
}

void Monitoring::flush() {
    // Writing an alert's line may itself tell of a failed write: that change goes out in this loop.
    if (flushing_) return;
    flushing_ = true;
    for (std::vector<AlertChange> changes; !(changes = health_.takeChanges()).empty();)
        for (const AlertChange& change : changes)
            deliver(change);
    flushing_ = false;
    if (health_.revision() != shownRevision_) {
        shownRevision_ = health_.revision();
        emit healthChanged();
    }
}

void Monitoring::deliver(const AlertChange& change) {
    if (!remoteOnly_.contains(change.alert)) {
        writeActivityLine(change.text);
        if (change.raised) m_.ShowMessage(change.text);
    }
    outlets_.post(webhookBody(change));
    outlets_.notify(change.text, stationName() + QStringLiteral(", ") + isoTime(change.at), change.raised);
}

void Monitoring::writeActivityLine(const QString& text) {
    if (m_.ActivityLogOn != 1) return;
    // ActivityText and DateText are the engine's scratch values: they are left as they were.
    const QByteArray activityText = m_.ActivityText;
    const QByteArray dateText = m_.DateText;
    m_.ActivityText = toCp1252(text);
    try {
        m_.WriteActivityLog();
    } catch (const std::exception&) {
        // The failed write has raised log_write through fileWritten.
    }
    m_.ActivityText = activityText;
    m_.DateText = dateText;
}

QByteArray Monitoring::webhookBody(const AlertChange& c) const {
    return "{\"station\": " + json(stationName()) + ", \"alert\": " + json(c.alert) +
           ", \"receiver\": " + (c.receiver ? QByteArray::number(c.receiver) : QByteArray("null")) +
           ", \"state\": " + (c.raised ? "\"raised\"" : "\"cleared\"") +
           ", \"time\": " + json(isoTime(c.at)) + ", \"text\": " + json(c.text) + "}";
}

void Monitoring::sendTestAlert() {
    const Clock::Reading now = m_.clock().read();
    const QString from = QStringLiteral(" from ") + stationName();
    for (const bool raised : {true, false}) {
        const AlertChange c{
            QStringLiteral("test"), 0, raised,
            (raised ? QStringLiteral("ALERT Test alert") : QStringLiteral("RESTORED Test alert")) + from,
            now};
        outlets_.post(webhookBody(c), raised);
        outlets_.notify(c.text, stationName() + QStringLiteral(", ") + isoTime(now), false, raised);
    }
    // Without a webhook, the desktop's answer is the result (told when it comes).
    if (settings_.WebhookUrl.isEmpty() && !settings_.DesktopNotifications)
        emit testAlertDone(QStringLiteral("No webhook is set and desktop notifications are off."));
}

}  // namespace qc
