#include "ServiceWatchdog.h"

#include <systemd/sd-daemon.h>

#include <ctime>

namespace qc {

namespace {

// On the monotonic clock: a step of the time of day must not hold back or hurry the petting.
std::uint64_t monotonicUs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::uint64_t(ts.tv_sec) * 1000000 + std::uint64_t(ts.tv_nsec) / 1000;
}

}  // namespace

ServiceWatchdog::ServiceWatchdog() {
    std::uint64_t usec = 0;
    if (sd_watchdog_enabled(0, &usec) > 0) intervalUs_ = usec;
}

void ServiceWatchdog::ready() {
    sd_notify(0, "READY=1");
}

void ServiceWatchdog::stopping() {
    sd_notify(0, "STOPPING=1");
}

void ServiceWatchdog::pet() {
    if (intervalUs_ == 0) return;
    const std::uint64_t now = monotonicUs();
    if (lastPetUs_ != 0 && now - lastPetUs_ < intervalUs_ / 4) return;
    lastPetUs_ = now;
    sd_notify(0, "WATCHDOG=1");
}

}  // namespace qc
