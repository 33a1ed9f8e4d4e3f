// The 50 ms clock tick, the program's only scheduler, and the switch-command cycles of Timer1 and
// Timer2. Every step is guarded: an error is shown in the message window and the next step and the
// next tick run, so nothing a receiver, a disk or a port does can stop the switching.
#include <QFile>
#include <QLocale>

#include "LogNames.h"
#include "core/Module1.h"
#include "platform/Text.h"

namespace qc {

namespace {
const QByteArray kNextToSwitch = "Next to Switch:  ";
}

void Module1::runStep(const std::function<void()>& step) {
    try {
        step();
    } catch (const std::exception& e) {
        ShowMessage(toQcError(e).text());
    }
}

int Module1::countdown(const QDate& date, int secs) const {
    const Clock::Reading now = clock_.read();
    const int timerRounded = roundHalfEven(timerOf(now.local.time()));
    // Counted in true seconds, so that it stays right when a daylight-saving change skips or repeats
    // an hour of the wall clock; on every other day it is days * 86400 + secs - Timer rounded.
    const qint64 nowRounded = wallSeconds(now.local.date(), timerRounded) - now.offsetSecs();
    return static_cast<int>(clock_.utcOf(date.isValid() ? date : now.local.date(), secs) - nowRounded);
}

void Module1::showCountdown(int receiver) {
    const int32_t count = receiver == 1 ? countdown(NextDate1, NextSecs1) : countdown(NextDate2, NextSecs2);
    Seconds = std::max(count, 0);  // an event being served late shows 00:00 until the search moves on
    SecondsToText();
    Seconds = count;
    // The label changes once a second; it is rebuilt only then.
    const QByteArray& name = receiver == 1 ? NextName1 : NextName2;
    Shown& shown = shown_[receiver - 1];
    if (shown.valid && shown.seconds == Seconds && shown.name == name) return;
    shown = {true, Seconds, name};
    (receiver == 1 ? view.label1 : view.Label3) = fromCp1252(kNextToSwitch + name + "  " + TimeText);
}

void Module1::releaseRemoteStart(int receiver) {
    bool& active = receiver == 1 ? RemoteStart1Active : RemoteStart2Active;
    if (!active) return;
    const float off = receiver == 1 ? RemoteStart1Off : RemoteStart2Off;
    if (clock_.timer() > off) {
        active = false;
        PortBits[receiver == 1 ? 5 : 6] = 0;
        const bool written = writeRelayPort();
        (receiver == 1 ? view.Label2Visible : view.Label4Visible) = false;
        // The log comes last: a log that cannot be written must not leave the output on. A port that
        // could not be reached (already reported) gets no line: the log records what was done.
        ActivityText = receiver == 1 ? "Remote Start 1 Off" : "Remote Start 2 Off";
        if (written && ActivityLogOn == 1) WriteActivityLog();
    }
}

void Module1::remoteStart(int receiver) {
    const int32_t record = receiver == 1 ? NextRecord1 : NextRecord2;
    const EventKey key{receiver == 1 ? NextDate1 : NextDate2, receiver == 1 ? NextSecs1 : NextSecs2};
    EventKey& served = startServed_[receiver - 1];
    bool& active = receiver == 1 ? RemoteStart1Active : RemoteStart2Active;
    GetRecord(record);
    // One event gives at most one remote start, also when its duration comes out as 0.
    if (active || EntryBuf.RemoteMode == 1 || served == key) return;
    served = key;
    int duration = Seconds;  // an unknown mode: the countdown, 0
    if (EntryBuf.RemoteMode == 2) duration = 1;
    if (EntryBuf.RemoteMode == 3) {
        TimeText = "00:" + EntryBuf.Length;
        TimeToSeconds();
        duration = Seconds;
    }
    PortBits[receiver == 1 ? 5 : 6] = 1;
    const bool written = writeRelayPort();
    (receiver == 1 ? RemoteStart1Off : RemoteStart2Off) =
        static_cast<float>(roundHalfEven(clock_.timer()) + duration);
    active = true;
    (receiver == 1 ? view.Label2Visible : view.Label4Visible) = written;
    emit remoteStartOn(receiver, duration, written);
    ActivityText = receiver == 1 ? "Remote Start 1 On" : "Remote Start 2 On";
    if (written && ActivityLogOn == 1) WriteActivityLog();
}

void Module1::tmrClock_Timer() {
    const Clock::Reading reading = clock_.read();
    const QDateTime& now = reading.local;
    // A release time past midnight belongs to the day the output was set: bring it into the new day
    // on the first tick of that day, whenever that tick comes.
    if (lastTickDate_.isValid() && now.date() > lastTickDate_) {
        const float shift = 86400.0f * static_cast<float>(lastTickDate_.daysTo(now.date()));
        if (RemoteStart1Active) RemoteStart1Off -= shift;
        if (RemoteStart2Active) RemoteStart2Off -= shift;
    }
    lastTickDate_ = now.date();
    // A daylight-saving change moves the wall clock by an hour; a release time keeps its true moment.
    if (lastOffset_ != std::numeric_limits<qint64>::min() && reading.offsetSecs() != lastOffset_) {
        const auto shift = static_cast<float>(reading.offsetSecs() - lastOffset_);
        if (RemoteStart1Active) RemoteStart1Off += shift;
        if (RemoteStart2Active) RemoteStart2Off += shift;
    }
    lastOffset_ = reading.offsetSecs();

    if (RemoteStartOn) runStep([this] { ReadStatusPort(); });
    runStep([this] { releaseRemoteStart(1); });
    // The clock shows whole seconds: formatted once a second, not on every tick.
    const qint64 shownSecond = now.date().toJulianDay() * 86400 + now.time().msecsSinceStartOfDay() / 1000;
    if (shownSecond != clockShown_) {
        clockShown_ = shownSecond;
        view.lblClock = QLocale::c().toString(now, QStringLiteral("dddd  MM/dd/yyyy  HH:mm:ss"));
    }
    runStep([this] { receiverStep(1); });
    runStep([this] { ebNoSchedule(1); });
    if (TwoReceivers == 1) runStep([this] { Receiver2(); });
    // Output 2 is released also while receiver 2 has no next event or is no longer in use.
    runStep([this] { releaseRemoteStart(2); });
    if (roundHalfEven(timerOf(now.time())) == 36015) dailyDeletions();
    emit viewChanged();
    emit ticked();
}

// One receiver's share of the tick: the countdown and its label, the search for the following event
// once this one has passed, the switch-command window (14-15 seconds before for receiver 1, 9-10 for
// receiver 2, so the two never share the line) and the remote start at the event second.
void Module1::receiverStep(int receiver) {
    const int32_t& next = receiver == 1 ? NextRecord1 : NextRecord2;
    if (next == 0) return;
    showCountdown(receiver);
    if (receiver == 2) releaseRemoteStart(2);
    SwitchTimer& timer = receiver == 1 ? Timer1 : Timer2;
    if (Seconds < 0) {
        serveOverdue(receiver);
        // A cycle still under way sends this event's command: the following event waits for it.
        if (next == 0 || timer.Enabled()) return;
        receiver == 1 ? FindNextSwitch1() : FindNextSwitch2();
        if (next == 0) return;
        showCountdown(receiver);
    }
    const int count = Seconds;
    const EventKey key = receiver == 1 ? EventKey{NextDate1, NextSecs1} : EventKey{NextDate2, NextSecs2};
    EventKey& served = cycleServed_[receiver - 1];
    const int earliest = receiver == 1 ? 15 : 10;
    // A tick that comes after the window (a stalled machine, a clock set forward, a start just before
    // the event, an event close behind another) starts the cycle at once, with its first send now.
    if (!timer.Enabled() && count <= earliest && served != key) {
        served = key;
        emit switchCycleStarted(receiver, key.date, key.secs, next);
        if (count < earliest - 1) cycleTick(receiver);
        timer.setEnabled(true);
    }
    if (count < 1) eventSecond(receiver, key);
}

void Module1::eventSecond(int receiver, const EventKey& key) {
    EventKey& told = secondServed_[receiver - 1];
    if (told != key) {
        told = key;
        emit eventSecondReached(receiver, key.date, key.secs);
    }
    if (RemoteStartOn) remoteStart(receiver);
}

// An event that a late tick or a step of the clock carried past its second. Less than a minute late
// it is served at once: its switch cycle, unless that ran, and its remote start. Later than that (a
// machine that was suspended) it is logged as missed, and so is every event of the receiver that the
// gap swallowed, up to a week back.
void Module1::serveOverdue(int receiver) {
    const int i = receiver - 1;
    const int32_t& record = receiver == 1 ? NextRecord1 : NextRecord2;
    const QDate& date = receiver == 1 ? NextDate1 : NextDate2;
    const int32_t& secs = receiver == 1 ? NextSecs1 : NextSecs2;
    SwitchTimer& timer = receiver == 1 ? Timer1 : Timer2;
    // A log that cannot be written must not hold the search at a passed event (it would be passed
    // again on every tick, and no later event switched): the search goes on, and the first failure
    // is told once, when it has.
    QString failure;
    auto logPassed = [&] {
        try {
            WriteActivityLog();
        } catch (const std::exception& e) {
            if (failure.isEmpty()) failure = toQcError(e).text();
        }
    };
    auto tellFailure = [&] {
        if (!failure.isEmpty()) ShowMessage(failure);
    };
    while (record != 0 && Seconds < 0) {
        const EventKey key{date, secs};
        if (Seconds > -60) {
            if (cycleServed_[i] != key && !timer.Enabled()) {
                cycleServed_[i] = key;
                emit switchCycleStarted(receiver, key.date, key.secs, record);
                cycleTick(receiver);
                timer.setEnabled(true);
            }
            tellFailure();
            eventSecond(receiver, key);
            return;
        }
        GetRecord(record);
        const QTime at = QTime::fromMSecsSinceStartOfDay(secs * 1000);
        const QByteArray due = ", due " +
                               QLocale::c().toString(date, QStringLiteral("MM/dd/yyyy")).toLatin1() + " " +
                               logTime(at);
        const bool outputOn = receiver == 1 ? RemoteStart1Active : RemoteStart2Active;
        if (cycleServed_[i] != key) {
            const char* tag = receiver == 2 ? "Receiver 2 " : TwoReceivers == 1 ? "Receiver 1 " : " ";
            ActivityText = EntryBuf.Name + tag + "Missed" + due;
            emit eventMissed(receiver, date, secs, record, false);
            logPassed();
        } else if (RemoteStartOn && EntryBuf.RemoteMode != 1 && startServed_[i] != key && !outputOn) {
            ActivityText = "Remote Start " + QByteArray::number(receiver) + " Missed" + due;
            emit eventMissed(receiver, date, secs, record, true);
            logPassed();
        }
        if (Seconds < -7 * 86400) break;  // a clock set far ahead: the search goes on from now
        // The search goes on from this event's second, so the next event the gap swallowed comes next.
        findNextSwitch(receiver, {QDateTime(date, at, Qt::UTC), clock_.utcOf(date, secs) * 1000});
        if (record != 0) showCountdown(receiver);
    }
    tellFailure();
}

void Module1::Receiver2() {
    runStep([this] { receiverStep(2); });
    runStep([this] { ebNoSchedule(2); });
}

void Module1::ebNoSchedule(int receiver) {
    int32_t& done = receiver == 1 ? EbNoDone1 : EbNoDone2;
    const QByteArray now = logTime(clock_.now().time());
    if (done == 1 && now.mid(6, 2).toInt() > (receiver == 1 ? 13 : 21)) done = 0;
    if (EbNoPerHour == 0 || done != 0) return;
    CommandPort = receiver == 1 ? Rx1Port : Rx2Port;
    ReceiverText = receiver == 1 ? "R1" : "R2";
    const QByteArray second = receiver == 1 ? "12" : "20";
    const QByteArray minuteSecond = now.right(5);
    auto at = [&](std::initializer_list<const char*> minutes) {
        for (const char* m : minutes)
            if (minuteSecond == QByteArray(m) + ":" + second) return true;
        return false;
    };
    bool match = false;
    switch (EbNoPerHour) {
        case 1:
            match = at({"00"});
            break;
        case 2:
            match = at({"00", "30"});
            break;
        case 3:
            match = at({"00", "20", "40"});
            break;
        case 4:
            match = at({"00", "15", "30", "45"});
            break;
        case 5:
            match = now.right(2) == second;
            break;
        default:
            break;
    }
    if (!match) return;
    done = 1;  // set first, so a failing reading is not retried on every tick of its second
    LogEbNo();
}

void Module1::dailyDeletions() {
    const QDate today = clock_.now().date();
    auto remove = [this](const char* kind, const QDate& date) {
        const QString name =
            QString::fromLatin1(kind) + QString::fromLatin1(logDateStamp(date)) + QStringLiteral(".log");
        // Every spelling goes: an old station's copy may hold AL261205.LOG beside a new AL261205.log.
        while (QFile::remove(paths_.logFile(name))) {
        }
    };
    remove("AL", today.addDays(-7));
    remove("MP", today.addDays(-7));
    if (SaveLogsUnit == "d" || SaveLogsUnit == "w" || SaveLogsUnit == "m" || SaveLogsUnit == "y")
        retentionUnitUsed_ = SaveLogsUnit;
    if (retentionUnitUsed_ == "d") remove("EB", today.addDays(-1));
    if (retentionUnitUsed_ == "w") remove("EB", today.addDays(-7));
    if (retentionUnitUsed_ == "m") remove("EB", today.addMonths(-1));
    if (retentionUnitUsed_ == "y") remove("EB", today.addYears(-1));
}

void Module1::cycleTick(int receiver) {
    int32_t& count = receiver == 1 ? SwitchCount1 : SwitchCount2;
    if (count != 2) {
        // The count moves on whatever the send did, so a cycle always ends.
        ++count;
        runStep([this, receiver] { switchReceiver(receiver); });
        return;
    }
    count = 0;
    (receiver == 1 ? Timer1 : Timer2).setEnabled(false);
    ReceiverText = receiver == 1 ? "1" : "2";
    MonitorCommand = "R M";
    if (MpegLogOn) runStep([this] { LogMpegStatus(); });
    emit switchCycleEnded(receiver);
}

void Module1::Timer1_Timer() {
    cycleTick(1);
}

void Module1::Timer2_Timer() {
    cycleTick(2);
}

}  // namespace qc
