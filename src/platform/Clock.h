#pragma once

#include <QDateTime>
#include <QTime>

namespace qc {

// The time of day as the program sees it. All reading and setting of the time goes through here, so
// that a test can run a week of ticks on a simulated clock in seconds.
class Clock {
public:
    virtual ~Clock() = default;

    // The local wall-clock date and time. Only date() and time() of the result are used.
    virtual QDateTime now() const = 0;

    // Sets the time of day, keeping the date. Throws QcError when the system refuses.
    virtual void setTimeOfDay(const QTime& time) = 0;

    // Seconds since midnight with the fraction, in single precision like the release times of the
    // remote-start outputs it is compared with.
    float timer() const;
};

// Seconds since midnight of a time of day, with the fraction.
float timerOf(const QTime& time);
// A time of day in seconds rounded to the nearest whole second, halves to the even second.
int roundHalfEven(double seconds);

class SystemClock : public Clock {
public:
    // The local date and time of day (in a date-time marked Qt::UTC: only its fields count).
    QDateTime now() const override;
    // clock_settime; needs CAP_SYS_TIME.
    void setTimeOfDay(const QTime& time) override;

private:
    mutable long long zoneCheckedMinute_ = -1;
};

// A clock that moves only when told. Kept in UTC internally, so that simulated days have no
// daylight-saving gaps; the program uses only its date and time of day.
class SimulatedClock : public Clock {
public:
    explicit SimulatedClock(const QDateTime& start = QDateTime(QDate(2026, 12, 7), QTime(12, 0)));

    QDateTime now() const override { return now_; }
    void setTimeOfDay(const QTime& time) override;

    void set(const QDateTime& wallClock);
    void advance(qint64 milliseconds) { now_ = now_.addMSecs(milliseconds); }

    // When set, setTimeOfDay fails as it does for a program without the right to set the time.
    bool refuseSetting = false;
    int settings = 0;  // how many times the time was set

private:
    QDateTime now_;
};

}  // namespace qc
