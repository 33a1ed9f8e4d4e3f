// What one exchange with a receiver costs the program, measured against the receiver simulator on a
// pseudo-terminal at 9600 bit/s. A pty has no wire time: the figures are what the program adds
// (open, settings, flush, write, wait, close) plus the simulator's turnaround. The time the same
// bytes take on a real 9600 bit/s line (10 bits a byte) is given beside them as the counter
// wire_ms, for comparison; on a station the two add up.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>

#include "RunGuard.h"
#include "core/Module1.h"

namespace {

constexpr double kBitsPerByte = 10;  // start bit, 8 data bits, stop bit
constexpr double kBaud = 9600;

double wireMs(qsizetype bytes) {
    return static_cast<double>(bytes) * kBitsPerByte * 1000.0 / kBaud;
}

// The two-line switch command of an entry with port A, source 14, route 3: 17 characters; the
// channel adds one CR.
const QByteArray kSwitchCommand = "SP A,S,14\rAM A,3\r";
// "EB" with its CR, and the simulator's answer: the echo, the value line and the prompt.
const QByteArray kEbAnswer = "EB\r\nEbNo 7.5 dB\r\n>";

struct Station {
    QTemporaryDir dir;
    QProcess sim;
    qc::SystemClock clock;
    std::unique_ptr<qc::DeviceSerialLine> serial;
    qc::MemoryParallelPort port;
    std::unique_ptr<qc::Module1> m;
    QStringList messages;

    bool start() {
        if (!dir.isValid()) return false;
        rig::removeWithMe(dir.path());
        QDir().mkpath(dir.filePath(QStringLiteral("logs")));
        rig::own(sim);
        sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        sim.start(QStringLiteral(RECEIVER_SIM_BINARY),
                  {QStringLiteral("--home"), dir.path(), QStringLiteral("--port"), QStringLiteral("1"),
                   QStringLiteral("--baud"), QStringLiteral("9600")});
        while (!sim.canReadLine() && sim.waitForReadyRead(10000)) {
        }
        if (!sim.readLine().startsWith("ready ")) return false;
        serial = std::make_unique<qc::DeviceSerialLine>(qc::Paths{dir.path()});
        m = std::make_unique<qc::Module1>(qc::Paths{dir.path()}, clock, *serial, port);
        QObject::connect(m.get(), &qc::Module1::messageShown, [this](const QString& t) { messages << t; });
        m->BaudIndex = 1;
        m->CommandPort = 1;
        return true;
    }
    void stop() {
        m.reset();
        serial.reset();
        sim.terminate();
        sim.waitForFinished(5000);
    }
};

Station* station = nullptr;

void reportFailures(benchmark::State& state) {
    if (!station->messages.isEmpty())
        state.SkipWithError(station->messages.first().toLocal8Bit().constData());
}

// SendReceiverCommand as the switch cycle runs it: open with the settings, write, close.
void BM_SendSwitchCommand(benchmark::State& state) {
    qc::Module1& m = *station->m;
    m.CommandText = kSwitchCommand;
    for (auto _ : state)
        m.SendReceiverCommand();
    reportFailures(state);
    state.counters["wire_ms"] = wireMs(kSwitchCommand.size() + 1);
}
BENCHMARK(BM_SendSwitchCommand)->UseRealTime()->Unit(benchmark::kMicrosecond);

// One EbNo exchange as LogEbNo makes it, without the log file: open, write "EB", collect until the
// prompt, close.
void BM_EbExchange(benchmark::State& state) {
    qc::Module1& m = *station->m;
    qc::SerialLine& line = *station->serial;
    for (auto _ : state) {
        m.OpenPort(line, 1);
        const QByteArray reply = m.Converse(line, "EB", true, true, 1.0);
        line.close();
        if (reply != kEbAnswer) {
            state.SkipWithError("unexpected answer");
            break;
        }
    }
    state.counters["wire_ms"] = wireMs(3 + kEbAnswer.size());
}
BENCHMARK(BM_EbExchange)->UseRealTime()->Unit(benchmark::kMicrosecond);

// The parts of the above. Opening with the settings (which also discards waiting input) and
// closing again, nothing sent:
void BM_OpenClose(benchmark::State& state) {
    qc::Module1& m = *station->m;
    qc::SerialLine& line = *station->serial;
    for (auto _ : state) {
        m.OpenPort(line, 1);
        line.close();
    }
}
BENCHMARK(BM_OpenClose)->UseRealTime()->Unit(benchmark::kMicrosecond);

// The exchange on a port that stays open: write, then wait for the simulator's answer and its
// prompt. This is the round trip through the pty and the simulator.
void BM_ConverseOnOpenPort(benchmark::State& state) {
    qc::Module1& m = *station->m;
    qc::SerialLine& line = *station->serial;
    m.OpenPort(line, 1);
    for (auto _ : state) {
        const QByteArray reply = m.Converse(line, "EB", true, true, 1.0);
        if (reply != kEbAnswer) {
            state.SkipWithError("unexpected answer");
            break;
        }
    }
    line.close();
}
BENCHMARK(BM_ConverseOnOpenPort)->UseRealTime()->Unit(benchmark::kMicrosecond);

// The share of the open that is QSerialPort's lock file (LCK..pts_N in /var/lock: created, written,
// synced to the disk, removed at the close), on a lock file of the same kind in the temporary
// folder. Where /var/lock is a memory file system, as on most systems, that share is near nothing.
void BM_LockFileProbe(benchmark::State& state) {
    const QString path = station->dir.filePath(QStringLiteral("LCK..probe"));
    for (auto _ : state) {
        QLockFile lock(path);
        if (!lock.tryLock()) {
            state.SkipWithError("lock file refused");
            break;
        }
        lock.unlock();
    }
}
BENCHMARK(BM_LockFileProbe)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    rig::endChildrenWithMe();
    QCoreApplication app(argc, argv);
    Station s;
    if (!s.start()) {
        std::fprintf(stderr, "the receiver simulator did not start\n");
        return 1;
    }
    station = &s;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    station = nullptr;
    s.stop();
    return 0;
}
