#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <ctime>
#include <filesystem>

#include "ReceiverModel.h"
#include "Responder.h"
#include "SimOptions.h"

using namespace receiversim;

namespace {

std::string run(ReceiverModel& model, std::initializer_list<std::string_view> setup, std::string_view cmd) {
    for (auto line : setup)
        model.answer(line);
    return model.answer(cmd);
}

SimOptions options(std::initializer_list<std::string> args) {
    std::vector<std::string> all = {"--home", "/tmp/x", "--port", "1"};
    all.insert(all.end(), args);
    ParsedArgs parsed = parseArgs(all);
    if (parsed.action != ParsedArgs::Action::Run) qFatal("bad test options: %s", parsed.error.c_str());
    return parsed.options;
}

// The simulator process plus one opened end of its port, as the station program would hold it.
class SimPort {
public:
    SimPort(const QString& home, const QStringList& extraArgs) : link_(home + "/COM3") {
        process_.start(RECEIVER_SIM_BINARY, QStringList{"--home", home, "--port", "3"} + extraArgs);
        QElapsedTimer timer;
        timer.start();
        while (!process_.canReadLine() && timer.elapsed() < 5000)
            process_.waitForReadyRead(100);
        ready_ = QString::fromUtf8(process_.readLine()).trimmed();
    }
    ~SimPort() {
        closePort();
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            process_.waitForFinished(3000);
        }
    }

    QString readyLine() const { return ready_; }
    QString link() const { return link_; }
    QProcess& process() { return process_; }

    bool openPort(speed_t speed) {
        fd_ = ::open(link_.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd_ < 0) return false;
        termios t{};
        tcgetattr(fd_, &t);
        cfmakeraw(&t);
        cfsetspeed(&t, speed);
        return tcsetattr(fd_, TCSANOW, &t) == 0;
    }
    void closePort() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    void send(const std::string& bytes) { QCOMPARE_GE(::write(fd_, bytes.data(), bytes.size()), 0); }

    // Collects bytes until `until` is seen or the time is up.
    std::string read(int timeoutMs, const std::string& until = {}) {
        std::string got;
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < timeoutMs && (until.empty() || got.find(until) == std::string::npos)) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 20) > 0) {
                char buf[4096];
                ssize_t n = ::read(fd_, buf, sizeof buf);
                if (n > 0) got.append(buf, static_cast<std::size_t>(n));
            }
        }
        return got;
    }

private:
    QProcess process_;
    QString link_;
    QString ready_;
    int fd_ = -1;
};

}  // namespace

class ReceiverSimTest : public QObject {
    Q_OBJECT

private slots:
    void plainCommands_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("answer");
        QTest::newRow("empty line") << ""
                                    << "";
        QTest::newRow("blanks only") << "  "
                                     << "";
        QTest::newRow("EB") << "EB"
                            << "EbNo 7.5 dB\r\n";
        QTest::newRow("trailing blanks") << "EB \t"
                                         << "EbNo 7.5 dB\r\n";
        QTest::newRow("lower case") << "eb"
                                    << "ERROR: unknown command\r\n";
        QTest::newRow("fade counter") << "FC"
                                      << "Fade Counter 0\r\n";
        QTest::newRow("Port A") << "Port A"
                                << "OK\r\n";
        QTest::newRow("Port F") << "Port F"
                                << "OK\r\n";
        QTest::newRow("Port G") << "Port G"
                                << "ERROR: unknown command\r\n";
        QTest::newRow("SETAUDIO") << "SETAUDIO 1,2"
                                  << "OK\r\n";
        QTest::newRow("SETAUDIOX") << "SETAUDIOX"
                                   << "ERROR: unknown command\r\n";
        QTest::newRow("unknown") << "XYZ"
                                 << "ERROR: unknown command\r\n";
        QTest::newRow("relay 3") << "RE C 3"
                                 << "ERROR: unknown command\r\n";
        QTest::newRow("relay letter") << "RE X 1"
                                      << "ERROR: unknown command\r\n";
        QTest::newRow("relay no number") << "RE C"
                                         << "ERROR: unknown command\r\n";
        QTest::newRow("ext relay 0") << "ER E 0"
                                     << "ERROR: unknown command\r\n";
        QTest::newRow("ext relay 15") << "ER E 15"
                                      << "ERROR: unknown command\r\n";
        QTest::newRow("SP missing source") << "SP A,S"
                                           << "ERROR: unknown command\r\n";
        QTest::newRow("SP bad number") << "SP A,S,1x"
                                       << "ERROR: unknown command\r\n";
        QTest::newRow("SP empty kind") << "SP A,,1"
                                       << "ERROR: unknown command\r\n";
        QTest::newRow("AM no route") << "AM A"
                                     << "ERROR: unknown command\r\n";
        QTest::newRow("AM long port") << "AM AB,3"
                                      << "ERROR: unknown command\r\n";
    }
    void plainCommands() {
        QFETCH(QString, command);
        QFETCH(QString, answer);
        ReceiverModel model;
        QCOMPARE(QString::fromStdString(model.answer(command.toStdString())), answer);
    }

    void ebnoText() {
        QCOMPARE(ReceiverModel("12.25").answer("EB"), "EbNo 12.25 dB\r\n");
        QCOMPARE(ReceiverModel("").answer("EB"), "EbNo --- dB\r\n");
    }

    void relays() {
        ReceiverModel m;
        QCOMPARE(m.answer("R R"), "Relay 1: OPEN\r\nRelay 2: OPEN\r\n");
        QCOMPARE(run(m, {"RE C 2"}, "R R"), "Relay 1: OPEN\r\nRelay 2: CLOSED\r\n");
        QCOMPARE(run(m, {"RE c,1", "RE O 2"}, "R R"), "Relay 1: CLOSED\r\nRelay 2: OPEN\r\n");
        // Failed commands leave the relays alone.
        QCOMPARE(run(m, {"RE O 0", "RE O"}, "R R"), "Relay 1: CLOSED\r\nRelay 2: OPEN\r\n");

        QVERIFY(m.answer("ER E 14") == kOk && m.answer("ER E 1") == kOk && m.answer("ER D 1") == kOk);
        const std::string ext = m.answer("R ER");
        QCOMPARE(std::count(ext.begin(), ext.end(), '\n'), 14);
        QVERIFY(ext.starts_with("Relay 1: OPEN\r\n"));
        QVERIFY(ext.ends_with("Relay 13: OPEN\r\nRelay 14: CLOSED\r\n"));
        QVERIFY(!m.relayClosed(2) && m.relayClosed(1));  // the two banks are separate
    }

    void mpegStatusShowsSwitchedPorts() {
        ReceiverModel m;
        QCOMPARE(m.answer("R M"), "MPEG STATUS\r\nLock: YES\r\nBitrate: 128 kbit/s\r\n");
        QCOMPARE(run(m, {"AM C,5", "SP A,S,14", "AM A, 3", "SP A,S,9", "SP B , x , 2"}, "R M"),
                 "MPEG STATUS\r\nLock: YES\r\n"
                 "Port A: Source 9 Route 3\r\n"
                 "Port B: Source 2 Route -\r\n"
                 "Port C: Source - Route 5\r\n"
                 "Bitrate: 128 kbit/s\r\n");
    }

    void parseArguments() {
        using A = ParsedArgs::Action;
        ParsedArgs p =
            parseArgs({"--home", "/h", "--port=2", "--log", "/l", "--baud", "19200", "--delay=1600", "--ebno",
                       "", "--cut", "--endless", "--garbage", "--silent", "--seed", "7"});
        QCOMPARE(p.action, A::Run);
        const SimOptions& o = p.options;
        QVERIFY(o.home == "/h" && o.port == 2 && o.logFile == "/l" && o.baud == 19200 && o.delayMs == 1600);
        QVERIFY(o.ebno.empty() && o.cut && o.endless && o.garbage && o.silent && o.seed == 7u);

        QCOMPARE(parseArgs({"--port", "1", "--help"}).action, A::Help);
        for (auto bad : std::vector<std::vector<std::string>>{
                 {"--port", "1"},
                 {"--home", "/h"},
                 {"--home", "/h", "--port", "0"},
                 {"--home", "/h", "--port", "1x"},
                 {"--home", "/h", "--port"},
                 {"--home", "/h", "--port", "1", "--baud", "9601"},
                 {"--home", "/h", "--port", "1", "--delay", "-1"},
                 {"--home", "/h", "--port", "1", "--cut=yes"},
                 {"--home", "/h", "--port", "1", "extra"},
             }) {
            ParsedArgs r = parseArgs(bad);
            QCOMPARE(r.action, A::Error);
            QVERIFY(!r.error.empty());
        }
    }

    void lineSplitting() {
        LineSplitter s;
        QVERIFY(s.feed("E").empty());
        QCOMPARE(s.feed("B\r\nSP A,S,1\r\r"), (std::vector<std::string>{"EB", "SP A,S,1", ""}));
        QCOMPARE(s.feed("\n\nR\nR\r"), std::vector<std::string>{"RR"});
    }

    void logLines() {
        QCOMPARE(escapeForLog(std::string("A <\x01\x7f\xff", 6)), "A <<01><7F><FF>");
        std::tm tm{};
        tm.tm_year = 124;
        tm.tm_mon = 2;
        tm.tm_mday = 5;
        tm.tm_hour = 7;
        tm.tm_min = 8;
        tm.tm_sec = 9;
        tm.tm_isdst = -1;
        const auto t =
            std::chrono::system_clock::from_time_t(std::mktime(&tm)) + std::chrono::milliseconds(45);
        QCOMPARE(formatLogLine(t, "EB", 9600), "2024-03-05 07:08:09.045\tEB\t9600\n");
        QCOMPARE(formatLogLine(t, "", 0), "2024-03-05 07:08:09.045\t\t?\n");
    }

    void replyShapes() {
        Responder normal(options({}));
        auto r = normal.respond("EB", 38400);
        QVERIFY(r && !r->endless);
        QCOMPARE(r->echo, "EB\r\n");
        QCOMPARE(r->answer, "EbNo 7.5 dB\r\n>");
        QCOMPARE(normal.respond("", 0)->answer, ">");

        QCOMPARE(Responder(options({"--cut"})).respond("EB", 0)->answer, "EbNo 7.5 dB\r\n");
        QVERIFY(!Responder(options({"--silent"})).respond("EB", 0));

        Responder endless(options({"--endless"}));
        r = endless.respond("EB", 0);
        QVERIFY(r && r->endless && r->answer.empty());
        const std::string chunk = endless.endlessChunk();
        QVERIFY(chunk.size() >= 100 && chunk.find('>') == std::string::npos);
        QVERIFY(chunk.starts_with("EbNo 7.5 dB\r\nEbNo 7.5 dB\r\n"));
    }

    void garbageNeverContainsPrompt() {
        Responder g(options({"--garbage", "--seed", "1"}));
        Responder gc(options({"--garbage", "--cut", "--seed", "1"}));
        for (int i = 0; i < 200; ++i) {
            const std::string a = g.respond("EB", 0)->answer;
            QVERIFY(a.size() >= 21 && a.size() <= 201);
            QCOMPARE(a.find('>'), a.size() - 1);
            QCOMPARE(gc.respond("EB", 0)->answer.find('>'), std::string::npos);
        }
    }

    void wrongSpeedIsIgnoredCompletely() {
        Responder r(options({"--baud", "19200"}));
        QVERIFY(!r.respond("RE C 1", 9600));
        QVERIFY(!r.respond("RE C 1", 0));
        QVERIFY(!r.model().relayClosed(1));
        QVERIFY(r.respond("RE C 2", 19200));
        QVERIFY(r.model().relayClosed(2));
    }

    // The remaining cases run the real executable on a pty.

    void answersOnlyAtConfiguredSpeedAndLogs() {
        QTemporaryDir home;
        const QString log = home.filePath("sim.log");
        std::filesystem::create_symlink("/nonexistent", home.filePath("COM3").toStdString());
        SimPort sim(home.path(), {"--baud", "19200", "--log", log});
        QVERIFY(sim.readyLine().startsWith("ready " + sim.link() + " -> /dev/pts/"));
        QVERIFY(QFileInfo(sim.link()).symLinkTarget().startsWith("/dev/pts/"));  // stale link replaced

        QVERIFY(sim.openPort(B9600));
        sim.send("EB\r");
        QCOMPARE(sim.read(300), "");
        sim.closePort();

        QVERIFY(sim.openPort(B19200));
        sim.send("E");
        sim.send("B\n\r");
        QCOMPARE(sim.read(2000, ">"), "EB\r\nEbNo 7.5 dB\r\n>");

        QFile f(log);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[0].endsWith("\tEB\t9600") && lines[1].endsWith("\tEB\t19200"));
        QCOMPARE(lines[0].indexOf('\t'), 23);  // "YYYY-MM-DD HH:MM:SS.mmm"

        sim.process().terminate();
        QVERIFY(sim.process().waitForFinished(3000));
        QCOMPARE(sim.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.process().exitCode(), 0);
        QVERIFY(!QFileInfo::exists(sim.link()) && !QFileInfo(sim.link()).isSymLink());
    }

    void delayedAnswerWaitsInTheClosedPort() {
        QTemporaryDir home;
        SimPort sim(home.path(), {"--delay", "300"});
        QVERIFY(sim.openPort(B9600));
        sim.send("R R\r");
        QCOMPARE(sim.read(1000, "\n"), "R R\r\n");
        sim.closePort();
        QTest::qWait(500);
        QVERIFY(sim.openPort(B9600));
        QCOMPARE(sim.read(500, ">"), "Relay 1: OPEN\r\nRelay 2: OPEN\r\n>");
    }

    void endlessOutputNeverStallsTheSim() {
        QTemporaryDir home;
        SimPort sim(home.path(), {"--endless"});
        QVERIFY(sim.openPort(B9600));
        sim.send("EB\r");
        const std::string got = sim.read(300);
        QVERIFY(got.starts_with("EB\r\nEbNo 7.5 dB\r\nEbNo 7.5 dB\r\n"));
        QVERIFY(got.size() > 1000);
        QCOMPARE(got.find('>'), std::string::npos);

        // Nobody reads now, so the pty queue fills up; the sim must still react to SIGTERM.
        sim.closePort();
        QTest::qWait(1000);
        sim.process().terminate();
        QVERIFY(sim.process().waitForFinished(2000));
        QCOMPARE(sim.process().exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(ReceiverSimTest)
#include "ReceiverSimTest.moc"
