// The real program under faults of its receiver, its serial port, its disk and its files: one row a
// fault, every row on a station of its own (a temporary data folder, the receiver simulator as COM1,
// a port file as LPT1), all on one time line with two events 20 s apart. A fault stands from before
// the first event's switch cycle until after its second. In every row the program keeps running,
// shows what it must in its message window (each message is also a dated line on standard error),
// switches the next event, and leaves what was stored before as it was.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <map>

#include "TestSupport.h"

namespace qc::test {
namespace {

QProcess* startProcess(const QString& program, const QStringList& args) {
    auto* p = new QProcess;
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p->start(program, args);
    return p;
}

struct Station {
    QTemporaryDir tmp;
    QString home = tmp.filePath("data");
    QProcess program;
    std::unique_ptr<QProcess> sim;
    std::vector<std::unique_ptr<QProcess>> helpers;  // busy cores, a disk writer
    std::vector<std::pair<QDateTime, int>> edges;    // the port file's data register as it changed
    std::map<QString, QByteArray> stored;
    int held = -1;             // the descriptor of a port the row holds
    int errors[2] = {-1, -1};  // a pipe for standard error that nobody reads
    pid_t locker = 0;          // a process that holds the schedule locked
    bool done = false;
    bool looked = false;
    bool mounted = false;
    bool skipped = false;

    ~Station() {
        for (int fd : {held, errors[0], errors[1]})
            if (fd >= 0) ::close(fd);
        if (locker > 0 && ::kill(locker, SIGKILL) == 0) ::waitpid(locker, nullptr, 0);
        if (mounted) ::umount2(home.toLocal8Bit().constData(), MNT_DETACH);
    }
    QString path(const QString& name) const { return home + '/' + name; }
    QString pty() const { return QFileInfo(path("COM1")).symLinkTarget(); }
    QByteArray wire() const { return readBytes(tmp.filePath("wire.log")); }
    void startSim(const QStringList& options) {
        sim = std::make_unique<QProcess>();
        sim->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        sim->start(RECEIVER_SIM_BINARY,
                   QStringList{"--home", home, "--port", "1", "--log", tmp.filePath("wire.log")} + options);
        ASSERT_TRUE(sim->waitForReadyRead(10000) && sim->readLine().startsWith("ready"));
    }
    // Every stored file of the data folder with its bytes (the links of the ports left out).
    std::map<QString, QByteArray> files() const { return filesIn(home); }
};

using Step = std::function<void(Station&)>;

struct Fault {
    const char* name = "";
    QStringList simOptions = {};
    QString message = {};     // a message must hold this; empty: no message at all
    Step before = nullptr;    // on the data folder, before the start
    Step during = nullptr;    // on every look from 17 s before the first event to 2 s after it
    Step repair = nullptr;    // once, 2 s after the first event
    rlim_t fileLimit = 0;     // the largest file the program may write
    bool smallDisk = false;   // the data folder on a small file system, full
    bool errorsFull = false;  // standard error a full pipe that nobody reads
};

constexpr rlim_t kFileLimit = 8192;
const QByteArray kToday = QDate::currentDate().toString("yyMMdd").toLatin1();

void once(Station& s, const std::function<void()>& step) {
    if (!std::exchange(s.done, true)) step();
}

const Fault kFaults[] = {
    // Two readings without an answer raise the alert: the MPEG readings after the two switch cycles
    // come within the row's time whenever the program starts, an EbNo reading only when the minute
    // falls right.
    {.name = "receiver silent",
     .simOptions = {"--silent"},
     .message = "ALERT Receiver 1 not answering since",
     .before =
         [](Station& s) { writeBytes(s.path("Monitoring.ini"), "[Monitoring]\nReceiverSilentAfter=2\n"); }},
    {.name = "receiver streams without end", .simOptions = {"--endless"}},
    {.name = "receiver sends garbage", .simOptions = {"--garbage"}},
    {.name = "receiver vanishes mid-exchange",
     .simOptions = {"--delay", "1000", "--vanish-on", "R M"},
     .message = "Device I/O error",
     .repair = [](Station& s) { s.startSim({}); }},
    {.name = "port held by another program",
     .message = "Port already open",
     .during =
         [](Station& s) {
             once(s, [&] {
                 s.held = ::open(s.pty().toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
                 ::ioctl(s.held, TIOCEXCL);
             });
         },
     .repair =
         [](Station& s) {
             ::ioctl(s.held, TIOCNXCL);
             ::close(std::exchange(s.held, -1));
         }},
    {.name = "port without permission",
     .message = "Permission denied",
     .during = [](Station& s) { once(s, [&] { ::chmod(s.pty().toLocal8Bit().constData(), 0); }); },
     .repair = [](Station& s) { ::chmod(s.pty().toLocal8Bit().constData(), 0620); }},
    {.name = "logs folder removed while running",
     .message = "Path not found",
     .during = [](Station& s) { once(s, [&] { QDir(s.path("logs")).removeRecursively(); }); }},
    {.name = "data folder read-only",
     .message = "Permission denied",
     .before =
         [](Station& s) {
             for (const auto& [name, bytes] : s.files())
                 ::chmod(s.path(name).toLocal8Bit().constData(), 0444);
             for (const QString& folder : {s.path("logs"), s.home})
                 ::chmod(folder.toLocal8Bit().constData(), 0555);
         }},
    {.name = "disk full: file size limit",
     .message = "Disk full",
     .before =
         [](Station& s) {  // today's activity log ten bytes short of the limit, in whole lines
             QByteArray log;
             while (log.size() < qsizetype(kFileLimit) - 10)
                 log += "09:00:00  Earlier line\r\n";
             writeBytes(s.path("logs/AL" + kToday + ".log"),
                        log.left(log.lastIndexOf('\n', kFileLimit - 10) + 1));
         },
     .fileLimit = kFileLimit},
    {.name = "disk full: small file system",
     .message = "Disk full",
     .before =
         [](Station& s) {
             QFile filler(s.path("filler"));
             ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
             for (int block = 0;
                  block < 256 && filler.write(QByteArray(4096, 'x')) == 4096 && filler.flush();)
                 ++block;
         },
     .smallDisk = true},
    {.name = "schedule locked by another program",
     .message = "in use by another program",
     .before =
         [](Station& s) {  // another process holds the file with a record and a whole-file lock
             const QByteArray file = s.path("SwitchList.dat").toLocal8Bit();
             int locked[2];
             ASSERT_EQ(::pipe(locked), 0);
             s.locker = ::fork();
             if (s.locker == 0) {
                 const int fd = ::open(file.constData(), O_RDWR);
                 struct flock lock {};
                 lock.l_type = F_WRLCK;
                 if (::fcntl(fd, F_SETLK, &lock) == 0 && ::flock(fd, LOCK_EX) == 0 &&
                     ::write(locked[1], "", 1) == 1)
                     ::pause();
                 ::_exit(1);
             }
             char held;
             ASSERT_EQ(::read(locked[0], &held, 1), 1);
             ::close(locked[0]);
             ::close(locked[1]);
         }},
    {.name = "schedule cut short while running",
     .message = "Bad record number",
     .during =
         [](Station& s) {
             once(s, [&] { ::truncate(s.path("SwitchList.dat").toLocal8Bit().constData(), 113 + 50); });
         }},
    {.name = "standard error full, never read",
     .before =
         [](Station& s) {  // a settings file that cannot be read gives a message at the start
             QFile::remove(s.path("TimeReset.ini"));
             QDir().mkdir(s.path("TimeReset.ini"));
         },
     .errorsFull = true},
    {.name = "both cores busy and the disk flushing",
     .during =
         [](Station& s) {
             once(s, [&] {
                 for (int core = 0; core < 2; ++core)
                     s.helpers.emplace_back(startProcess("/bin/sh", {"-c", "while :; do :; done"}));
                 s.helpers.emplace_back(startProcess(
                     "/bin/sh", {"-c", "while :; do dd if=/dev/zero of='" + s.tmp.filePath("flush") +
                                           "' bs=1M count=64 conv=fsync status=none; done"}));
             });
         },
     .repair =
         [](Station& s) {
             for (auto& p : s.helpers) {
                 p->kill();
                 p->waitForFinished(5000);
             }
         }},
};

// The program as a station would run it without privileges (the tests run as root, which no
// permission stops), with the largest file it may write, and with the signals at their defaults.
void startProgram(Station& s, const Fault& row) {
    const rlim_t fileLimit = row.fileLimit;
    if (row.errorsFull) {
        ASSERT_EQ(::pipe2(s.errors, O_NONBLOCK | O_CLOEXEC), 0);
        while (::write(s.errors[1], "full of old lines\n", 18) > 0) {
        }
        ::fcntl(s.errors[1], F_SETFL, 0);  // the program's writes would wait
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QUILLORN_HOME", s.home);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    s.program.setProcessEnvironment(env);
    s.program.setProcessChannelMode(QProcess::MergedChannels);
    s.program.setChildProcessModifier([fileLimit, errors = s.errors[1]] {
        if (errors >= 0) ::dup2(errors, STDERR_FILENO);
        for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER, CAP_SYS_ADMIN, CAP_SYS_RESOURCE})
            ::prctl(PR_CAPBSET_DROP, cap, 0, 0, 0);
        ::signal(SIGXFSZ, SIG_DFL);
        ::signal(SIGPIPE, SIG_DFL);
        if (fileLimit != 0) {
            const rlimit limit{fileLimit, fileLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
    });
    s.program.start(QUILLORNCONTROL_BINARY, {});
}

// Whether the port's output 1 went on within a second and a half before the event second or the
// second after it, and how late after its nominal moment (half a second before the event).
std::optional<qint64> remoteStart(const Station& s, const QDateTime& event) {
    for (const auto& [at, value] : s.edges)
        if ((value & 32) && at > event.addMSecs(-1500) && at < event.addSecs(1))
            return event.addMSecs(-500).msecsTo(at);
    return std::nullopt;
}

// Whatever was stored is still there as it was; the logs of today only grew, by whole lines.
void expectKept(const Station& s) {
    const auto now = s.files();
    for (const auto& [name, bytes] : s.stored) {
        const auto it = now.find(name);
        const QByteArray after = it == now.end() ? QByteArray("(gone)") : it->second;
        if (name.startsWith("logs/") && name.contains(kToday))
            EXPECT_TRUE(after.startsWith(bytes) && (after.isEmpty() || after.endsWith("\r\n")))
                << name.toStdString();
        else
            EXPECT_EQ(after, bytes) << name.toStdString();
    }
}

TEST(Faults, TheProgramRidesOutEveryFault) {
    int argc = 0;
    QCoreApplication app(argc, nullptr);
    constexpr size_t rows = std::size(kFaults);
    std::vector<std::unique_ptr<Station>> stations;
    const QDateTime t0 = QDateTime::currentDateTime();
    const QDateTime first =
        QDateTime(t0.date(), QTime(t0.time().hour(), t0.time().minute(), t0.time().second())).addSecs(45);
    const QDateTime second = first.addSecs(20);
    for (const Fault& row : kFaults) {
        auto& s = *stations.emplace_back(std::make_unique<Station>());
        ASSERT_TRUE(QDir().mkpath(s.home));
        if (row.smallDisk)
            s.mounted = ::mount("tmpfs", s.home.toLocal8Bit().constData(), "tmpfs", 0, "size=256k") == 0;
        QDir().mkpath(s.path("logs"));
        // Receiver 1 on COM1 at 9600: activity log, EbNo every minute, MPEG log, remote control.
        writeBytes(s.path("QuillornControl.ini"), "111511d00");
        writeBytes(s.path("TimeReset.ini"), "06:00");
        writeBytes(
            s.path("logs/EB" + QDate::currentDate().addDays(-1).toString("yyMMdd").toLatin1() + ".log"),
            "14:00:12  7.5\r\n");
        // The next event is record 1, the first (the faulted one) record 2.
        auto entry = [](const char* name, const QDateTime& at, const char* port, int source) {
            return makeEntry(name, 1, at.time().toString("HH:mm:ss").toLatin1(), {at.date().dayOfWeek() % 7},
                             2, port, source, source / 10);
        };
        writeSchedule(s.path("SwitchList.dat"),
                      {entry("Next", second, "B", 22), entry("Faulted", first, "A", 11)});
        writeBytes(s.tmp.filePath("lpt"), QByteArray("\x00\x7f", 2));
        ASSERT_EQ(::symlink(s.tmp.filePath("lpt").toLocal8Bit().constData(),
                            s.path("LPT1").toLocal8Bit().constData()),
                  0);
        // A small file system for the full disk where one can be made (never the real disk filled).
        s.skipped = row.smallDisk && !s.mounted;
        if (s.skipped) continue;
        if (row.before) row.before(s);
        s.stored = s.files();
        s.startSim(row.simOptions);
        startProgram(s, row);
    }

    // One look every few milliseconds at every station until the second event is over.
    bool repaired = false;
    for (QDateTime now = t0; now < second.addSecs(3); now = QDateTime::currentDateTime()) {
        QCoreApplication::processEvents();
        for (size_t i = 0; i < rows; ++i) {
            Station& s = *stations[i];
            if (s.skipped) continue;
            const QByteArray port = readBytes(s.tmp.filePath("lpt"));
            const int value = port.isEmpty() ? 0 : static_cast<unsigned char>(port[0]);
            if (s.edges.empty() || s.edges.back().second != value) s.edges.emplace_back(now, value);
            if (now < first.addSecs(-17) || now >= first.addSecs(2)) continue;
            if (!std::exchange(s.looked, true)) {
                SCOPED_TRACE(std::string(kFaults[i].name) + ": from the start to the fault");
                expectKept(s);
                if (kFaults[i].during) kFaults[i].during(s);
                s.stored = s.files();  // what the fault itself changed is the new state to keep
            } else if (kFaults[i].during) {
                kFaults[i].during(s);
            }
        }
        if (!repaired && now >= first.addSecs(2)) {
            repaired = true;
            for (size_t i = 0; i < rows; ++i)
                if (kFaults[i].repair && !stations[i]->skipped) kFaults[i].repair(*stations[i]);
        }
        QThread::msleep(5);
    }

    for (size_t i = 0; i < rows; ++i) {
        const Fault& row = kFaults[i];
        Station& s = *stations[i];
        if (s.skipped) {
            std::printf("%s: skipped, no file system can be mounted here\n", row.name);
            continue;
        }
        const bool running = s.program.state() == QProcess::Running;
        s.program.terminate();
        s.program.waitForFinished(10000);
        const QByteArray output = s.program.readAll();
        SCOPED_TRACE(std::string(row.name) + "\nprogram output:\n" + output.right(4000).toStdString());
        EXPECT_TRUE(running);

        QStringList messages;
        static const QRegularExpression dated("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d  (.*)$",
                                              QRegularExpression::MultilineOption);
        for (auto it = dated.globalMatch(QString::fromLocal8Bit(output)); it.hasNext();)
            messages << it.next().captured(1);
        if (row.message.isEmpty())
            EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
        else
            EXPECT_FALSE(messages.filter(row.message).isEmpty()) << messages.join('\n').toStdString();

        // The faulted event still started the automation at its second, and the next one switched.
        const auto late1 = remoteStart(s, first);
        const auto late2 = remoteStart(s, second);
        EXPECT_TRUE(late1 && late2);
        int sends = 0;
        for (const QByteArray& line : s.wire().split('\n')) {
            const QList<QByteArray> f = line.split('\t');
            const QDateTime at = QDateTime::fromString(QString::fromLatin1(f[0]), "yyyy-MM-dd HH:mm:ss.zzz");
            sends += f.value(1) == "SP B,S,22" && at > second.addSecs(-16) && at < second.addSecs(-10);
        }
        EXPECT_EQ(sends, 2);
        std::printf("%-38s remote starts %3lld and %3lld ms late; %2d messages; first: %s\n", row.name,
                    static_cast<long long>(late1.value_or(-1)), static_cast<long long>(late2.value_or(-1)),
                    int(messages.size()), qPrintable(messages.value(0).left(160)));

        expectKept(s);
        if (s.sim) s.sim->kill();
        if (s.sim) s.sim->waitForFinished(5000);
    }
}

}  // namespace
}  // namespace qc::test
