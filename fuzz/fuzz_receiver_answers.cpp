// A receiver's answers as any bytes: the EbNo reading keeps only digits and points, the MPEG log
// holds the answer exactly, and a switch command goes out whatever the line answers.
#include "FuzzSupport.h"

using namespace qc;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    test::TestProgram& p = fuzz::program();
    const QByteArray answer(reinterpret_cast<const char*>(data) + 1, static_cast<qsizetype>(size - 1));
    fuzz::reset(p, answer);
    p.clock.set(QDateTime(QDate(2026, 12, 7), QTime(14, 0, 12)));
    p.m->TwoReceivers = static_cast<int16_t>(data[0] % 3);
    const QString eb = p.file(QStringLiteral("logs/EB261207.log"));
    const QString mp = p.file(QStringLiteral("logs/MP261207.log"));

    p.m->CommandPort = 1;
    p.m->ReceiverText = "R1";
    p.m->LogEbNo();
    QFile ebLog(eb);
    if (ebLog.open(QIODevice::ReadOnly)) {
        const QByteArray line = ebLog.readAll();
        // With a receiver setting other than one or two no line is written at all.
        if (p.m->TwoReceivers == 2) fuzz::require(line.isEmpty());
        if (line.isEmpty()) return 0;
        fuzz::require(line.endsWith("\r\n") && line.count('\n') == 1);
        const QByteArray value = line.mid(line.lastIndexOf(' ') + 1).chopped(2);
        for (char c : value)
            fuzz::require(value == "None" || (c >= '0' && c <= '9') || c == '.');
    }

    p.m->ReceiverText = "1";
    p.m->LogMpegStatus();
    QFile mpLog(mp);
    if (mpLog.open(QIODevice::ReadOnly)) {
        // The answer exactly as it came (an endless one cut at its limit).
        fuzz::require(mpLog.readAll().contains(answer.left(64 * 1024)));
    }

    p.serial.writes.clear();
    p.m->CommandText = "EB";
    p.m->SendReceiverCommand();
    fuzz::require(fuzz::written(p) == "EB\r");
    return 0;
}
