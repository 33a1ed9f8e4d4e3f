// The daily activity log ALyymmdd.log: one line per action, "HH:MM:SS", two blanks, the text.
#include "LogNames.h"
#include "core/Module1.h"
#include "platform/AppendFile.h"

namespace qc {

void Module1::WriteActivityLog() {
    if (ActivityLogOn != 1) return;
    const QDateTime now = clock_.now();
    DateText = logDateStamp(now.date());
    const QByteArray line = logTime(now.time()) + "  " + ActivityText;
    AppendFile::append(
        paths_.logFile(QStringLiteral("AL") + QString::fromLatin1(DateText) + QStringLiteral(".log")),
        line + "\r\n");
    emit logWritten("AL", line);
}

}  // namespace qc
