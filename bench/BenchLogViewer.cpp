// The log viewers on a station's worst days: a logs folder of thousands of files, a log of megabytes,
// a file that a broken disk filled with garbage; against the least any viewer can cost, reading the
// same file at once and sorting its lines.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListView>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>
#include <random>
#include <vector>

#include "IdleSerialLine.h"
#include "core/Module1.h"
#include "viewers/LogViewer.h"
#include "viewers/frmActivityLog.h"

namespace {

// A program on a data folder of its own.
struct Station {
    QTemporaryDir dir;
    qc::SystemClock clock;
    qc::bench::IdleSerialLine serial;
    qc::MemoryParallelPort port;
    std::unique_ptr<qc::Module1> m;

    Station() {
        QDir(dir.path()).mkpath(QStringLiteral("logs"));
        m = std::make_unique<qc::Module1>(qc::Paths{dir.path()}, clock, serial, port);
    }
    void write(const QString& name, const QByteArray& bytes) {
        QFile f(m->paths().logFile(name));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
    }
};

// Activity lines of a busy day, in time order, with two receivers: about 10 MB is 130,000 switches.
QByteArray activityLog(qsizetype bytes) {
    std::mt19937 random(11);
    const char* names[] = {"Morning News", "Farm Report", "Gospel Hour",  "Weather",    "Sports Today",
                           "Classics",     "Talk Back",   "Evening News", "Jazz Night", "Overnight"};
    QByteArray log;
    log.reserve(bytes + 200);
    for (int second = 0; log.size() < bytes; ++second) {
        const QByteArray time = QByteArray::number(second / 3600 % 24).rightJustified(2, '0') + ':' +
                                QByteArray::number(second / 60 % 60).rightJustified(2, '0') + ':' +
                                QByteArray::number(second % 60).rightJustified(2, '0');
        const int r = static_cast<int>(random() % 10);
        if (r == 9)
            log += time + "  Remote Start 1 On\r\n";
        else
            log += time + "  " + QByteArray(names[r]).leftJustified(25, ' ') + "Receiver " +
                   QByteArray::number(1 + r % 2) + " SP A,S," + QByteArray::number(10 + r) +
                   "<CR>AM A,3<CR>\r\n";
    }
    return log;
}

QByteArray garbage(qsizetype bytes) {
    std::mt19937 random(13);
    QByteArray g(bytes, '\0');
    for (char& c : g)
        c = static_cast<char>(random());
    return g;
}

void BM_LogDayList(benchmark::State& state) {
    Station s;
    const char* kinds[] = {"AL", "EB", "MP"};
    const QDate first(2024, 1, 1);
    for (int i = 0; i < state.range(0); ++i)
        s.write(QString::fromLatin1(kinds[i % 3]) + first.addDays(i / 3).toString(QStringLiteral("yyMMdd")) +
                    ".log",
                "08:00:00  x\r\n");
    s.m->LogKind = "AL";
    qc::LogViewer v(*s.m, qc::LogViewer::Window::ActivityLog);
    for (auto _ : state) {
        v.Form_Load();
        benchmark::DoNotOptimize(v.lstDate.count());
    }
    state.counters["days"] = v.lstDate.count();
}
BENCHMARK(BM_LogDayList)->Arg(3000)->Unit(benchmark::kMillisecond);

// Shows the 10 MB day (By Event or By Time) and goes back to the day list; the way back is not timed.
void showLog(benchmark::State& state, const QByteArray& bytes, bool byEvent) {
    Station s;
    s.write(QStringLiteral("AL261205.log"), bytes);
    s.m->LogKind = "AL";
    qc::LogViewer v(*s.m, qc::LogViewer::Window::ActivityLog);
    v.Form_Load();
    v.byEvent = byEvent;
    for (auto _ : state) {
        v.cmdOk_Click();
        state.PauseTiming();
        benchmark::DoNotOptimize(v.lstActivityLog.count());
        v.cmdOk_Click();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

void BM_ShowLogByEvent(benchmark::State& state) {
    showLog(state, activityLog(state.range(0) << 20), true);
}
BENCHMARK(BM_ShowLogByEvent)->Arg(10)->Unit(benchmark::kMillisecond);

void BM_ShowLogByTime(benchmark::State& state) {
    showLog(state, activityLog(state.range(0) << 20), false);
}
BENCHMARK(BM_ShowLogByTime)->Arg(10)->Unit(benchmark::kMillisecond);

void BM_ShowGarbageByEvent(benchmark::State& state) {
    showLog(state, garbage(state.range(0) << 20), true);
}
BENCHMARK(BM_ShowGarbageByEvent)->Arg(10)->Unit(benchmark::kMillisecond);

// The floor: the same file read at once, cut into lines and sorted as bytes.
void BM_ReadAndSortLog(benchmark::State& state) {
    Station s;
    const QByteArray bytes = activityLog(state.range(0) << 20);
    s.write(QStringLiteral("AL261205.log"), bytes);
    const QString path = s.m->paths().logFile(QStringLiteral("AL261205.log"));
    for (auto _ : state) {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        const QByteArray all = f.readAll();
        std::vector<QByteArray> lines;
        qsizetype start = 0;
        for (qsizetype i = all.indexOf('\n'); i >= 0; start = i + 1, i = all.indexOf('\n', start))
            lines.push_back(all.mid(start, i - start - 1));
        std::sort(lines.begin(), lines.end());
        benchmark::DoNotOptimize(lines.data());
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_ReadAndSortLog)->Arg(10)->Unit(benchmark::kMillisecond);

// What the operator waits for: Ok in the window until the list has been drawn.
void BM_ShowLogWindowByEvent(benchmark::State& state) {
    Station s;
    s.write(QStringLiteral("AL261205.log"), activityLog(state.range(0) << 20));
    s.m->LogKind = "AL";
    qc::frmActivityLog* w = qc::frmActivityLog::showViewer(*s.m);
    w->logic().byEvent = true;
    auto* list = w->findChild<QListView*>(QStringLiteral("lstActivityLog"));
    for (auto _ : state) {
        w->logic().cmdOk_Click();
        list->repaint();
        state.PauseTiming();
        w->logic().cmdOk_Click();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // gone before its program
}
BENCHMARK(BM_ShowLogWindowByEvent)->Arg(10)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
