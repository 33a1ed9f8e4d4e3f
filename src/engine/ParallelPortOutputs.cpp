// The remote-start outputs (data bits 5 and 6) and the alarm and clock-reset inputs of the station
// automation's parallel port.
#include "LogNames.h"
#include "core/Module1.h"

namespace qc {

void Module1::reportPortFailure(const QcError& e) {
    // A missing port is reported once; the program goes on and tries again quietly at every call.
    if (portFailureReported_) return;
    portFailureReported_ = true;
    ShowMessage(e.text());
}

void Module1::WriteRelayPort() {
    writeRelayPort();
}

bool Module1::writeRelayPort() {
    int value = 0;
    for (int i = 0; i < 8; ++i)
        value += PortBits[i] * (1 << i);
    try {
        port_.Outp(ParallelPort::DataRegister, value);
        portFailureReported_ = false;
        return true;
    } catch (const QcError& e) {
        reportPortFailure(e);
        return false;
    }
}

void Module1::ReadStatusPort() {
    int v = 0;
    try {
        v = port_.Inp(ParallelPort::StatusRegister);
        portFailureReported_ = false;
    } catch (const QcError& e) {
        reportPortFailure(e);
        return;
    }
    int s = 127 - v;
    if (s == 0) view.lblPort.clear();
    // The two top status lines are not used.
    if (s >= 64) s -= 64;
    if (s >= 32) s -= 32;

    if (s < 16) {
        AlarmLatch = 0;
    } else {
        s -= 16;
        if (AlarmLatch == 0) {
            AlarmLatch = 1;
            ActivityText = "Alarm";
            WriteActivityLog();
            view.lblPort = QStringLiteral("Alarm");
        }
    }

    if (s < 8) TimeSetLatch = 0;
    const QByteArray old = logTime(clock_.now().time());
    if (old.mid(3, 2) == ClockResetTime.left(2) && TimeSetLatch == 0 && s == 8) {
        // The hour is kept; minute and second come from the setting. Each pulse acts once: the latch
        // opens again only when the input goes inactive, also when the setting was refused.
        TimeSetLatch = 1;
        const QByteArray next = old.left(3) + ClockResetTime;
        const QTime time = QTime::fromString(QString::fromLatin1(next), QStringLiteral("HH:mm:ss"));
        try {
            if (!time.isValid())
                throw QcError(QcError::TypeMismatch, QcError::standardDescription(QcError::TypeMismatch));
            clock_.setTimeOfDay(time);
        } catch (const QcError& e) {
            // A program without the right to set the time goes on; the operator hears of it once per
            // pulse, and nothing is logged as done.
            ShowMessage(e.text());
            emit clockResetDone(false, e.textOneBlank());
            return;
        }
        emit clockResetDone(true, {});
        view.lblPort = QStringLiteral("Time Set");
        ActivityText = "Time Set " + old;
        WriteActivityLog();
    }
}

}  // namespace qc
