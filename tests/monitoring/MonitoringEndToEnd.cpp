// The real program with the receiver simulator, its webhook on a local server and its metrics file
// read by Debian's node_exporter: a receiver that goes away is told once, within the exchanges
// Monitoring.ini allows, on both; and so is its return.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QTcpSocket>

#include "HookServer.h"
#include "ReceiverSim.h"
#include "TestSupport.h"

namespace qc::test {
namespace {

int freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

// node_exporter's page, by a plain HTTP/1.0 request.
QByteArray scrape(int port) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
    if (!socket.waitForConnected(2000)) return {};
    socket.write("GET /metrics HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
    QByteArray page;
    while (socket.waitForReadyRead(3000))
        page += socket.readAll();
    return page;
}

QByteArrayList lines(const QByteArray& page, const QByteArray& start) {
    QByteArrayList out;
    for (const QByteArray& line : page.split('\n'))
        if (line.startsWith(start)) out << line;
    return out;
}

TEST(MonitoringEndToEnd, ASilentReceiverReachesTheWebhookAndTheMetricsOnce) {
    const QString exporter = QStringLiteral("/usr/bin/prometheus-node-exporter");
    if (!QFile::exists(exporter)) GTEST_SKIP() << "prometheus-node-exporter is not installed";
    int argc = 1;
    char name[] = "monitoring_e2e";
    char* argv[] = {name};
    QCoreApplication app(argc, argv);
    HookServer hook;
    TestProgram p;
    ReceiverSim sim(p.home(), 1);
    ASSERT_TRUE(sim.ready());
    QDir().mkpath(p.file("textfile"));
    p.writeFile("Monitoring.ini",
                QStringLiteral("[Monitoring]\nReceiverSilentAfter=2\nWebhookUrl=%1\n"
                               "MetricsFile=textfile/quillorn.prom\nDesktopNotifications=0\n")
                    .arg(hook.url())
                    .toLatin1());
    // The activity log on, receiver 1 on COM1, remote control off (no parallel port); two events 20 s
    // apart, the first 24 s on.
    p.writeFile("QuillornControl.ini", "111000d00");
    const QDateTime t1 = QDateTime::currentDateTime().addSecs(24);
    std::vector<ScheduleEntry> entries;
    for (const QDateTime& t : {t1, t1.addSecs(20)})
        entries.push_back(makeEntry("E2E", 1, t.toString("HH:mm:ss").toLatin1(), {t.date().dayOfWeek() % 7}));
    writeSchedule(p.file("SwitchList.dat"), entries);

    const int port = freePort();
    QProcess nodeExporter;
    nodeExporter.start(exporter, {QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(port),
                                  "--collector.disable-defaults", "--collector.textfile",
                                  "--collector.textfile.directory=" + p.file("textfile")});
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QUILLORN_HOME", p.home());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(QUILLORNCONTROL_BINARY, {});
    auto until = [&](const QDateTime& t) {
        waitFor([&] { return QDateTime::currentDateTime() >= t; }, 60000);
    };

    // The receiver goes before the first event's cycle; its port is a link to nothing (never a
    // real serial port of the machine).
    until(t1.addSecs(-20));
    sim.stop();
    QFile::remove(p.file("COM1"));
    QFile::link(p.file("no-receiver"), p.file("COM1"));
    until(t1.addSecs(-5));
    const QByteArray silent = scrape(port);
    // Back before the second event's cycle, whose first command clears the alert.
    until(t1);
    sim.start();
    until(t1.addSecs(12));
    const QByteArray back = scrape(port);
    waitFor([&] { return hook.bodies.size() >= 2; }, 10000);
    program.terminate();
    program.waitForFinished(5000);
    nodeExporter.terminate();
    nodeExporter.waitForFinished(5000);
    SCOPED_TRACE("program output:\n" + program.readAll().toStdString());

    EXPECT_EQ(lines(silent, "node_textfile_scrape_error"), QByteArrayList{"node_textfile_scrape_error 0"});
    EXPECT_EQ(lines(silent, "quillorn_receiver_up"),
              QByteArrayList{"quillorn_receiver_up{receiver=\"1\"} 0"});
    EXPECT_TRUE(silent.contains("quillorn_alert_active{alert=\"receiver_silent\",receiver=\"1\"} 1"));
    EXPECT_EQ(lines(back, "node_textfile_scrape_error"), QByteArrayList{"node_textfile_scrape_error 0"});
    EXPECT_EQ(lines(back, "quillorn_receiver_up"), QByteArrayList{"quillorn_receiver_up{receiver=\"1\"} 1"});
    EXPECT_TRUE(back.contains("quillorn_switches_total{receiver=\"1\"} 1"));
    ASSERT_EQ(hook.bodies.size(), 2);
    EXPECT_TRUE(
        hook.bodies[0].contains("\"alert\": \"receiver_silent\", \"receiver\": 1, \"state\": \"raised\""));
    EXPECT_TRUE(
        hook.bodies[1].contains("\"alert\": \"receiver_silent\", \"receiver\": 1, \"state\": \"cleared\""));
}

}  // namespace
}  // namespace qc::test
