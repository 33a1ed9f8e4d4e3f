// The as-run report over a year of a busy station (366 days, 288 events a day, two receivers):
// to CSV in process and through the program's command line, a month for the window and the window
// itself, each beside the least any report can cost: reading the same files' bytes.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTableView>
#include <QTemporaryDir>
#include <random>

#include "IdleSerialLine.h"
#include "RunGuard.h"
#include "asrun/AsRunReport.h"
#include "asrun/frmAsRun.h"
#include "core/Module1.h"

namespace {

const QDate kFirst(2025, 12, 7);
constexpr int kDays = 366;

// A data folder with a year of records, made once.
struct Year {
    QTemporaryDir dir;
    qint64 bytes = 0;

    Year() {
        rig::removeWithMe(dir.path());  // a killed run leaves no year of files behind
        QDir(dir.path()).mkpath(QStringLiteral("logs"));
        std::mt19937 random(7);
        const QByteArray names[] = {"Morning News", "Farm Report", "\"Gospel, Hour\"", "Weather",
                                    "Sports Today", "Classics",    "Talk Back",        "Evening News",
                                    "Jazz Night",   "Overnight"};
        const char* outcomes[] = {",2,%1,1,sent", ",1,%1,1,partly sent", ",0,%1,1,failed", ",0,,,missed"};
        for (int day = 0; day < kDays; ++day) {
            const QDate date = kFirst.addDays(day);
            QByteArray file = qc::AsRunHeader;
            for (int i = 0; i < 288; ++i) {
                const QTime at = QTime(0, 0).addSecs(i * 300);
                const unsigned r = random();
                const int outcome = r % 100 < 96 ? 0 : int(1 + r % 3);
                const QByteArray remote = at.toString(QStringLiteral("HH:mm:ss")).toLatin1();
                file +=
                    date.toString(Qt::ISODate).toLatin1() + ',' + remote + ',' +
                    QByteArray::number(1 + i % 2) + ',' + names[r % 10] + ",A," +
                    QByteArray::number(10 + r % 90) + ",3," +
                    (outcome < 2 ? at.addSecs(-14).toString(QStringLiteral("HH:mm:ss.zzz")).toLatin1() : "") +
                    QByteArray(outcomes[outcome]).replace("%1", remote) + "\r\n";
            }
            QFile f(QDir(dir.path())
                        .filePath(QStringLiteral("logs/AR") + date.toString(QStringLiteral("yyMMdd")) +
                                  QStringLiteral(".csv")));
            f.open(QIODevice::WriteOnly);
            bytes += f.write(file);
        }
    }
    QString logs() const { return QDir(dir.path()).filePath(QStringLiteral("logs")); }
};

Year& year() {
    static Year y;
    return y;
}

// The floor: every file of the range read whole.
void BM_ReadBytes(benchmark::State& state) {
    const QDir logs(year().logs());
    for (auto _ : state) {
        qint64 total = 0;
        for (int day = 0; day < state.range(0); ++day) {
            QFile f(logs.filePath(QStringLiteral("AR") +
                                  kFirst.addDays(day).toString(QStringLiteral("yyMMdd")) +
                                  QStringLiteral(".csv")));
            f.open(QIODevice::ReadOnly);
            total += f.readAll().size();
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(state.iterations() * year().bytes * state.range(0) / kDays);
}
BENCHMARK(BM_ReadBytes)->Arg(kDays)->Arg(31)->Unit(benchmark::kMillisecond);

// Read and sorted: what the window and every export start from.
void BM_ReadRange(benchmark::State& state) {
    for (auto _ : state) {
        const qc::AsRunReport r =
            qc::AsRunReport::read(year().logs(), kFirst, kFirst.addDays(state.range(0) - 1));
        benchmark::DoNotOptimize(r.rows.data());
    }
    state.SetBytesProcessed(state.iterations() * year().bytes * state.range(0) / kDays);
}
BENCHMARK(BM_ReadRange)->Arg(kDays)->Arg(31)->Unit(benchmark::kMillisecond);

// Read, sorted and written as CSV to a file, as the command line does.
void BM_RangeToCsv(benchmark::State& state) {
    const QString out = QDir(year().dir.path()).filePath(QStringLiteral("out.csv"));
    for (auto _ : state) {
        const qc::AsRunReport r =
            qc::AsRunReport::read(year().logs(), kFirst, kFirst.addDays(state.range(0) - 1));
        qc::saveFile(out, [&](QIODevice& d) { return d.write(r.csv()) >= 0; });
    }
    state.SetBytesProcessed(state.iterations() * year().bytes * state.range(0) / kDays);
}
BENCHMARK(BM_RangeToCsv)->Arg(kDays)->Arg(31)->Unit(benchmark::kMillisecond);

// The whole command, a process started and ended, as a station's script runs it.
void BM_CommandLineYearToCsv(benchmark::State& state) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUILLORN_HOME"), year().dir.path());
    const QStringList args = {QStringLiteral("--as-run"), kFirst.toString(Qt::ISODate),
                              kFirst.addDays(kDays - 1).toString(Qt::ISODate), QStringLiteral("--csv"),
                              QDir(year().dir.path()).filePath(QStringLiteral("cli.csv"))};
    for (auto _ : state) {
        QProcess p;
        p.setProcessEnvironment(env);
        rig::own(p);  // ended with this program, also when it is killed
        p.start(QStringLiteral(QUILLORNCONTROL_BINARY), args);
        if (!p.waitForFinished(60000) || p.exitCode() != 0) state.SkipWithError("the command failed");
    }
}
BENCHMARK(BM_CommandLineYearToCsv)->Unit(benchmark::kMillisecond)->UseRealTime();

// What the operator waits for: the window opened on the last month until its table is drawn.
void BM_WindowOpensMonth(benchmark::State& state) {
    qc::SimulatedClock clock(QDateTime(kFirst.addDays(kDays - 1), QTime(12, 0)));
    qc::bench::IdleSerialLine serial;
    qc::MemoryParallelPort port;
    qc::Module1 m(qc::Paths{year().dir.path()}, clock, serial, port);
    for (auto _ : state) {
        auto* w = new qc::frmAsRun(m);
        w->findChild<QWidget*>(QStringLiteral("dtpFrom"))->setProperty("date", kFirst.addDays(kDays - 31));
        w->show();
        w->findChild<QTableView*>(QStringLiteral("grdAsRun"))->repaint();
        if (w->report().rows.size() != 31 * 288) state.SkipWithError("not a month of rows");
        state.PauseTiming();
        w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_WindowOpensMonth)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    rig::endChildrenWithMe();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
