#include "SimulatedRun.h"

namespace qc {

SimulatedRun::SimulatedRun(Module1& m, SimulatedClock& clock) : m_(m), clock_(clock), nextTick_(clock.now()) {
    auto follow = [this](int i, SwitchTimer& timer) {
        QObject::connect(&timer, &SwitchTimer::enabledChanged, &m_, [this, i](bool on) {
            timerDue_[i] = on ? clock_.now().addMSecs(SwitchTimer::IntervalMs) : QDateTime();
        });
        if (timer.Enabled()) timerDue_[i] = clock_.now().addMSecs(SwitchTimer::IntervalMs);
    };
    follow(0, m_.Timer1);
    follow(1, m_.Timer2);
}

void SimulatedRun::runUntil(const QDateTime& wallClockUntil) {
    // The simulated clock keeps wall-clock time in UTC; compare like with like (and without asking
    // the time zone on every event).
    const QDateTime until(wallClockUntil.date(), wallClockUntil.time(), Qt::UTC);
    for (;;) {
        // The earliest due event; at the same moment the tick comes first, as it was scheduled first.
        QDateTime next = nextTick_;
        Event event = Event::Tick;
        for (int i = 0; i < 2; ++i) {
            if (timerDue_[i].isValid() && timerDue_[i] < next) {
                next = timerDue_[i];
                event = i == 0 ? Event::Timer1 : Event::Timer2;
            }
        }
        if (next > until) break;
        if (clock_.now() < next) clock_.set(next);
        if (beforeEvent) beforeEvent(event);
        if (event == Event::Tick) {
            m_.tmrClock_Timer();
            ++ticks_;
            nextTick_ = nextTick_.addMSecs(TickMs);
            // A late tick fires once, then the ticks go on from there.
            if (nextTick_ < clock_.now()) nextTick_ = clock_.now();
        } else {
            const int i = event == Event::Timer1 ? 0 : 1;
            timerDue_[i] = timerDue_[i].addMSecs(SwitchTimer::IntervalMs);
            if (timerDue_[i] < clock_.now()) timerDue_[i] = clock_.now();
            (i == 0 ? m_.Timer1_Timer() : m_.Timer2_Timer());
        }
    }
    if (clock_.now() < until) clock_.set(until);
}

}  // namespace qc
