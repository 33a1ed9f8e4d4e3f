// The remote-start outputs, the alarm and clock-reset inputs, and the simulated port file.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "support/TestSupport.h"

namespace qc {
namespace {

const QDate kDay(2026, 12, 7);

// Status register values: s = 127 - v, alarm is bit 16 of s, clock reset bit 8.
constexpr int kIdle = 127;
constexpr int kAlarm = 127 - 16;
constexpr int kReset = 127 - 8;
constexpr int kAlarmAndReset = 127 - 24;

struct PortProgram : test::TestProgram {
    explicit PortProgram(const QTime& time = QTime(12, 5, 40)) : TestProgram(QDateTime(kDay, time)) {
        QDir().mkpath(home() + "/logs");
        m->ActivityLogOn = 1;
        m->ClockResetTime = "05:00";
    }
    QByteArray activity() const { return readFile("logs/AL261207.log"); }
    // Ticks of the clock while the status register holds v.
    void hold(int v, int ticks = 20) {
        port.status = v;
        for (int i = 0; i < ticks; ++i) {
            m->ReadStatusPort();
            clock.advance(50);
        }
    }
};

TEST(ParallelPortOutputs, BitsGoToTheDataRegister) {
    PortProgram p;
    p.m->PortBits[5] = 1;
    p.m->WriteRelayPort();
    EXPECT_EQ(p.port.data, 32);
    p.m->PortBits[6] = 1;
    p.m->WriteRelayPort();
    EXPECT_EQ(p.port.data, 96);
    p.m->PortBits[5] = 0;
    p.m->WriteRelayPort();
    EXPECT_EQ(p.port.data, 64);
}

TEST(StatusPort, AlarmIsLoggedOncePerActivation) {
    PortProgram p;
    p.hold(kAlarm);
    EXPECT_EQ(p.m->view.lblPort, "Alarm");
    EXPECT_EQ(p.activity(), "12:05:40  Alarm\r\n");

    // The two top status lines are ignored: the alarm is still the same activation.
    p.hold(kAlarm - 64 - 32);
    EXPECT_EQ(p.activity(), "12:05:40  Alarm\r\n");

    p.hold(kIdle, 1);
    EXPECT_EQ(p.m->view.lblPort, "");
    EXPECT_EQ(p.m->AlarmLatch, 0);
    p.hold(kAlarm);
    EXPECT_EQ(p.activity(), "12:05:40  Alarm\r\n12:05:42  Alarm\r\n");
}

TEST(StatusPort, AlarmAndClockResetInOneValue) {
    PortProgram p;
    p.hold(kAlarmAndReset);
    EXPECT_EQ(p.clock.settings, 1);
    // The reset lands on 12:05:00; the ticks after it run on from there.
    EXPECT_EQ(p.activity(), "12:05:40  Alarm\r\n12:05:00  Time Set 12:05:40\r\n");
    EXPECT_EQ(p.m->view.lblPort, "Time Set");
    EXPECT_EQ(p.m->AlarmLatch, 1);
    EXPECT_EQ(p.m->TimeSetLatch, 1);

    // The next pulse acts again, once the input has gone inactive in between.
    p.hold(kIdle, 1);
    p.hold(kReset);
    EXPECT_EQ(p.clock.settings, 2);
}

TEST(StatusPort, ClockResetOnlyWithinTheConfiguredMinute) {
    PortProgram p(QTime(12, 6, 2));
    p.hold(kReset);  // the clock has already drifted into the next minute
    EXPECT_EQ(p.clock.settings, 0);

    // Another status line active beside the pulse: s is not exactly 8.
    p.clock.set(QDateTime(kDay, QTime(12, 5, 30)));
    p.hold(kReset - 1);
    EXPECT_EQ(p.clock.settings, 0);

    for (const QByteArray& setting : {QByteArray(), QByteArray("5"), QByteArray("  :  ")}) {
        p.m->ClockResetTime = setting;
        p.hold(kIdle, 1);
        p.hold(kReset);
        EXPECT_EQ(p.clock.settings, 0) << setting.constData();
    }
    EXPECT_EQ(p.activity(), QByteArray());
    EXPECT_TRUE(p.messages.isEmpty());
}

TEST(StatusPort, ByteOf128OrMoreOnlyClearsTheLatches) {
    PortProgram p;
    p.hold(kAlarmAndReset);
    const QByteArray before = p.activity();
    p.m->ClockResetTime = "05:30";
    for (int v : {128, 200, 255}) {
        p.hold(v, 3);
        EXPECT_EQ(p.m->AlarmLatch, 0);
        EXPECT_EQ(p.m->TimeSetLatch, 0);
    }
    EXPECT_EQ(p.m->view.lblPort, "Time Set");
    EXPECT_EQ(p.clock.settings, 1);
    EXPECT_EQ(p.activity(), before);
}

TEST(StatusPort, RefusedClockSettingIsReportedOncePerPulse) {
    PortProgram p;
    p.clock.refuseSetting = true;
    EXPECT_NO_THROW(p.hold(kReset));
    ASSERT_EQ(p.messages.size(), 1);
    EXPECT_TRUE(p.messages[0].startsWith("70  Permission denied")) << p.messages[0].toStdString();
    EXPECT_EQ(p.m->TimeSetLatch, 1);
    // The clock was not set: nothing to log as done.
    EXPECT_EQ(p.activity(), QByteArray());

    p.hold(kIdle, 1);
    EXPECT_NO_THROW(p.hold(kReset));
    EXPECT_EQ(p.messages.size(), 2);

    // A setting that makes no time of day is reported the same way.
    p.clock.refuseSetting = false;
    p.m->ClockResetTime = "05:7x";
    p.hold(kIdle, 1);
    EXPECT_NO_THROW(p.hold(kReset));
    EXPECT_EQ(p.messages.size(), 3);
    EXPECT_EQ(p.clock.settings, 0);
}

TEST(StatusPort, MissingPortIsReportedOnceUntilItWorkedAgain) {
    PortProgram p;
    p.port.fails = true;
    p.hold(kIdle);
    p.m->WriteRelayPort();
    ASSERT_EQ(p.messages.size(), 1);
    EXPECT_EQ(p.messages[0], "8010  The hardware is not available");

    p.port.fails = false;
    p.hold(kIdle, 1);
    p.port.fails = true;
    p.m->WriteRelayPort();
    p.hold(kIdle);
    EXPECT_EQ(p.messages.size(), 2);
}

// ---- The port simulated in a regular file

class PortFile : public ::testing::Test {
protected:
    QString path() const { return dir.filePath("LPT1"); }
    void write(const QByteArray& bytes) const {
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    QByteArray read() const {
        QFile f(path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // A new file put in place of the old one, as an editor or a script saves it.
    void replace(const QByteArray& bytes) const {
        const QString temp = dir.filePath("LPT1.new");
        QFile f(temp);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        ASSERT_EQ(::rename(QFile::encodeName(temp).constData(), QFile::encodeName(path()).constData()), 0);
    }

    QTemporaryDir dir;
};

TEST_F(PortFile, DataIsByteZeroStatusIsByteOne) {
    write(QByteArray());
    DeviceParallelPort port(path());
    EXPECT_EQ(port.Inp(ParallelPort::StatusRegister), 127);  // no byte 1 yet: no input active
    port.Outp(ParallelPort::DataRegister, 96);
    EXPECT_EQ(read(), QByteArray(1, char(96)));
    EXPECT_EQ(port.Inp(ParallelPort::StatusRegister), 127);

    write(QByteArray("\x00\x67", 2));  // the automation raises alarm and clock reset
    EXPECT_EQ(port.Inp(ParallelPort::StatusRegister), 103);
    port.Outp(ParallelPort::DataRegister, 32);
    EXPECT_EQ(read(), QByteArray("\x20\x67", 2));
    port.Outp(ParallelPort::StatusRegister, 0);  // only the data register is written
    EXPECT_EQ(read(), QByteArray("\x20\x67", 2));
}

TEST_F(PortFile, PortThatComesBackGetsTheLastOutputs) {
    DeviceParallelPort port(path());
    EXPECT_THROW(port.Outp(ParallelPort::DataRegister, 64), QcError);
    EXPECT_THROW(port.Inp(ParallelPort::StatusRegister), QcError);
    write(QByteArray("\x00\x6f", 2));
    EXPECT_EQ(port.Inp(ParallelPort::StatusRegister), 111);
    EXPECT_EQ(read(), QByteArray("\x40\x6f", 2));
}

TEST_F(PortFile, FileReplacedWhileInUseIsFollowed) {
    write(QByteArray("\x00\x7f", 2));
    DeviceParallelPort port(path());
    port.Outp(ParallelPort::DataRegister, 32);
    EXPECT_EQ(port.Inp(ParallelPort::StatusRegister), 127);

    replace(QByteArray("\x00\x6f", 2));
    EXPECT_EQ(port.Inp(ParallelPort::StatusRegister), 111);
    EXPECT_EQ(read(), QByteArray("\x20\x6f", 2));

    QFile::remove(path());
    EXPECT_THROW(port.Inp(ParallelPort::StatusRegister), QcError);
    write(QByteArray());
    EXPECT_EQ(port.Inp(ParallelPort::StatusRegister), 127);
    EXPECT_EQ(read(), QByteArray(1, char(32)));
}

}  // namespace
}  // namespace qc
