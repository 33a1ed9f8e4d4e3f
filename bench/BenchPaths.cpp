// What finding a file in any letter case costs each log line: the exact name is looked up first,
// and the folder is read only when the name is missing (the first line of a day, the daily
// deletions). A year of EbNo logs and two weeks of the others lie in the logs folder.
#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

#include "platform/Paths.h"

namespace {

struct OldStation {
    OldStation() {
        dir.setAutoRemove(true);
        QDir(dir.path()).mkdir(QStringLiteral("Logs"));
        const QDate today(2026, 12, 7);
        for (int d = 0; d < 365; ++d) {
            const QString stamp = today.addDays(-d).toString(QStringLiteral("yyMMdd"));
            QStringList kinds{QStringLiteral("EB")};
            if (d < 14) kinds << QStringLiteral("AL") << QStringLiteral("MP");
            for (const QString& kind : kinds)
                QFile(dir.filePath(QStringLiteral("Logs/%1%2.LOG").arg(kind, stamp)))
                    .open(QIODevice::WriteOnly);
        }
    }
    QTemporaryDir dir;
};

// A line appended to today's log, which exists in another letter case (AL261207.LOG in Logs).
void LogFileFound(benchmark::State& state) {
    OldStation station;
    const qc::Paths paths{station.dir.path()};
    for (auto _ : state)
        benchmark::DoNotOptimize(paths.logFile(QStringLiteral("AL261207.log")));
}
BENCHMARK(LogFileFound);

// The first line of a new day: no such file yet, so the folder is read.
void LogFileMissing(benchmark::State& state) {
    OldStation station;
    const qc::Paths paths{station.dir.path()};
    for (auto _ : state)
        benchmark::DoNotOptimize(paths.logFile(QStringLiteral("AL261208.log")));
}
BENCHMARK(LogFileMissing);

// Today's log under its exact name in logs, as a new station has it.
void LogFileExact(benchmark::State& state) {
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("logs"));
    QFile(dir.filePath(QStringLiteral("logs/AL261207.log"))).open(QIODevice::WriteOnly);
    const qc::Paths paths{dir.path()};
    for (auto _ : state)
        benchmark::DoNotOptimize(paths.logFile(QStringLiteral("AL261207.log")));
}
BENCHMARK(LogFileExact);

// A file of the data folder under its exact name, as a new station has it.
void DataFileExact(benchmark::State& state) {
    QTemporaryDir dir;
    QFile(dir.filePath(QStringLiteral("QuillornControl.ini"))).open(QIODevice::WriteOnly);
    const qc::Paths paths{dir.path()};
    for (auto _ : state)
        benchmark::DoNotOptimize(paths.file(QStringLiteral("QuillornControl.ini")));
}
BENCHMARK(DataFileExact);

}  // namespace

BENCHMARK_MAIN();
