// The terminal against any answer and any typed commands: it shows "Sent " and the whole answer of
// the second, writes the command and one CR, lets the port go, and recalls what was sent newest first.
#include "FuzzSupport.h"
#include "receiver/MonitorTerminal.h"

using namespace qc;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Program& p = fuzz::program();
    p.reset();
    // The answer, then the commands typed, separated by 0xff bytes.
    const QList<QByteArray> parts =
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)).split('\xff');
    p.line.answer = parts[0];
    MonitorTerminal terminal(*p.m, p.line);
    std::vector<QByteArray> sent;
    for (qsizetype i = 1; i < parts.size(); ++i) {
        p.line.written.clear();
        p.m->MonitorCommand = parts[i];
        const QDateTime before = p.clock.now();
        fuzz::require(terminal.SendCommand(false) == "Sent " + parts[0].left(64 * 1024));
        fuzz::require(p.line.written == parts[i] + '\r' && !p.line.isOpen());
        fuzz::require(before.msecsTo(p.clock.now()) <= 2100);
        if (!parts[i].isEmpty() && (sent.empty() || sent.back() != parts[i])) sent.push_back(parts[i]);
    }
    for (size_t back = 1; back <= std::min<size_t>(sent.size(), 100); ++back)
        fuzz::require(terminal.older({}) == sent[sent.size() - back]);
    fuzz::require(!terminal.older({}));
    return 0;
}
