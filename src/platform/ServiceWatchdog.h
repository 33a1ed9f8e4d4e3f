#pragma once

#include <cstdint>

namespace qc {

// Tells systemd how the program is doing when it runs as a notify service: ready once start-up is
// done, and alive from every clock tick, so that a program whose clock has stopped is restarted
// (WatchdogSec= of the unit). Started any other way (no NOTIFY_SOCKET) it does nothing.
class ServiceWatchdog {
public:
    ServiceWatchdog();

    void ready();
    // From the clock tick: systemd hears from it four times in each watchdog interval.
    void pet();
    // The program is on its way out, so systemd does not count the quiet watchdog against it.
    void stopping();

private:
    std::uint64_t intervalUs_ = 0;  // 0: no watchdog asked for
    std::uint64_t lastPetUs_ = 0;
};

}  // namespace qc
