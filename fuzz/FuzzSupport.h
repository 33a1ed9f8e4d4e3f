#pragma once

// What every fuzz target shares: a program on a temporary data folder with a simulated clock and a
// receiver that answers every command line with the bytes the fuzzer chose.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <memory>

#include "core/Module1.h"
#include "platform/Clock.h"
#include "platform/ParallelPort.h"
#include "platform/SerialLine.h"

namespace qc::fuzz {

// A broken invariant: libFuzzer keeps the input that caused it.
inline void require(bool ok) {
    if (!ok) std::abort();
}

class AnsweringLine : public SerialLine {
public:
    explicit AnsweringLine(SimulatedClock& clock) : clock_(clock) {}
    QByteArray answer;
    QByteArray written;

    void open(int port, const QByteArray& settings) override {
        if (port < 1) throw QcError(QcError::InvalidPortNumber, QStringLiteral("Invalid port number"));
        parseLineSettings(settings);
        open_ = true;
        pending_.clear();
    }
    void write(const QByteArray& bytes) override {
        written += bytes;
        pending_ += answer;
    }
    QByteArray readAll() override { return std::exchange(pending_, QByteArray()); }
    void waitForInput(int milliseconds) override { clock_.advance(std::max(1, milliseconds)); }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }

private:
    SimulatedClock& clock_;
    bool open_ = false;
    QByteArray pending_;
};

struct Program {
    Program() {
        QDir().mkpath(dir.filePath(QStringLiteral("logs")));
        reset();
    }
    void reset() {
        m.reset();
        line.answer.clear();
        line.written.clear();
        m = std::make_unique<Module1>(Paths{dir.path()}, clock, line, port);
        m->BaudIndex = 1;
        m->Rx1Port = 1;
        m->Rx2Port = 2;
        m->ActivityLogOn = 1;
    }
    void write(const QString& name, const QByteArray& bytes) const {
        QFile f(dir.filePath(name));
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
    }
    QByteArray read(const QString& name) const {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // In memory where the system has it: the flushes of the stored files cost nothing there.
    QTemporaryDir dir{QDir(QStringLiteral("/dev/shm")).exists()
                          ? QStringLiteral("/dev/shm/qc-fuzz-XXXXXX")
                          : QDir::tempPath() + QStringLiteral("/qc-fuzz-XXXXXX")};
    SimulatedClock clock;
    AnsweringLine line{clock};
    MemoryParallelPort port;
    std::unique_ptr<Module1> m;
};

// One program for the whole run: a fresh folder for every input would cost more than the input.
inline Program& program() {
    static Program p;
    return p;
}

}  // namespace qc::fuzz
