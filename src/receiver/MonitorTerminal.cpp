#include "MonitorTerminal.h"

#include "core/Module1.h"

namespace qc {

namespace {
constexpr size_t kRemembered = 100;
}  // namespace

MonitorTerminal::MonitorTerminal(Module1& m, SerialLine& line) : m_(m), line_(line) {}

std::optional<QByteArray> MonitorTerminal::SendCommand(bool receiver2Chosen) {
    remember(m_.MonitorCommand);
    const int port = (m_.TwoReceivers == 1 && receiver2Chosen) ? m_.Rx2Port : m_.Rx1Port;
    try {
        m_.OpenPort(line_, port);
        const QByteArray answer = m_.Converse(line_, m_.MonitorCommand, true, false, 1.0);
        line_.close();
        return "Sent " + answer;
    } catch (const std::exception& e) {
        // A port left open would refuse every later exchange of this window.
        line_.close();
        m_.ShowMessage(toQcError(e).description());
        return std::nullopt;
    }
}

void MonitorTerminal::remember(const QByteArray& command) {
    if (!command.isEmpty() && (sent_.empty() || sent_.back() != command)) {
        sent_.push_back(command);
        if (sent_.size() > kRemembered) sent_.erase(sent_.begin());
    }
    at_ = sent_.size();
}

std::optional<QByteArray> MonitorTerminal::older(const QByteArray& shown) {
    if (at_ == 0) return std::nullopt;
    if (at_ == sent_.size()) typed_ = shown;
    return sent_[--at_];
}

std::optional<QByteArray> MonitorTerminal::newer() {
    if (at_ >= sent_.size()) return std::nullopt;
    ++at_;
    return at_ == sent_.size() ? typed_ : sent_[at_];
}

}  // namespace qc
