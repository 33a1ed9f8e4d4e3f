#include "ScheduleEntry.h"

#include <cstring>

#include "platform/Text.h"

namespace qc {

namespace {

void putInt(QByteArray& out, int16_t v) {
    const auto u = static_cast<uint16_t>(v);
    out.append(static_cast<char>(u & 0xFF));
    out.append(static_cast<char>(u >> 8));
}

int16_t getInt(const char*& p) {
    const auto lo = static_cast<unsigned char>(p[0]);
    const auto hi = static_cast<unsigned char>(p[1]);
    p += 2;
    return static_cast<int16_t>(static_cast<uint16_t>(lo | (hi << 8)));
}

void getText(const char*& p, QByteArray& field, int length) {
    field.resize(length);  // a buffer shared with a copy is detached here, never written through
    std::memcpy(field.data(), p, length);
    p += length;
}

}  // namespace

ScheduleEntry::ScheduleEntry() : Name(NameLength, '\0'), Length(LengthLength, '\0'), Port(1, '\0') {
    Times.fill(QByteArray(TimeLength, '\0'));
}

QByteArray ScheduleEntry::serialise() const {
    QByteArray out;
    out.reserve(RecordLength);
    putInt(out, Active);
    out.append(fitField(Name, NameLength));
    out.append(fitField(Length, LengthLength));
    out.append(fitField(Port, 1));
    putInt(out, SourceCode);
    putInt(out, Route);
    putInt(out, Attenuation);
    for (int16_t d : Days)
        putInt(out, d);
    for (const QByteArray& t : Times)
        out.append(fitField(t, TimeLength));
    putInt(out, RemoteMode);
    putInt(out, Receiver);
    return out;
}

ScheduleEntry ScheduleEntry::deserialise(const char* bytes) {
    ScheduleEntry e;
    e.assignFrom(bytes);
    return e;
}

void ScheduleEntry::assignFrom(const char* bytes) {
    const char* p = bytes;
    Active = getInt(p);
    getText(p, Name, NameLength);
    getText(p, Length, LengthLength);
    getText(p, Port, 1);
    SourceCode = getInt(p);
    Route = getInt(p);
    Attenuation = getInt(p);
    for (int16_t& d : Days)
        d = getInt(p);
    for (QByteArray& t : Times)
        getText(p, t, TimeLength);
    RemoteMode = getInt(p);
    Receiver = getInt(p);
}

TimeForm timeForm(const QByteArray& text, std::initializer_list<int> limits) {
    const auto digit = [&](qsizetype i) { return i < text.size() && text[i] >= '0' && text[i] <= '9'; };
    bool within = true;
    qsizetype position = 0;
    for (int limit : limits) {
        if (position > 0 && !(position - 1 < text.size() && text[position - 1] == ':'))
            return TimeForm::WrongForm;
        if (!digit(position) || !digit(position + 1)) return TimeForm::WrongForm;
        within = within && (text[position] - '0') * 10 + (text[position + 1] - '0') <= limit;
        position += 3;
    }
    return within ? TimeForm::Good : TimeForm::OutOfRange;
}

QString lengthRefusal(const QByteArray& length) {
    if (length == QByteArray(ScheduleEntry::LengthLength, ' ')) return {};
    switch (timeForm(length, {59, 59})) {
        case TimeForm::WrongForm:
            return QStringLiteral("Time format in Length must be MM:SS or left blank");
        case TimeForm::OutOfRange:
            return QStringLiteral("Time format in Length must be MM:SS, from 00:00 to 59:59, or left blank");
        default:
            return {};
    }
}

QString timeRefusal(const QByteArray& time, const QByteArray& dayName) {
    const QString field = QStringLiteral("Time format in ") + QString::fromLatin1(dayName) +
                          QStringLiteral(" Time to Switch must be HH:MM:SS");
    switch (timeForm(time, {23, 59, 59})) {
        case TimeForm::WrongForm:
            return field + QStringLiteral(" or left blank");
        case TimeForm::OutOfRange:
            return field + QStringLiteral(", from 00:00:00 to 23:59:59");
        default:
            return {};
    }
}

QString holdingRefusal(const ScheduleEntry& entry, bool remoteStartOn) {
    if (!remoteStartOn || entry.RemoteMode != 3 ||
        entry.Length != QByteArray(ScheduleEntry::LengthLength, ' '))
        return {};
    return QStringLiteral("Holding needs the Program Length as MM:SS");
}

}  // namespace qc
