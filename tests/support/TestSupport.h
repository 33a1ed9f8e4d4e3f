#pragma once

// What the tests share: GoogleTest, the Qt classes most tests use, and the fixtures below.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "core/Module1.h"
#include "platform/Clock.h"
#include "platform/ParallelPort.h"
#include "platform/SerialLine.h"
#include "platform/Text.h"

namespace qc::test {

// A serial line with a scripted receiver on simulated time: every command line written gets the
// answer of `answer` after `answerDelayMs`, and waiting lets simulated time pass.
class ScriptedSerialLine : public SerialLine {
public:
    explicit ScriptedSerialLine(SimulatedClock& clock);

    struct Write {
        QDateTime at;
        int port = 0;
        QByteArray bytes;
    };

    void open(int port, const QByteArray& settings) override;
    void write(const QByteArray& bytes) override;
    QByteArray readAll() override;
    void waitForInput(int milliseconds) override;
    void close() override;
    bool isOpen() const override { return open_; }

    // The answer to one command line (without its CR); the default answers like a receiver.
    std::function<QByteArray(const QByteArray& line)> answer;
    int answerDelayMs = 0;
    std::vector<int> missingPorts;  // opening these fails as a port with no device
    int failingWrites = 0;          // the next writes fail, as with a receiver unplugged after the open
    bool clockStandsStill = false;  // waiting lets no simulated time pass
    std::vector<Write> writes;

    // All bytes written to a port, in order.
    QByteArray bytesTo(int port) const;

private:
    SimulatedClock& clock_;
    bool open_ = false;
    int port_ = 0;
    QByteArray partial_;
    std::vector<Write> pending_;  // answers not yet due, each at its moment
};

// The bytes of a file, empty when it cannot be read; writing makes the file's folder when missing.
QByteArray readBytes(const QString& path);
void writeBytes(const QString& path, const QByteArray& bytes);

// A program on a fresh temporary data folder, with a simulated clock, a scripted receiver and a
// port in memory.
class TestProgram {
    QTemporaryDir dir_;  // made first and removed last

public:
    explicit TestProgram(const QDateTime& start = QDateTime(QDate(2026, 12, 7), QTime(12, 0)));

    QString home() const { return dir_.path(); }
    // A file of the data folder (or an absolute path).
    QString file(const QString& name) const { return QDir(dir_.path()).filePath(name); }
    QByteArray readFile(const QString& name) const { return readBytes(file(name)); }
    void writeFile(const QString& name, const QByteArray& bytes) const { writeBytes(file(name), bytes); }

    SimulatedClock clock;
    ScriptedSerialLine serial{clock};
    MemoryParallelPort port;
    std::unique_ptr<Module1> m;
    QStringList messages;

    // Makes the Module1 (again) on the folder; InitializeProgram is not run.
    void makeModule();

    // Writes the schedule and QuillornControl.ini, then starts the program on them.
    void start(const std::vector<ScheduleEntry>& entries, const QByteArray& settings);

    // What the program did, for comparing with what it should have done: each write to a serial
    // port as "HH:mm:ss.zzz COMn bytes" (CR shown as "|"), each line of each daily log as "<file>
    // <line>", each message as "MSG <text>"; the data folder is written "<home>".
    QStringList observed() const;
};

// Builds a record the way the editor stores one.
ScheduleEntry makeEntry(const QByteArray& name, int receiver, const QByteArray& time,
                        std::initializer_list<int> days, int remoteMode = 1, const QByteArray& port = "A",
                        int source = 14, int route = 3, const QByteArray& length = "");

// Writes the entries as records 1..n of a schedule file, making its folder when missing.
void writeSchedule(const QString& path, const std::vector<ScheduleEntry>& entries);

// Every file below the folder (hidden ones too, links left out) by its relative path, with its bytes.
std::map<QString, QByteArray> filesIn(const QString& folder);

// The settings of both files in one line: the nine records of QuillornControl.ini, then the clock
// reset time, e.g. "1 1 1 2 false true w 1 2 54:30".
QString settingsOf(const Module1& m);

}  // namespace qc::test

// GoogleTest prints a QString (and so a QStringList) as its text.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
