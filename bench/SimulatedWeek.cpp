// The simulated week: two receivers with 2,000 events each at random seconds of the week, a few at the
// same second on both receivers, a few pairs on one receiver at the same second or closer than the
// switch window, run through simulate-week. Every event's sends, MPEG reading and remote start are
// checked against the moments the switching rules fix, and the run is timed.
//
// usage: bench_simulated_week [events-per-receiver] [seed]
#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <map>
#include <random>
#include <set>

#include "RunGuard.h"
#include "engine/ScheduleEntry.h"
#include "engine/ScheduleFile.h"
#include "platform/Text.h"

namespace {

using qc::ScheduleEntry;

const QDateTime kStart(QDate(2026, 12, 7), QTime(0, 0, 0));  // a Monday
constexpr int kWeek = 7 * 86400;

struct Event {
    int receiver;
    int at;  // second of the simulated week from kStart
    QByteArray name;
    char port;
    int source;
    int route;
};

ScheduleEntry entryFor(const Event& e) {
    ScheduleEntry s;
    s.Active = 1;
    s.Name = qc::fitField(e.name, ScheduleEntry::NameLength);
    s.Length = QByteArray(5, ' ');
    s.Port = QByteArray(1, e.port);
    s.SourceCode = static_cast<int16_t>(e.source);
    s.Route = static_cast<int16_t>(e.route);
    s.RemoteMode = 2;
    s.Receiver = static_cast<int16_t>(e.receiver);
    s.Times.fill(QByteArray(8, ' '));
    const QDateTime t = kStart.addSecs(e.at);
    const int day = t.date().dayOfWeek() % 7;
    s.Days[day] = 1;
    s.Times[day] = t.time().toString("HH:mm:ss").toLatin1();
    return s;
}

struct Line {
    qint64 ms;  // from kStart
    QByteArray channel;
    QByteArray detail;
};

}  // namespace

int main(int argc, char** argv) {
    int perReceiver = 2000;
    int seed = 20261207;
    rig::readArguments(argc, argv, "bench_simulated_week [events-per-receiver (2000)] [seed]",
                       {{&perReceiver, 1, 10000}, {&seed, 0, 2147483647}});
    rig::endChildrenWithMe();
    QCoreApplication app(argc, argv);
    std::mt19937 rng(static_cast<unsigned>(seed));

    // Random seconds at least 20 s apart on each receiver, away from the ends of the week.
    std::vector<Event> events;
    std::map<int, std::set<int>> taken;
    auto freeAt = [&](int receiver, int at, int gap) {
        auto& s = taken[receiver];
        auto it = s.lower_bound(at - gap + 1);
        return it == s.end() || *it >= at + gap;
    };
    int serial = 0;
    auto add = [&](int receiver, int at) {
        taken[receiver].insert(at);
        const int n = ++serial;
        events.push_back(
            {receiver, at, "Programme " + QByteArray::number(n), char('A' + n % 6), n % 100, n % 4});
    };
    std::uniform_int_distribution<int> anySecond(120, kWeek - 120);
    for (int r = 1; r <= 2; ++r) {
        int placed = 0;
        while (placed < perReceiver) {
            const int at = anySecond(rng);
            if (!freeAt(r, at, 40)) continue;
            add(r, at);
            ++placed;
        }
    }
    // Across midnight, and the same second on both receivers.
    for (int d = 1; d < 7; ++d) {
        for (int at : {d * 86400 - 3, d * 86400 + 5})
            if (freeAt(1, at, 40) && freeAt(2, at, 40)) {
                add(1, at);
                add(2, at);
            }
    }
    // Pairs on one receiver: the same second, or closer than the switch window (14 s for receiver 1,
    // 9 s for receiver 2), where the second event's window passes while the first is pending.
    std::vector<std::pair<int, int>> pairs;  // receiver, second event's gap
    for (int i = 0; i < 12; ++i) {
        const int r = i % 2 + 1;
        const int gap = i < 4 ? 0 : 2 + i % (r == 1 ? 13 : 8);
        int at;
        do
            at = anySecond(rng);
        while (!freeAt(r, at, 60) || !freeAt(r, at + gap, 60));
        add(r, at);
        if (gap == 0) {
            events.push_back(events.back());
            events.back().name = "Aardvark " + QByteArray::number(++serial);  // sorts first
            events.back().port = 'F';
        } else {
            add(r, at + gap);
        }
        pairs.emplace_back(r, gap);
    }

    QTemporaryDir home;
    rig::removeWithMe(home.path());
    {
        qc::ScheduleFile file;
        file.open(home.filePath("SwitchList.dat"));
        qint64 n = 0;
        for (const Event& e : events)
            file.write(++n, entryFor(e));
        QFile ini(home.filePath("QuillornControl.ini"));
        ini.open(QIODevice::WriteOnly);
        ini.write("111011d12");  // two receivers, 9600, activity and MPEG logs, remote control
    }

    QElapsedTimer timer;
    timer.start();
    QProcess sim;
    rig::own(sim);
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start(SIMULATE_WEEK_BINARY,
              {"--home", home.path(), "--from", kStart.toString("yyyy-MM-dd HH:mm:ss")});
    sim.waitForFinished(-1);
    const double seconds = timer.elapsed() / 1000.0;
    if (sim.exitCode() != 0) {
        std::fprintf(stderr, "simulate-week failed\n");
        return 1;
    }

    std::vector<Line> lines;
    for (const QByteArray& raw : sim.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> f = raw.split('\t');
        if (f.size() < 3) continue;
        const QDateTime t =
            QDateTime::fromString(QString::fromLatin1(f[0].left(23)), "yyyy-MM-dd HH:mm:ss.zzz");
        lines.push_back({kStart.msecsTo(t), f[1], f[2]});
    }

    // What the rules fix for each event: by receiver, events in time order; entries at one second are
    // one event, served by the entry whose name sorts first.
    std::map<int, std::map<int, std::vector<const Event*>>> byReceiver;
    for (const Event& e : events)
        byReceiver[e.receiver][e.at].push_back(&e);

    std::vector<Line> lpt;
    for (const Line& l : lines)
        if (l.channel == "LPT") lpt.push_back(l);

    int checked = 0;
    int wrong = 0;
    std::multiset<std::pair<qint64, QByteArray>> seen;
    for (const Line& l : lines)
        seen.insert({l.ms, l.channel + '\t' + l.detail});
    auto expectAround = [&](qint64 nominalMs, const QByteArray& what) {
        // Within one tick of its nominal moment.
        auto it = seen.lower_bound({nominalMs - 60, QByteArray()});
        for (; it != seen.end() && it->first <= nominalMs + 60; ++it)
            if (it->second == what) {
                seen.erase(it);
                return true;
            }
        return false;
    };
    for (auto& [receiver, byTime] : byReceiver) {
        const QByteArray com = "COM" + QByteArray::number(receiver);
        const int window = receiver == 1 ? 14 : 9;  // gaps up to this get a late cycle
        const qint64 before = receiver == 1 ? 15500 : 10500;
        int previous = -1000000;
        for (auto& [at, group] : byTime) {
            std::sort(group.begin(), group.end(), [](const Event* a, const Event* b) {
                return qc::compareIgnoringCase(a->name, b->name) < 0;
            });
            const Event& e = *group.front();
            const qint64 T = at * 1000LL;
            bool ok = true;
            const QByteArray cmd = "SP " + QByteArray(1, e.port) + ",S," + QByteArray::number(e.source) +
                                   "<CR>AM " + QByteArray(1, e.port) + "," + QByteArray::number(e.route) +
                                   "<CR><CR>";
            // An event closer behind the previous one than its window gets its cycle as soon as that
            // one has passed, with the first send at once.
            const qint64 first = at - previous > window ? T - before + 2000 : previous * 1000LL + 500;
            ok &= expectAround(first, com + '\t' + cmd);
            ok &= expectAround(first + 2000, com + '\t' + cmd);
            ok &= expectAround(first + 4000, com + "\tR M<CR>");
            // The remote start: its bit goes on half a second before and off a second after.
            const int bit = receiver == 1 ? 32 : 64;
            bool on = false;
            bool off = false;
            auto from = std::lower_bound(lpt.begin(), lpt.end(), T - 560,
                                         [](const Line& l, qint64 ms) { return l.ms < ms; });
            for (auto it = from; it != lpt.end() && it->ms <= T + 1100; ++it) {
                const Line& l = *it;
                const int v = l.detail.toInt();
                if (!on && (v & bit) && l.ms <= T - 440) on = true;
                if (on && !(v & bit) && l.ms >= T + 1000) off = true;
            }
            ok &= on && off;
            ++checked;
            if (!ok) {
                ++wrong;
                if (wrong <= 10)
                    std::fprintf(stderr, "differs: receiver %d at %s (%s)\n", receiver,
                                 qPrintable(kStart.addSecs(at).toString("ddd HH:mm:ss")), e.name.constData());
            }
            previous = at;
        }
    }
    int unexpected = 0;
    for (const auto& s : seen)
        if (s.second.startsWith("COM")) ++unexpected;

    std::printf("simulated week: %zu entries, %d events checked, %d differ, %d unexpected sends\n",
                events.size(), checked, wrong, unexpected);
    std::printf("pairs on one receiver (receiver, gap s):");
    for (auto [r, g] : pairs)
        std::printf(" (%d,%d)", r, g);
    std::printf("\nsimulate-week took %.1f s for 7 days (%zu output lines)\n", seconds, lines.size());
    return wrong == 0 && unexpected == 0 ? 0 : 1;
}
