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
    const QString path =
        paths_.logFile(QStringLiteral("AL") + QString::fromLatin1(DateText) + QStringLiteral(".log"));
    try {
        AppendFile::append(path, line + "\r\n");
    } catch (const std::exception& e) {
        emit fileWritten(path, false, toQcError(e).textOneBlank());
        throw;
    }
    emit fileWritten(path, true, {});
    emit logWritten("AL", line);
}

}  // namespace qc
