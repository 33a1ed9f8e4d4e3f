#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <initializer_list>

namespace qc {

// One programme of the weekly schedule: one 113-byte record of SwitchList.dat. Text fields are
// fixed-length bytes in Windows-1252; serialise() always writes them fitted to their length.
struct ScheduleEntry {
    static constexpr int RecordLength = 113;
    static constexpr int NameLength = 25;
    static constexpr int LengthLength = 5;
    static constexpr int TimeLength = 8;
    // Where fields stand in the record, for scans that look at a few fields of many records.
    static constexpr int NameOffset = 2;
    static constexpr int DaysOffset = 39;
    static constexpr int TimesOffset = 53;
    static constexpr int ReceiverOffset = 111;
    // The 16-bit little-endian number at `offset` of a record's bytes.
    static int16_t numberAt(const char* record, int offset) {
        return static_cast<int16_t>(
            static_cast<uint16_t>(static_cast<unsigned char>(record[offset]) |
                                  static_cast<unsigned char>(record[offset + 1]) << 8));
    }

    int16_t Active = 0;  // 1 in use; 0 deleted or free
    QByteArray Name;     // 25
    QByteArray Length;   // 5, "MM:SS" for the Holding remote start
    QByteArray Port;     // 1, the receiver's audio port
    int16_t SourceCode = 0;
    int16_t Route = 0;
    int16_t Attenuation = 0;
    std::array<int16_t, 7> Days{};    // 0 = Sunday .. 6 = Saturday
    std::array<QByteArray, 7> Times;  // 8 each, HH:MM:SS
    int16_t RemoteMode = 0;           // 1 none, 2 Momentary, 3 Holding
    int16_t Receiver = 0;             // 1 or 2

    // A record never written holds NUL bytes in its text fields, as a fresh record did on the old PCs.
    ScheduleEntry();

    QByteArray serialise() const;
    // From exactly RecordLength bytes.
    static ScheduleEntry deserialise(const char* bytes);
    // Replaces every field from exactly RecordLength bytes, reusing the text buffers it holds: a
    // scan of the schedule reads thousands of records into the same buffer.
    void assignFrom(const char* bytes);

    bool operator==(const ScheduleEntry&) const = default;
};

// A fitted "HH:MM:SS" (limits {23, 59, 59}) or "MM:SS" (limits {59, 59}): two digits a field with
// colons between, each field within its limit. A text in the right form with a value past a limit
// is no time: stored, it fails every search and switch that reads it.
enum class TimeForm { Good, WrongForm, OutOfRange };
TimeForm timeForm(const QByteArray& text, std::initializer_list<int> limits);

// What the editor says of a fitted Length (blank, or MM:SS) and of a ticked day's fitted time
// (HH:MM:SS): empty when it would store it, else its message. Schedules that reach the program
// without the editor are held to the same words.
QString lengthRefusal(const QByteArray& length);
QString timeRefusal(const QByteArray& time, const QByteArray& dayName);
// A Holding remote start holds the output for the Length: with remote control on, one without a
// Length would be released at once.
QString holdingRefusal(const ScheduleEntry& entry, bool remoteStartOn);

}  // namespace qc
