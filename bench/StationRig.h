#pragma once

// The real program on a temporary data folder, as a station runs it: the receiver simulator on a
// pseudo-terminal as COM1, a simulated parallel port file as LPT1, a schedule of one entry per event.
// Shared by the long runs of bench/ (load, an hour unattended).
#include <sched.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#include "RunGuard.h"
#include "engine/ScheduleEntry.h"
#include "platform/Text.h"

namespace rig {

struct Event {
    QDateTime at;  // the scheduled second
    char port;
    int source;
    int route;
};

// Milliseconds from `from` to `to`.
inline qint64 msBetween(const QDateTime& from, const QDateTime& to) {
    return from.msecsTo(to);
}

class Station {
public:
    explicit Station(const QByteArray& settings) {
        removeWithMe(dir.path());
        QDir().mkpath(dir.filePath("logs"));
        write("QuillornControl.ini", settings);
        write("LPT1", QByteArray("\x00\x7f", 2));
    }
    ~Station() { stop(); }

    QString path(const QString& name) const { return dir.filePath(name); }
    void write(const QString& name, const QByteArray& bytes) const {
        QFile f(path(name));
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
    }
    QByteArray read(const QString& name) const {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // One momentary remote start per event, on receiver 1, on the event's weekday only.
    void schedule(const std::vector<Event>& events) {
        QByteArray bytes;
        int n = 0;
        for (const Event& e : events) {
            qc::ScheduleEntry s;
            s.Active = 1;
            s.Name = qc::fitField("Load " + QByteArray::number(++n), qc::ScheduleEntry::NameLength);
            s.Length = QByteArray(5, ' ');
            s.Port = QByteArray(1, e.port);
            s.SourceCode = static_cast<int16_t>(e.source);
            s.Route = static_cast<int16_t>(e.route);
            s.RemoteMode = 2;
            s.Receiver = 1;
            s.Times.fill(QByteArray(8, ' '));
            const int day = e.at.date().dayOfWeek() % 7;
            s.Days[day] = 1;
            s.Times[day] = e.at.time().toString("HH:mm:ss").toLatin1();
            bytes += s.serialise();
        }
        write("SwitchList.dat", bytes);
    }

    // Starts the simulator (at real-time priority when `measuring`, so its arrival stamps are not
    // late themselves) and then the program.
    bool start(bool measuring) {
        own(sim);
        own(program);
        sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QStringList simArgs{"--home", dir.path(), "--port", "1", "--log", path("wire.log")};
        if (measuring && QFile::exists("/usr/bin/chrt"))
            sim.start("/usr/bin/chrt", QStringList{"-f", "50", RECEIVER_SIM_BINARY} + simArgs);
        else
            sim.start(RECEIVER_SIM_BINARY, simArgs);
        if (!sim.waitForReadyRead(10000) || !sim.readLine().startsWith("ready")) {
            std::fprintf(stderr, "the receiver simulator did not start\n");
            return false;
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QUILLORN_HOME", dir.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        program.setProcessEnvironment(env);
        program.setStandardOutputFile(path("program.out"));
        program.setStandardErrorFile(path("program.err"));
        program.start(QUILLORNCONTROL_BINARY, {});
        return program.waitForStarted(10000);
    }

    void stop() {
        for (QProcess* p : {&program, &sim}) {
            if (p->state() == QProcess::NotRunning) continue;
            p->terminate();
            if (!p->waitForFinished(5000)) {
                p->kill();
                p->waitForFinished(5000);
            }
        }
    }

    // The received lines and their arrival moments, from the simulator's wire log.
    std::vector<std::pair<QDateTime, QByteArray>> wire() const {
        std::vector<std::pair<QDateTime, QByteArray>> out;
        for (const QByteArray& row : read("wire.log").split('\n')) {
            const QList<QByteArray> f = row.split('\t');
            if (f.size() == 3)
                out.emplace_back(QDateTime::fromString(QString::fromLatin1(f[0]), "yyyy-MM-dd HH:mm:ss.zzz"),
                                 f[1]);
        }
        return out;
    }

    // Resident memory in kB and open descriptors of the program now.
    std::pair<long, long> sample() const {
        const QString proc = QStringLiteral("/proc/%1/").arg(program.processId());
        long rss = -1;
        QFile status(proc + "status");
        if (status.open(QIODevice::ReadOnly))
            for (const QByteArray& line : status.readAll().split('\n'))
                if (line.startsWith("VmRSS:")) rss = line.mid(6).trimmed().split(' ').value(0).toLong();
        const long fds =
            static_cast<long>(QDir(proc + "fd").entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size());
        return {rss, fds};
    }

    QTemporaryDir dir;
    QProcess sim;
    QProcess program;
};

// Watches the port file's data register from a thread of its own, every millisecond, at real-time
// priority where the system allows it, and keeps every change with its moment.
class PortWatch {
public:
    explicit PortWatch(QString file) : file_(std::move(file)) {
        thread_ = std::thread([this] {
            sched_param p{};
            p.sched_priority = 60;
            realtime_ = sched_setscheduler(0, SCHED_FIFO, &p) == 0;
            QFile f(file_);
            int last = 0;
            while (!stop_) {
                if (f.open(QIODevice::ReadOnly)) {
                    const QByteArray b = f.read(1);
                    f.close();
                    const int v = b.isEmpty() ? 0 : static_cast<unsigned char>(b[0]);
                    if (v != last) edges_.emplace_back(QDateTime::currentDateTime(), last = v);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
    }
    ~PortWatch() { finish(); }
    void finish() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    // Valid after finish().
    const std::vector<std::pair<QDateTime, int>>& edges() const { return edges_; }
    bool realtime() const { return realtime_; }

private:
    QString file_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> realtime_{false};
    std::vector<std::pair<QDateTime, int>> edges_;
};

// Worst and 99th percentile of a set of lateness figures, in ms.
inline std::pair<qint64, qint64> worstAndP99(std::vector<qint64> v) {
    if (v.empty()) return {0, 0};
    std::sort(v.begin(), v.end());
    const size_t at = std::min(v.size() - 1, static_cast<size_t>(v.size() * 0.99));
    return {v.back(), v[at]};
}

}  // namespace rig
