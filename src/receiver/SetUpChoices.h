#pragma once

#include <QByteArray>
#include <cstdint>

namespace qc {

class Module1;

// What the set-up dialog does with the operator's choices, without its window. Ports, the number of
// receivers, the remote control, the MPEG log and the clock-reset time reach the running program at
// once; speed, activity log, EbNo frequency and log retention when the dialog closes. Closing
// writes both settings files.
class SetUpChoices {
public:
    // The working values start as the program's.
    explicit SetUpChoices(Module1& m);

    // Working values, copied into the program when the dialog closes.
    int32_t speed;        // BaudIndex
    int32_t activityLog;  // ActivityLogOn
    int32_t ebNo;         // EbNoPerHour

    // The port of receiver one (two). Refused, with the message, when the other receiver uses it.
    bool choosePortOne(int port);
    bool choosePortTwo(int port);
    // One or two receivers: the main window shows or hides receiver 2, and the next events are
    // searched again.
    void setTwoReceivers(bool on);
    void setMpegLog(bool on);
    void setRemoteControl(bool on);
    // The clock-reset time takes effect when it is blank or MM:SS with both under 60; anything else
    // (a time still being typed, "99:99") leaves the one in force. False for such text.
    bool setClockResetTime(const QByteArray& text);
    static bool validClockResetTime(const QByteArray& text);
    // What the operator is told of a reset time that cannot be taken.
    QString clockResetRefusal() const;

    // The closing: the working values and the retention row (-1 for none) into the program, then
    // both settings files. A failure to write is reported; the settings stay in use.
    void close(int saveLogsRow);

    // The row of lstSaveLogs for a retention unit, -1 when it is none of them.
    static int retentionRow(const QByteArray& unit);

private:
    Module1& m_;
};

}  // namespace qc
