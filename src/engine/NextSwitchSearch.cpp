// The next switching event of each receiver and its coming week, by a full scan of the schedule.
#include <QtEndian>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <vector>

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
int parseTimeOfDay(const char* text, qsizetype n) {
    int parts[3] = {0, 0, 0};
    int count = 0;
    int digits = 0;
    qsizetype i = 0;
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

int parseTimeOfDay(const QByteArray& text) {
    return parseTimeOfDay(text.constData(), text.size());
}

// One event of the search, as numbers that order like its line among the lines of its date: those
// differ only in the time text (digits, colons, blanks and NULs, which letter case leaves alone) and
// the name. Each number is eight bytes read big-endian, so ordering the numbers orders the bytes.
struct Event {
    quint64 time;
    quint64 name;   // the first eight bytes of the folded name
    quint32 entry;  // of the entries taking part, in record order
};

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
    constexpr int R = ScheduleEntry::RecordLength;
    constexpr int N = ScheduleEntry::NameLength;
    constexpr int T = ScheduleEntry::TimeLength;

    const QDate today = asOf.local.date();
    const double nowSecs = asOf.local.time().msecsSinceStartOfDay() / 1000.0;
    // On a day with a daylight-saving change the wall clock cannot tell a passed event, as an hour
    // repeats or is skipped: there the true moments are compared, each second of the day once.
    const bool changeDay = clock_.utcOf(today.addDays(1), 0) - clock_.utcOf(today, 0) != 86400;
    std::vector<signed char> passedAt;
    auto passed = [&](int secs) {
        if (!changeDay) return nowSecs >= secs;
        if (passedAt.empty()) passedAt.assign(86400, -1);
        if (passedAt[secs] < 0) passedAt[secs] = asOf.utcMs >= clock_.utcOf(today, secs) * 1000;
        return passedAt[secs] == 1;
    };
    TodayText = dateText(today);

    // The dates of the work list in their order: the seven days ahead, then today next week for
    // today's events that have passed.
    std::array<QByteArray, 8> dates;
    std::array<int, 8> weekdays;
    for (int d = 0; d < 8; ++d) {
        dates[d] = dateText(today.addDays(d));
        weekdays[d] = weekdayNumber(today.addDays(d));
    }

    // One pass over the records, read a block at a time and never through EntryBuf: what the steps
    // leave in EntryBuf, TimeText, Seconds and DateText is set once, at the end.
    std::array<std::vector<Event>, 8> byDate;
    std::vector<int32_t> records;
    QByteArray names;   // of the entries taking part, as stored
    QByteArray folded;  // the same, folded for the comparison
    char last[R];
    bool anyRecord = false;
    char lastTime[T];
    bool anyTime = false;
    int32_t seconds = Seconds;
    int lastDate = -1;
    auto leave = [&] {
        if (anyRecord) EntryBuf.assignFrom(last);
        if (anyTime) TimeText = QByteArray(lastTime, T);
        Seconds = seconds;
        if (lastDate >= 0) DateText = dates[lastDate];
    };
    try {
        ScheduleFile::Scan scan(SchedFileNo);
        while (const char* record = scan.next()) {
            std::memcpy(last, record, R);
            anyRecord = true;
            const int16_t entryReceiver = ScheduleEntry::numberAt(record, ScheduleEntry::ReceiverOffset);
            const bool takesPart =
                ScheduleEntry::numberAt(record, 0) == 1 &&
                (receiver == 1 ? (entryReceiver == 1 || TwoReceivers == 0) : entryReceiver == 2);
            if (!takesPart) continue;
            qsizetype entry = -1;
            for (int d = 0; d < 7; ++d) {
                const int w = weekdays[d] - 1;
                if (ScheduleEntry::numberAt(record, ScheduleEntry::DaysOffset + 2 * w) != 1) continue;
                const char* time = record + ScheduleEntry::TimesOffset + T * w;
                std::memcpy(lastTime, time, T);
                anyTime = true;
                // A text without its colon is left alone by TimeToSeconds; one that cannot be read is
                // reported by it. Either is no event: a damaged record's time would take the time read
                // before, and an event at a borrowed time would be switched wrong and, once passed,
                // found again by every search after it.
                if (time[2] != ':') continue;
                const int secs = parseTimeOfDay(time, T);
                if (secs < 0) {
                    TimeText = QByteArray(time, T);
                    Seconds = seconds;
                    TimeToSeconds();
                    continue;
                }
                seconds = secs;
                // Only the first of the seven days is today. An event counts as passed from the start
                // of its own second.
                lastDate = d == 0 && passed(secs) ? 7 : d;
                if (entry < 0) {
                    entry = static_cast<qsizetype>(records.size());
                    records.push_back(static_cast<int32_t>(scan.number()));
                    names.append(record + ScheduleEntry::NameOffset, N);
                    for (int i = 0; i < N; ++i)
                        folded.append(static_cast<char>(foldCase(record[ScheduleEntry::NameOffset + i])));
                }
                byDate[lastDate].push_back({qFromBigEndian<quint64>(time),
                                            qFromBigEndian<quint64>(folded.constData() + entry * N),
                                            static_cast<quint32>(entry)});
            }
        }
    } catch (...) {
        leave();
        throw;
    }
    leave();

    // Each date's events in the order of their lines; equal lines keep the order of their records.
    const char* foldedNames = folded.constData();
    size_t count = 0;
    for (std::vector<Event>& events : byDate) {
        std::sort(events.begin(), events.end(), [foldedNames](const Event& a, const Event& b) {
            if (a.time != b.time) return a.time < b.time;
            if (a.name != b.name) return a.name < b.name;
            const int c = std::memcmp(foldedNames + a.entry * N + 8, foldedNames + b.entry * N + 8, N - 8);
            return c != 0 ? c < 0 : a.entry < b.entry;
        });
        count += events.size();
    }
    // Each line is "date time name"; the old lines' buffers take the new ones.
    List1.rebuild([&](std::vector<SortedList::Item>& items) {
        items.resize(count);
        auto item = items.begin();
        for (int date = 0; date < 8; ++date) {
            for (const Event& e : byDate[date]) {
                item->line.resize(8 + 1 + T + 1 + N);
                char* p = item->line.data();
                std::memcpy(p, dates[date].constData(), 8);
                p[8] = ' ';
                qToBigEndian(e.time, p + 9);
                p[9 + T] = ' ';
                std::memcpy(p + 10 + T, names.constData() + e.entry * N, N);
                item->itemData = records[e.entry];
                ++item;
            }
        }
    });

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

    week.rebuild([this](std::vector<SortedList::Item>& weekLines) {
        weekLines.resize(List1.items().size());
        auto out = weekLines.begin();
        const char* lastDate = nullptr;
        QByteArray dayName;
        for (const SortedList::Item& item : List1.items()) {
            // The lines come in date order: the weekday changes only a few times.
            const char* date = item.line.constData();
            if (!lastDate || std::memcmp(date, lastDate, 8) != 0) {
                dayName = DayNames[weekdayNumber(dateOfText(item.line.left(8)))].left(3);
                lastDate = date;
            }
            out->line.resize(dayName.size() + item.line.size() - 8);
            std::memcpy(out->line.data(), dayName.constData(), dayName.size());
            std::memcpy(out->line.data() + dayName.size(), date + 8, item.line.size() - 8);
            out->itemData = item.itemData;
            ++out;
        }
    });

    GetRecord(nextRecord);
    emit viewChanged();
}

}  // namespace qc
