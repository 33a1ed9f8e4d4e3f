// The next switching event of each receiver and its coming week, by a full scan of the schedule.
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
    QByteArray hours;
    if (h != 0) hours = (h < 10 ? " " : "") + QByteArray::number(h) + ":";
    auto twoDigits = [](int32_t v) { return (v < 10 ? "0" : "") + QByteArray::number(v); };
    TimeText = hours + twoDigits(m) + ":" + twoDigits(s);
}

void Module1::FindNextSwitch1() {
    findNextSwitch(1);
}

void Module1::FindNextSwitch2() {
    findNextSwitch(2);
}

void Module1::findNextSwitch(int receiver) {
    SortedList& week = receiver == 1 ? lstNextToSwitch : lstNextToSwitch2;
    int32_t& nextRecord = receiver == 1 ? NextRecord1 : NextRecord2;
    QDate& nextDate = receiver == 1 ? NextDate1 : NextDate2;
    int32_t& nextSecs = receiver == 1 ? NextSecs1 : NextSecs2;
    QByteArray& nextName = receiver == 1 ? NextName1 : NextName2;

    const QDateTime now = clock_.now();
    const QDate today = now.date();
    const double nowSecs = now.time().msecsSinceStartOfDay() / 1000.0;
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
    for (int32_t r = 1; GetRecord(r); ++r) {
        const bool takesPart =
            EntryBuf.Active == 1 &&
            (receiver == 1 ? (EntryBuf.Receiver == 1 || TwoReceivers == 0) : EntryBuf.Receiver == 2);
        if (!takesPart) continue;
        for (const Day& day : days) {
            if (EntryBuf.Days[day.weekday - 1] != 1) continue;
            TimeText = EntryBuf.Times[day.weekday - 1];
            TimeToSeconds();
            DateText = day.date;
            // An event counts as passed from the start of its own second.
            if (DateText == TodayText && nowSecs >= Seconds) DateText = day.nextWeek;
            QByteArray line;
            line.reserve(8 + 1 + 8 + 1 + 25);
            line += DateText;
            line += ' ';
            line += TimeText;
            line += ' ';
            line += EntryBuf.Name;
            lines.push_back({std::move(line), r});
        }
    }
    List1.assign(std::move(lines));

    if (List1.count() == 0) {
        nextRecord = 0;
        week.clear();
        emit viewChanged();
        return;
    }

    const QByteArray& first = List1.line(0);
    nextRecord = List1.itemData(0);
    nextDate = dateOfText(first.left(8));
    GetRecord(nextRecord);
    nextName = trimBlanks(EntryBuf.Name);
    TimeText = first.mid(9, 8);
    TimeToSeconds();
    nextSecs = Seconds;

    std::vector<SortedList::Item> weekLines;
    weekLines.reserve(List1.count());
    QByteArray lastDate;
    QByteArray dayName;
    for (const SortedList::Item& item : List1.items()) {
        const QByteArray date = item.line.left(8);
        if (date != lastDate) {
            dayName = DayNames[weekdayNumber(dateOfText(date))].left(3);
            lastDate = date;
        }
        weekLines.push_back({dayName + item.line.mid(8), item.itemData});
    }
    week.assign(std::move(weekLines));

    GetRecord(nextRecord);
    emit viewChanged();
}

}  // namespace qc
