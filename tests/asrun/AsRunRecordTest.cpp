// The as-run record on simulated time: each row is a run of the engine with the recorder attached,
// compared with the rows the station's ARyymmdd.csv must hold and the messages on the way.
#include <sys/resource.h>

#include <csignal>

#include "TestSupport.h"
#include "asrun/AsRunRecorder.h"
#include "asrun/AsRunRow.h"
#include "engine/SimulatedRun.h"

namespace qc::test {
namespace {

// On Monday 2026-12-07.
QDateTime at(const char* time) {
    return QDateTime(QDate(2026, 12, 7), QTime::fromString(QString::fromLatin1(time), "HH:mm:ss"));
}

// Lets files grow to `bytes` at most (a full disk to every write past it); 0 lifts the limit.
void limitFiles(rlim_t bytes) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = bytes ? bytes : limit.rlim_max;
    setrlimit(RLIMIT_FSIZE, &limit);
}

struct RecordRun {
    const char* name;
    std::vector<ScheduleEntry> entries;
    QByteArray settings;  // "110001d02": activity log off, remote control on, one receiver
    std::vector<std::pair<const char*, std::function<void(TestProgram&)>>> steps;
    QStringList expected;  // the rows after the header, then the messages
};

TEST(AsRunRecord, OneRowPerEventAsItWent) {
    const auto jump = [](const char* to) { return [to](TestProgram& p) { p.clock.set(at(to)); }; };
    const int header = int(AsRunHeader.size());
    // clang-format off
    const std::vector<RecordRun> rows = {
        // Written with the activity log off, at the tick the output went on.
        {"SentMomentary", {makeEntry("News", 1, "14:01:00", {1}, 2)}, "110001d02", {},
         {"2026-12-07,14:01:00,1,News,A,14,3,14:00:46.550,2,14:00:59,1,sent"}},
        {"HoldingOnAMissingPort", {makeEntry("Sport", 1, "14:01:00", {1}, 3, "B", 7, 0, "02:00")}, "111001d02",
         {{"14:00:00", [](TestProgram& p) { p.serial.missingPorts = {1}; }}},
         {"2026-12-07,14:01:00,1,Sport,B,7,0,,0,14:00:59,120,failed",
          "MSG 8002 Invalid port number Command not sent.", "MSG 8002 Invalid port number Command not sent."}},
        {"OneSendFails", {makeEntry("Music", 1, "14:01:00", {1}, 2)}, "110001d02",
         {{"14:00:00", [](TestProgram& p) { p.serial.failingWrites = 1; }}},
         {"2026-12-07,14:01:00,1,Music,A,14,3,14:00:48.550,1,14:00:59,1,partly sent",
          "MSG 57 Device I/O error Command not sent."}},
        // A machine suspended for a minute and a half before the cycle.
        {"Missed", {makeEntry("Late", 1, "14:01:00", {1}, 2)}, "110001d02", {{"14:00:40", jump("14:02:30")}},
         {"2026-12-07,14:01:00,1,Late,A,14,3,,0,,,missed"}},
        // A clock stepped past the second: served at once, the row waits for the second command.
        {"ServedLate", {makeEntry("Step", 1, "14:01:00", {1}, 2)}, "110001d02", {{"14:00:44", jump("14:01:02")}},
         {"2026-12-07,14:01:00,1,Step,A,14,3,14:01:02.000,2,14:01:02,1,sent"}},
        {"QuotedNameOnReceiver2WithoutRemoteStart", {makeEntry("Talk, \"Live\"", 2, "14:01:00", {1}, 1, "B")},
         "110001d12", {}, {"2026-12-07,14:01:00,2,\"Talk, \"\"Live\"\"\",B,14,3,14:00:51.500,2,,,sent"}},
        // A manual switch from the editor in the middle of the cycle is not the event's.
        {"ManualSwitchDuringTheCycle", {makeEntry("News", 1, "14:01:00", {1}, 2)}, "110001d02",
         {{"14:00:47", [](TestProgram& p) { emit p.m->switchCommandDone(1, true, {}); }}},
         {"2026-12-07,14:01:00,1,News,A,14,3,14:00:46.550,2,14:00:59,1,sent"}},
        // The output still held for the event before: no remote start, the row once the engine moves on.
        {"OutputStillHeld", {makeEntry("Long", 1, "14:00:30", {1}, 3, "A", 1, 1, "01:00"), makeEntry("Next", 1, "14:01:00", {1}, 2)},
         "110001d02", {}, {"2026-12-07,14:00:30,1,Long,A,1,1,14:00:16.550,2,14:00:29,60,sent",
                           "2026-12-07,14:01:00,1,Next,A,14,3,14:00:46.550,2,,,sent"}},
        // The first row meets a full disk part way: none of it stays, and the next file write
        // starts with the header again.
        {"DiskFull", {makeEntry("One", 1, "14:01:00", {1}, 2), makeEntry("Two", 1, "14:02:00", {1}, 2)}, "110001d02",
         {{"14:00:30", [header](TestProgram&) { limitFiles(rlim_t(header) + 20); }},
          {"14:01:30", [](TestProgram&) { limitFiles(0); }}},
         {"2026-12-07,14:02:00,1,Two,A,14,3,14:01:46.550,2,14:01:59,1,sent", "MSG 61  Disk full: <home>/logs/AR261207.csv "
          "(File too large)"}},
    };
    // clang-format on
    for (const RecordRun& r : rows) {
        SCOPED_TRACE(r.name);
        TestProgram p(at("14:00:00"));
        AsRunRecorder recorder(*p.m);
        p.start(r.entries, r.settings);
        auto steps = r.steps;
        steps.emplace_back("14:02:40", [](TestProgram&) {});
        for (const auto& [until, step] : steps) {
            SimulatedRun(*p.m, p.clock).runUntil(at(until));
            step(p);
        }
        const QByteArray file = p.readFile("logs/AR261207.csv");
        EXPECT_TRUE(file.startsWith(AsRunHeader));
        QStringList got = QString::fromUtf8(file.mid(header)).split("\r\n");
        EXPECT_EQ(got.takeLast(), "");
        for (const QString& message : p.messages)
            got << "MSG " + QString(message).replace(p.home(), "<home>");
        EXPECT_EQ(got, r.expected);
    }
}

// The first tick of a day deletes the records past AsRunKeepDays (a day is kept with the days
// before it), and nothing else: not a record dated after today (the clock was set back); a value
// that is no number of days gives 400 (the monitoring says why).
TEST(AsRunRecord, KeepsTheRecordForItsDays) {
    for (const auto& [setting, left] :
         {std::pair("3", "AL261201.log AR261205.csv AR261207.CSV AR261208.csv ar261206.csv notes.csv"),
          std::pair(
              "x",
              "AL261201.log AR251103.csv AR261204.csv AR261205.csv AR261207.CSV AR261208.csv ar261206.csv "
              "notes.csv")}) {
        TestProgram p(at("00:00:00"));
        for (const char* name : {"AR261204.csv", "AR261205.csv", "ar261206.csv", "AR261207.CSV",
                                 "AR261208.csv", "AR251102.csv", "AR251103.csv", "AL261201.log", "notes.csv"})
            p.writeFile(QStringLiteral("logs/") + name, "x\r\n");
        p.writeFile("Monitoring.ini", QByteArray("[Monitoring]\nAsRunKeepDays=") + setting + "\n");
        AsRunRecorder recorder(*p.m);
        p.start({}, "110001d02");
        SimulatedRun(*p.m, p.clock).runUntil(at("00:00:02"));
        EXPECT_EQ(QDir(p.file("logs")).entryList(QDir::Files, QDir::Name).join(' '), left);
        EXPECT_EQ(p.messages.join('|'), "");
    }
}

}  // namespace
}  // namespace qc::test
