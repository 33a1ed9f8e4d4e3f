// A month unattended, simulated: simulate-week over 30 days with a dense schedule on two receivers
// (each switches every few minutes around the clock, every day) and an EbNo reading of each receiver
// every minute. Its resident memory is sampled against the simulated day it has reached: it must not
// grow. Every switch and every reading is counted against what the schedule asks for.
//
// usage: bench_simulated_month [days (30)] [minutes between switches of a receiver (3)]
#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <map>

#include "RunGuard.h"
#include "engine/ScheduleEntry.h"
#include "platform/Text.h"

namespace {

long rssOf(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    int days = 30;
    int spacing = 3;
    rig::readArguments(argc, argv,
                       "bench_simulated_month [days (30)] [minutes between switches of a receiver (3)]",
                       {{&days, 1, 366}, {&spacing, 1, 24 * 60}});
    rig::endChildrenWithMe();
    QCoreApplication app(argc, argv);
    const QDateTime start(QDate(2026, 12, 7), QTime(0, 0, 0));

    QTemporaryDir home;
    rig::removeWithMe(home.path());
    QByteArray records;
    int perDay = 0;
    for (int receiver = 1; receiver <= 2; ++receiver) {
        // Receiver 2 half a spacing later, so the two lines take turns.
        for (int s = 90 + (receiver - 1) * spacing * 30; s < 86400 - 60; s += spacing * 60) {
            qc::ScheduleEntry e;
            e.Active = 1;
            const QByteArray time = QTime(0, 0).addSecs(s).toString("HH:mm:ss").toLatin1();
            e.Name = qc::fitField("Month " + QByteArray::number(receiver) + " " + time,
                                  qc::ScheduleEntry::NameLength);
            e.RemoteMode = static_cast<int16_t>(s % 2 ? 3 : 2);
            e.Length = qc::fitField(e.RemoteMode == 3 ? "00:30" : "", qc::ScheduleEntry::LengthLength);
            e.Port = QByteArray(1, char('A' + s % 6));
            e.SourceCode = static_cast<int16_t>(s % 90);
            e.Route = static_cast<int16_t>(s % 4);
            e.Receiver = static_cast<int16_t>(receiver);
            for (int d = 0; d < 7; ++d) {
                e.Days[d] = 1;
                e.Times[d] = time;
            }
            records += e.serialise();
            ++perDay;
        }
    }
    {
        QFile f(home.filePath("SwitchList.dat"));
        f.open(QIODevice::WriteOnly);
        f.write(records);
        QFile ini(home.filePath("QuillornControl.ini"));
        ini.open(QIODevice::WriteOnly);
        // Two receivers on COM1 and COM2, EbNo every minute, all logs, remote control.
        ini.write("111511w12");
    }

    QProcess sim;
    rig::own(sim);
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer wall;
    wall.start();
    sim.start(SIMULATE_WEEK_BINARY, {"--home", home.path(), "--from", start.toString("yyyy-MM-dd HH:mm:ss"),
                                     "--days", QString::number(days)});
    std::map<QByteArray, long> counts;
    QByteArray partial;
    int reportedDay = -1;
    long firstRss = 0;
    long peakRss = 0;
    std::printf("simulated day  rss_kB  wall_s\n");
    auto take = [&] {
        partial += sim.readAllStandardOutput();
        qsizetype from = 0;
        qsizetype nl;
        QByteArray lastStamp;
        while ((nl = partial.indexOf('\n', from)) >= 0) {
            const QByteArray line = partial.mid(from, nl - from);
            from = nl + 1;
            const QList<QByteArray> f = line.split('\t');
            if (f.size() < 3) continue;
            lastStamp = f[0];
            QByteArray key = f[1];
            if (f[1].startsWith("COM")) key += f[2].startsWith("SP ") ? " switch" : " " + f[2].left(2);
            if (f[1] == "AL") key += f[2].contains("Remote Start") ? " remote" : " other";
            ++counts[key];
        }
        partial.remove(0, from);
        if (lastStamp.isEmpty()) return;
        const int day = static_cast<int>(start.daysTo(
            QDateTime::fromString(QString::fromLatin1(lastStamp.left(19)), "yyyy-MM-dd HH:mm:ss")));
        const long rss = rssOf(sim.processId());
        if (rss > 0) peakRss = std::max(peakRss, rss);
        if (day != reportedDay && rss > 0) {
            reportedDay = day;
            if (day == 1) firstRss = rss;
            std::printf("%13d  %6ld  %6.1f\n", day, rss, wall.elapsed() / 1000.0);
            std::fflush(stdout);
        }
    };
    while (!sim.waitForFinished(200))
        take();
    take();
    if (sim.exitCode() != 0) {
        std::fprintf(stderr, "simulate-week failed\n");
        return 1;
    }

    std::printf("%d days in %.1f s; %d events a day; resident memory on day 1 %ld kB, peak %ld kB\n", days,
                wall.elapsed() / 1000.0, perDay, firstRss, peakRss);
    for (const auto& [key, n] : counts)
        std::printf("  %-14s %ld\n", key.constData(), n);
    const long switchesDue = 2L * perDay * days;
    const long ebDue = 2L * 1440 * days;
    const long switches = counts["COM1 switch"] + counts["COM2 switch"];
    std::printf("switch commands %ld of %ld due, EbNo lines %ld of %ld due\n", switches, switchesDue,
                counts["EB"], ebDue);
    return switches == switchesDue && counts["EB"] >= ebDue - 4 ? 0 : 1;
}
