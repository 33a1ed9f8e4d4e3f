#include "ScheduleEntry.h"

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

QByteArray getText(const char*& p, int length) {
    QByteArray t(p, length);
    p += length;
    return t;
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
    const char* p = bytes;
    e.Active = getInt(p);
    e.Name = getText(p, NameLength);
    e.Length = getText(p, LengthLength);
    e.Port = getText(p, 1);
    e.SourceCode = getInt(p);
    e.Route = getInt(p);
    e.Attenuation = getInt(p);
    for (int16_t& d : e.Days)
        d = getInt(p);
    for (QByteArray& t : e.Times)
        t = getText(p, TimeLength);
    e.RemoteMode = getInt(p);
    e.Receiver = getInt(p);
    return e;
}

}  // namespace qc
