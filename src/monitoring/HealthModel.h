#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QTime>
#include <vector>

#include "platform/Clock.h"

namespace qc {

// One raise or clear of an alert, with the sentence the activity log, the message window, the
// webhook and the desktop get.
struct AlertChange {
    QString alert;     // "ebno_low", "receiver_silent", "event_missed", "log_write", "clock_reset", ...
    int receiver = 0;  // 1 or 2; 0 for a station alert
    bool raised = false;
    QString text;  // "ALERT Receiver 1 EbNo 2.0 dB below 4.0 dB", "RESTORED Receiver 1 EbNo 7.5 dB"
    Clock::Reading at;
};

// The station's health as the engine's own signals tell it, and the rules that turn it into alerts:
// each alert is raised once and cleared once, never repeated while it lasts. Plain logic: it is told
// facts with their moment and hands out the changes of the alerts.
class HealthModel {
public:
    struct Rules {
        double ebNoMinimum = 0;  // 0: the EbNo is not watched
        int ebNoLowReadings = 3;
        int receiverSilentAfter = 3;
    };

    struct Receiver {
        // Link: answering, or not since the first of the exchanges in a row that went unanswered.
        bool heard = false;            // an exchange has gone through since the start
        int unanswered = 0;            // exchanges in a row without an answer
        bool onlyPortFailures = true;  // all of those failed at the port (none timed out)
        Clock::Reading silentSince;
        QString lastFailure;
        // EbNo: the last reading as logged, its value when it is a number, and when it came.
        QByteArray ebNoText;
        double ebNo = 0;
        bool ebNoKnown = false;
        qint64 ebNoAtMs = 0;
        int lowReadings = 0;   // readings in a row below the minimum
        int goodReadings = 0;  // readings in a row at or above it
        // Switching.
        qint64 lastSwitchMs = 0;  // the last switch whose command went out; 0 never
        QTime lastSwitchAt;       // its local time
        bool lastSendOk = true;   // whether the last command (of a cycle or by hand) went out
        qint64 switches = 0;
        qint64 missedEvents = 0;
        QTime missedDue;          // the time of the last missed event, for the main window
        qint64 nextSwitchMs = 0;  // 0: none
        bool inCycle = false;
        bool cycleCounted = false;  // this cycle's switch has been counted
    };

    void setRules(const Rules& rules);
    const Rules& rules() const { return rules_; }
    // 1 or 2 receivers in use; a receiver no longer in use has its alerts cleared.
    void setReceivers(int count, const Clock::Reading& now);
    int receivers() const { return receivers_; }

    // ---- Facts, each at its moment
    // An exchange that wanted an answer: answered, or not (with the reason).
    void exchanged(int receiver, bool answered, const QString& reason, const Clock::Reading& now);
    void ebNoRead(int receiver, const QByteArray& value, const Clock::Reading& now);
    void cycleStarted(int receiver);
    void cycleEnded(int receiver);
    // A switch command went out, or failed at the port.
    void switchCommand(int receiver, bool sent, const QString& reason, const Clock::Reading& now);
    // remoteOnly: the commands went out, the remote start was missed.
    void eventMissed(int receiver, const QString& name, const QDateTime& due, bool remoteOnly,
                     const Clock::Reading& now);
    void fileWritten(const QString& path, bool ok, const QString& reason, const Clock::Reading& now);
    void clockReset(bool ok, const QString& reason, const Clock::Reading& now);
    void setNextSwitch(int receiver, qint64 utcMs);
    void heartbeat(qint64 utcMs) { heartbeatMs_ = utcMs; }

    // Station alerts of other subsystems, by name.
    void raise(const QString& alert, int receiver, const QString& text, const Clock::Reading& now);
    void clear(const QString& alert, int receiver, const QString& text, const Clock::Reading& now);

    // ---- What is known
    const Receiver& receiver(int n) const { return rx_[n == 2 ? 1 : 0]; }
    bool active(const QString& alert, int receiver = 0) const;
    // The sentence of an active alert.
    QString activeText(const QString& alert, int receiver = 0) const;
    // Every alert ever raised with its receiver, active or not, in a stable order.
    QList<QPair<QString, int>> knownAlerts() const { return alerts_.keys(); }
    qint64 heartbeatMs() const { return heartbeatMs_; }
    qint64 refusedResets() const { return refusedResets_; }
    // Grows with every change worth telling (not the heartbeat).
    quint64 revision() const { return revision_; }

    // The changes since the last call, in order.
    std::vector<AlertChange> takeChanges();

    // The receiver alerts, in the order the metrics list them.
    static const QStringList& receiverAlerts();
    static const QStringList& stationAlerts();

private:
    Receiver& rx(int n) { return rx_[n == 2 ? 1 : 0]; }
    bool watched(int receiver) const { return receiver == 1 || (receiver == 2 && receivers_ == 2); }
    void silentFailure(int receiver, const QString& reason, bool atPort, const Clock::Reading& now);
    void heardFrom(int receiver, const Clock::Reading& now);

    Rules rules_;
    int receivers_ = 1;
    Receiver rx_[2];
    struct Alert {
        bool active = false;
        QString text;
    };
    QMap<QPair<QString, int>, Alert> alerts_;
    QMap<QString, QString> failingFiles_;  // kind of file -> the sentence of its failure
    qint64 heartbeatMs_ = 0;
    qint64 refusedResets_ = 0;
    quint64 revision_ = 0;
    std::vector<AlertChange> changes_;
};

}  // namespace qc
