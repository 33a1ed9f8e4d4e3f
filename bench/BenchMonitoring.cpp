// What watching the station costs the clock tick: a tick of two receivers with a week of events,
// without monitoring, with it (metrics file on, webhook and desktop off), and with an alert raised
// or cleared on every tick (its activity-log line, message and hand-over to the outlets).
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

#include "IdleSerialLine.h"
#include "core/Module1.h"
#include "monitoring/Monitoring.h"
#include "platform/Text.h"

namespace {

struct Station {
    explicit Station(bool watched) : clock(QDateTime(QDate(2026, 12, 7), QTime(12, 0))) {
        QByteArray schedule;
        for (int i = 0; i < 40; ++i) {  // every receiver's events spread over the day, none due now
            qc::ScheduleEntry e;
            e.Active = 1;
            e.Receiver = static_cast<int16_t>(1 + i % 2);
            e.RemoteMode = 2;
            e.Name = qc::fitField("Programme " + QByteArray::number(i), qc::ScheduleEntry::NameLength);
            e.Length = "     ";
            e.Port = "A";
            for (int d = 0; d < 7; ++d) {
                e.Days[d] = 1;
                e.Times[d] =
                    QTime(i * 36 / 60, i * 36 % 60, 30).toString(QStringLiteral("HH:mm:ss")).toLatin1();
            }
            schedule += e.serialise();
        }
        write("SwitchList.dat", schedule);
        write("QuillornControl.ini", "111001d12");
        write("Monitoring.ini", "[Monitoring]\nMetricsFile=quillorn.prom\nDesktopNotifications=0\n");
        QDir(dir.path()).mkpath(QStringLiteral("logs"));
        m = std::make_unique<qc::Module1>(qc::Paths{dir.path()}, clock, serial, port);
        if (watched) monitoring = std::make_unique<qc::Monitoring>(*m);
        m->InitializeProgram();
        if (monitoring) monitoring->start();
    }
    void write(const char* name, const QByteArray& bytes) {
        QFile f(QDir(dir.path()).filePath(QString::fromLatin1(name)));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
    }
    void tick() {
        m->tmrClock_Timer();
        clock.advance(50);
    }

    QTemporaryDir dir;
    qc::SimulatedClock clock;
    qc::bench::IdleSerialLine serial;
    qc::MemoryParallelPort port;
    std::unique_ptr<qc::Module1> m;
    std::unique_ptr<qc::Monitoring> monitoring;
};

void BM_Tick(benchmark::State& state) {
    Station s(state.range(0) != 0);
    for (int i = 0; i < 100; ++i)
        s.tick();
    for (auto _ : state)
        s.tick();
}
BENCHMARK(BM_Tick)->ArgName("monitoring")->Arg(0)->Arg(1);

void BM_TickWithAlertChange(benchmark::State& state) {
    Station s(true);
    bool raised = false;
    for (auto _ : state) {
        raised = !raised;
        if (raised)
            s.monitoring->raiseStationAlert(QStringLiteral("bench"), QStringLiteral("ALERT Bench"));
        else
            s.monitoring->clearStationAlert(QStringLiteral("bench"), QStringLiteral("RESTORED Bench"));
        s.tick();
    }
}
BENCHMARK(BM_TickWithAlertChange);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
