#pragma once

#include <QDateTime>
#include <functional>

#include "core/Module1.h"
#include "platform/Clock.h"

namespace qc {

// Drives a Module1 on a simulated clock the way the main window drives it on the real one: the
// clock tick every 50 ms from the start moment, and each switch timer 2 s after it was enabled and
// every 2 s after that while it stays enabled. A tick that takes long (an exchange letting
// simulated time pass) delays the following ticks; they do not pile up. The timers run on true
// time, as the system's timers do: a daylight-saving change does not move them.
class SimulatedRun {
public:
    static constexpr int TickMs = 50;

    SimulatedRun(Module1& m, SimulatedClock& clock);

    // Runs every tick and timer event due up to and including `until`.
    // `until` is read as a wall-clock date and time, whatever its Qt::TimeSpec; in the hour that the
    // clock repeats in autumn, as its first pass.
    void runUntil(const QDateTime& until);
    void runFor(qint64 milliseconds) { runUntilUtc(clock_.utcMs() + milliseconds); }
    void runUntilUtc(qint64 untilMs);

    // Called before each event with its kind, for tracing.
    enum class Event { Tick, Timer1, Timer2 };
    std::function<void(Event)> beforeEvent;

    qint64 ticks() const { return ticks_; }

private:
    static constexpr qint64 Off = -1;

    Module1& m_;
    SimulatedClock& clock_;
    qint64 nextTick_;
    qint64 timerDue_[2] = {Off, Off};
    qint64 ticks_ = 0;
};

}  // namespace qc
