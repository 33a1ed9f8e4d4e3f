#pragma once

#include <QByteArray>
#include <optional>
#include <vector>

namespace qc {

class Module1;
class SerialLine;

// The terminal's side of the wire, without its window: one exchange of MonitorCommand with a
// receiver on the terminal's own serial line, and the commands sent so far for recalling them.
class MonitorTerminal {
public:
    MonitorTerminal(Module1& m, SerialLine& line);

    // Sends MonitorCommand and a CR to receiver 1, or to receiver 2 when two receivers are in use and
    // it is chosen, and collects for the full second (the prompt does not end it). Gives "Sent " and
    // the answer. A failure is shown by its description alone and gives nothing; the port is
    // released on every path.
    std::optional<QByteArray> SendCommand(bool receiver2Chosen);

    // The command sent before the one shown (older) or after it (newer), as a terminal recalls them;
    // past the newest comes back what was being typed. Nothing when there is no such command.
    std::optional<QByteArray> older(const QByteArray& shown);
    std::optional<QByteArray> newer();

private:
    void remember(const QByteArray& command);

    Module1& m_;
    SerialLine& line_;
    std::vector<QByteArray> sent_;
    size_t at_ = 0;  // sent_.size() while nothing is recalled
    QByteArray typed_;
};

}  // namespace qc
