// The program on real devices: serial ports through pseudo-terminals and real termios, with the
// receiver simulator or a bare pty on the far end; the simulated parallel-port file; log files held
// by another program. Each row is one thing a station's hardware does, faults included, and what
// the program must make of it, never held up for long.
#include <fcntl.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

#include <QSaveFile>
#include <QThread>

#include "ReceiverModel.h"
#include "support/ReceiverSim.h"
#include "support/TestSupport.h"

namespace qc::test {
namespace {

// A program on a temporary folder with the real serial line and the system clock, receiver 1 on
// COM1 at 9600 bit/s, and on the far end of COM1 what the row asks for: the receiver simulator
// with its options, a bare pty ("raw"), or nothing ("none").
struct Rig {
    explicit Rig(const QStringList& far) {
        QDir().mkpath(home() + "/logs");
        if (far == QStringList{"raw"})
            pty = std::make_unique<RawPty>(home(), 1);
        else if (far != QStringList{"none"})
            sim = std::make_unique<ReceiverSim>(home(), 1, far);
        QObject::connect(&m, &Module1::messageShown, [this](const QString& t) { messages << t; });
        m.BaudIndex = m.Rx1Port = m.CommandPort = m.ActivityLogOn = 1;
        writeSchedule(home() + "/SwitchList.dat", {makeEntry("Morning Show", 1, "06:00:00", {1})});
        m.SchedFileNo.open(home() + "/SwitchList.dat");
        m.NextRecord1 = 1;
    }
    QString home() const { return dir.path(); }
    // Today's log of that kind, its times written "T".
    QString logged(const char* kind) const {
        QFile f(m.paths().logFile(kind + QDate::currentDate().toString("yyMMdd") + ".log"));
        return QString::fromLatin1(f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray())
            .replace(QRegularExpression("\\d\\d:\\d\\d:\\d\\d"), "T");
    }
    QString ebNo() {
        m.LogEbNo();
        return logged("EB");
    }
    void send(const QByteArray& command) {
        m.CommandText = command;
        m.SendReceiverCommand();
    }
    // One exchange as the logs make it: open, send, collect until the prompt or 1 s, close.
    QByteArray exchange(const QByteArray& command) {
        m.OpenPort(serial, 1);
        const QByteArray reply = m.Converse(serial, command, true, true, 1.0);
        serial.close();
        return reply;
    }

    QTemporaryDir dir;
    std::unique_ptr<ReceiverSim> sim;
    std::unique_ptr<RawPty> pty;
    SystemClock clock;
    DeviceSerialLine serial{Paths{home()}};
    MemoryParallelPort port;
    Module1 m{Paths{home()}, clock, serial, port};
    QStringList messages;
};

struct Device {
    const char* name;
    QStringList far;
    std::function<QString(Rig&)> act;
    QString expected;  // what the act returned, then each message as "MSG <text>"
};

TEST(Devices, AreHandledAsTheStationNeeds) {
    // clang-format off
    const std::vector<Device> rows = {
        // "EB" is three bytes: E, B, CR. The switch command keeps its own closing CR and gets the
        // channel's one after it. The port is closed right after the write, while a UART still
        // shifts the bytes out: the speed the program set must still be on the line after the close.
        {"CommandsGoOutFramedAndKeepTheirSpeed", {"raw"}, [](Rig& r) {
             QString seen = r.pty->speed() == B38400 ? "38400" : "?";
             for (int index : {1, 2}) {
                 r.m.BaudIndex = index;
                 index == 1 ? r.send("EB") : r.m.SwitchReceiver1();
                 seen += (r.pty->speed() == (index == 1 ? B9600 : B19200) ? " set " : " lost ") + r.pty->drain();
             }
             return seen;
         }, "38400 set EB\r set SP A,S,14\rAM A,3\r\r"},
        // The MPEG status answer arrives while the port is closed and waits in the line's queue.
        {"LateAnswerIsNotTakenForTheNextCommand", {"--delay", "300"}, [](Rig& r) {
             r.send("R M");
             QThread::msleep(500);
             const QString eb = r.ebNo();
             r.send("EB");
             QThread::msleep(500);
             return eb + r.exchange("R M").left(16);
         }, "T  7.5\r\nR M\r\nMPEG STATUS"},
        // COM7 is a link to nothing: a station whose USB adapter is unplugged. The switch is logged as
        // not sent, with the reason.
        // A log held by someone else (a backup tool, a second copy of the program) is still written
        // after a short wait, and the line stays whole.
        {"PortWithoutDeviceAndLogHeldByAnotherProgram", {"none"}, [](Rig& r) {
             QFile::link("/dev/no-such-adapter", r.home() + "/COM7");
             r.m.Rx1Port = 7;
             r.m.SwitchReceiver1();
             QFile holder(r.m.paths().logFile("AL" + QDate::currentDate().toString("yyMMdd") + ".log"));
             holder.open(QIODevice::ReadOnly);
             ::flock(holder.handle(), LOCK_EX);
             r.m.ActivityText = "second";
             r.m.WriteActivityLog();
             return r.logged("AL");
         }, "T  Morning Show              not sent: 8002 Invalid port number: COM7 could not be opened (No such "
            "file or directory)\r\nT  second\r\n\n"
            "MSG 8002 Invalid port number: COM7 could not be opened Command not sent."},
        // Another line (the terminal) holding the port, or the same device under a second name
        // (COM2 beside COM1, as /dev/ttyUSB0 and its /dev/serial/by-id name), gets "already open";
        // the port is free again once the first holder closes it. As root only the lock keeps the
        // second open out.
        {"PortHeldByAnotherLineIsAlreadyOpen", {}, [](Rig& r) {
             QFile::link(QFileInfo(r.home() + "/COM1").canonicalFilePath(), r.home() + "/COM2");
             QString seen;
             for (int port : {1, 2}) {
                 DeviceSerialLine terminal(Paths{r.home()});
                 r.m.OpenPort(r.serial, 1);
                 try {
                     terminal.open(port, "9600,N,8,1");
                 } catch (const QcError& e) {
                     seen += QString::number(e.number()) + " ";
                 }
                 r.serial.close();
                 terminal.open(port, "9600,N,8,1");
             }
             return seen;
         }, "8005 8005 "},
        // A simulated port file: byte 0 the data register, byte 1 the status (none yet reads 127). A
        // file replaced by a new one, as an editor saves it, or gone and put back: the port follows
        // the file, and a port that comes back gets the last outputs.
        {"PortFileIsFollowedThroughReplacementAndLoss", {"none"}, [](Rig& r) {
             const QString path = r.home() + "/LPT1";
             DeviceParallelPort port(path);
             QString seen;
             auto put = [&](const QByteArray& bytes) {  // a new file under the name, as an editor saves one
                 QSaveFile f(path);
                 f.open(QIODevice::WriteOnly);
                 f.write(bytes);
                 f.commit();
             };
             auto inp = [&] {
                 try {
                     seen += QString::number(port.Inp(ParallelPort::StatusRegister));
                 } catch (const QcError& e) {
                     seen += QString::number(e.number());
                 }
                 QFile f(path);
                 seen += f.open(QIODevice::ReadOnly) ? "=" + f.readAll().toHex() + " " : "=gone ";
             };
             inp();
             put({});
             port.Outp(ParallelPort::DataRegister, 96);
             inp();
             put(QByteArray("\x00\x67", 2));              // the automation raises alarm and clock reset
             port.Outp(ParallelPort::StatusRegister, 0);  // only the data register is written
             inp();
             QFile::remove(path);
             inp();
             put({});
             inp();
             return seen;
         }, "8010=gone 127=60 103=6067 8010=gone 127=60 "},
    };
    // clang-format on
    for (const Device& row : rows) {
        SCOPED_TRACE(row.name);
        Rig r(row.far);
        ASSERT_TRUE(!r.sim || r.sim->ready());
        ASSERT_TRUE(!r.pty || r.pty->ok());
        QElapsedTimer t;
        t.start();
        QString seen = row.act(r);
        // Nothing a device does holds the program, and no port is left open.
        EXPECT_LT(t.elapsed(), 5000);
        EXPECT_FALSE(r.serial.isOpen());
        // Messages without the system's own words in brackets, which vary.
        for (const QString& message : r.messages)
            seen += "\nMSG " +
                    QString(message).replace(r.home(), "<home>").remove(QRegularExpression(" ?\\(.*\\)"));
        EXPECT_EQ(seen, row.expected);
    }
}

// The receiver simulator that the rows above and the demo talk to: its answer to the last of some
// lines (separated by "|"), and its pty link. Its options are used, and so tried, by the rows above.
TEST(ReceiverSim, AnswersLikeAReceiver) {
    // Lines sent one after the other (separated by "; "), then after "->" the answer to the last, its
    // line ends written "|" and "ERROR: unknown command" as "?".
    // clang-format off
    const char* const rows[] = {"->", "  ->", "EB->EbNo 7.5 dB|", "EB \t->EbNo 7.5 dB|", "eb->?|",
        "FC->Fade Counter 0|", "Port F->OK|", "Port G->?|", "SETAUDIO 1,2->OK|", "SETAUDIOX->?|", "RE C 3->?|",
        "ER E 15->?|", "SP A,S,1x->?|", "AM AB,3->?|",
        "RE C 2; RE c,1; RE O 2; RE O 0; R R->Relay 1: CLOSED|Relay 2: OPEN|",
        "AM C,5; SP A,S,14; AM A, 3; SP A,S,9; SP B , x , 2; R M->MPEG STATUS|Lock: YES|Port A: Source 9 Route 3|"
        "Port B: Source 2 Route -|Port C: Source - Route 5|Bitrate: 128 kbit/s|"};
    // clang-format on
    for (const QString row : rows) {
        receiversim::ReceiverModel model;
        std::string answer;
        for (const QString& line : row.section("->", 0, 0).split("; "))
            answer = model.answer(line.toStdString());
        EXPECT_EQ(QString::fromStdString(answer).replace("\r\n", "|").replace("ERROR: unknown command", "?"),
                  row.section("->", 1))
            << row.toStdString();
    }
    // A link left behind by a simulator that died is replaced, and the link goes with the simulator.
    QTemporaryDir home;
    const QString link = home.filePath("COM3");
    ASSERT_TRUE(QFile::link("/nonexistent", link));
    ReceiverSim sim(home.path(), 3);
    ASSERT_TRUE(sim.ready());
    EXPECT_TRUE(QFileInfo(link).symLinkTarget().startsWith("/dev/pts/"));
    sim.stop();
    EXPECT_FALSE(QFileInfo(link).isSymLink());
}

}  // namespace
}  // namespace qc::test
