// The terminal against any answer and any typed commands: it shows "Sent " and the whole answer of
// the second, writes the command and one CR, lets the port go, and recalls what was sent newest first.
// Past the first few commands the port has no device: an answered exchange polls through a simulated
// second, and inputs of hundreds of them held the run near 400 inputs a second. The commands that fail
// are remembered all the same and fill the recall list to its end.
#include "FuzzSupport.h"
#include "receiver/MonitorTerminal.h"

using namespace qc;

constexpr qsizetype kAnswered = 8;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    test::TestProgram& p = fuzz::program();
    // The answer, then the commands typed, separated by 0xff bytes.
    const QList<QByteArray> parts =
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)).split('\xff');
    fuzz::reset(p, parts[0]);
    p.serial.missingPorts.clear();
    MonitorTerminal terminal(*p.m, p.serial);
    std::vector<QByteArray> sent;
    for (qsizetype i = 1; i < parts.size(); ++i) {
        p.serial.writes.clear();
        p.m->MonitorCommand = parts[i];
        if (i > kAnswered) {
            p.serial.missingPorts = {1};
            p.messages.clear();
            fuzz::require(!terminal.SendCommand(false) && p.messages.size() == 1);
            fuzz::require(p.serial.writes.empty() && !p.serial.isOpen());
        } else {
            const QDateTime before = p.clock.now();
            // The receiver answers every line of the command, the one CR sends included.
            const QByteArray answers = parts[0].repeated(parts[i].count('\r') + 1);
            fuzz::require(terminal.SendCommand(false) == "Sent " + answers.left(64 * 1024));
            fuzz::require(fuzz::written(p) == parts[i] + '\r' && !p.serial.isOpen());
            fuzz::require(before.msecsTo(p.clock.now()) <= 2100);
        }
        if (!parts[i].isEmpty() && (sent.empty() || sent.back() != parts[i])) sent.push_back(parts[i]);
    }
    for (size_t back = 1; back <= std::min<size_t>(sent.size(), 100); ++back)
        fuzz::require(terminal.older({}) == sent[sent.size() - back]);
    fuzz::require(!terminal.older({}));
    return 0;
}
