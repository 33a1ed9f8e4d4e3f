// An hour unattended: the real program with the receiver simulator, a switch every two minutes and
// an EbNo reading every minute, its resident memory and open descriptors sampled every minute. Both
// must stay flat; every switch must reach the receiver twice.
//
// usage: bench_soak_hour [minutes (60)]
#include <QCoreApplication>
#include <QElapsedTimer>

#include "StationRig.h"

int main(int argc, char** argv) {
    int minutes = 60;
    rig::readArguments(argc, argv, "bench_soak_hour [minutes (60)]", {{&minutes, 1, 24 * 60}});
    rig::endChildrenWithMe();
    QCoreApplication app(argc, argv);

    // Receiver 1 on COM1 at 9600; activity log, EbNo every minute, MPEG log, remote control.
    rig::Station station("111511d00");
    const QDateTime now = QDateTime::currentDateTime();
    // Events fall on whole seconds: the schedule holds no fraction.
    const QDateTime first = now.addMSecs(-now.time().msec()).addSecs(45);
    std::vector<rig::Event> events;
    for (int k = 0; k * 120 < minutes * 60; ++k)
        events.push_back({first.addSecs(120 * k), char('A' + k % 6), 10 + k % 40, k % 4});
    station.schedule(events);
    if (!station.start(false)) return 1;

    std::printf("minute  rss_kB  fds\n");
    std::vector<std::pair<long, long>> samples;
    QElapsedTimer clock;
    clock.start();
    for (int minute = 0; minute <= minutes; ++minute) {
        // The first sample once the program has started up, then one a minute.
        while (clock.elapsed() < std::max(10000LL, minute * 60000LL)) {
            QThread::msleep(200);
            if (station.program.state() == QProcess::NotRunning) break;
        }
        if (station.program.state() == QProcess::NotRunning) {
            std::printf("the program ended at minute %d\n", minute);
            return 1;
        }
        samples.push_back(station.sample());
        std::printf("%6d  %6ld  %3ld\n", minute, samples.back().first, samples.back().second);
        std::fflush(stdout);
    }
    station.stop();

    int sends = 0;
    int readings = 0;
    int ebno = 0;
    for (const auto& [at, line] : station.wire()) {
        sends += line.startsWith("SP ");
        readings += line == "R M";
        ebno += line == "EB";
    }
    const int due = static_cast<int>(std::count_if(events.begin(), events.end(), [&](const rig::Event& e) {
        return e.at < first.addSecs(-45).addSecs(minutes * 60);
    }));
    // The messages the program showed, each a dated line on its standard error.
    QByteArray messages;
    for (const QByteArray& line : station.read("program.err").split('\n'))
        if (line.size() > 21 && line[4] == '-' && line.mid(19, 2) == "  ") messages += line + '\n';
    const size_t settled = std::min<size_t>(5, samples.size() - 1);
    long minRss = samples[settled].first, maxRss = minRss, minFd = samples[settled].second, maxFd = minFd;
    for (size_t i = settled; i < samples.size(); ++i) {
        minRss = std::min(minRss, samples[i].first);
        maxRss = std::max(maxRss, samples[i].first);
        minFd = std::min(minFd, samples[i].second);
        maxFd = std::max(maxFd, samples[i].second);
    }
    std::printf("switches due %d: switch commands %d (2 each), MPEG readings %d, EbNo readings %d\n", due,
                sends, readings, ebno);
    std::printf("from minute %zu on: resident memory %ld..%ld kB, open descriptors %ld..%ld\n", settled,
                minRss, maxRss, minFd, maxFd);
    std::printf("messages shown: %lld\n%s", static_cast<long long>(messages.count('\n')),
                messages.constData());
    return sends >= 2 * due && readings >= due ? 0 : 1;
}
