#include "ReceiverSetUp.h"

#include <array>
#include <vector>

#include "core/Module1.h"

namespace qc {

namespace {

constexpr std::array<char, 4> kRouteCodes{'1', '2', 'S', 'R'};

// The relays that belong to each audio port, set after its audio set-up.
const std::array<std::vector<QByteArray>, 4>& portRelays() {
    static const std::array<std::vector<QByteArray>, 4> relays{{
        {"ER D 11", "ER D 14"},
        {"ER D 4", "ER D 7"},
        {"ER D 1"},
        {"ER D 8"},
    }};
    return relays;
}

}  // namespace

QStringList receiverPortNames() {
    return {QStringLiteral("Port 1"), QStringLiteral("Port 2"), QStringLiteral("Port 3"),
            QStringLiteral("Port 4")};
}

QStringList receiverRouteNames() {
    return {QStringLiteral("Left"), QStringLiteral("Right"), QStringLiteral("Stereo"),
            QStringLiteral("Reverse")};
}

QByteArray audioCommand(const ReceiverSetUpChoice& choice) {
    const int route = std::clamp(choice.routeRow, 0, int(kRouteCodes.size()) - 1);
    return "SETAUDIO " + QByteArray::number(choice.portRow + 1) + ' ' + kRouteCodes[route] + ' ' +
           choice.source + choice.attenuation;
}

void SendAudioSetUp(Module1& m, const ReceiverSetUpChoice& choice) {
    if (choice.source.isEmpty()) {
        m.ShowMessage(QStringLiteral("No Source Code Selected"));
        return;
    }
    // Anything but two receivers in use is one receiver: receiver 1's port.
    const int port = (m.TwoReceivers == 1 && choice.receiverTwo) ? m.Rx2Port : m.Rx1Port;
    m.CommandText = audioCommand(choice);
    m.CommandPort = port;
    m.SendReceiverCommand();
    if (choice.portRow >= 0 && choice.portRow < int(portRelays().size())) {
        for (const QByteArray& relay : portRelays()[choice.portRow]) {
            m.CommandText = relay;
            m.CommandPort = port;
            m.SendReceiverCommand();
        }
    }
    if (choice.viewSettings) m.MonitorCommand = "R M";
}

}  // namespace qc
