#pragma once

#include <QByteArray>
#include <QDateTime>

namespace qc {

// "YYMMDD", the date stamp of the daily log file names.
inline QByteArray logDateStamp(const QDate& d) {
    return d.toString(QStringLiteral("yyMMdd")).toLatin1();
}
// "HH:MM:SS", the time at the start of log lines.
inline QByteArray logTime(const QTime& t) {
    return t.toString(QStringLiteral("HH:mm:ss")).toLatin1();
}

}  // namespace qc
