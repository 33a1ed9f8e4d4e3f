#include "ScheduleChecks.h"

#include "engine/ScheduleEntry.h"
#include "platform/Text.h"

namespace qc {

QStringList deliveredScheduleFaults(const QByteArray& bytes, const std::array<QByteArray, 8>& dayNames,
                                    bool remoteStartOn, int limit) {
    constexpr qsizetype R = ScheduleEntry::RecordLength;
    if (bytes.isEmpty()) return {QStringLiteral("the file is empty")};
    if (bytes.size() % R != 0)
        return {QStringLiteral("its length, %1 bytes, is not a whole number of %2-byte records")
                    .arg(bytes.size())
                    .arg(R)};
    if (bytes.size() / R > kMostDeliveredRecords)
        return {QStringLiteral("it holds %1 records, more than a schedule may (%2)")
                    .arg(bytes.size() / R)
                    .arg(kMostDeliveredRecords)};
    QStringList faults;
    int more = 0;
    int inUse = 0;
    ScheduleEntry e;
    for (qsizetype n = 1; n * R <= bytes.size(); ++n) {
        e.assignFrom(bytes.constData() + (n - 1) * R);
        // Free records never run, whatever they hold.
        if (e.Active != 1) continue;
        ++inUse;
        const QString record =
            QStringLiteral("record %1 (\"%2\"), ").arg(n).arg(fromCp1252(trimBlanks(e.Name)));
        auto fault = [&](const QString& field, const QString& why) {
            if (faults.size() < limit)
                faults << record + field + QStringLiteral(": ") + why;
            else
                ++more;
        };
        if (e.Receiver < 0 || e.Receiver > 2)
            fault(QStringLiteral("Receiver"),
                  QStringLiteral("%1 is no receiver (0, 1 or 2)").arg(e.Receiver));
        if (e.RemoteMode < 1 || e.RemoteMode > 3)
            fault(QStringLiteral("RemoteMode"),
                  QStringLiteral("%1 is no remote-start mode (1 none, 2 Momentary, 3 Holding)")
                      .arg(e.RemoteMode));
        for (int i = 0; i < 7; ++i) {
            if (e.Days[i] == 0) continue;
            const QString why = timeRefusal(e.Times[i], dayNames[i + 1]);
            if (!why.isEmpty())
                fault(QStringLiteral("%1 time \"%2\"")
                          .arg(QString::fromLatin1(dayNames[i + 1]), fromCp1252(e.Times[i])),
                      why);
        }
        // The Length is read only for a Holding remote start.
        if (e.RemoteMode == 3) {
            QString why = lengthRefusal(e.Length);
            if (why.isEmpty()) why = holdingRefusal(e, remoteStartOn);
            if (!why.isEmpty()) fault(QStringLiteral("Length \"%1\"").arg(fromCp1252(e.Length)), why);
        }
    }
    if (more > 0) faults << QStringLiteral("and %1 more").arg(more);
    // Every record free: applied, it would silence the station (a file made to its size and not yet
    // written looks just so).
    if (inUse == 0) faults << QStringLiteral("it holds no entry in use; the station would switch nothing");
    return faults;
}

}  // namespace qc
