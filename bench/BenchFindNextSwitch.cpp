// How long the next-switch search takes on a large schedule, and the least any search can cost:
// reading the same file at once and sorting the same lines.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <ctime>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "IdleSerialLine.h"
#include "core/Module1.h"
#include "platform/Text.h"
#include "schedule_ui/ScheduleEditing.h"

namespace {

// A schedule of n active entries, each set for every day at a random time, with random names.
struct LargeSchedule {
    explicit LargeSchedule(int n, const QDateTime& now = QDateTime(QDate(2026, 12, 7), QTime(12, 0)))
        : clock(now) {
        path = dir.filePath(QStringLiteral("SwitchList.dat"));
        std::mt19937 random(20261207u + static_cast<unsigned>(n));
        std::uniform_int_distribution<int> hour(0, 23), minuteOrSecond(0, 59), nameLength(4, 25);
        std::uniform_int_distribution<int> letter(0, 51);
        const char* letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
        QByteArray bytes;
        for (int i = 0; i < n; ++i) {
            qc::ScheduleEntry e;
            e.Active = 1;
            e.Receiver = 1;
            e.RemoteMode = 1;
            QByteArray name;
            for (int c = nameLength(random); c > 0; --c)
                name += letters[letter(random)];
            e.Name = qc::fitField(name, qc::ScheduleEntry::NameLength);
            e.Length = "     ";
            e.Port = "A";
            for (int d = 0; d < 7; ++d) {
                e.Days[d] = 1;
                e.Times[d] = QTime(hour(random), minuteOrSecond(random), minuteOrSecond(random))
                                 .toString(QStringLiteral("HH:mm:ss"))
                                 .toLatin1();
            }
            bytes += e.serialise();
        }
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        f.close();
        m = std::make_unique<qc::Module1>(qc::Paths{dir.path()}, clock, serial, port);
        m->SchedFileNo.open(path);
    }

    QTemporaryDir dir;
    QString path;
    qc::SimulatedClock clock;
    qc::bench::IdleSerialLine serial;
    qc::MemoryParallelPort port;
    std::unique_ptr<qc::Module1> m;
};

void BM_FindNextSwitch1(benchmark::State& state) {
    LargeSchedule schedule(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        schedule.m->FindNextSwitch1();
        benchmark::DoNotOptimize(schedule.m->NextRecord1);
    }
    if (schedule.m->lstNextToSwitch.count() != 7 * state.range(0)) state.SkipWithError("wrong week length");
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The same on the day the clock is put forward in a zone that has such days: there a passed event is
// told by its true moment, which the zone gives.
void BM_FindNextSwitch1ChangeDay(benchmark::State& state) {
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "Europe/Berlin");
    tzset();
    {
        LargeSchedule schedule(static_cast<int>(state.range(0)), QDateTime(QDate(2027, 3, 28), QTime(12, 0)));
        for (auto _ : state) {
            schedule.m->FindNextSwitch1();
            benchmark::DoNotOptimize(schedule.m->NextRecord1);
        }
        if (schedule.m->lstNextToSwitch.count() != 7 * state.range(0))
            state.SkipWithError("wrong week length");
    }
    zone.isNull() ? qunsetenv("TZ") : qputenv("TZ", zone);
    tzset();
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_ReadAndSortBaseline(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    LargeSchedule schedule(n);
    const QByteArray path = schedule.path.toLocal8Bit();
    const QDate today(2026, 12, 7);
    std::vector<std::string> dates;
    for (int d = 0; d < 7; ++d)
        dates.push_back(today.addDays(d).toString(QStringLiteral("yyyyMMdd")).toStdString());
    constexpr int R = qc::ScheduleEntry::RecordLength;
    std::string file(static_cast<size_t>(n) * R, '\0');

    for (auto _ : state) {
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
        const ssize_t got = ::read(fd, file.data(), file.size());
        ::close(fd);
        if (got != static_cast<ssize_t>(file.size())) state.SkipWithError("short read");
        std::vector<std::string> lines;
        lines.reserve(static_cast<size_t>(n) * 7);
        for (int r = 0; r < n; ++r) {
            const char* rec = file.data() + static_cast<size_t>(r) * R;
            for (int d = 0; d < 7; ++d) {
                std::string line;
                line.reserve(43);
                line += dates[d];
                line += ' ';
                line.append(rec + 53 + 8 * d, 8);
                line += ' ';
                line.append(rec + 2, 25);
                lines.push_back(std::move(line));
            }
        }
        std::sort(lines.begin(), lines.end());
        benchmark::DoNotOptimize(lines.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
}

// What Apply in the editor does on a large schedule while the clock waits: the entry written (and on
// the disk), the editor's list rebuilt from the file, both receivers' searches and both conflict checks.
void BM_ApplyEntry(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    LargeSchedule schedule(n);
    qc::Module1& m = *schedule.m;
    m.TwoReceivers = 1;
    qc::EditorFields fields;
    fields.name = QStringLiteral("Morning News");
    fields.sourceCode = QStringLiteral("14");
    fields.port = QStringLiteral("B");
    fields.receiverIndex = 0;
    for (int d = 0; d < 7; ++d) {
        fields.days[d] = 1;
        fields.times[d] = QStringLiteral("08:00:00");
    }
    qc::SortedList list(true);
    for (auto _ : state) {
        m.CurRecordNo = n / 2;
        if (!qc::storeEntry(m, fields).isEmpty()) state.SkipWithError("refused");
        const int16_t receiver = m.EntryBuf.Receiver;
        int32_t counter = 0;
        qc::fillScheduleList(m, list, true, counter);
        qc::recomputeAfterApply(m, receiver);
        m.CheckConflicts2();
        benchmark::DoNotOptimize(m.lstConflicts.count());
    }
    if (list.count() != n || m.lstNextToSwitch.count() != 7 * n) state.SkipWithError("wrong list length");
    state.SetItemsProcessed(state.iterations() * n);
}

BENCHMARK(BM_FindNextSwitch1)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindNextSwitch1ChangeDay)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadAndSortBaseline)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplyEntry)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
