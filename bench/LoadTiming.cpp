// The switching moments under load: the real program with the receiver simulator, an event every 20
// seconds, while stress-ng keeps both cores busy and another process writes and flushes large files
// to the same disk. Each switch command's arrival at the receiver and each edge of the remote-start
// output is set against its nominal moment (first send 13.5 s and second send 11.5 s before the event,
// output on half a second before it and off a second after); the goal is two ticks, 100 ms.
//
// usage: bench_load_timing [minutes (20)] [--no-load]
#include <QCoreApplication>

#include "StationRig.h"

namespace {

QProcess* startLoad(const QString& program, const QStringList& args) {
    auto* p = new QProcess;
    rig::own(*p);
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p->setStandardOutputFile(QProcess::nullDevice());
    p->start(program, args);
    return p;
}

}  // namespace

int main(int argc, char** argv) {
    int minutes = 20;
    bool noLoad = false;
    rig::readArguments(argc, argv, "bench_load_timing [minutes (20)] [--no-load]", {{&minutes, 1, 24 * 60}},
                       {{"--no-load", &noLoad}});
    const bool load = !noLoad;
    rig::endChildrenWithMe();
    QCoreApplication app(argc, argv);

    rig::Station station("111511d00");
    const QDateTime now = QDateTime::currentDateTime();
    // Events fall on whole seconds: the schedule holds no fraction.
    const QDateTime first = now.addMSecs(-now.time().msec()).addSecs(40);
    std::vector<rig::Event> events;
    for (int k = 0; k * 20 < minutes * 60; ++k)
        events.push_back({first.addSecs(20 * k), char('A' + k % 6), 10 + k % 40, k % 4});
    station.schedule(events);

    std::vector<QProcess*> loads;
    if (load) {
        loads.push_back(startLoad("stress-ng", {"--cpu", "2", "--cpu-method", "all", "--quiet"}));
        const QString big = station.path("flush.bin");
        loads.push_back(startLoad("/bin/sh", {"-c", "while :; do dd if=/dev/zero of='" + big +
                                                        "' bs=1M count=256 conv=fsync status=none; done"}));
    }
    if (!station.start(true)) return 1;
    rig::PortWatch watch(station.path("LPT1"));
    const QDateTime end = events.back().at.addSecs(3);
    while (QDateTime::currentDateTime() < end && station.program.state() == QProcess::Running)
        QThread::msleep(200);
    watch.finish();
    const bool running = station.program.state() == QProcess::Running;
    station.stop();
    for (QProcess* p : loads) {
        p->kill();
        p->waitForFinished(5000);
        delete p;
    }

    const auto wire = station.wire();
    std::vector<qint64> sends;
    std::vector<qint64> edges;
    int missing = 0;
    for (const rig::Event& e : events) {
        std::vector<QDateTime> arrivals;
        for (const auto& [at, line] : wire)
            if (line.startsWith("SP ") && at > e.at.addSecs(-16) && at < e.at.addSecs(-10))
                arrivals.push_back(at);
        if (arrivals.size() != 2) {
            std::printf("event %s: %zu sends\n", qPrintable(e.at.toString("HH:mm:ss")), arrivals.size());
            ++missing;
            continue;
        }
        sends.push_back(rig::msBetween(e.at.addMSecs(-13500), arrivals[0]));
        sends.push_back(rig::msBetween(e.at.addMSecs(-11500), arrivals[1]));
        const auto& all = watch.edges();
        auto on = std::find_if(all.begin(), all.end(), [&](const auto& edge) {
            return (edge.second & 32) && edge.first > e.at.addMSecs(-1500);
        });
        auto off = std::find_if(on, all.end(), [](const auto& edge) { return !(edge.second & 32); });
        if (on == all.end() || off == all.end() || on->first > e.at.addSecs(2)) {
            std::printf("event %s: no remote start\n", qPrintable(e.at.toString("HH:mm:ss")));
            ++missing;
            continue;
        }
        edges.push_back(rig::msBetween(e.at.addMSecs(-500), on->first));
        edges.push_back(rig::msBetween(e.at.addMSecs(1000), off->first));
    }

    const auto [sendWorst, sendP99] = rig::worstAndP99(sends);
    const auto [edgeWorst, edgeP99] = rig::worstAndP99(edges);
    const auto earliest = [](const std::vector<qint64>& v) {
        return v.empty() ? 0 : *std::min_element(v.begin(), v.end());
    };
    std::printf("%s, %d events over %d minutes, port watch %s\n",
                load ? "stress-ng on both cores and a disk flusher" : "no load", int(events.size()), minutes,
                watch.realtime() ? "at real-time priority" : "at normal priority");
    std::printf("switch commands: %zu, lateness earliest %lld ms, worst %lld ms, p99 %lld ms\n", sends.size(),
                static_cast<long long>(earliest(sends)), static_cast<long long>(sendWorst),
                static_cast<long long>(sendP99));
    std::printf("port edges:      %zu, lateness earliest %lld ms, worst %lld ms, p99 %lld ms\n", edges.size(),
                static_cast<long long>(earliest(edges)), static_cast<long long>(edgeWorst),
                static_cast<long long>(edgeP99));
    std::printf("events without both sends or both edges: %d; program %s\n", missing,
                running ? "still running" : "ENDED");
    return running && missing == 0 ? 0 : 1;
}
