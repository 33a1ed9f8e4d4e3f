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
// Port and log are closed on every path. A failure is told as what it is: a port that failed names
// the port, a log that could not be written names its folder.
void Module1::readIntoLog(int receiver, const char* kind, const QByteArray& command,
                          const std::function<QList<QByteArray>(const QByteArray&)>& lines) {
    AppendFile log;
    QString logPath;
    bool logStep = false;  // the step under way is the log's
    try {
        OpenPort(serial_, CommandPort);
        DateText = logDateStamp(clock_.now().date());
        logPath = paths_.logFile(QString::fromLatin1(kind) + QString::fromLatin1(DateText) +
                                 QStringLiteral(".log"));
        logStep = true;
        log.open(logPath);
        logStep = false;
        const QByteArray answer = Converse(serial_, command, true, true, 1.0);
        serial_.close();
        emit receiverExchanged(receiver, !answer.isEmpty(),
                               answer.isEmpty() ? QStringLiteral("no answer within 1 second") : QString());
        const QList<QByteArray> written = lines(answer);
        QByteArray bytes;
        for (const QByteArray& line : written)
            bytes += line + "\r\n";
        logStep = true;
        log.write(bytes);
        log.close();
        emit fileWritten(logPath, true, {});
        for (const QByteArray& line : written)
            emit logWritten(kind, line);
    } catch (const std::exception& e) {
        log.close();
        serial_.close();
        const QcError error = toQcError(e);
        if (logStep) {
            emit fileWritten(logPath, false, error.textOneBlank());
            ShowMessage(error.textOneBlank() +
                        QStringLiteral(".  Make sure the folder %1 exists.").arg(paths_.logsFolder()));
        } else {
            emit receiverExchanged(receiver, false, error.textOneBlank());
            ShowMessage(error.textOneBlank());
        }
    }
}

void Module1::LogEbNo() {
    const int receiver = ReceiverText.endsWith('2') ? 2 : 1;
    readIntoLog(receiver, "EB", "EB", [this, receiver](const QByteArray& answer) -> QList<QByteArray> {
        const QByteArray time = logTime(clock_.now().time());
        const QByteArray value = ebNoValue(answer);
        emit ebNoRead(receiver, value);
        if (TwoReceivers == 0) return {time + "  " + value};
        if (TwoReceivers == 1) return {time + " " + ReceiverText + " " + value};
        return {};
    });
}

void Module1::LogMpegStatus() {
    if (ReceiverText == "1") CommandPort = Rx1Port;
    if (ReceiverText == "2") CommandPort = Rx2Port;
    readIntoLog(ReceiverText == "2" ? 2 : 1, "MP", "R M",
                [this](const QByteArray& answer) -> QList<QByteArray> {
                    const QByteArray time = logTime(clock_.now().time());
                    // The answer is written as received, its own line breaks and prompt included.
                    if (TwoReceivers == 0) return {time, answer};
                    if (TwoReceivers == 1) return {"Receiver " + ReceiverText + "  " + time, answer};
                    return {answer};
                });
}

}  // namespace qc
