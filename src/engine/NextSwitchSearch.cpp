// The next switching event of each receiver and its coming week, by a full scan of the schedule.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/Module1.h"
#include "platform/Text.h"

namespace qc {

namespace {

QByteArray dateText(const QDate& d) {
    char buf[9];
    const int y = d.year();
    const int m = d.month();
    const int day = d.day();
    buf[0] = char('0' + y / 1000 % 10);
    buf[1] = char('0' + y / 100 % 10);
    buf[2] = char('0' + y / 10 % 10);
    buf[3] = char('0' + y % 10);
    buf[4] = char('0' + m / 10);
    buf[5] = char('0' + m % 10);
    buf[6] = char('0' + day / 10);
    buf[7] = char('0' + day % 10);
    return QByteArray(buf, 8);
}

QDate dateOfText(const QByteArray& text) {
    return QDate(text.mid(0, 4).toInt(), text.mid(4, 2).toInt(), text.mid(6, 2).toInt());
}

// Weekday number, Sunday = 1 .. Saturday = 7.
int weekdayNumber(const QDate& d) {
    return d.dayOfWeek() % 7 + 1;
}

// A time of day "H:MM:SS" or "H:MM" (blanks around it allowed) in seconds, or -1.
int parseTimeOfDay(const QByteArray& text) {
    int parts[3] = {0, 0, 0};
    int count = 0;
    int digits = 0;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == ' ')
        ++i;
    qsizetype end = n;
    while (end > i && (text[end - 1] == ' ' || text[end - 1] == '\0'))
        --end;
    if (i == end) return -1;
    for (; i < end; ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            if (++digits > 2) return -1;
            parts[count] = parts[count] * 10 + (c - '0');
        } else if (c == ':' && digits > 0 && count < 2) {
            ++count;
            digits = 0;
        } else {
            return -1;
        }
    }
    if (digits == 0 || count < 1) return -1;
    if (parts[0] > 23 || parts[1] > 59 || parts[2] > 59) return -1;
    return parts[0] * 3600 + parts[1] * 60 + parts[2];
}

// Whether TimeToSeconds reads the text as a time of day.
bool readableTime(const QByteArray& text) {
    return text.size() >= 3 && text[2] == ':' && parseTimeOfDay(text) >= 0;
}

}  // namespace

void Module1::TimeToSeconds() {
    if (TimeText.size() < 3 || TimeText[2] != ':') return;
    const int secs = parseTimeOfDay(TimeText);
    if (secs < 0) {
        ShowMessage(
            QcError(QcError::TypeMismatch, QcError::standardDescription(QcError::TypeMismatch)).text());
        return;
    }
    Seconds = secs;
}

void Module1::SecondsToText() {
    const int32_t h = Seconds / 3600;
    const int32_t m = (Seconds % 3600) / 60;
    const int32_t s = Seconds % 60;
    // Built in place: the clock tick calls this twenty times a second for each receiver.
    char buf[48];
    int n = 0;
    auto put = [&](int32_t v) { n += std::snprintf(buf + n, sizeof buf - n, "%d", v); };
    if (h != 0) {
        if (h < 10) buf[n++] = ' ';
        put(h);
        buf[n++] = ':';
    }
    if (m < 10) buf[n++] = '0';
    put(m);
    buf[n++] = ':';
    if (s < 10) buf[n++] = '0';
    put(s);
    TimeText.resize(n);
    std::memcpy(TimeText.data(), buf, n);
}

void Module1::FindNextSwitch1() {
    findNextSwitch(1);
}

void Module1::FindNextSwitch2() {
    findNextSwitch(2);
}

void Module1::findNextSwitch(int receiver) {
    findNextSwitch(receiver, clock_.read());
}

void Module1::findNextSwitch(int receiver, const Clock::Reading& asOf) {
    SortedList& week = receiver == 1 ? lstNextToSwitch : lstNextToSwitch2;
    int32_t& nextRecord = receiver == 1 ? NextRecord1 : NextRecord2;
    QDate& nextDate = receiver == 1 ? NextDate1 : NextDate2;
    int32_t& nextSecs = receiver == 1 ? NextSecs1 : NextSecs2;
    QByteArray& nextName = receiver == 1 ? NextName1 : NextName2;

    const QDate today = asOf.local.date();
    const double nowSecs = asOf.local.time().msecsSinceStartOfDay() / 1000.0;
    // On a day with a daylight-saving change the wall clock cannot tell a passed event, as an hour
    // repeats or is skipped: there the true moments are compared.
    const bool changeDay = clock_.utcOf(today.addDays(1), 0) - clock_.utcOf(today, 0) != 86400;
    auto passed = [&](int secs) {
        return changeDay ? asOf.utcMs >= clock_.utcOf(today, secs) * 1000 : nowSecs >= secs;
    };
    TodayText = dateText(today);

    // The seven days ahead, worked out once rather than for every entry.
    struct Day {
        int weekday;
        QByteArray date;
        QByteArray nextWeek;
    };
    std::array<Day, 7> days;
    for (int d = 0; d < 7; ++d) {
        const QDate D = today.addDays(d);
        days[d] = {weekdayNumber(D), dateText(D), dateText(D.addDays(7))};
    }

    std::vector<SortedList::Item> lines;
    lines.reserve(static_cast<size_t>(std::min<qint64>(SchedFileNo.recordCount(), 100000)) * 7);
    for (int32_t r = 1; GetRecord(r); ++r) {
        const bool takesPart =
            EntryBuf.Active == 1 &&
            (receiver == 1 ? (EntryBuf.Receiver == 1 || TwoReceivers == 0) : EntryBuf.Receiver == 2);
        if (!takesPart) continue;
        for (int d = 0; d < 7; ++d) {
            const Day& day = days[d];
            if (EntryBuf.Days[day.weekday - 1] != 1) continue;
            TimeText = EntryBuf.Times[day.weekday - 1];
            TimeToSeconds();
            // A damaged record's time that cannot be read is no event: TimeToSeconds keeps the time it
            // read before, and an event at a borrowed time would be switched wrong and, once passed,
            // found again by every search after it.
            if (!readableTime(TimeText)) continue;
            // Only the first of the seven days is today. An event counts as passed from the start of
            // its own second.
            DateText = d == 0 && passed(Seconds) ? day.nextWeek : day.date;
            const qsizetype length = DateText.size() + 1 + TimeText.size() + 1 + EntryBuf.Name.size();
            QByteArray line(length, Qt::Uninitialized);
            char* p = line.data();
            auto put = [&p](const QByteArray& part) {
                std::memcpy(p, part.constData(), part.size());
                p += part.size();
            };
            put(DateText);
            *p++ = ' ';
            put(TimeText);
            *p++ = ' ';
            put(EntryBuf.Name);
            lines.push_back({std::move(line), r});
        }
    }
    List1.assign(std::move(lines));

    if (List1.count() == 0) {
        nextRecord = 0;
        week.clear();
        // No "Next to Switch" line may stand for an event that will not come.
        (receiver == 1 ? view.label1 : view.Label3).clear();
        shown_[receiver - 1] = {};
        emit viewChanged();
        return;
    }

    // The events of the hour that a spring change skips all fall on the moment of the jump; the last
    // of them is the one that would be on air after it, so it is the one done.
    auto moment = [this](int j) {
        const QByteArray& line = List1.line(j);
        return clock_.utcOf(dateOfText(line.left(8)), std::max(parseTimeOfDay(line.mid(9, 8)), 0));
    };
    int chosen = 0;
    for (int j = 1; j < List1.count() && moment(j) == moment(0); ++j)
        if (List1.line(j).mid(9, 8) != List1.line(chosen).mid(9, 8)) chosen = j;
    const QByteArray& first = List1.line(chosen);
    nextRecord = List1.itemData(chosen);
    nextDate = dateOfText(first.left(8));
    GetRecord(nextRecord);
    nextName = trimBlanks(EntryBuf.Name);
    TimeText = first.mid(9, 8);
    TimeToSeconds();
    nextSecs = Seconds;

    std::vector<SortedList::Item> weekLines;
    weekLines.reserve(List1.count());
    const char* lastDate = nullptr;
    QByteArray dayName;
    for (const SortedList::Item& item : List1.items()) {
        // The lines come in date order: the weekday changes only a few times.
        const char* date = item.line.constData();
        if (!lastDate || std::memcmp(date, lastDate, 8) != 0) {
            dayName = DayNames[weekdayNumber(dateOfText(item.line.left(8)))].left(3);
            lastDate = date;
        }
        QByteArray line(dayName.size() + item.line.size() - 8, Qt::Uninitialized);
        std::memcpy(line.data(), dayName.constData(), dayName.size());
        std::memcpy(line.data() + dayName.size(), date + 8, item.line.size() - 8);
        weekLines.push_back({std::move(line), item.itemData});
    }
    week.assign(std::move(weekLines));

    GetRecord(nextRecord);
    emit viewChanged();
}

}  // namespace qc
