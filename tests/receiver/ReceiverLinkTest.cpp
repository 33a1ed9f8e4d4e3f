// The serial channel, the switch commands, the activity log and the EbNo and MPEG logs on simulated
// time with a scripted receiver.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include "support/TestSupport.h"

namespace qc {
namespace {

using test::TestProgram;

const QDate kDay(2026, 12, 7);

// A program with its logs folder, a receiver on port 1 at 9600 bit/s.
struct LinkProgram : TestProgram {
    explicit LinkProgram(const QTime& time = QTime(14, 0, 12), const QDate& date = kDay)
        : TestProgram(QDateTime(date, time)) {
        QDir().mkpath(home() + "/logs");
        m->BaudIndex = 1;
        m->Rx1Port = 1;
        m->Rx2Port = 2;
        m->CommandPort = 1;
        m->ActivityLogOn = 1;
    }
    QByteArray log(const char* kind, const QDate& date = kDay) const {
        return readFile(QStringLiteral("logs/%1%2.log").arg(QLatin1String(kind), date.toString("yyMMdd")));
    }
    bool logExists(const char* kind, const QDate& date = kDay) const {
        return QFile::exists(
            file(QStringLiteral("logs/%1%2.log").arg(QLatin1String(kind), date.toString("yyMMdd"))));
    }
    void answerWith(const QByteArray& text) {
        serial.answer = [text](const QByteArray&) { return text; };
    }
    void schedule(std::vector<ScheduleEntry> entries) {
        test::writeSchedule(file("SwitchList.dat"), entries);
        m->SchedFileNo.open(file("SwitchList.dat"));
    }
};

// ---- The exchange

TEST(SerialChannel, SendReceiverCommandFramesAndReleasesThePort) {
    LinkProgram p;
    p.m->CommandPort = 3;
    p.m->CommandText = "EB";
    p.m->SendReceiverCommand();
    EXPECT_EQ(p.serial.bytesTo(3), QByteArray("EB\r"));
    EXPECT_EQ(p.serial.openedSettings.back(), "9600,N,8,1");
    EXPECT_EQ(p.serial.opens, 1);
    EXPECT_EQ(p.serial.closes, 1);

    p.m->BaudIndex = 2;
    p.m->SendReceiverCommand();
    EXPECT_EQ(p.serial.openedSettings.back(), "19200,N,8,1");
    EXPECT_TRUE(p.messages.isEmpty());
}

TEST(SerialChannel, FailuresAreReportedAndTheCallerGoesOn) {
    LinkProgram p;
    p.m->CommandText = "EB";

    // No speed for the index: the settings text ",N,8,1" is refused before anything is sent.
    for (int index : {0, 3, -1}) {
        p.m->BaudIndex = index;
        p.m->SendReceiverCommand();
    }
    EXPECT_EQ(p.serial.openedSettings.front(), ",N,8,1");
    ASSERT_EQ(p.messages.size(), 3);
    for (const QString& message : p.messages)
        EXPECT_EQ(message, "380 Invalid property value Command not sent.");

    p.m->BaudIndex = 1;
    p.serial.missingPorts = {5};
    p.m->CommandPort = 5;
    p.m->SendReceiverCommand();
    EXPECT_EQ(p.messages.last(), "8002 Invalid port number Command not sent.");
    EXPECT_TRUE(p.serial.writes.empty());
    EXPECT_FALSE(p.serial.isOpen());
}

// A line whose next write fails, as a receiver unplugged between open and write.
class FailingWriteLine : public test::ScriptedSerialLine {
public:
    using ScriptedSerialLine::ScriptedSerialLine;
    void write(const QByteArray& bytes) override {
        if (failNext) {
            failNext = false;
            throw QcError(QcError::DeviceIoError, QcError::standardDescription(QcError::DeviceIoError));
        }
        ScriptedSerialLine::write(bytes);
    }
    bool failNext = true;
};

TEST(SerialChannel, FailedExchangesReleasePortAndLog) {
    // A port or log left open after a failure would make every later exchange fail (or wait for the
    // log's lock for ever).
    SimulatedClock clock(QDateTime(kDay, QTime(14, 0, 12)));
    FailingWriteLine line(clock);
    MemoryParallelPort port;
    QTemporaryDir dir;
    QDir().mkpath(dir.path() + "/logs");
    Module1 m(Paths{dir.path()}, clock, line, port);
    QStringList messages;
    QObject::connect(&m, &Module1::messageShown, [&](const QString& t) { messages << t; });
    m.BaudIndex = 1;
    m.CommandPort = 1;
    m.CommandText = "EB";

    m.SendReceiverCommand();
    EXPECT_FALSE(line.isOpen());
    m.SendReceiverCommand();
    EXPECT_EQ(line.bytesTo(1), "EB\r");

    line.failNext = true;
    m.LogEbNo();
    EXPECT_FALSE(line.isOpen());
    m.LogEbNo();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages[0], "57 Device I/O error Command not sent.");
    EXPECT_TRUE(messages[1].startsWith("57 Device I/O error.  Make sure the folder "));
    QFile log(dir.path() + "/logs/EB261207.log");
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(log.readAll(), "14:00:12  7.5\r\n");
    EXPECT_EQ(line.opens, line.closes);
}

TEST(SerialChannel, CollectionLimitCountsFromTheRoundedStartSecond) {
    // The answer comes 1.3 s after the write. From 14:00:12.6 the start second is 14:00:13 and the
    // collection runs to 14:00:14.0, so it is in; from 14:00:12.4 the start second is 14:00:12 and
    // the collection ends at 14:00:13.0, before it.
    for (auto [startMs, expectAnswer] : {std::pair{600, true}, std::pair{400, false}}) {
        LinkProgram p(QTime(14, 0, 12, startMs));
        p.serial.answerDelayMs = 1300;
        p.m->OpenPort(p.serial, 1);
        const QDateTime before = p.clock.now();
        const QByteArray reply = p.m->Converse(p.serial, "X", true, false, 1.0);
        EXPECT_EQ(reply.contains("OK"), expectAnswer) << startMs;
        const qint64 lasted = before.msecsTo(p.clock.now());
        const qint64 expected = expectAnswer ? 1400 : 600;
        EXPECT_GE(lasted, expected) << startMs;
        EXPECT_LE(lasted, expected + 50) << startMs;
    }
}

TEST(SerialChannel, CollectionStopsAtThePromptOnlyWhenAskedTo) {
    LinkProgram p(QTime(14, 0, 12, 0));
    p.serial.answerDelayMs = 100;
    p.m->OpenPort(p.serial, 1);
    QDateTime before = p.clock.now();
    EXPECT_EQ(p.m->Converse(p.serial, "EB", true, true, 1.0), "EB\r\nEbNo 7.5 dB\r\n>");
    EXPECT_LT(before.msecsTo(p.clock.now()), 200);

    // The terminal always waits the full time, also after a prompt.
    p.answerWith("first>");
    before = p.clock.now();
    p.m->Converse(p.serial, "FC", true, false, 1.0);
    EXPECT_GE(before.msecsTo(p.clock.now()), 800);
}

TEST(SerialChannel, ReplyIsBounded) {
    LinkProgram p;
    p.answerWith(QByteArray(100 * 1024, 'x'));
    p.m->OpenPort(p.serial, 1);
    EXPECT_EQ(p.m->Converse(p.serial, "R M", true, true, 1.0).size(), 64 * 1024);
}

// A line on which time stands still: the clock never moves while the program waits.
class FrozenClockLine : public test::ScriptedSerialLine {
public:
    using ScriptedSerialLine::ScriptedSerialLine;
    void waitForInput(int milliseconds) override { QThread::msleep(std::min(milliseconds, 5)); }
};

TEST(SerialChannel, CollectionEndsAlsoWhenTheClockStandsStill) {
    SimulatedClock clock(QDateTime(kDay, QTime(14, 0, 12)));
    FrozenClockLine line(clock);
    line.answer = nullptr;  // the receiver never answers
    MemoryParallelPort port;
    QTemporaryDir dir;
    Module1 m(Paths{dir.path()}, clock, line, port);
    m.BaudIndex = 1;
    m.OpenPort(line, 1);
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(m.Converse(line, "EB", true, true, 1.0), QByteArray());
    EXPECT_LT(t.elapsed(), 5000);  // a generous bound: without the cap this never returns
    line.close();
}

// ---- EbNo and MPEG logs

TEST(ReceptionLogs, EbNoValueAndLineForms) {
    struct Case {
        QByteArray answer;
        int twoReceivers;
        QByteArray line;
    };
    const Case cases[] = {
        {"EbNo 12.5 dB>", 0, "14:00:12  12.5\r\n"},
        {"C/N 10.2 EbNo 7.5>", 0, "14:00:12  10.27.5\r\n"},
        {"no lock>", 0, "14:00:12  None\r\n"},
        {"EB\r\nEbNo 7.5 dB\r\n>", 1, "14:00:12 R2 7.5\r\n"},
        {"EB\r\nEbNo 7.5 dB\r\n>", 2, ""},
        {"", 0, "14:00:13  None\r\n"},  // no answer: the line is written when the limit has passed
    };
    for (const Case& c : cases) {
        LinkProgram p;
        p.answerWith(c.answer);
        p.m->TwoReceivers = static_cast<int16_t>(c.twoReceivers);
        p.m->ReceiverText = "R2";
        p.m->LogEbNo();
        EXPECT_EQ(p.log("EB"), c.line) << c.answer.constData();
        EXPECT_EQ(p.serial.bytesTo(1), "EB\r");
        EXPECT_EQ(p.serial.opens, p.serial.closes);
        EXPECT_EQ(p.m->DateText, "261207");
        EXPECT_TRUE(p.messages.isEmpty());
    }
}

TEST(ReceptionLogs, MpegStatusLineFormsAndPort) {
    const QByteArray answer = "R M\r\nMPEG STATUS\r\nLock: YES\r\n>";
    LinkProgram p(QTime(14, 0, 9));
    p.m->MpegLogOn = true;
    p.m->ReceiverText = "1";
    p.m->LogMpegStatus();
    EXPECT_EQ(p.log("MP"), "14:00:09\r\n" + answer + "\r\n");
    EXPECT_EQ(p.serial.bytesTo(1), "R M\r");

    p.m->TwoReceivers = 1;
    p.m->ReceiverText = "2";
    p.m->LogMpegStatus();
    EXPECT_EQ(p.m->CommandPort, 2);
    EXPECT_EQ(p.serial.bytesTo(2), "R M\r");
    EXPECT_TRUE(p.log("MP").endsWith("Receiver 2  14:00:09\r\n" + answer + "\r\n"));

    // Any other receiver text keeps the port; any other TwoReceivers writes the answer alone.
    p.m->TwoReceivers = 3;
    p.m->ReceiverText = "x";
    p.m->CommandPort = 1;
    p.answerWith("");
    p.m->LogMpegStatus();
    EXPECT_EQ(p.m->CommandPort, 1);
    EXPECT_TRUE(p.log("MP").endsWith(answer + "\r\n\r\n"));
}

TEST(ReceptionLogs, FirstReadingAfterMidnightStartsTheNewDaysFile) {
    LinkProgram p(QTime(23, 59, 59));
    p.m->LogEbNo();
    p.clock.set(QDateTime(kDay.addDays(1), QTime(0, 0, 12)));
    p.m->LogEbNo();
    EXPECT_EQ(p.log("EB"), "23:59:59  7.5\r\n");
    EXPECT_EQ(p.log("EB", kDay.addDays(1)), "00:00:12  7.5\r\n");
}

TEST(ReceptionLogs, MissingLogsFolderStopsTheReadingBeforeTheReceiver) {
    LinkProgram p;
    QDir(p.home() + "/logs").removeRecursively();
    p.m->LogEbNo();
    p.m->ReceiverText = "1";
    p.m->LogMpegStatus();

    const QString tail = ".  Make sure the folder " + p.home() + "/logs exists.";
    ASSERT_EQ(p.messages.size(), 2);
    EXPECT_EQ(p.messages[0], "76 Path not found" + tail);
    EXPECT_EQ(p.messages[1], "76 Path not found" + tail);
    EXPECT_TRUE(p.serial.writes.empty());
    EXPECT_EQ(p.serial.opens, 2);
    EXPECT_EQ(p.serial.closes, 2);
    EXPECT_FALSE(QDir(p.home() + "/logs").exists());
}

TEST(ReceptionLogs, PortFailureWritesNoLine) {
    LinkProgram p;
    p.serial.missingPorts = {1};
    p.m->LogEbNo();
    ASSERT_EQ(p.messages.size(), 1);
    EXPECT_TRUE(p.messages[0].startsWith("8002 Invalid port number.  Make sure the folder "));
    EXPECT_FALSE(p.logExists("EB"));
}

// ---- Switch commands and the activity log

TEST(SwitchCommands, CommandBytesAndLogLineByReceiver) {
    LinkProgram p(QTime(14, 59, 47));
    p.schedule({test::makeEntry("Morning Show", 1, "15:00:00", {1}),
                test::makeEntry("Farm Report", 2, "15:00:00", {1}, 1, "C", 7, 2)});
    const QByteArray name1 = "Morning Show             ";
    const QByteArray name2 = "Farm Report              ";

    p.m->NextRecord1 = 1;
    p.m->NextRecord2 = 2;
    p.m->SwitchReceiver1();
    EXPECT_EQ(p.serial.bytesTo(1), "SP A,S,14\rAM A,3\r\r");
    EXPECT_EQ(p.m->CommandText, "SP A,S,14<CR>AM A,3<CR>");
    EXPECT_EQ(p.m->CommandPort, 1);

    p.m->TwoReceivers = 1;
    p.m->SwitchReceiver1();
    p.m->SwitchReceiver2();
    EXPECT_EQ(p.serial.bytesTo(2), "SP C,S,7\rAM C,2\r\r");
    EXPECT_EQ(p.m->CommandPort, 2);

    // With another TwoReceivers value receiver 1's text stays what it was; receiver 2's is the same.
    p.m->TwoReceivers = 2;
    p.m->SwitchReceiver1();
    p.m->SwitchReceiver2();

    EXPECT_EQ(p.log("AL"), "14:59:47  " + name1 + " SP A,S,14<CR>AM A,3<CR>\r\n" +  //
                               "14:59:47  " + name1 + "Receiver 1 SP A,S,14<CR>AM A,3<CR>\r\n" +
                               "14:59:47  " + name2 + "Receiver 2 SP C,S,7<CR>AM C,2<CR>\r\n" + "14:59:47  " +
                               name2 + "Receiver 2 SP C,S,7<CR>AM C,2<CR>\r\n" + "14:59:47  " + name2 +
                               "Receiver 2 SP C,S,7<CR>AM C,2<CR>\r\n");
    EXPECT_TRUE(p.messages.isEmpty());
}

TEST(SwitchCommands, NumbersAreWrittenPlainWithTheirSign) {
    LinkProgram p;
    p.schedule({test::makeEntry("New", 1, "15:00:00", {1}, 1, "B", 0, 0),
                test::makeEntry("Neg", 1, "15:00:00", {1}, 1, "D", -12, 105)});
    p.m->NextRecord1 = 1;
    p.m->SwitchReceiver1();
    p.m->NextRecord1 = 2;
    p.m->SwitchReceiver1();
    EXPECT_EQ(p.serial.bytesTo(1), "SP B,S,0\rAM B,0\r\rSP D,S,-12\rAM D,105\r\r");
}

TEST(SwitchCommands, EntryIsReadAfreshForEachSend) {
    LinkProgram p;
    p.schedule({test::makeEntry("Morning Show", 1, "15:00:00", {1})});
    p.m->NextRecord1 = 1;
    p.m->SwitchReceiver1();
    // The editor changes the source between the two sends of one event.
    p.m->CurRecordNo = 1;
    p.m->GetRecord(1);
    p.m->EntryBuf.SourceCode = 22;
    p.m->PutRecord(1);
    p.m->EntryBuf = ScheduleEntry();
    p.m->SwitchReceiver1();
    EXPECT_EQ(p.serial.bytesTo(1), "SP A,S,14\rAM A,3\r\rSP A,S,22\rAM A,3\r\r");
}

TEST(SwitchCommands, LogOffStillSendsAndFailuresDoNotStopTheSwitch) {
    LinkProgram p;
    p.schedule({test::makeEntry("Morning Show", 1, "15:00:00", {1})});
    p.m->NextRecord1 = 1;
    p.m->ActivityLogOn = 0;
    p.m->SwitchReceiver1();
    EXPECT_EQ(p.serial.bytesTo(1), "SP A,S,14\rAM A,3\r\r");
    EXPECT_FALSE(p.logExists("AL"));

    // A port without a device: reported, and the action is still logged as sent.
    p.m->ActivityLogOn = 1;
    p.serial.missingPorts = {1};
    p.m->SwitchReceiver1();
    ASSERT_EQ(p.messages.size(), 1);
    EXPECT_EQ(p.messages[0], "8002 Invalid port number Command not sent.");
    EXPECT_EQ(p.log("AL"), "14:00:12  Morning Show              SP A,S,14<CR>AM A,3<CR>\r\n");

    // A record that does not exist: the description alone, nothing sent, nothing logged.
    p.serial.missingPorts.clear();
    const QByteArray logBefore = p.log("AL");
    const size_t writesBefore = p.serial.writes.size();
    p.m->NextRecord1 = 9;
    p.m->SwitchReceiver1();
    EXPECT_EQ(p.messages.last(), "Bad record number");
    EXPECT_EQ(p.serial.writes.size(), writesBefore);
    EXPECT_EQ(p.log("AL"), logBefore);

    // A missing logs folder is trapped by the switch: the command went out, the message is shown.
    QDir(p.home() + "/logs").removeRecursively();
    p.m->NextRecord1 = 1;
    p.m->SwitchReceiver1();
    EXPECT_EQ(p.serial.writes.size(), writesBefore + 1);
    EXPECT_EQ(p.messages.last(), "Path not found");
}

TEST(ActivityLog, DailyFilesAndTheSwitchOff) {
    LinkProgram p(QTime(23, 59, 59));
    p.m->ActivityText = "Remote Start 1 On";
    p.m->WriteActivityLog();
    p.m->WriteActivityLog();  // the same second twice: two lines
    p.clock.set(QDateTime(kDay.addDays(1), QTime(0, 0, 0)));
    p.m->ActivityText = "Remote Start 1 Off";
    p.m->WriteActivityLog();
    EXPECT_EQ(p.log("AL"), "23:59:59  Remote Start 1 On\r\n23:59:59  Remote Start 1 On\r\n");
    EXPECT_EQ(p.log("AL", kDay.addDays(1)), "00:00:00  Remote Start 1 Off\r\n");
    EXPECT_EQ(p.m->DateText, "261208");

    // Switched off, nothing is written even by a caller that does not test the setting itself.
    for (int off : {0, 2, -1}) {
        p.m->ActivityLogOn = off;
        p.clock.set(QDateTime(kDay.addDays(2), QTime(8, 0, 0)));
        p.m->WriteActivityLog();
        EXPECT_FALSE(p.logExists("AL", kDay.addDays(2)));
    }
}

}  // namespace
}  // namespace qc
