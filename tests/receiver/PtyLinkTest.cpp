// The receiver link through real pseudo-terminals and real termios: the receiver simulator on the
// far end, or a bare pty whose master the test reads byte by byte.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <memory>
#include <thread>

#include "support/ReceiverSim.h"
#include "support/TestSupport.h"

namespace qc {
namespace {

using test::RawPty;
using test::Received;
using test::ReceiverSim;

std::vector<QByteArray> linesOf(const std::vector<Received>& received) {
    std::vector<QByteArray> out;
    for (const Received& r : received)
        out.push_back(r.line);
    return out;
}

// A program with the real serial line on a temporary data folder; the clock is the system's.
struct PtyProgram {
    explicit PtyProgram(const QString& home) : serial(Paths{home}) {
        QDir().mkpath(home + QStringLiteral("/logs"));
        m = std::make_unique<Module1>(Paths{home}, clock, serial, port);
        QObject::connect(m.get(), &Module1::messageShown, [this](const QString& t) { messages << t; });
        m->BaudIndex = 1;
        m->Rx1Port = 1;
        m->CommandPort = 1;
        m->ActivityLogOn = 1;
        m->TwoReceivers = 0;
    }

    QByteArray logFile(const char* kind) const {
        QFile f(m->paths().logFile(
            QStringLiteral("%1%2.log")
                .arg(QString::fromLatin1(kind), m->clock().now().date().toString(QStringLiteral("yyMMdd")))));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // One exchange as the logs make it: open, send, collect until the prompt or 1 s, close.
    QByteArray exchange(const QByteArray& command) {
        m->OpenPort(serial, m->CommandPort);
        const QByteArray reply = m->Converse(serial, command, true, true, 1.0);
        serial.close();
        return reply;
    }

    void writeSwitchEntry(int source = 14, int route = 3) {
        test::writeSchedule(m->paths().file("SwitchList.dat"),
                            {test::makeEntry("Morning Show", 1, "06:00:00", {1}, 1, "A", source, route)});
        m->SchedFileNo.open(m->paths().file("SwitchList.dat"));
        m->NextRecord1 = 1;
    }

    SystemClock clock;
    DeviceSerialLine serial;
    MemoryParallelPort port;
    std::unique_ptr<Module1> m;
    QStringList messages;
};

class PtyLink : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString home() const { return dir.path(); }

    QTemporaryDir dir;
};

// ---- Framing: the bytes on the wire

TEST_F(PtyLink, CommandsGoOutExactlyAsFramed) {
    RawPty pty(home(), 1);
    ASSERT_TRUE(pty.ok());
    PtyProgram p(home());

    // "EB" is three bytes: E, B, CR; no line feed, nothing before or after.
    p.m->CommandText = "EB";
    p.m->SendReceiverCommand();
    EXPECT_EQ(pty.drain(), QByteArray("EB\r"));

    // The two-line switch command keeps its own closing CR and gets the channel's one after it.
    p.writeSwitchEntry();
    p.m->SwitchReceiver1();
    EXPECT_EQ(pty.drain(), QByteArray("SP A,S,14\rAM A,3\r\r"));
    EXPECT_TRUE(p.messages.isEmpty()) << p.messages.join('\n').toStdString();
}

TEST_F(PtyLink, LineKeepsItsSpeedAfterTheCommandIsWritten) {
    // The port is closed right after the write, while a real UART still shifts the bytes out.
    // Putting the line back to its old speed at that moment would garble the tail of the command,
    // so the speed the program set must still be on the line after the close.
    RawPty pty(home(), 1);
    ASSERT_TRUE(pty.ok());
    ASSERT_EQ(pty.speed(), speed_t(B38400));
    PtyProgram p(home());
    p.m->CommandText = "EB";
    p.m->SendReceiverCommand();
    EXPECT_EQ(pty.speed(), speed_t(B9600));
    p.m->BaudIndex = 2;
    p.m->SendReceiverCommand();
    EXPECT_EQ(pty.speed(), speed_t(B19200));
}

TEST_F(PtyLink, SimulatorSeesEbAndSwitchCommandAsLines) {
    ReceiverSim sim(home(), 1, {});
    ASSERT_TRUE(sim.ready());
    PtyProgram p(home());

    const QByteArray reply = p.exchange("EB");
    EXPECT_EQ(reply, QByteArray("EB\r\nEbNo 7.5 dB\r\n>"));
    auto got = sim.waitForLines(1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].line, "EB");
    EXPECT_EQ(got[0].speed, "9600");

    p.writeSwitchEntry();
    p.m->SwitchReceiver1();
    got = sim.waitForLines(4);
    EXPECT_EQ(linesOf(got), (std::vector<QByteArray>{"EB", "SP A,S,14", "AM A,3", ""}));
    for (const Received& r : got)
        EXPECT_EQ(r.speed, "9600") << r.line.constData();
    EXPECT_TRUE(p.messages.isEmpty()) << p.messages.join('\n').toStdString();
    EXPECT_TRUE(p.logFile("AL").endsWith("Morning Show              SP A,S,14<CR>AM A,3<CR>\r\n"));
}

// ---- Speed and timing of the collection

TEST_F(PtyLink, BaudIndexSetsTheLineSpeed) {
    ReceiverSim sim(home(), 1, {"--baud", "19200"});
    ASSERT_TRUE(sim.ready());
    PtyProgram p(home());

    p.m->BaudIndex = 2;
    EXPECT_EQ(p.exchange("EB"), QByteArray("EB\r\nEbNo 7.5 dB\r\n>"));
    // At 9600 the receiver hears only noise and stays silent.
    p.m->BaudIndex = 1;
    EXPECT_EQ(p.exchange("EB"), QByteArray());

    const auto got = sim.waitForLines(2);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].speed, "19200");
    EXPECT_EQ(got[1].speed, "9600");
}

TEST_F(PtyLink, PromptAfterTheLimitIsCutOff) {
    ReceiverSim sim(home(), 1, {"--delay", "1600"});
    ASSERT_TRUE(sim.ready());
    PtyProgram p(home());

    QElapsedTimer t;
    t.start();
    const QByteArray reply = p.exchange("EB");
    // The echo comes at once; the answer and its prompt 1.6 s later, after the collection ended.
    EXPECT_EQ(reply, QByteArray("EB\r\n"));
    EXPECT_LT(t.elapsed(), 2500);
}

TEST_F(PtyLink, EndlessReceiverDoesNotHoldTheProgram) {
    ReceiverSim sim(home(), 1, {"--endless"});
    ASSERT_TRUE(sim.ready());
    PtyProgram p(home());

    QElapsedTimer t;
    t.start();
    p.m->LogEbNo();
    EXPECT_LT(t.elapsed(), 2500);
    EXPECT_TRUE(p.messages.isEmpty()) << p.messages.join('\n').toStdString();
    const QList<QByteArray> lines = p.logFile("EB").split('\n');
    ASSERT_EQ(lines.size(), 2);  // one line and the empty rest after its LF
    EXPECT_TRUE(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d  (7\\.5)+\r$").match(lines[0]).hasMatch())
        << lines[0].left(80).constData();
}

TEST_F(PtyLink, GarbageAnswersStayBounded) {
    // Random bytes without a prompt, faster than any line: nothing ends the collection but the
    // limit, and the EbNo value is whatever digits and points were in it.
    ReceiverSim sim(home(), 1, {"--garbage", "--endless", "--seed", "7"});
    ASSERT_TRUE(sim.ready());
    PtyProgram p(home());

    const QByteArray reply = p.exchange("R M");
    EXPECT_GT(reply.size(), 1000);
    EXPECT_LE(reply.size(), 64 * 1024);
    p.m->LogEbNo();
    EXPECT_TRUE(p.messages.isEmpty()) << p.messages.join('\n').toStdString();
    const QByteArray line = p.logFile("EB");
    EXPECT_TRUE(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d  ([0-9.]+|None)\r\n$").match(line).hasMatch())
        << line.left(80).toHex().constData();
}

// ---- Stale input, missing and vanishing devices

TEST_F(PtyLink, LateAnswerToAnEarlierCommandIsNotTakenForTheNext) {
    ReceiverSim sim(home(), 1, {"--delay", "300"});
    ASSERT_TRUE(sim.ready());
    PtyProgram p(home());

    // The MPEG status answer arrives while the port is closed and waits in the line's queue.
    p.m->CommandText = "R M";
    p.m->SendReceiverCommand();
    QThread::msleep(500);
    p.m->LogEbNo();
    EXPECT_TRUE(p.messages.isEmpty()) << p.messages.join('\n').toStdString();
    EXPECT_TRUE(p.logFile("EB").endsWith("  7.5\r\n")) << p.logFile("EB").constData();

    p.m->CommandText = "EB";
    p.m->SendReceiverCommand();
    QThread::msleep(500);
    const QByteArray reply = p.exchange("R M");
    EXPECT_TRUE(reply.startsWith("R M\r\nMPEG STATUS")) << reply.constData();
    EXPECT_FALSE(reply.contains("EbNo"));
}

TEST_F(PtyLink, PortWithoutDeviceReportsAndTheSwitchGoesOn) {
    // COM7 is a link to nothing: a station whose USB adapter is unplugged.
    ASSERT_EQ(::symlink("/dev/no-such-adapter", QFile::encodeName(home() + "/COM7").constData()), 0);
    PtyProgram p(home());
    p.m->Rx1Port = 7;
    p.writeSwitchEntry();
    p.m->SwitchReceiver1();

    ASSERT_EQ(p.messages.size(), 1);
    EXPECT_TRUE(p.messages[0].startsWith("8002 ")) << p.messages[0].toStdString();
    EXPECT_TRUE(p.messages[0].endsWith(" Command not sent.")) << p.messages[0].toStdString();
    EXPECT_FALSE(p.serial.isOpen());
    EXPECT_TRUE(p.logFile("AL").endsWith("Morning Show              SP A,S,14<CR>AM A,3<CR>\r\n"));
}

TEST_F(PtyLink, AdapterVanishingMidAnswerIsReportedAndTheNextExchangeWorks) {
    auto sim = std::make_unique<ReceiverSim>(home(), 1, QStringList{"--delay", "1200"});
    ASSERT_TRUE(sim->ready());
    PtyProgram p(home());

    const pid_t pid = static_cast<pid_t>(sim->pid());
    std::thread killer([pid] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ::kill(pid, SIGKILL);
    });
    QElapsedTimer t;
    t.start();
    p.m->LogEbNo();
    killer.join();
    EXPECT_LT(t.elapsed(), 2500);
    ASSERT_EQ(p.messages.size(), 1);
    EXPECT_TRUE(p.messages[0].startsWith("57 ")) << p.messages[0].toStdString();
    EXPECT_TRUE(p.messages[0].endsWith(".  Make sure the folder " + home() + "/logs exists."));
    EXPECT_FALSE(p.serial.isOpen());
    EXPECT_EQ(p.logFile("EB"), QByteArray());

    // The receiver comes back on a new pseudo-terminal under the same name.
    sim->waitForDeath();
    sim = std::make_unique<ReceiverSim>(home(), 1, QStringList{});
    ASSERT_TRUE(sim->ready());
    p.m->LogEbNo();
    EXPECT_EQ(p.messages.size(), 1);
    EXPECT_TRUE(p.logFile("EB").endsWith("  7.5\r\n"));
}

// ---- Two serial lines at once

TEST_F(PtyLink, SameNamedPortsInDifferentFoldersDoNotCollide) {
    QTemporaryDir other;
    ReceiverSim simA(home(), 1, {"--ebno", "7.5"});
    ReceiverSim simB(other.path(), 1, {"--ebno", "9.25"});
    ASSERT_TRUE(simA.ready());
    ASSERT_TRUE(simB.ready());
    PtyProgram a(home());
    PtyProgram b(other.path());

    a.m->OpenPort(a.serial, 1);
    b.m->OpenPort(b.serial, 1);  // both COM1 open at the same moment
    EXPECT_EQ(a.m->Converse(a.serial, "EB", true, true, 1.0), QByteArray("EB\r\nEbNo 7.5 dB\r\n>"));
    EXPECT_EQ(b.m->Converse(b.serial, "EB", true, true, 1.0), QByteArray("EB\r\nEbNo 9.25 dB\r\n>"));
    a.serial.close();
    b.serial.close();
}

TEST_F(PtyLink, PortHeldByAnotherLineIsAlreadyOpen) {
    ReceiverSim sim(home(), 1, {});
    ASSERT_TRUE(sim.ready());
    PtyProgram main(home());
    DeviceSerialLine terminal(Paths{home()});

    main.m->OpenPort(main.serial, 1);
    try {
        terminal.open(1, "9600,N,8,1");
        FAIL() << "a second open of the same port succeeded";
    } catch (const QcError& e) {
        EXPECT_EQ(e.number(), QcError::PortAlreadyOpen) << e.description().toStdString();
    }
    EXPECT_FALSE(terminal.isOpen());
    // The first holder is not disturbed, and the port is free again once it closes.
    EXPECT_EQ(main.m->Converse(main.serial, "EB", true, true, 1.0), QByteArray("EB\r\nEbNo 7.5 dB\r\n>"));
    main.serial.close();
    EXPECT_NO_THROW(terminal.open(1, "9600,N,8,1"));
    terminal.close();
}

TEST_F(PtyLink, OneDeviceUnderTwoNamesIsOpenedOnce) {
    // COM2 is a second name for the receiver on COM1, as /dev/ttyUSB0 and its /dev/serial/by-id
    // name are. The program runs as root here, so only the lock keeps the second open out.
    ReceiverSim sim(home(), 1, {});
    ASSERT_TRUE(sim.ready());
    const QString device = QFileInfo(home() + "/COM1").canonicalFilePath();
    ASSERT_EQ(
        ::symlink(QFile::encodeName(device).constData(), QFile::encodeName(home() + "/COM2").constData()), 0);
    DeviceSerialLine first(Paths{home()});
    DeviceSerialLine second(Paths{home()});
    first.open(1, "9600,N,8,1");
    EXPECT_THROW(second.open(2, "9600,N,8,1"), QcError);
    first.close();
    EXPECT_NO_THROW(second.open(2, "9600,N,8,1"));
}

}  // namespace
}  // namespace qc

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
