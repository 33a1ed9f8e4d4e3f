// The serial channel, the switch commands, the activity log and the EbNo and MPEG logs on simulated
// time with a scripted receiver: each row does something and is compared with everything the
// station would see of it.
#include "support/TestSupport.h"

namespace qc::test {
namespace {

const QDate kDay(2026, 12, 7);

// A program at 14:00:12 with its logs folder and two entries: receiver 1 on port 1, receiver 2 on
// port 2, at 9600 bit/s, the activity log on.
struct LinkProgram : TestProgram {
    LinkProgram() : TestProgram(QDateTime(kDay, QTime(14, 0, 12))) {
        QDir().mkpath(home() + "/logs");
        writeSchedule(file("SwitchList.dat"), {makeEntry("Morning Show", 1, "15:00:00", {1}),
                                               makeEntry("Farm Report", 2, "15:00:00", {1}, 1, "C", 7, 2)});
        m->SchedFileNo.open(file("SwitchList.dat"));
        m->BaudIndex = 1;
        m->Rx1Port = m->CommandPort = 1;
        m->Rx2Port = 2;
        m->ActivityLogOn = 1;
        m->NextRecord1 = 1;
        m->NextRecord2 = 2;
    }
    void answerWith(const QByteArray& text) {
        serial.answer = [text](const QByteArray&) { return text; };
    }
    // One collection on port 1: what came, and how long it took on the simulated clock.
    QString converse(const QByteArray& command, bool waitForPrompt) {
        m->OpenPort(serial, 1);
        const QDateTime before = clock.now();
        const QByteArray reply = m->Converse(serial, command, true, waitForPrompt, 1.0);
        serial.close();
        return QStringLiteral("%1 in %2 ms").arg(QString::fromLatin1(reply)).arg(before.msecsTo(clock.now()));
    }
    void at(const QTime& time, int days = 0) { clock.set(QDateTime(kDay.addDays(days), time)); }
};

struct Exchange {
    const char* name;
    std::function<QString(LinkProgram&)> act;  // what it returns is compared as "= <result>"
    QString expected;
};

TEST(Link, DoesWhatTheStationMustSee) {
    // clang-format off
    const std::vector<Exchange> rows = {
        // No speed for the index: the settings text ",N,8,1" is refused before anything is sent.
        {"BadSpeedSendsNothing", [](LinkProgram& p) {
             p.m->CommandText = "EB";
             for (int index : {0, 3, -1}) {
                 p.m->BaudIndex = index;
                 p.m->SendReceiverCommand();
             }
             return QString::fromLatin1(p.m->SettingsText());
         }, "= ,N,8,1; MSG 380 Invalid property value Command not sent.; "
            "MSG 380 Invalid property value Command not sent.; MSG 380 Invalid property value Command not sent."},
        // A port or log left open after a failure would make every later exchange fail.
        {"FailedWritesReleasePortAndLog", [](LinkProgram& p) {
             for (auto step : {&Module1::SendReceiverCommand, &Module1::LogEbNo}) {
                 p.m->CommandText = "EB";
                 p.serial.failingWrites = 1;
                 (p.m.get()->*step)();
                 (p.m.get()->*step)();
             }
             return QString();
         }, "COM1 EB|; COM1 EB|; EB 14:00:12  7.5; MSG 57 Device I/O error Command not sent.; "
            "MSG 57 Device I/O error"},
        // The answer comes 1.3 s after the write. From 14:00:12.6 the start second is 14:00:13 and the
        // collection runs to 14:00:14.0, so it is in; from 14:00:12.4 it ends at 14:00:13.0, before it.
        // A prompt ends the collection only when asked to (the terminal waits its full time). The
        // reply is bounded. Whatever the clock does, the collection ends: here it stands still and
        // nobody answers.
        {"Collection", [](LinkProgram& p) {
             p.serial.answerDelayMs = 1300;
             p.at(QTime(14, 0, 12, 600));
             QString seen = p.converse("X", false);
             p.at(QTime(14, 0, 12, 400));
             seen += " / " + p.converse("Y", false);
             p.serial.answerDelayMs = 100;
             seen += " / " + p.converse("EB", true);
             seen += " / " + p.converse("FC", false);
             p.answerWith(QByteArray(100 * 1024, 'x'));
             seen += " / " + QString::number(p.converse("R M", true).indexOf(' '));
             p.serial.answer = nullptr;
             p.serial.clockStandsStill = true;
             QElapsedTimer t;
             t.start();
             p.converse("EB", true);
             return seen + (t.elapsed() < 5000 ? " / ended" : " / hung");
         }, "= X\r\nOK\r\n> in 1401 ms /  in 601 ms / EB\r\nEbNo 7.5 dB\r\n> in 100 ms / "
            "FC\r\nOK\r\n> in 900 ms / 65536 / ended; 14:00:12.600 COM1 X|; 14:00:12.400 COM1 Y|; "
            "14:00:13.001 COM1 EB|; 14:00:13.101 COM1 FC|; 14:00:14.001 COM1 R M|; 14:00:15.001 COM1 EB|"},
        // The value is every digit and point of the answer; with two receivers the receiver's
        // label goes before it; any other TwoReceivers writes nothing. No answer: the line is
        // written when the limit has passed. The first reading after midnight starts the new
        // day's file.
        {"EbNoLineForms", [](LinkProgram& p) {
             const std::pair<QByteArray, int> forms[] = {{"EbNo 12.5 dB>", 0}, {"C/N 10.2 EbNo 7.5>", 0},
                 {"no lock>", 0}, {"EbNo 7.5 dB>", 1}, {"EbNo 7.5 dB>", 2}, {"", 0}};
             p.m->ReceiverText = "R2";
             for (const auto& [answer, receivers] : forms) {
                 p.answerWith(answer);
                 p.m->TwoReceivers = static_cast<int16_t>(receivers);
                 p.m->LogEbNo();
             }
             p.at(QTime(0, 0, 12), 1);
             p.m->LogEbNo();
             return QString::fromLatin1(p.m->DateText);
         }, "= 261208; COM1 EB|; COM1 EB|; COM1 EB|; COM1 EB|; COM1 EB|; COM1 EB|; 00:00:12.000 COM1 EB|; "
            "EB 14:00:12  12.5; EB 14:00:12  10.27.5; EB 14:00:12  None; EB 14:00:12 R2 7.5; EB 14:00:13  None; "
            "EB261208.log 00:00:13  None"},
        // The answer is written as received; "1" and "2" choose the receiver's port, anything else
        // keeps the port set before.
        {"MpegStatusLineFormsAndPorts", [](LinkProgram& p) {
             const std::pair<QByteArray, int> forms[] = {{"1", 0}, {"2", 1}, {"x", 3}};
             p.answerWith("R M\r\nLock: YES\r\n>");
             for (const auto& [receiver, receivers] : forms) {
                 p.m->ReceiverText = receiver;
                 p.m->TwoReceivers = static_cast<int16_t>(receivers);
                 p.m->LogMpegStatus();
             }
             return QString::number(p.m->CommandPort);
         }, "= 2; COM1 R M|; COM2 R M|; COM2 R M|; MP 14:00:12; MP R M; MP Lock: YES; MP >; "
            "MP Receiver 2  14:00:12; MP R M; MP Lock: YES; MP >; MP R M; MP Lock: YES; MP >"},
        // A missing logs folder stops the reading before anything reaches the receiver; a port
        // without a device writes no line.
        {"NoLogsFolderOrNoPortGivesNoReading", [](LinkProgram& p) {
             QDir(p.home() + "/logs").removeRecursively();
             p.m->LogEbNo();
             p.m->ReceiverText = "1";
             p.m->LogMpegStatus();
             QDir().mkpath(p.home() + "/logs");
             p.serial.missingPorts = {1};
             p.m->LogEbNo();
             return QString();
         }, "MSG 76 Path not found.  Make sure the folder <home>/logs exists.; MSG 76 Path not found.  Make sure the "
            "folder <home>/logs exists.; MSG 8002 Invalid port number"},
        // The log line names the receiver only when two are in use; with another TwoReceivers
        // value receiver 1's text stays what it was. A record that does not exist sends and logs
        // nothing.
        {"SwitchCommandBytesAndLogLinesByReceiver", [](LinkProgram& p) {
             for (int receivers : {0, 1, 2}) {
                 p.m->TwoReceivers = static_cast<int16_t>(receivers);
                 p.m->SwitchReceiver1();
                 p.m->SwitchReceiver2();
             }
             const QString last = p.m->CommandText + QStringLiteral(" on %1").arg(p.m->CommandPort);
             p.m->NextRecord1 = 9;
             p.m->SwitchReceiver1();
             return last;
         }, "= SP C,S,7<CR>AM C,2<CR> on 2; COM1 SP A,S,14|AM A,3||; COM2 SP C,S,7|AM C,2||; "
            "COM1 SP A,S,14|AM A,3||; COM2 SP C,S,7|AM C,2||; COM1 SP A,S,14|AM A,3||; COM2 SP C,S,7|AM C,2||; "
            "AL 14:00:12  Morning Show              SP A,S,14<CR>AM A,3<CR>; "
            "AL 14:00:12  Farm Report              Receiver 2 SP C,S,7<CR>AM C,2<CR>; "
            "AL 14:00:12  Morning Show             Receiver 1 SP A,S,14<CR>AM A,3<CR>; "
            "AL 14:00:12  Farm Report              Receiver 2 SP C,S,7<CR>AM C,2<CR>; "
            "AL 14:00:12  Farm Report              Receiver 2 SP C,S,7<CR>AM C,2<CR>; "
            "AL 14:00:12  Farm Report              Receiver 2 SP C,S,7<CR>AM C,2<CR>; MSG Bad record number"},
        // Numbers go out plain with their sign, and the entry is read afresh for each send, so an
        // edit between the two sends of one event is picked up.
        {"EntryIsReadAfreshForEachSend", [](LinkProgram& p) {
             p.m->ActivityLogOn = 0;
             p.m->SwitchReceiver1();
             p.m->GetRecord(1);
             p.m->EntryBuf.SourceCode = -12;
             p.m->EntryBuf.Route = 105;
             p.m->PutRecord(1);
             p.m->EntryBuf = ScheduleEntry();
             p.m->SwitchReceiver1();
             return QString();
         }, "COM1 SP A,S,14|AM A,3||; COM1 SP A,S,-12|AM A,105||"},
        // Switched off (anything but 1), nothing is written even by a caller that does not test the
        // setting itself; the same second twice gives two lines, a new day a new file.
        {"ActivityLogDailyFilesAndTheSwitchOff", [](LinkProgram& p) {
             p.at(QTime(23, 59, 59));
             p.m->ActivityText = "Remote Start 1 On";
             p.m->WriteActivityLog();
             p.m->WriteActivityLog();
             p.at(QTime(0, 0, 0), 1);
             p.m->ActivityText = "Remote Start 1 Off";
             p.m->WriteActivityLog();
             for (int off : {0, 2, -1}) {
                 p.m->ActivityLogOn = off;
                 p.at(QTime(8, 0, 0), 2);
                 p.m->WriteActivityLog();
             }
             return QString::fromLatin1(p.m->DateText);
         }, "= 261208; AL 23:59:59  Remote Start 1 On; AL 23:59:59  Remote Start 1 On; "
            "AL261208.log 00:00:00  Remote Start 1 Off"},
    };
    // clang-format on
    for (const Exchange& row : rows) {
        SCOPED_TRACE(row.name);
        LinkProgram p;
        const QString result = row.act(p);
        QStringList seen = p.observed();
        if (!result.isEmpty()) seen.prepend("= " + result);
        // Written without the start time and today's date, 14:00:12.000 and 261207.
        EXPECT_EQ(seen.join("; ").remove("14:00:12.000 ").remove("261207.log"), row.expected);
        EXPECT_FALSE(p.serial.isOpen());  // every exchange releases its port, on every path
    }
}

}  // namespace
}  // namespace qc::test
