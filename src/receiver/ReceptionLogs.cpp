// The EbNo readings (EByymmdd.log) and the MPEG status after each switch (MPyymmdd.log).
#include "core/Module1.h"
#include "engine/LogNames.h"
#include "platform/AppendFile.h"

namespace qc {

namespace {

QByteArray ebNoValue(const QByteArray& answer) {
    QByteArray value;
    for (char c : answer)
        if ((c >= '0' && c <= '9') || c == '.') value += c;
    return value.isEmpty() ? QByteArray("None") : value;
}

}  // namespace

// Opens the port and then the log of today, sends the command and collects the answer; the caller
// writes the lines. A missing logs folder stops the reading before anything reaches the receiver.
// Port and log are closed on every path.
void Module1::readIntoLog(const char* kind, const QByteArray& command,
                          const std::function<QList<QByteArray>(const QByteArray&)>& lines) {
    AppendFile log;
    try {
        OpenPort(serial_, CommandPort);
        DateText = logDateStamp(clock_.now().date());
        log.open(paths_.logFile(QString::fromLatin1(kind) + QString::fromLatin1(DateText) +
                                QStringLiteral(".log")));
        const QByteArray answer = Converse(serial_, command, true, true, 1.0);
        const QList<QByteArray> written = lines(answer);
        QByteArray bytes;
        for (const QByteArray& line : written)
            bytes += line + "\r\n";
        log.write(bytes);
        log.close();
        serial_.close();
        for (const QByteArray& line : written)
            emit logWritten(kind, line);
    } catch (const std::exception& e) {
        log.close();
        serial_.close();
        ShowMessage(toQcError(e).textOneBlank() +
                    QStringLiteral(".  Make sure the folder %1 exists.").arg(paths_.logsFolder()));
    }
}

void Module1::LogEbNo() {
    readIntoLog("EB", "EB", [this](const QByteArray& answer) -> QList<QByteArray> {
        const QByteArray time = logTime(clock_.now().time());
        if (TwoReceivers == 0) return {time + "  " + ebNoValue(answer)};
        if (TwoReceivers == 1) return {time + " " + ReceiverText + " " + ebNoValue(answer)};
        return {};
    });
}

void Module1::LogMpegStatus() {
    if (ReceiverText == "1") CommandPort = Rx1Port;
    if (ReceiverText == "2") CommandPort = Rx2Port;
    readIntoLog("MP", "R M", [this](const QByteArray& answer) -> QList<QByteArray> {
        const QByteArray time = logTime(clock_.now().time());
        // The answer is written as received, its own line breaks and prompt included.
        if (TwoReceivers == 0) return {time, answer};
        if (TwoReceivers == 1) return {"Receiver " + ReceiverText + "  " + time, answer};
        return {answer};
    });
}

}  // namespace qc
