// make-demo DIR: makes a demo data folder from the shared demo data, with a schedule whose entries
// come every few minutes around the clock on every day, so a new user sees the program switch soon.
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <cstdio>

#include "engine/ScheduleEntry.h"
#include "engine/ScheduleFile.h"
#include "platform/Paths.h"
#include "platform/QcError.h"
#include "platform/Text.h"

namespace {

constexpr int kSpacingMinutes = 4;

const char* const kProgrammes[] = {"Morning News", "Farm Report",   "Sports Roundup", "Gospel Hour",
                                   "Market Watch", "Weather Desk",  "Talk of Town",   "Classic Hits",
                                   "Evening News", "Children Hour", "Jazz Session",   "World Service"};

qc::ScheduleEntry entryAt(int index, int receiver, int secondOfDay) {
    qc::ScheduleEntry e;
    e.Active = 1;
    const QByteArray time = QTime(0, 0).addSecs(secondOfDay).toString(QStringLiteral("HH:mm:ss")).toLatin1();
    const QByteArray name = QByteArray(kProgrammes[index % std::size(kProgrammes)]) + " " + time.left(5);
    e.Name = qc::fitField(name, qc::ScheduleEntry::NameLength);
    // Every third programme holds the remote start for a minute, the others pulse it.
    e.RemoteMode = static_cast<int16_t>(index % 3 == 0 ? 3 : 2);
    e.Length = qc::fitField(e.RemoteMode == 3 ? "01:00" : "", qc::ScheduleEntry::LengthLength);
    e.Port = QByteArray(1, static_cast<char>('A' + index % 6));
    e.SourceCode = static_cast<int16_t>(10 + index % 40);
    e.Route = static_cast<int16_t>(index % 4);
    e.Attenuation = 0;
    e.Receiver = static_cast<int16_t>(receiver);
    for (int d = 0; d < 7; ++d) {
        e.Days[d] = 1;
        e.Times[d] = time;
    }
    return e;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-demo DIR\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    const QString source = qc::Paths::sharedDataFolder() + QStringLiteral("/demo");
    try {
        if (!QDir().mkpath(dir + QStringLiteral("/logs")))
            throw qc::QcError(qc::QcError::PathNotFound, QStringLiteral("cannot create ") + dir);
        for (const QString& name : QDir(source).entryList(QDir::Files)) {
            QFile::remove(dir + QLatin1Char('/') + name);
            if (!QFile::copy(source + QLatin1Char('/') + name, dir + QLatin1Char('/') + name))
                throw qc::QcError(qc::QcError::PathFileAccessError, QStringLiteral("cannot copy ") + name);
            QFile(dir + QLatin1Char('/') + name)
                .setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
        }

        // The first event about two minutes from now, then one every few minutes, the two receivers
        // taking turns; a pair at the same second now and then shows both switching together.
        const int now = QTime::currentTime().msecsSinceStartOfDay() / 1000;
        const int first = (now / 60 + 2) * 60 + 30;
        qc::ScheduleFile file;
        file.open(dir + QStringLiteral("/SwitchList.dat"));
        int record = 0;
        const int count = 24 * 60 / kSpacingMinutes;
        for (int i = 0; i < count; ++i) {
            const int second = (first + i * kSpacingMinutes * 60) % 86400;
            file.write(++record, entryAt(i, i % 2 + 1, second));
            if (i % 5 == 4) file.write(++record, entryAt(i + 1, i % 2 == 0 ? 2 : 1, second));
        }

        // The parallel port, simulated in a file: outputs at rest, no input active.
        QFile lpt(dir + QStringLiteral("/LPT1"));
        if (!lpt.open(QIODevice::WriteOnly | QIODevice::Truncate) || lpt.write("\x00\x7f", 2) != 2)
            throw qc::QcError(qc::QcError::PathFileAccessError, QStringLiteral("cannot write LPT1"));
        std::printf("demo data folder %s: %d schedule entries, first at %s\n", argv[1], record,
                    qPrintable(QTime(0, 0).addSecs(first % 86400).toString(QStringLiteral("HH:mm:ss"))));
    } catch (const qc::QcError& e) {
        std::fprintf(stderr, "make-demo: %s\n", qPrintable(e.text()));
        return 1;
    }
    return 0;
}
