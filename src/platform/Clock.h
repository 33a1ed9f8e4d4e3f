#pragma once

#include <QDateTime>
#include <QTime>
#include <array>
#include <limits>

namespace qc {

// The time of day as the program sees it. All reading and setting of the time goes through here, so
// that a test can run a week of ticks on a simulated clock in seconds.
//
// The program works on the local wall clock, as the schedule is written in it. Across a
// daylight-saving change the wall clock skips or repeats an hour; the true time beside it (read())
// never does, so countdowns stay right.
class Clock {
public:
    virtual ~Clock() = default;

    // One reading of the clock: the local wall clock and the same moment as true time.
    struct Reading {
        QDateTime local;   // only date() and time() count (the date-time is marked Qt::UTC)
        qint64 utcMs = 0;  // milliseconds since 1970-01-01 00:00 UTC
        // The zone's offset at this moment: local time minus true time, in seconds.
        qint64 offsetSecs() const;
    };

    // The local wall-clock date and time. Only date() and time() of the result are used.
    virtual QDateTime now() const = 0;
    // A clock that knows no zone (the default) counts its wall clock as true time.
    virtual Reading read() const;

    // Sets the time of day, keeping the date. Throws QcError when the system refuses.
    virtual void setTimeOfDay(const QTime& time) = 0;

    // The true time, in seconds since the epoch, of a second of a local day. A time in the hour
    // that the clock repeats in autumn gives its first pass; a time in the hour it skips in spring
    // gives the moment of the jump.
    qint64 utcOf(const QDate& date, int secondOfDay) const;

    // Seconds since midnight with the fraction, in single precision like the release times of the
    // remote-start outputs it is compared with.
    float timer() const;

protected:
    virtual qint64 zoneUtcOf(const QDate& date, int secondOfDay) const;
    // The zone was read again: conversions made before may no longer hold.
    void forgetConversions() const { slots_ = {}; }

private:
    // The same few moments (the next events) are converted on every tick.
    struct Slot {
        qint64 day = std::numeric_limits<qint64>::min();
        int second = 0;
        qint64 utc = 0;
    };
    mutable std::array<Slot, 4> slots_{};
    mutable unsigned nextSlot_ = 0;
};

// Seconds since midnight of a time of day, with the fraction.
float timerOf(const QTime& time);
// A time of day in seconds rounded to the nearest whole second, halves to the even second.
int roundHalfEven(double seconds);
// A wall-clock date and second of the day counted as if the zone were UTC, in seconds since the epoch.
qint64 wallSeconds(const QDate& date, int secondOfDay);

// The zone is the process's (TZ, else /etc/localtime), read through the C library as the system's
// own programs read it.
class SystemClock : public Clock {
public:
    // The local date and time of day (in a date-time marked Qt::UTC: only its fields count).
    QDateTime now() const override { return read().local; }
    Reading read() const override;
    // clock_settime; needs CAP_SYS_TIME.
    void setTimeOfDay(const QTime& time) override;

protected:
    qint64 zoneUtcOf(const QDate& date, int secondOfDay) const override;

private:
    mutable long long zoneCheckedMinute_ = -1;
};

// A clock that moves only when told. It runs on true time and shows the local time through the
// process's zone, as the system clock does: a simulated day with a daylight-saving change has 23 or
// 25 hours. Set the zone (TZ, then tzset) before making the clock.
class SimulatedClock : public Clock {
public:
    explicit SimulatedClock(const QDateTime& start = QDateTime(QDate(2026, 12, 7), QTime(12, 0)));

    QDateTime now() const override { return read().local; }
    Reading read() const override;
    void setTimeOfDay(const QTime& time) override;

    // The wall-clock fields of `wallClock`, whatever its Qt::TimeSpec, read in the zone.
    void set(const QDateTime& wallClock);
    void advance(qint64 milliseconds) { utcMs_ += milliseconds; }
    qint64 utcMs() const { return utcMs_; }
    void setUtcMs(qint64 utcMs) { utcMs_ = utcMs; }

    // When set, setTimeOfDay fails as it does for a program without the right to set the time.
    bool refuseSetting = false;
    int settings = 0;  // how many times the time was set

protected:
    qint64 zoneUtcOf(const QDate& date, int secondOfDay) const override;

private:
    qint64 utcMs_ = 0;
    // The local fields of the second last shown: the zone is asked once a second, not on every call.
    mutable qint64 shownSecond_ = std::numeric_limits<qint64>::min();
    mutable QDate shownDate_;
    mutable int shownSecondOfDay_ = 0;
};

}  // namespace qc
