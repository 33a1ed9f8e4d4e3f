// The real program, started as a station starts it on a folder copied from an old PC (its logs in
// "Logs"): the receiver simulator on a pseudo-terminal as COM1 and a simulated port file as LPT1;
// and started by systemd as a notify service, a socket of the test's own as NOTIFY_SOCKET. A schedule
// a traffic office delivers to the inbox, as rsync puts it in place, is what switches. A second
// program on the same folder stops at once.
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>

#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>

#include "ReceiverSim.h"
#include "TestSupport.h"

namespace qc::test {
namespace {

TEST(EndToEnd, SwitchesAReceiverPulsesTheRemoteStartAndPetsTheWatchdog) {
    TestProgram p;  // for its folder
    ReceiverSim sim(p.home(), 1, {"--baud", "9600"});
    ASSERT_TRUE(sim.ready());
    // Receiver 1 on COM1 at 9600, activity log and remote control on; the port at rest.
    p.writeFile("QuillornControl.ini", "111001d00");
    p.writeFile("LPT1", QByteArray("\x00\x7f", 2));
    QDir().mkpath(p.file("Logs"));
    // One entry about 25 seconds after start (a little more, for a loaded machine), on its weekday.
    QDateTime T = QDateTime::currentDateTime().addSecs(28);
    T.setTime(QTime(T.time().hour(), T.time().minute(), T.time().second()));
    writeSchedule(p.file("SwitchList.dat"),
                  {makeEntry("E2E Programme", 1, T.time().toString("HH:mm:ss").toLatin1(),
                             {T.date().dayOfWeek() % 7}, 2, "C", 21, 2)});
    sockaddr_un address{AF_UNIX, {}};
    const QByteArray notify = p.file("notify").toLocal8Bit();
    std::strncpy(address.sun_path, notify.constData(), sizeof address.sun_path - 1);
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const timeval wait{0, 5000};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    auto heard = [fd](int ms) {  // the messages of a time, each followed by a blank
        QByteArray all;
        char buffer[64];
        for (QDeadlineTimer d(ms); !d.hasExpired() && !all.endsWith("READY=1 ");)
            if (const ssize_t n = recv(fd, buffer, sizeof buffer, 0); n > 0)
                all += QByteArray(buffer, n) + ' ';
        return all;
    };
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QUILLORN_HOME", p.home());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("NOTIFY_SOCKET", notify);
    env.insert("WATCHDOG_USEC", "400000");
    QProcess program;
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(QUILLORNCONTROL_BINARY, {});
    EXPECT_EQ(heard(30000), "READY=1 ");
    // The same moment from another source: written under a hidden name with its source's times, then
    // renamed into place, it is taken at once.
    const QString delivered = p.file("inbox/.switchlist.dat.Xy12ab");
    writeSchedule(delivered, {makeEntry("E2E Programme", 1, T.time().toString("HH:mm:ss").toLatin1(),
                                        {T.date().dayOfWeek() % 7}, 2, "C", 42, 2)});
    QFile file(delivered);
    file.open(QIODevice::ReadWrite);
    file.setFileTime(T.addSecs(-3600), QFileDevice::FileModificationTime);
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    file.close();
    file.rename(p.file("inbox/switchlist.dat"));

    // A second program on the same folder says so and stops before it touches a port.
    const QDateTime portWritten = QFileInfo(p.file("LPT1")).lastModified();
    QProcess second;
    env.remove("NOTIFY_SOCKET");
    second.setProcessEnvironment(env);
    second.start(QUILLORNCONTROL_BINARY, {});
    EXPECT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitCode(), 3);
    EXPECT_TRUE(second.readAllStandardError().contains(
        "QuillornControl is already running on the data folder " + p.home().toLocal8Bit() + " (process " +
        QByteArray::number(program.processId()) + ")"));
    EXPECT_EQ(QFileInfo(p.file("LPT1")).lastModified(), portWritten);

    // Watch the port file's data register while the event passes.
    std::vector<std::pair<QDateTime, int>> changes;
    QByteArray output;
    while (QDateTime::currentDateTime() < T.addSecs(4)) {
        const QByteArray bytes = p.readFile("LPT1");
        const int data = bytes.isEmpty() ? 0 : static_cast<unsigned char>(bytes[0]);
        if (data != (changes.empty() ? 0 : changes.back().second))
            changes.emplace_back(QDateTime::currentDateTime(), data);
        program.waitForReadyRead(5);  // also keeps the program's output pipe from filling
        output += program.readAll();
        heard(1);  // and its notifications: a full socket would hold the program's tick
    }
    // The watchdog is petted while the clock ticks, and not while the process is held.
    heard(200);  // what was sent before
    EXPECT_GE(heard(1000).count("WATCHDOG=1"), 5);
    kill(pid_t(program.processId()), SIGSTOP);
    heard(200);  // what was sent before the hold
    EXPECT_EQ(heard(1000).count("WATCHDOG=1"), 0);
    kill(pid_t(program.processId()), SIGCONT);
    EXPECT_GE(heard(1000).count("WATCHDOG=1"), 5);
    // The as-run record of the event, read by the report beside the running program.
    QProcess report;
    report.setProcessEnvironment(env);
    const QString day = T.date().toString(Qt::ISODate);
    report.start(QUILLORNCONTROL_BINARY, {"--as-run", day, day, "--csv", p.file("as-run.csv")});
    EXPECT_TRUE(report.waitForFinished(30000));
    EXPECT_EQ(report.exitCode(), 0) << report.readAllStandardError().toStdString();
    EXPECT_TRUE(QRegularExpression("\r\n" + day + "," + T.time().toString("HH:mm:ss") +
                                   ",1,E2E Programme,C,42,2,[0-9:]{8}\\.\\d{3},2,[0-9:]{8},1,sent\r\n$")
                    .match(p.readFile("as-run.csv"))
                    .hasMatch())
        << p.readFile("as-run.csv").toStdString();
    close(fd);
    EXPECT_EQ(program.state(), QProcess::Running);
    program.terminate();
    program.waitForFinished(5000);

    const QString al = QString::fromLatin1(p.readFile("Logs/AL" + T.date().toString("yyMMdd") + ".log"));
    SCOPED_TRACE("activity log:\n" + al.toStdString() + "\nprogram output:\n" + output.toStdString());
    // Bit 5 on from half a second before the event second, off again after one second.
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].second, 32);
    EXPECT_EQ(changes[1].second, 0);
    EXPECT_GE(T.addMSecs(-500).msecsTo(changes[0].first), 0);
    EXPECT_GE(T.addMSecs(1000).msecsTo(changes[1].first), 0);
    // The wire: the switch command twice, each ending in two CRs (an empty third line).
    EXPECT_TRUE(al.contains("  Schedule from inbox applied: 1 entries (was 1)\r\n"));
    EXPECT_EQ(sim.lines(), std::vector<QByteArray>({"SP C,S,42", "AM C,2", "", "SP C,S,42", "AM C,2", ""}));
}

}  // namespace
}  // namespace qc::test
