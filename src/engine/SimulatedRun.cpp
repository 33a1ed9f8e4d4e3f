#include "SimulatedRun.h"

namespace qc {

SimulatedRun::SimulatedRun(Module1& m, SimulatedClock& clock)
    : m_(m), clock_(clock), nextTick_(clock.utcMs()) {
    auto follow = [this](int i, SwitchTimer& timer) {
        QObject::connect(&timer, &SwitchTimer::enabledChanged, &m_, [this, i](bool on) {
            timerDue_[i] = on ? clock_.utcMs() + SwitchTimer::IntervalMs : Off;
        });
        if (timer.Enabled()) timerDue_[i] = clock_.utcMs() + SwitchTimer::IntervalMs;
    };
    follow(0, m_.Timer1);
    follow(1, m_.Timer2);
}

void SimulatedRun::runUntil(const QDateTime& wallClockUntil) {
    const int ms = wallClockUntil.time().msecsSinceStartOfDay();
    runUntilUtc(clock_.utcOf(wallClockUntil.date(), ms / 1000) * 1000 + ms % 1000);
}

void SimulatedRun::runUntilUtc(qint64 until) {
    for (;;) {
        // The earliest due event; at the same moment the tick comes first, as it was scheduled first.
        qint64 next = nextTick_;
        Event event = Event::Tick;
        for (int i = 0; i < 2; ++i) {
            if (timerDue_[i] != Off && timerDue_[i] < next) {
                next = timerDue_[i];
                event = i == 0 ? Event::Timer1 : Event::Timer2;
            }
        }
        if (next > until) break;
        if (clock_.utcMs() < next) clock_.setUtcMs(next);
        if (beforeEvent) beforeEvent(event);
        if (event == Event::Tick) {
            m_.tmrClock_Timer();
            ++ticks_;
            // A late tick fires once, then the ticks go on from there.
            nextTick_ = std::max(nextTick_ + TickMs, clock_.utcMs());
        } else {
            const int i = event == Event::Timer1 ? 0 : 1;
            timerDue_[i] = std::max(timerDue_[i] + SwitchTimer::IntervalMs, clock_.utcMs());
            (i == 0 ? m_.Timer1_Timer() : m_.Timer2_Timer());
        }
    }
    if (clock_.utcMs() < until) clock_.setUtcMs(until);
}

}  // namespace qc
