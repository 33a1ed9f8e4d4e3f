#pragma once

#include <QDate>
#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <limits>

#include "engine/ScheduleEntry.h"
#include "engine/ScheduleFile.h"
#include "engine/SortedList.h"
#include "engine/SwitchTimer.h"
#include "platform/Clock.h"
#include "platform/ParallelPort.h"
#include "platform/Paths.h"
#include "platform/QcError.h"
#include "platform/SerialLine.h"

namespace qc {

// What the main window shows of the program's state. The logic sets it; the window mirrors it.
struct MainView {
    QString lblClock;
    QString label1;                 // receiver 1's "Next to Switch:  " line
    QString Label3;                 // receiver 2's
    bool Label2Visible = false;     // "START" of output 1
    bool Label4Visible = false;     // "START" of output 2
    QString lblPort;                // "Alarm" / "Time Set"
    bool Receiver2Visible = false;  // lstNextToSwitch2, Label3, Label5, Label6
};

// The shared state of the program and the procedures that share it. One object per run; tests make
// as many as they like. The procedures take no arguments: a caller sets the named inputs (for example
// CommandText and CommandPort) just before the call and reads the named outputs after it. Their
// scratch values are part of the behaviour and are kept as such.
//
// The member functions are defined in the source file of the subsystem they belong to: start-up and
// settings in core/, the schedule, search, clock tick, switching, parallel port and activity log in
// engine/, the serial channel and the reception logs in receiver/.
class Module1 : public QObject {
    Q_OBJECT
public:
    Module1(Paths paths, Clock& clock, SerialLine& serial, ParallelPort& port, QObject* parent = nullptr);
    ~Module1() override;

    // ---- Settings (QuillornControl.ini, TimeReset.ini)
    int32_t Rx1Port = 0;
    int32_t BaudIndex = 0;
    int32_t ActivityLogOn = 0;
    int32_t EbNoPerHour = 0;
    bool MpegLogOn = false;
    bool RemoteStartOn = false;
    QByteArray SaveLogsUnit;
    int16_t TwoReceivers = 0;
    int32_t Rx2Port = 0;
    QByteArray ClockResetTime;

    // ---- Tables
    std::array<QByteArray, 3> BaudRates{QByteArray(), "9600", "19200"};
    std::array<QByteArray, 8> DayNames{"Off",       "Sunday",   "Monday", "Tuesday",
                                       "Wednesday", "Thursday", "Friday", "Saturday"};

    // ---- The schedule
    ScheduleFile SchedFileNo;  // SwitchList.dat, open for the whole run
    ScheduleEntry EntryBuf;    // the one record in memory
    int32_t CurRecordNo = 0;   // the schedule editor's record

    // ---- Next switching event of each receiver
    int32_t NextRecord1 = 0;
    int32_t NextRecord2 = 0;
    QDate NextDate1;
    QDate NextDate2;
    int32_t NextSecs1 = 0;
    int32_t NextSecs2 = 0;
    QByteArray NextName1;
    QByteArray NextName2;

    // ---- Inputs and outputs of the procedures
    int32_t Seconds = 0;
    QByteArray TimeText;
    QByteArray DateText;
    QByteArray TodayText;
    QByteArray CommandText;
    int32_t CommandPort = 0;
    QByteArray ReceiverText;
    QByteArray MonitorCommand;
    QByteArray LogKind;
    QByteArray ActivityText;

    // ---- Parallel port and clock
    std::array<int16_t, 8> PortBits{};
    bool RemoteStart1Active = false;
    bool RemoteStart2Active = false;
    float RemoteStart1Off = 0;
    float RemoteStart2Off = 0;
    int32_t SwitchCount1 = 0;
    int32_t SwitchCount2 = 0;
    int32_t EbNoDone1 = 0;
    int32_t EbNoDone2 = 0;
    int AlarmLatch = 0;
    int TimeSetLatch = 0;

    // ---- Lists the logic fills and the main window shows
    SortedList List1{true};              // hidden work list of the next-switch search
    SortedList lstNextToSwitch{false};   // receiver 1's coming week
    SortedList lstNextToSwitch2{false};  // receiver 2's
    SortedList lstConflicts{false};      // the last conflict check's colliding lines

    // ---- Lists of the weekly switch schedule (review/)
    SortedList lstWeeklySchedule{false};  // the week at a glance, both receivers
    SortedList lstSort{true};             // its hidden work list

    // ---- Timers of the switch-command cycles
    SwitchTimer Timer1;
    SwitchTimer Timer2;

    MainView view;

    // ---- Start-up and settings (core/)
    void InitializeProgram();
    void ReadTimeReset();  // TimeReset.ini
    void ReadSettings();   // QuillornControl.ini
    void WriteSettings();  // both files, as the set-up dialog does when it closes; throws QcError

    // ---- Messages (core/): every trapped error and refusal goes to the message window.
    void ShowMessage(const QString& text);

    // ---- Schedule file (engine/ScheduleFile.cpp)
    // Reads record n into EntryBuf; false at end of file.
    bool GetRecord(qint64 n);
    // Writes EntryBuf as record n.
    void PutRecord(qint64 n);
    void NewEntry();         // first free record into CurRecordNo, blank entry written there at once
    void DeleteEntry();      // Active = 0 in EntryBuf, written as record CurRecordNo
    QString TransferFolder;  // the folder chosen in the file panel
    void SaveFiles();        // schedule out to TransferFolder/switchlist.dat; throws QcError
    void LoadSchedules();    // schedule in from TransferFolder/switchlist.dat; throws QcError
    // One message naming each active entry's ticked day whose stored time is no time of day.
    void ReportImpossibleTimes();

    // ---- Next-switch search (engine/NextSwitchSearch.cpp)
    void FindNextSwitch1();
    void FindNextSwitch2();
    void TimeToSeconds();
    void SecondsToText();

    // ---- Clock tick and switching cycle (engine/ClockTick.cpp)
    void tmrClock_Timer();
    void Receiver2();
    void Timer1_Timer();
    void Timer2_Timer();
    void Command1_Click() { Timer1.setEnabled(true); }

    // ---- Switch commands (engine/SwitchCommands.cpp)
    void SwitchReceiver1();
    void SwitchReceiver2();

    // ---- Parallel port (engine/ParallelPortOutputs.cpp)
    void WriteRelayPort();
    void ReadStatusPort();

    // ---- Activity log (engine/ActivityLog.cpp)
    void WriteActivityLog();

    // ---- Conflict check (review/ConflictCheck.cpp): each reads the week list its search left.
    void CheckConflicts1();
    void CheckConflicts2();

    // ---- Serial channel (receiver/SerialChannel.cpp)
    void SendReceiverCommand();
    // Why the last SendReceiverCommand did not send its command ("number description"); empty when
    // it went out.
    const QString& sendFailure() const { return sendFailure_; }
    // After SendReceiverCommand: CommandText with its CRs shown as "<CR>", as the log writes it, and
    // what the activity log says of it: that text, or "not sent: " and the reason.
    QByteArray LoggedCommand();
    // The settings text of every exchange: BaudRates(BaudIndex) & ",N,8,1".
    QByteArray SettingsText() const;
    // Step 1 of an exchange: open the line on a port with the configured settings.
    void OpenPort(SerialLine& line, int port);
    // Steps 2 to 5: write the command and a CR, then, when an answer is wanted, collect it until it
    // holds ">" (when waitForPrompt) or the limit has passed. The line stays open.
    QByteArray Converse(SerialLine& line, const QByteArray& command, bool wantAnswer, bool waitForPrompt,
                        double limitSeconds);

    // ---- Reception logs (receiver/ReceptionLogs.cpp)
    void LogEbNo();
    void LogMpegStatus();

    // ---- Weekly switch schedule (review/WeeklySchedule.cpp)
    // Lists every switch of the calendar week from the schedule file, Sunday first, by time.
    void BuildWeeklySchedule();

    // The seconds from now (rounded) to an event's second, as the tick counts them; negative once it
    // has passed.
    int countdown(const QDate& date, int secs) const;

    // ---- Services
    const Paths& paths() const { return paths_; }
    Clock& clock() { return clock_; }
    SerialLine& MSComm1() { return serial_; }
    ParallelPort& port() { return port_; }

signals:
    void messageShown(const QString& text);
    // The lists, labels or visibility of the main window changed.
    void viewChanged();
    // A line was written to a daily log: kind "AL", "EB" or "MP", the line without its CR LF.
    void logWritten(const QByteArray& kind, const QByteArray& line);
    // A conflict check replaced lstConflicts; found: it holds lines and the window is to be shown.
    void conflictsChecked(bool found);

    // What the engine did, for the station's health and its records. Each is emitted once the step it
    // tells of has done all it does; whatever is connected may read the shared state but never calls
    // a procedure, so the switching is the same with or without it.
    //
    // An exchange that wanted an answer from receiver 1 or 2 (an EbNo or MPEG reading) ended: answered,
    // or not (the port failed, or nothing came back within the limit), with the reason.
    void receiverExchanged(int receiver, bool answered, const QString& reason);
    // An EbNo reading as it was logged ("None" when the answer held no number).
    void ebNoRead(int receiver, const QByteArray& value);
    // The switch cycle of a receiver's event began; record is its entry.
    void switchCycleStarted(int receiver, const QDate& date, int secs, int record);
    // One switch command, of a cycle or a manual switch: written to the port, or not and why.
    void switchCommandDone(int receiver, bool sent, const QString& reason);
    // A switch cycle's last step is done.
    void switchCycleEnded(int receiver);
    // The second of a receiver's event came (or a late tick serves it); its remote start, if any, is
    // tried right after.
    void eventSecondReached(int receiver, const QDate& date, int secs);
    // A remote-start output was set on for the given seconds; written: the port took it.
    void remoteStartOn(int receiver, int seconds, bool written);
    // An event the tick came too late for was logged as missed; remoteOnly: its cycle had run and only
    // its remote start was missed.
    void eventMissed(int receiver, const QDate& date, int secs, int record, bool remoteOnly);
    // A daily log, the schedule or the settings were written, or a write failed (with the reason).
    void fileWritten(const QString& path, bool ok, const QString& reason);
    // A clock reset from the automation's pulse was done, or refused (with the reason).
    void clockResetDone(bool ok, const QString& reason);
    // A clock tick ended.
    void ticked();
    // The whole schedule was replaced (Load Schedules, a schedule delivered to the inbox): a window
    // showing entries shows them afresh.
    void scheduleReplaced();

private:
    // One event's key (date and second) already served, so a repeat of the same moment (a clock set
    // back, a search re-run within the second) never starts a second cycle or remote start.
    struct EventKey {
        QDate date;
        int secs = -1;
        bool operator==(const EventKey&) const = default;
    };
    void findNextSwitch(int receiver);
    // The search as it would run at the moment `asOf`.
    void findNextSwitch(int receiver, const Clock::Reading& asOf);
    void serveOverdue(int receiver);
    void switchReceiver(int receiver);
    void cycleTick(int receiver);
    void remoteStart(int receiver);
    // The event's second: told once, then its remote start tried.
    void eventSecond(int receiver, const EventKey& key);
    void releaseRemoteStart(int receiver);
    void showCountdown(int receiver);
    void ebNoSchedule(int receiver);
    void dailyDeletions();
    void reportPortFailure(const QcError& e);
    // WriteRelayPort, telling whether the port took the value.
    bool writeRelayPort();
    void runStep(const std::function<void()>& step);
    void readIntoLog(int receiver, const char* kind, const QByteArray& command,
                     const std::function<QList<QByteArray>(const QByteArray&)>& lines);
    void receiverStep(int receiver);

    Paths paths_;
    Clock& clock_;
    SerialLine& serial_;
    ParallelPort& port_;

    EventKey cycleServed_[2];
    EventKey startServed_[2];
    QDate lastTickDate_;
    qint64 lastOffset_ = std::numeric_limits<qint64>::min();  // the zone's offset at the last tick
    qint64 clockShown_ = -1;
    struct Shown {
        bool valid = false;
        int32_t seconds = 0;
        QByteArray name;
    };
    Shown shown_[2];
    QByteArray retentionUnitUsed_;
    bool portFailureReported_ = false;
    EventKey secondServed_[2];  // the event whose second was last told of
    // Why the last SendReceiverCommand failed; empty when the command went out.
    QString sendFailure_;
};

}  // namespace qc
