#include "Clock.h"

#include "QcError.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <ctime>

namespace qc {

float timerOf(const QTime& time) {
    return static_cast<float>(time.msecsSinceStartOfDay() / 1000.0);
}

float Clock::timer() const {
    return timerOf(now().time());
}

int roundHalfEven(double seconds) {
    return static_cast<int>(std::nearbyint(seconds));
}

QDateTime SystemClock::now() const {
    // The local wall clock, carried in a UTC date-time like the simulated clock's. Asking Qt for the
    // local time makes the C library look at the time-zone file on every call, several times a tick;
    // here the zone is looked at again once a minute, which still follows a change of the system's
    // zone.
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    if (ts.tv_sec / 60 != zoneCheckedMinute_) {
        zoneCheckedMinute_ = ts.tv_sec / 60;
        tzset();
    }
    tm local{};
    localtime_r(&ts.tv_sec, &local);
    return QDateTime(
        QDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday),
        QTime(local.tm_hour, local.tm_min, std::min(local.tm_sec, 59), int(ts.tv_nsec / 1000000)), Qt::UTC);
}

void SystemClock::setTimeOfDay(const QTime& time) {
    const QDateTime target(QDate::currentDate(), time);
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(target.toSecsSinceEpoch());
    ts.tv_nsec = 0;
    if (clock_settime(CLOCK_REALTIME, &ts) != 0) {
        const int err = errno;
        throw QcError(QcError::PermissionDenied,
                      QStringLiteral("Permission denied: the time of day could not be set to %1 (%2)")
                          .arg(time.toString(QStringLiteral("HH:mm:ss")),
                               err == EPERM ? QStringLiteral("the program lacks CAP_SYS_TIME")
                                            : QString::fromLocal8Bit(std::strerror(err))));
    }
}

SimulatedClock::SimulatedClock(const QDateTime& start) {
    set(start);
}

void SimulatedClock::set(const QDateTime& wallClock) {
    now_ = QDateTime(wallClock.date(), wallClock.time(), Qt::UTC);
}

void SimulatedClock::setTimeOfDay(const QTime& time) {
    if (refuseSetting)
        throw QcError(QcError::PermissionDenied,
                      QStringLiteral("Permission denied: the time of day could not be set to %1 (the "
                                     "program lacks CAP_SYS_TIME)")
                          .arg(time.toString(QStringLiteral("HH:mm:ss"))));
    ++settings;
    now_ = QDateTime(now_.date(), time, Qt::UTC);
}

}  // namespace qc
