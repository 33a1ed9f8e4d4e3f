// The editor's logic that needs no window: Apply's checks and write, the searches after an edit, the
// list of entries and the manual switch.
#include "ScheduleEditing.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include <QRegularExpression>

#include "core/Module1.h"
#include "platform/Text.h"

namespace qc {

namespace {

// A source code is sent to the receiver as typed digits: a box holding anything but a whole number
// would be stored as the number it starts with ("1O" as 1). Left empty it is 0, as before.
bool wholeNumberText(const QString& text) {
    static const QRegularExpression number(QStringLiteral("^\\s*[+-]?[0-9]+\\s*$"));
    return text.trimmed().isEmpty() || number.match(text).hasMatch();
}

}  // namespace

int16_t wholeNumberOf(const QString& text) {
    // Blanks, tabs and line feeds count for nothing anywhere in the number.
    std::string s;
    for (QChar c : text)
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\n'))
            s += c.unicode() < 128 ? static_cast<char>(c.unicode()) : '\x7f';
    size_t i = 0;
    std::string number;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) number += s[i++];
    const auto digits = [&] {
        size_t count = 0;
        for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i, ++count)
            number += s[i];
        return count;
    };
    size_t mantissa = digits();
    if (i < s.size() && s[i] == '.') {
        number += s[i++];
        mantissa += digits();
    }
    if (mantissa > 0 && i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        std::string exponent = "e";
        size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) exponent += s[j++];
        const size_t start = j;
        while (j < s.size() && s[j] >= '0' && s[j] <= '9')
            exponent += s[j++];
        if (j > start) number += exponent;
    }
    const double value = mantissa > 0 ? std::strtod(number.c_str(), nullptr) : 0.0;
    const double whole = std::nearbyint(value);  // the default rounding: halves to even
    if (!(whole >= -32768.0 && whole <= 32767.0)) throw QcError(6, QStringLiteral("Overflow"));
    return static_cast<int16_t>(whole);
}

QString storeEntry(Module1& m, const EditorFields& f) {
    ScheduleEntry& e = m.EntryBuf;
    e.Length = fitField(toCp1252(f.length), ScheduleEntry::LengthLength);
    if (const QString refused = lengthRefusal(e.Length); !refused.isEmpty()) return refused;

    for (int i = 0; i < 7; ++i) {
        e.Days[i] = static_cast<int16_t>(f.days[i]);
        e.Times[i] = fitField(toCp1252(f.times[i]), ScheduleEntry::TimeLength);
    }
    if (f.remoteOption >= 1 && f.remoteOption <= 3) e.RemoteMode = static_cast<int16_t>(f.remoteOption);

    // Only ticked days are checked; an unticked day's time is kept as typed.
    for (int i = 0; i < 7; ++i) {
        if (e.Days[i] == 0) continue;
        if (const QString refused = timeRefusal(e.Times[i], m.DayNames[i + 1]); !refused.isEmpty())
            return refused;
    }

    // Entries that would be stored and then never act as the operator meant.
    if (const QString refused = holdingRefusal(e, m.RemoteStartOn); !refused.isEmpty()) return refused;
    if (m.TwoReceivers == 1 && f.receiverIndex < 0) return QStringLiteral("Choose Receiver 1 or Receiver 2");
    if (!wholeNumberText(f.sourceCode))
        return QStringLiteral("Number format in Service Provider must be a whole number, such as 14");

    // The numbers first: one that does not fit stops Apply before anything is written.
    const int16_t sourceCode = wholeNumberOf(f.sourceCode);
    const int16_t attenuation = wholeNumberOf(f.attenuation);
    e.Active = 1;
    e.Name = fitField(toCp1252(f.name), ScheduleEntry::NameLength);
    e.SourceCode = sourceCode;
    e.Port = fitField(toCp1252(f.port), 1);
    e.Route = static_cast<int16_t>(f.route);
    e.Attenuation = attenuation;
    e.Receiver = m.TwoReceivers == 0 ? int16_t(1) : static_cast<int16_t>(f.receiverIndex + 1);
    m.PutRecord(m.CurRecordNo);
    return {};
}

void recomputeAfterApply(Module1& m, int16_t receiver) {
    const bool two = m.TwoReceivers == 1;
    m.FindNextSwitch1();
    if (m.TwoReceivers == 0 || (two && receiver == 1)) m.CheckConflicts1();
    if (two) {
        m.FindNextSwitch2();
        if (receiver == 2) m.CheckConflicts2();
    }
}

void recomputeAfterDelete(Module1& m) {
    m.FindNextSwitch1();
    if (m.TwoReceivers == 1) m.FindNextSwitch2();
}

void fillScheduleList(Module1& m, SortedList& list, bool trimmed, int32_t& counter) {
    // Built apart and handed over at once: ten thousand entries sort once instead of being
    // inserted one by one. The records are read a block at a time; EntryBuf is left holding the
    // last one, as a loop through it would leave it.
    std::vector<SortedList::Item> lines;
    ScheduleFile::Scan scan(m.SchedFileNo);
    char last[ScheduleEntry::RecordLength];
    bool any = false;
    auto handOver = [&] {
        if (any) m.EntryBuf.assignFrom(last);
        list.assign(std::move(lines));
    };
    try {
        for (counter = 1; const char* record = scan.next(); ++counter) {
            if (ScheduleEntry::numberAt(record, 0) == 1) {
                const QByteArray name(record + ScheduleEntry::NameOffset, ScheduleEntry::NameLength);
                lines.push_back({trimmed ? trimBlanks(name) : name, counter});
            }
            std::memcpy(last, record, sizeof last);
            any = true;
        }
    } catch (...) {
        handOver();
        throw;
    }
    handOver();
}

void switchEntry(Module1& m, int32_t record) {
    m.CurRecordNo = record;
    if (!m.GetRecord(m.CurRecordNo)) throw QcError(63, QStringLiteral("Bad record number"));
    // The stored entry is switched, not what is typed in the fields.
    const ScheduleEntry e = m.EntryBuf;
    const QByteArray port = e.Port.left(1);
    m.CommandText = "SP " + port + ",S," + QByteArray::number(e.SourceCode) + "\r" + "AM " + port + "," +
                    QByteArray::number(e.Route) + "\r";
    m.CommandPort = e.Receiver == 2 ? m.Rx2Port : m.Rx1Port;
    m.SendReceiverCommand();
    const QByteArray what = m.LoggedCommand();
    if (m.TwoReceivers == 0)
        m.ActivityText = e.Name + " " + what;
    else if (m.TwoReceivers == 1)
        m.ActivityText = e.Name + (e.Receiver == 2 ? "Receiver 2 " : "Receiver 1 ") + what;
    emit m.switchCommandDone(e.Receiver == 2 ? 2 : 1, m.sendFailure().isEmpty(), m.sendFailure());
    if (m.ActivityLogOn == 1) m.WriteActivityLog();
}

}  // namespace qc
