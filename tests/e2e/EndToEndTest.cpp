// The real program, started as a station starts it, on a temporary data folder: with the receiver
// simulator on a pseudo-terminal as COM1 and a simulated port file as LPT1.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>

#include "TestSupport.h"

namespace qc::test {
namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QProcessEnvironment environmentFor(const QString& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QUILLORN_HOME", home);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    return env;
}

void stop(QProcess& p) {
    if (p.state() == QProcess::NotRunning) return;
    p.terminate();
    if (!p.waitForFinished(5000)) {
        p.kill();
        p.waitForFinished(5000);
    }
}

TEST(EndToEnd, FirstStartOnAnEmptyFolder) {
    QTemporaryDir tmp;
    const QString home = tmp.filePath("station/data");  // parents missing too
    QProcess program;
    program.setProcessEnvironment(environmentFor(home));
    program.start(QUILLORNCONTROL_BINARY, {});
    ASSERT_TRUE(program.waitForStarted(10000));
    QElapsedTimer t;
    t.start();
    while (!QFile::exists(home + "/QuillornControl.ini") && t.elapsed() < 20000)
        QThread::msleep(50);
    QThread::msleep(500);
    EXPECT_EQ(program.state(), QProcess::Running);
    stop(program);

    EXPECT_TRUE(QDir(home + "/logs").exists());
    for (const char* name : {"TimeReset.ini", "SwitchList.dat", "QuillornControl.ini"}) {
        EXPECT_TRUE(QFile::exists(home + "/" + name)) << name;
        EXPECT_EQ(QFileInfo(home + "/" + name).size(), 0) << name;
    }
}

TEST(EndToEnd, SwitchesAReceiverAndPulsesTheRemoteStart) {
    QTemporaryDir tmp;
    const QString home = tmp.path();
    const QString wireLog = tmp.filePath("wire.log");
    QProcess sim;
    sim.start(RECEIVER_SIM_BINARY, {"--home", home, "--port", "1", "--baud", "9600", "--log", wireLog});
    ASSERT_TRUE(sim.waitForReadyRead(10000));
    ASSERT_TRUE(sim.readLine().startsWith("ready"));

    // Receiver 1 on COM1 at 9600, activity log and remote control on.
    QFile ini(home + "/QuillornControl.ini");
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("111001d00");
    ini.close();
    QFile lptFile(home + "/LPT1");
    ASSERT_TRUE(lptFile.open(QIODevice::WriteOnly));
    lptFile.write(QByteArray("\x00\x7f", 2));
    lptFile.close();

    // One entry about 25 seconds after start (a little more, for a loaded machine), on its weekday.
    const QDateTime event = QDateTime::currentDateTime().addSecs(28);
    const int day = event.date().dayOfWeek() % 7;
    writeSchedule(
        home + "/SwitchList.dat",
        {makeEntry("E2E Programme", 1, event.time().toString("HH:mm:ss").toLatin1(), {day}, 2, "C", 21, 2)});

    QProcess program;
    program.setProcessEnvironment(environmentFor(home));
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(QUILLORNCONTROL_BINARY, {});
    ASSERT_TRUE(program.waitForStarted(10000));

    // Watch the port file's data register while the event passes.
    std::vector<std::pair<QDateTime, int>> lpt;
    QByteArray output;
    int last = 0;
    const QDateTime until =
        QDateTime(event.date(), QTime::fromString(event.time().toString("HH:mm:ss"), "HH:mm:ss")).addSecs(4);
    while (QDateTime::currentDateTime() < until) {
        const QByteArray bytes = readAll(home + "/LPT1");
        const int data = bytes.isEmpty() ? 0 : static_cast<unsigned char>(bytes[0]);
        if (data != last) lpt.emplace_back(QDateTime::currentDateTime(), last = data);
        program.waitForReadyRead(5);  // also keeps the program's output pipe from filling
        output += program.readAll();
    }
    EXPECT_EQ(program.state(), QProcess::Running);
    stop(program);
    stop(sim);

    const QDateTime T(event.date(), QTime::fromString(event.time().toString("HH:mm:ss"), "HH:mm:ss"));
    const QByteArray al = readAll(home + "/logs/AL" + event.date().toString("yyMMdd") + ".log");
    SCOPED_TRACE("activity log:\n" + al.toStdString() + "\nprogram output:\n" + output.toStdString() +
                 "\nwire:\n" + readAll(wireLog).toStdString());
    // Bit 5 on from half a second before the event second, off again after one second.
    ASSERT_EQ(lpt.size(), 2u);
    EXPECT_EQ(lpt[0].second, 32);
    EXPECT_EQ(lpt[1].second, 0);
    const qint64 onLate = T.addMSecs(-500).msecsTo(lpt[0].first);
    const qint64 offLate = T.addMSecs(1000).msecsTo(lpt[1].first);
    std::printf("remote start on %lld ms, off %lld ms after its nominal moment\n", onLate, offLate);
    EXPECT_GE(onLate, 0);
    EXPECT_GE(offLate, 0);

    // The wire: the switch command twice, each ending in two CRs (an empty third line).
    QList<QByteArray> lines = readAll(wireLog).split('\n');
    lines.removeAll(QByteArray());
    QList<QByteArray> received;
    for (const QByteArray& l : lines)
        received << l.split('\t').value(1);
    EXPECT_EQ(received, QList<QByteArray>({"SP C,S,21", "AM C,2", "", "SP C,S,21", "AM C,2", ""}));
    for (int i : {0, 3}) {
        const QDateTime at =
            QDateTime::fromString(QString::fromLatin1(lines[i].split('\t')[0]), "yyyy-MM-dd HH:mm:ss.zzz");
        const qint64 nominal = i == 0 ? -13500 : -11500;
        std::printf("send %d arrived %lld ms after its nominal moment\n", i / 3 + 1,
                    T.addMSecs(nominal).msecsTo(at));
    }

    EXPECT_TRUE(al.contains("  E2E Programme             SP C,S,21<CR>AM C,2<CR>\r\n")) << al.constData();
    EXPECT_TRUE(al.contains("  Remote Start 1 On\r\n"));
    EXPECT_TRUE(al.contains("  Remote Start 1 Off\r\n"));
}

// Started by systemd as a notify service (a socket of the test's own as NOTIFY_SOCKET), the program
// says it is ready, then pets the watchdog while its clock ticks, and not while the process is held.
TEST(EndToEnd, PetsTheServiceWatchdogOnlyWhileItsClockTicks) {
    QTemporaryDir tmp;
    sockaddr_un address{AF_UNIX, {}};
    const QByteArray path = tmp.filePath("notify").toLocal8Bit();
    std::strncpy(address.sun_path, path.constData(), sizeof address.sun_path - 1);
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const timeval wait{0, 50000};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    auto heard = [fd](int ms) {  // the messages of a time, each followed by a blank
        QByteArray all;
        char buffer[64];
        for (QDeadlineTimer d(ms); !d.hasExpired() && !all.endsWith("READY=1 ");)
            if (const ssize_t n = recv(fd, buffer, sizeof buffer, 0); n > 0)
                all += QByteArray(buffer, n) + ' ';
        return all;
    };
    QProcessEnvironment env = environmentFor(tmp.filePath("home"));
    env.insert("NOTIFY_SOCKET", path);
    env.insert("WATCHDOG_USEC", "400000");
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QUILLORNCONTROL_BINARY, {});
    EXPECT_EQ(heard(30000), "READY=1 ");
    EXPECT_GE(heard(1000).count("WATCHDOG=1"), 5);
    kill(pid_t(program.processId()), SIGSTOP);
    heard(200);  // what was sent before the hold
    EXPECT_EQ(heard(1000).count("WATCHDOG=1"), 0);
    kill(pid_t(program.processId()), SIGCONT);
    EXPECT_GE(heard(1000).count("WATCHDOG=1"), 5);
    stop(program);
    close(fd);
}

}  // namespace
}  // namespace qc::test
