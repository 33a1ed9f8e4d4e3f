// The station I/O against a Modbus module served by libmodbus on a thread of the test, over TCP on
// 127.0.0.1 and over RTU through a pseudo-terminal. The program runs on the simulated clock as the
// main window drives it; the module and the port's worker run in real time.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QThread>

#include <QLabel>
#include <QMenu>

#include "GuiSupport.h"
#include "ModuleSim.h"
#include "WindowTesting.h"
#include "core/mnuMenu.h"
#include "engine/SimulatedRun.h"
#include "stationio/StationIo.h"

namespace qc::test {
namespace {

using stationiosim::ModuleSim;

QDateTime at(const QString& time) {
    return QDateTime(QDate(2026, 12, 7), QTime::fromString(time, "HH:mm:ss"));
}

// Events of the window thread and a little real time, until `done` or five seconds.
void waitFor(const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 5000) {
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
    QCoreApplication::processEvents();
}

// A program whose port is the station I/O, beside a module: "tcp", "tcp-off" (switched off at the
// start), "rtu" (linked as COM3), or "parallel" (StationIO.ini left out: the simulated port file).
struct Rig {
    TestProgram p{at("12:00:00")};
    std::unique_ptr<ModuleSim> module;
    int master = -1;
    std::unique_ptr<StationIo> io;
    bool activeLow = false;

    Rig(const QString& transport, const QString& ini,
        std::chrono::milliseconds retry = std::chrono::milliseconds(200)) {
        activeLow = ini.contains("InputsActiveLow=1");
        if (transport == "rtu") {
            master = ::posix_openpt(O_RDWR | O_NOCTTY);
            EXPECT_TRUE(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
            QFile::link(QString::fromLocal8Bit(::ptsname(master)), p.file("COM3"));
            module = ModuleSim::rtu(master, 1);
        } else {
            module = ModuleSim::tcp("127.0.0.1", 0, 1);
            module->setPowered(transport != "tcp-off");
        }
        for (int address = 0; address < 16; ++address)
            module->setInput(address, activeLow);
        p.writeFile("LPT1", QByteArray(1, '\0'));
        if (transport != "parallel")
            p.writeFile("StationIO.ini",
                        "[StationIO]\n" +
                            (transport == "rtu" ? QByteArray("Device=modbus-rtu\nSerialDevice=COM3\n")
                                                : "Device=modbus-tcp\nHost=127.0.0.1\nPort=" +
                                                      QByteArray::number(module->port()) + "\n") +
                            ini.toLatin1().replace(' ', '\n'));
        p.writeFile("TimeReset.ini", "05:00");
        io = std::make_unique<StationIo>(Paths{p.home()});
        io->timing.retry = retry;
        io->timing.response = std::chrono::milliseconds(300);
        p.m = std::make_unique<Module1>(Paths{p.home()}, p.clock, p.serial, io->port());
        QObject::connect(p.m.get(), &Module1::messageShown,
                         [this](const QString& text) { p.messages << text; });
        io->attach(*p.m);
        io->applyFile();
    }
    ~Rig() {
        io.reset();
        module.reset();
        if (master >= 0) ::close(master);
    }

    // A contact of the automation, closed or open, as the module reads it; then the time the port
    // takes to see it.
    void contact(int address, bool closed) {
        module->setInput(address, closed != activeLow);
        waitFor([&] {
            const ModbusStationPort::Inputs in = io->inputs();
            return in.known && (address == 0 ? in.alarm : in.clockReset) == closed;
        });
    }

    // Each tick waits for the module to hold the outputs the program holds, while it answers: the
    // program's simulated second passes in a moment of real time.
    void settle() {
        const StationIoSettings& c = io->settings();
        waitFor([&] {
            return !io->inUse() || !io->inputs().known ||
                   (module->coil(c.remoteStart1Coil) == (p.m->PortBits[5] != 0) &&
                    module->coil(c.remoteStart2Coil) == (p.m->PortBits[6] != 0));
        });
    }

    // Every coil written, by address ("c0 0100" is off, on, off, off), then the activity log's
    // station I/O lines and the messages, the module named "<dev>".
    QString seen() {
        io.reset();  // the clean exit
        std::map<int, QString> coils;
        for (const ModuleSim::CoilWrite& w : module->writes())
            coils[w.address] += w.on ? "1" : "0";
        QStringList out;
        for (const auto& [address, values] : coils)
            out << QStringLiteral("c%1 %2").arg(address).arg(values);
        const QString dev = QStringLiteral("127.0.0.1:%1").arg(module->port());
        for (QString line : p.observed())
            if (line.contains(QRegularExpression("Remote Start|Alarm|Time Set|Station I/O")))
                out << line.replace(dev, "<dev>")
                           .replace("<home>/COM3", "<dev>")
                           .replace(p.file("COM3"), "<dev>")
                           .remove(QRegularExpression("^AL\\d+.log "))
                           .simplified();
        return out.join("; ");
    }
};

struct IoRow {
    const char* name;
    const char* transport;
    const char* ini;  // keys beyond the device's own, separated by blanks
    std::vector<ScheduleEntry> entries;
    const char* settings;  // QuillornControl.ini
    const char* steps;
    const char* expected;
};

TEST(StationIo, ModbusModuleAsTheStationSeesIt) {
    const auto momentary = [](int receiver) { return makeEntry("News", receiver, "12:00:30", {1}, 2); };
    const auto held = makeEntry("Hold", 1, "12:00:30", {1}, 3, "A", 14, 3, "00:04");
    // clang-format off
    const std::vector<IoRow> rows = {
        // The coils go off when the module is first reached and at the clean exit.
        {"Momentary", "tcp", "", {momentary(1)}, "111001d02", "12:00:33",
         "c0 0100; c1 00; 12:00:29 Remote Start 1 On; 12:00:31 Remote Start 1 Off"},
        {"HoldingOverRtu", "rtu", "Baud=19200 Parity=E", {held}, "111001d02", "12:00:36",
         "c0 0100; c1 00; 12:00:29 Remote Start 1 On; 12:00:34 Remote Start 1 Off"},
        {"BothOutputsApart", "tcp", "RemoteStart1Coil=4 RemoteStart2Coil=9", {momentary(1), momentary(2)}, "111001d12",
         "12:00:33", "c4 0100; c9 0100; 12:00:29 Remote Start 1 On; 12:00:29 Remote Start 2 On; "
         "12:00:31 Remote Start 1 Off; 12:00:31 Remote Start 2 Off"},
        {"AlarmOncePerActivationActiveLow", "tcp", "InputsActiveLow=1 AlarmInput=0 ClockResetInput=7", {},
         "111001d02", "alarm 12:00:02 12:00:04 alarm-off 12:00:05 alarm 12:00:06",
         "c0 00; c1 00; 12:00:00 Alarm; 12:00:05 Alarm"},
        {"ClockResetReachesTheEngine", "rtu", "", {}, "111001d02", "@12:05:40 reset 12:05:41 reset-off 12:05:42",
         "c0 00; c1 00; 12:05:00 Time Set 12:05:40"},
        // Closed and open again while no tick came: the port keeps it for the next tick.
        {"PulseBetweenTicks", "tcp", "", {}, "111001d02", "@12:05:40 pulse 12:05:41",
         "c0 00; c1 00; 12:05:00 Time Set 12:05:40"},
        {"DownAtStart", "tcp-off", "", {momentary(1)}, "111001d02", "wait 12:00:10 up 12:00:33",
         "c0 0100; c1 00; 12:00:00 Station I/O: <dev>: Connection refused; 12:00:10 Station I/O restored; "
         "12:00:29 Remote Start 1 On; 12:00:31 Remote Start 1 Off; MSG Station I/O: <dev>: Connection refused; "
         "MSG Station I/O restored"},
        // The module loses power while the hold runs: back, it gets the output on again.
        {"LostMidRunAndBack", "tcp", "", {held}, "111001d02", "12:00:31 down 12:00:32 up 12:00:36",
         "c0 01100; c1 000; 12:00:29 Remote Start 1 On; 12:00:31 Station I/O: <dev>: Connection refused; "
         "12:00:32 Station I/O restored; 12:00:34 Remote Start 1 Off; MSG Station I/O: <dev>: Connection refused; "
         "MSG Station I/O restored"},
        // Saved again with the same coils while the hold runs: the output never goes off between.
        {"SavedWhileHolding", "tcp", "", {held}, "111001d02", "12:00:31 save 12:00:36",
         "c0 01100; c1 000; 12:00:29 Remote Start 1 On; 12:00:34 Remote Start 1 Off"},
        {"AlarmThroughASave", "tcp", "", {}, "111001d02", "alarm 12:00:02 save-at-once 12:00:03 known 12:00:05",
         "c0 000; c1 000; 12:00:00 Alarm"},
        {"AlarmThroughAnOutage", "tcp", "", {}, "111001d02", "alarm 12:00:02 down 12:00:03 up 12:00:05",
         "c0 000; c1 000; 12:00:00 Alarm; 12:00:02 Station I/O: <dev>: Connection refused; 12:00:03 Station I/O restored; "
         "MSG Station I/O: <dev>: Connection refused; MSG Station I/O restored"},
        {"RefusedUnitOverTcp", "tcp", "Unit=7", {}, "111001d02", "wait 12:00:01",
         "12:00:00 Station I/O: <dev>: Target device failed to respond; "
         "MSG Station I/O: <dev>: Target device failed to respond"},
        {"UnansweredUnitOverRtu", "rtu", "Unit=7", {}, "111001d02", "wait 12:00:01",
         "12:00:00 Station I/O: <dev>: Connection timed out; MSG Station I/O: <dev>: Connection timed out"},
        // A setting the station cannot run on: no station I/O, one message, and the program goes on.
        {"BadDevice", "tcp", "Device=modbus-udp", {momentary(1)}, "111001d02", "12:00:33",
         "12:00:00 Station I/O: StationIO.ini: Device \"modbus-udp\" is not valid; the station runs without station I/O; "
         "12:00:29 Remote Start 1 On; 12:00:31 Remote Start 1 Off; MSG Station I/O: StationIO.ini: Device "
         "\"modbus-udp\" is not valid; the station runs without station I/O"},
        {"BadPort", "tcp", "Port=70000", {}, "111001d02", "12:00:01",
         "12:00:00 Station I/O: StationIO.ini: Port \"70000\" is not valid; the station runs without station I/O; "
         "MSG Station I/O: StationIO.ini: Port \"70000\" is not valid; the station runs without station I/O"},
        {"OneCoilForBoth", "tcp", "RemoteStart2Coil=0", {}, "110001d02", "12:00:01",
         "MSG Station I/O: StationIO.ini: RemoteStart2Coil \"0\" is not valid; the station runs without station I/O"},
        {"BadParity", "rtu", "Parity=X", {}, "110001d02", "12:00:01",
         "MSG Station I/O: StationIO.ini: Parity \"X\" is not valid; the station runs without station I/O"},
        {"NoSuchComPort", "rtu", "SerialDevice=COM9", {}, "110001d02", "12:00:01",
         "MSG Station I/O: StationIO.ini: SerialDevice \"COM9\" is not valid; the station runs without station I/O"},
    };
    // clang-format on
    for (const IoRow& r : rows) {
        SCOPED_TRACE(r.name);
        Rig rig(r.transport, r.ini);
        rig.p.start(r.entries, r.settings);
        // Up at the start: the first writes are the safe state, before anything else.
        if (QString(r.transport) != "tcp-off" && rig.io->inUse() && !QString(r.ini).contains("Unit="))
            waitFor([&] { return rig.io->inputs().known; });
        for (const QString& step : QString(r.steps).split(' ')) {
            const int messages = rig.p.messages.size();
            if (step == "alarm" || step == "alarm-off") rig.contact(0, step == "alarm");
            if (step == "reset" || step == "reset-off") rig.contact(1, step == "reset");
            if (step == "pulse") {
                rig.module->setInput(1, true);
                QThread::msleep(250);
                rig.contact(1, false);
            }
            if (step == "down" || step == "up") {
                rig.module->setPowered(step == "up");
                waitFor([&] { return rig.p.messages.size() > messages; });
            }
            if (step == "save-at-once") rig.io->applyFile();  // the ticks go on before it reads
            if (step == "known") waitFor([&] { return rig.io->inputs().known; });
            if (step == "save") {
                rig.io->applyFile();
                waitFor([&] { return rig.io->inputs().known; });
            }
            if (step == "wait") waitFor([&] { return !rig.p.messages.isEmpty(); });
            if (step[0] == '@') rig.p.clock.set(at(step.mid(1)));
            if (step[0].isDigit()) {
                SimulatedRun run(*rig.p.m, rig.p.clock);
                run.beforeEvent = [&rig](SimulatedRun::Event) { rig.settle(); };
                run.runUntil(at(step));
            }
        }
        EXPECT_EQ(rig.seen(), QString(r.expected));
    }
}

// A module that takes the connection and answers no request is tried again after the interval, as
// one that refuses it: tried again at once, it would keep a core busy and flood the module.
TEST(StationIo, AModuleThatDoesNotAnswerIsTriedOncePerInterval) {
    // The unit refused or unanswered (one request a try; unanswered, it took 300 ms, so tried again
    // at once it made five in the time); the coils taken but the inputs refused (beyond its 16: a
    // write and a read a try).
    struct Row {
        const char* transport;
        const char* ini;
        int most;  // requests in 1.5 s: two tries at most
    };
    for (const auto& [transport, ini, most] :
         {Row{"tcp", "Unit=7", 2}, Row{"rtu", "Unit=7", 2}, Row{"tcp", "AlarmInput=20", 4}}) {
        SCOPED_TRACE(std::string(transport) + " " + ini);
        Rig rig(transport, ini, std::chrono::milliseconds(1000));
        rig.p.start({}, "111001d02");
        waitFor([&] { return !rig.p.messages.isEmpty(); });
        const int before = rig.module->requests();
        QThread::msleep(1500);
        EXPECT_LE(rig.module->requests() - before, most);
        EXPECT_EQ(rig.p.messages.size(), 1) << rig.p.messages.join('\n').toStdString();
    }
}

// The window of the SetUp menu on a station that starts on its parallel port: the outputs' tests
// leave the program's own output on, the inputs show as they are, Save refuses a bad value and names
// it, and otherwise writes the file and puts the module in place at once.
TEST(StationIo, WindowSavesAppliesAndTests) {
    Rig rig("parallel", "");
    rig.p.start({}, "111001d02");
    mnuMenu main(*rig.p.m);
    main.setStationIo(rig.io.get());
    const QList<QAction*> setUp = control<QMenu>(&main, "mnuSetUpMenu")->actions();
    ASSERT_EQ(setUp.size(), 2);
    EXPECT_EQ(setUp[0]->objectName() + " " + setUp[1]->objectName() + " " + setUp[1]->text(),
              "mnuSetUp mnuStationIO Station &I/O");
    act(&main, "menu=mnuStationIO");
    QWidget* w = shownWindow("frmStationIO");
    ASSERT_TRUE(w);
    expectNamed(w);
    QStringList names;
    for (const QWidget* c : w->findChildren<QWidget*>())
        if (c->focusPolicy() != Qt::NoFocus) names << accessibleNameOf(c);
    for (const char* name : {"Station I/O device", "Modbus host", "Modbus port", "Serial device", "Unit",
                             "Remote start 1 coil", "Remote start 2 coil", "Alarm input", "Clock reset input",
                             "Test remote start 1", "Test remote start 2", "Save"})
        EXPECT_TRUE(names.contains(name)) << name;

    const auto lpt = [&] { return int(uchar(rig.p.readFile("LPT1")[0])); };
    rig.io->port().Outp(ParallelPort::DataRegister, 64);  // the program holds output 2 on
    act(w, "click=cmdTest_1");
    EXPECT_EQ(lpt(), 96);
    waitFor([&] { return lpt() == 64; });
    rig.p.writeFile("LPT1", QByteArray("\x40\x6f"));  // the alarm contact closed
    waitFor([&] { return control<QLabel>(w, "lblAlarmState")->text() == "Active"; });
    EXPECT_EQ(control<QLabel>(w, "lblClockResetState")->text(), "Not active");

    const QByteArray port = QByteArray::number(rig.module->port());
    act(w, "pick=cboDevice:1|type=txtHost:127.0.0.1|type=txtPort:x|click=cmdSave");
    EXPECT_EQ(rig.p.messages, QStringList{"Station I/O: Port \"x\" is not valid; nothing was saved"});
    EXPECT_FALSE(QFile::exists(rig.p.file("StationIO.ini")));
    act(w, "type=txtPort:" + port + "|type=txtRemoteStart2Coil:3|click=cmdSave");
    const QByteArray ini = rig.p.readFile("StationIO.ini");
    EXPECT_TRUE(ini.startsWith("[StationIO]\n") && ini.contains("Device=modbus-tcp\n") &&
                ini.contains("Port=" + port + "\n") && ini.contains("RemoteStart2Coil=3\n"))
        << ini.toStdString();
    waitFor([&] { return rig.module->coil(3); });
    act(w, "click=cmdTest_1");
    waitFor([&] { return rig.module->coil(0); });
    waitFor([&] { return !rig.module->coil(0); });
    EXPECT_EQ(rig.seen(), "c0 0100; c3 10; MSG Station I/O: Port \"x\" is not valid; nothing was saved");
    w->close();
    closeMessages();
}

}  // namespace
}  // namespace qc::test
