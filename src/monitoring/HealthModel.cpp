#include "HealthModel.h"

#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>

namespace qc {

namespace {

const QString kEbNoLow = QStringLiteral("ebno_low");
const QString kSilent = QStringLiteral("receiver_silent");
const QString kMissed = QStringLiteral("event_missed");
const QString kLogWrite = QStringLiteral("log_write");
const QString kClockReset = QStringLiteral("clock_reset");

// What the serial channel says when a reading got no answer at all, as against a port that failed.
const QString kNoAnswer = QStringLiteral("no answer within");

QString receiverName(int receiver) {
    return QStringLiteral("Receiver %1").arg(receiver);
}

QString dB(double value) {
    return QString::number(value, 'f', 1) + QStringLiteral(" dB");
}

// The files that fail and recover together: the daily logs of one kind (AL, EB, MP), the schedule,
// each settings file. Their names without the date in them.
QString kindOf(const QString& path) {
    static const QRegularExpression digits(QStringLiteral("[0-9]"));
    return QFileInfo(path).fileName().remove(digits).toLower();
}

}  // namespace

const QStringList& HealthModel::receiverAlerts() {
    static const QStringList all{kEbNoLow, kSilent, kMissed};
    return all;
}

const QStringList& HealthModel::stationAlerts() {
    static const QStringList all{kLogWrite, kClockReset};
    return all;
}

void HealthModel::setRules(const Rules& rules) {
    if (rules_.ebNoMinimum != rules.ebNoMinimum || rules_.ebNoLowReadings != rules.ebNoLowReadings) {
        // The readings in a row count against the new minimum from now on.
        for (Receiver& r : rx_)
            r.lowReadings = r.goodReadings = 0;
    }
    rules_ = rules;
    ++revision_;
}

void HealthModel::setReceivers(int count, const Clock::Reading& now) {
    if (count == receivers_) return;
    receivers_ = count;
    ++revision_;
    if (count == 2) return;
    for (const QString& alert : receiverAlerts())
        clear(alert, 2, QStringLiteral("RESTORED Receiver 2 no longer in use"), now);
}

void HealthModel::raise(const QString& alert, int receiver, const QString& text, const Clock::Reading& now) {
    Alert& a = alerts_[{alert, receiver}];
    if (a.active) return;
    a = {true, text};
    changes_.push_back({alert, receiver, true, text, now});
    ++revision_;
}

void HealthModel::clear(const QString& alert, int receiver, const QString& text, const Clock::Reading& now) {
    auto it = alerts_.find({alert, receiver});
    if (it == alerts_.end() || !it->active) return;
    it->active = false;
    changes_.push_back({alert, receiver, false, text, now});
    ++revision_;
}

bool HealthModel::active(const QString& alert, int receiver) const {
    return alerts_.value({alert, receiver}).active;
}

QString HealthModel::activeText(const QString& alert, int receiver) const {
    const Alert a = alerts_.value({alert, receiver});
    return a.active ? a.text : QString();
}

std::vector<AlertChange> HealthModel::takeChanges() {
    std::vector<AlertChange> out;
    out.swap(changes_);
    return out;
}

void HealthModel::silentFailure(int receiver, const QString& reason, bool atPort, const Clock::Reading& now) {
    Receiver& r = rx(receiver);
    if (r.unanswered == 0) {
        r.silentSince = now;
        r.onlyPortFailures = true;
    }
    ++r.unanswered;
    r.onlyPortFailures = r.onlyPortFailures && atPort;
    r.lastFailure = reason;
    ++revision_;
    if (watched(receiver) && r.unanswered >= rules_.receiverSilentAfter)
        raise(kSilent, receiver,
              QStringLiteral("ALERT %1 not answering since %2: %3")
                  .arg(receiverName(receiver), r.silentSince.local.time().toString(QStringLiteral("HH:mm")),
                       reason),
              now);
}

void HealthModel::heardFrom(int receiver, const Clock::Reading& now) {
    Receiver& r = rx(receiver);
    if (r.unanswered != 0 || !r.heard) ++revision_;
    r.heard = true;
    r.unanswered = 0;
    r.lastFailure.clear();
    clear(kSilent, receiver, QStringLiteral("RESTORED %1 answering").arg(receiverName(receiver)), now);
}

void HealthModel::exchanged(int receiver, bool answered, const QString& reason, const Clock::Reading& now) {
    if (answered)
        heardFrom(receiver, now);
    else
        silentFailure(receiver, reason, !reason.startsWith(kNoAnswer), now);
}

void HealthModel::ebNoRead(int receiver, const QByteArray& value, const Clock::Reading& now) {
    Receiver& r = rx(receiver);
    bool number = false;
    const double v = value.toDouble(&number);
    r.ebNoText = value;
    r.ebNoKnown = number;
    r.ebNo = number ? v : 0;
    r.ebNoAtMs = now.utcMs;
    ++revision_;
    // A reading without one number in it ("None") counts neither way.
    if (!number || rules_.ebNoMinimum <= 0 || !watched(receiver)) return;
    if (v < rules_.ebNoMinimum) {
        r.goodReadings = 0;
        if (++r.lowReadings >= rules_.ebNoLowReadings)
            raise(kEbNoLow, receiver,
                  QStringLiteral("ALERT %1 EbNo %2 below %3")
                      .arg(receiverName(receiver), dB(v), dB(rules_.ebNoMinimum)),
                  now);
    } else {
        r.lowReadings = 0;
        if (++r.goodReadings >= rules_.ebNoLowReadings)
            clear(kEbNoLow, receiver,
                  QStringLiteral("RESTORED %1 EbNo %2").arg(receiverName(receiver), dB(v)), now);
    }
}

void HealthModel::cycleStarted(int receiver) {
    rx(receiver).inCycle = true;
    rx(receiver).cycleCounted = false;
}

void HealthModel::cycleEnded(int receiver) {
    rx(receiver).inCycle = false;
}

void HealthModel::switchCommand(int receiver, bool sent, const QString& reason, const Clock::Reading& now) {
    Receiver& r = rx(receiver);
    r.lastSendOk = sent;
    ++revision_;
    if (!sent) {
        silentFailure(receiver, reason, true, now);
        return;
    }
    // The two sends of one cycle are one switch; a switch by hand is one of its own.
    if (!r.inCycle || !r.cycleCounted) {
        ++r.switches;
        r.lastSwitchMs = now.utcMs;
        r.lastSwitchAt = now.local.time();
        r.cycleCounted = r.inCycle;
    }
    // A command written to a port that had failed shows the port is back. A receiver that did not
    // answer a reading may still not listen: only an answer tells of it.
    if (r.unanswered > 0 && r.onlyPortFailures) heardFrom(receiver, now);
    clear(kMissed, receiver, QStringLiteral("RESTORED %1 switching again").arg(receiverName(receiver)), now);
}

void HealthModel::eventMissed(int receiver, const QString& name, const QDateTime& due, bool remoteOnly,
                              const Clock::Reading& now) {
    Receiver& r = rx(receiver);
    ++r.missedEvents;
    r.missedDue = due.time();
    ++revision_;
    if (!watched(receiver)) return;
    const QString when = QLocale::c().toString(due, QStringLiteral("MM/dd/yyyy HH:mm:ss"));
    raise(kMissed, receiver,
          QStringLiteral("ALERT %1 missed %2%3 due %4")
              .arg(receiverName(receiver), remoteOnly ? QStringLiteral("the remote start of ") : QString(),
                   name.trimmed(), when),
          now);
}

void HealthModel::fileWritten(const QString& path, bool ok, const QString& reason,
                              const Clock::Reading& now) {
    const QString kind = kindOf(path);
    if (ok) {
        // Each kind of file recovers with its own next good write; the alert ends with the last.
        if (failingFiles_.remove(kind) == 0) return;
        ++revision_;
        if (failingFiles_.isEmpty()) clear(kLogWrite, 0, QStringLiteral("RESTORED Files written again"), now);
        return;
    }
    const QString what = reason.contains(path) ? reason : path + QStringLiteral(": ") + reason;
    failingFiles_.insert(kind, what);
    ++revision_;
    raise(kLogWrite, 0, QStringLiteral("ALERT File not written: ") + what, now);
}

void HealthModel::clockReset(bool ok, const QString& reason, const Clock::Reading& now) {
    if (ok) {
        clear(kClockReset, 0, QStringLiteral("RESTORED Clock reset done"), now);
        return;
    }
    ++refusedResets_;
    ++revision_;
    raise(kClockReset, 0, QStringLiteral("ALERT Clock reset refused: ") + reason, now);
}

void HealthModel::setNextSwitch(int receiver, qint64 utcMs) {
    Receiver& r = rx(receiver);
    if (r.nextSwitchMs == utcMs) return;
    r.nextSwitchMs = utcMs;
    ++revision_;
}

}  // namespace qc
