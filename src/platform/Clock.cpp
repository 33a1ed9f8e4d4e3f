#include "Clock.h"

#include "QcError.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>

namespace qc {

namespace {

constexpr qint64 kEpochJulianDay = 2440588;  // 1970-01-01

qint64 floorDiv(qint64 a, qint64 b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0);
}

// The zone's offset (local minus true time, seconds) at a true time.
qint64 offsetAt(qint64 utc) {
    const time_t t = static_cast<time_t>(utc);
    tm local{};
    localtime_r(&t, &local);
    return local.tm_gmtoff;
}

// A wall-clock second (counted as if the zone were UTC) as true time.
qint64 zoneUtc(qint64 wall) {
    // The offsets a day before and a day after bracket any change near this moment.
    const qint64 early = offsetAt(wall - 86400);
    const qint64 late = offsetAt(wall + 86400);
    const qint64 byEarly = wall - early;
    const qint64 byLate = wall - late;
    const bool earlyHolds = offsetAt(byEarly) == early;
    const bool lateHolds = offsetAt(byLate) == late;
    if (earlyHolds && lateHolds) return std::min(byEarly, byLate);  // a repeated hour: its first pass
    if (earlyHolds) return byEarly;
    if (lateHolds) return byLate;
    // A skipped hour: the moment of the jump, the first second on which the later offset holds.
    qint64 before = std::min(byEarly, byLate);
    qint64 after = std::max(byEarly, byLate);
    while (after - before > 1) {
        const qint64 middle = before + (after - before) / 2;
        (offsetAt(middle) == late ? after : before) = middle;
    }
    return after;
}

}  // namespace

qint64 wallSeconds(const QDate& date, int secondOfDay) {
    return (date.toJulianDay() - kEpochJulianDay) * 86400 + secondOfDay;
}

qint64 Clock::Reading::offsetSecs() const {
    const qint64 wallMs = wallSeconds(local.date(), 0) * 1000 + local.time().msecsSinceStartOfDay();
    return floorDiv(wallMs - utcMs, 1000);
}

Clock::Reading Clock::read() const {
    const QDateTime local = now();
    return {local, wallSeconds(local.date(), 0) * 1000 + local.time().msecsSinceStartOfDay()};
}

qint64 Clock::utcOf(const QDate& date, int secondOfDay) const {
    const qint64 day = date.toJulianDay();
    for (const Slot& slot : slots_)
        if (slot.day == day && slot.second == secondOfDay) return slot.utc;
    Slot& slot = slots_[nextSlot_++ % slots_.size()];
    slot = {day, secondOfDay, zoneUtcOf(date, secondOfDay)};
    return slot.utc;
}

qint64 Clock::zoneUtcOf(const QDate& date, int secondOfDay) const {
    return wallSeconds(date, secondOfDay);
}

float timerOf(const QTime& time) {
    return static_cast<float>(time.msecsSinceStartOfDay() / 1000.0);
}

float Clock::timer() const {
    return timerOf(now().time());
}

int roundHalfEven(double seconds) {
    return static_cast<int>(std::nearbyint(seconds));
}

Clock::Reading SystemClock::read() const {
    // Asking Qt for the local time makes the C library look at the time-zone file on every call,
    // several times a tick; here the zone is looked at again once a minute, which still follows a
    // change of the system's zone.
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    if (ts.tv_sec / 60 != zoneCheckedMinute_) {
        zoneCheckedMinute_ = ts.tv_sec / 60;
        tzset();
        forgetConversions();
    }
    tm local{};
    localtime_r(&ts.tv_sec, &local);
    const int ms = int(ts.tv_nsec / 1000000);
    return {QDateTime(QDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday),
                      QTime(local.tm_hour, local.tm_min, std::min(local.tm_sec, 59), ms), Qt::UTC),
            qint64(ts.tv_sec) * 1000 + ms};
}

qint64 SystemClock::zoneUtcOf(const QDate& date, int secondOfDay) const {
    return zoneUtc(wallSeconds(date, secondOfDay));
}

void SystemClock::setTimeOfDay(const QTime& time) {
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(utcOf(now().date(), time.msecsSinceStartOfDay() / 1000));
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

Clock::Reading SimulatedClock::read() const {
    const qint64 second = floorDiv(utcMs_, 1000);
    if (second != shownSecond_) {
        const time_t t = static_cast<time_t>(second);
        tm local{};
        localtime_r(&t, &local);
        shownSecond_ = second;
        shownDate_ = QDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
        shownSecondOfDay_ = local.tm_hour * 3600 + local.tm_min * 60 + std::min(local.tm_sec, 59);
    }
    const int ms = static_cast<int>(utcMs_ - second * 1000);
    return {QDateTime(shownDate_, QTime::fromMSecsSinceStartOfDay(shownSecondOfDay_ * 1000 + ms), Qt::UTC),
            utcMs_};
}

qint64 SimulatedClock::zoneUtcOf(const QDate& date, int secondOfDay) const {
    return zoneUtc(wallSeconds(date, secondOfDay));
}

void SimulatedClock::set(const QDateTime& wallClock) {
    const int ms = wallClock.time().msecsSinceStartOfDay();
    utcMs_ = utcOf(wallClock.date(), ms / 1000) * 1000 + ms % 1000;
}

void SimulatedClock::setTimeOfDay(const QTime& time) {
    if (refuseSetting)
        throw QcError(QcError::PermissionDenied,
                      QStringLiteral("Permission denied: the time of day could not be set to %1 (the "
                                     "program lacks CAP_SYS_TIME)")
                          .arg(time.toString(QStringLiteral("HH:mm:ss"))));
    ++settings;
    set(QDateTime(now().date(), time, Qt::UTC));
}

}  // namespace qc
