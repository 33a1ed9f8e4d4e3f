// simulate-week: shows in advance what the coming days will do. Runs the program's own start-up and
// engine on a copy of a data folder, on a simulated clock, with receivers that answer at once and a
// simulated parallel port, and prints one line per action in time order:
//   YYYY-MM-DD HH:MM:SS.mmm +HHMM <TAB> channel <TAB> detail
// (the local time and the zone's offset from UTC, which tells the two passes of the hour that a
// daylight-saving change repeats);
// channel COM1..COM8 (bytes written, each CR as <CR>), LPT (a new data register value), AL, EB, MP
// (a line written to that log, its own CR and LF as <CR> and <LF>).
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

#include "core/Module1.h"
#include "engine/SimulatedRun.h"

namespace {

using namespace qc;

QByteArray escaped(QByteArray bytes) {
    return bytes.replace("\r", "<CR>").replace("\n", "<LF>");
}

QByteArray stampOf(const Clock& clock) {
    const Clock::Reading now = clock.read();
    const qint64 offset = now.offsetSecs() / 60;
    const qint64 minutes = std::abs(offset);
    return now.local.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz ")).toLatin1() +
           (offset < 0 ? '-' : '+') +
           QByteArray::number(minutes / 60 * 100 + minutes % 60).rightJustified(4, '0');
}

void emitLine(const Clock& clock, const QByteArray& channel, const QByteArray& detail) {
    const QByteArray stamp = stampOf(clock);
    const QByteArray line = stamp + '\t' + channel + '\t' + detail + '\n';
    std::fwrite(line.constData(), 1, line.size(), stdout);
}

// Receivers that answer every command at once.
class InstantReceivers : public SerialLine {
public:
    explicit InstantReceivers(SimulatedClock& clock) : clock_(clock) {}

    void open(int port, const QByteArray& settings) override {
        if (port < 1 || port > 16)
            throw QcError(QcError::InvalidPortNumber,
                          QcError::standardDescription(QcError::InvalidPortNumber));
        parseLineSettings(settings);
        port_ = port;
        open_ = true;
        pending_.clear();
    }
    void write(const QByteArray& bytes) override {
        emitLine(clock_, "COM" + QByteArray::number(port_), QByteArray(bytes).replace("\r", "<CR>"));
        const QByteArray line = bytes.left(bytes.indexOf('\r'));
        if (line == "EB") pending_ += "EB\r\nEbNo 7.5 dB\r\n>";
        if (line == "R M") pending_ += "R M\r\nMPEG STATUS\r\nLock: YES\r\nBitrate: 128 kbit/s\r\n>";
    }
    QByteArray readAll() override { return std::exchange(pending_, QByteArray()); }
    void waitForInput(int milliseconds) override { clock_.advance(std::max(1, milliseconds)); }
    void close() override {
        open_ = false;
        pending_.clear();
    }
    bool isOpen() const override { return open_; }

private:
    SimulatedClock& clock_;
    int port_ = 0;
    bool open_ = false;
    QByteArray pending_;
};

// A parallel port with no input active; every new value of the outputs is printed.
class TracedPort : public ParallelPort {
public:
    explicit TracedPort(const Clock& clock) : clock_(clock) {}
    void Outp(int address, int value) override {
        if (address != DataRegister || value == data_) return;
        data_ = value;
        emitLine(clock_, "LPT", QByteArray::number(value));
    }
    int Inp(int) override { return 127; }

private:
    const Clock& clock_;
    int data_ = 0;  // all outputs are off before the program starts
};

int usage() {
    std::fprintf(stderr, "usage: simulate-week --home DIR --from \"YYYY-MM-DD HH:MM:SS\" [--days N]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString home;
    QString from;
    int days = 7;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (i + 1 >= args.size()) return usage();
        if (a == QLatin1String("--home"))
            home = args[++i];
        else if (a == QLatin1String("--from"))
            from = args[++i];
        else if (a == QLatin1String("--days"))
            days = args[++i].toInt();
        else
            return usage();
    }
    const QDateTime start = QDateTime::fromString(from, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (home.isEmpty() || !start.isValid() || days < 1) return usage();
    if (!QDir(home).exists()) {
        std::fprintf(stderr, "simulate-week: no data folder %s\n", qPrintable(home));
        return 1;
    }

    // The run works on a copy, so the station's folder is never changed.
    QTemporaryDir copy;
    if (!copy.isValid()) {
        std::fprintf(stderr, "simulate-week: cannot make a temporary folder\n");
        return 1;
    }
    for (const QString& name : QDir(home).entryList(QDir::Files)) {
        if (name.startsWith(QLatin1String("COM")) || name == QLatin1String("LPT1")) continue;
        QFile::copy(home + QLatin1Char('/') + name, copy.filePath(name));
    }
    QDir().mkpath(copy.filePath(QStringLiteral("logs")));

    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);

    SimulatedClock clock(start);
    InstantReceivers receivers(clock);
    TracedPort port(clock);
    Module1 m(Paths{copy.path()}, clock, receivers, port);
    QObject::connect(&m, &Module1::logWritten, [&clock](const QByteArray& kind, const QByteArray& line) {
        emitLine(clock, kind, escaped(line));
    });
    QObject::connect(&m, &Module1::messageShown, [&clock](const QString& text) {
        std::fprintf(stderr, "%s\tmessage\t%s\n", stampOf(clock).constData(), qPrintable(text));
    });
    m.InitializeProgram();
    SimulatedRun run(m, clock);
    run.runUntil(start.addDays(days));
    std::fflush(stdout);
    return 0;
}
