#include "RelayPanel.h"

#include <QDeadlineTimer>
#include <cmath>

#include "core/Module1.h"
#include "platform/SerialLine.h"

namespace qc {

namespace {

// How often a wait looks at the clock while nothing arrives.
constexpr int kPollMs = 20;

// The time of day rounded to a whole second, halves to the even one, as a date and time so that a
// wait over midnight is measured right.
QDateTime wholeSecond(const QDateTime& t) {
    return t.addMSecs(roundHalfEven(timerOf(t.time())) * 1000LL - t.time().msecsSinceStartOfDay());
}

double secondsBetween(const QDateTime& from, const QDateTime& to) {
    return std::abs(from.msecsTo(to) / 1000.0);
}

}  // namespace

RelayPanel::RelayPanel(Module1& m, SerialLine& line) : m_(m), line_(line) {}

RelayPanel::~RelayPanel() {
    line_.close();
}

QString RelayPanel::buttonName(int index) {
    return QStringLiteral("Relay %1 %2").arg(index / 2 + 1).arg(index % 2 == 0 ? "Open" : "Close");
}

void RelayPanel::exchange(const std::function<void()>& steps) {
    try {
        steps();
        line_.close();
    } catch (const std::exception& e) {
        // A port left open would refuse every later click; the panel is never left waiting on it.
        line_.close();
        m_.ShowMessage(toQcError(e).text());
    }
}

void RelayPanel::collect(const QDateTime& from, double limitSeconds, bool dropEarlyPrompt, QByteArray held) {
    // Whatever the clock does meanwhile (a clock reset sets it back), the wait ends in time.
    const QDeadlineTimer hardLimit(static_cast<qint64>((limitSeconds + 1.6) * 1000));
    for (;;) {
        reply_ += held + line_.readAll();
        held.clear();
        const qsizetype prompt = reply_.indexOf('>');
        if (dropEarlyPrompt && prompt >= 0 && prompt < 4) reply_.remove(0, prompt + 1);
        if (reply_.contains('>')) return;
        if (secondsBetween(from, m_.clock().now()) > limitSeconds || hardLimit.hasExpired()) return;
        line_.waitForInput(kPollMs);
    }
}

QString RelayPanel::receiverText() const {
    const QString port = QStringLiteral("Serial Port %1").arg(port_);
    if (port_ == m_.Rx1Port) return QStringLiteral("Receiver 1 on ") + port;
    if (m_.TwoReceivers == 1 && port_ == m_.Rx2Port) return QStringLiteral("Receiver 2 on ") + port;
    return port + QStringLiteral(", no receiver set up on it");
}

void RelayPanel::Form_Load() {
    mode_ = m_.MonitorCommand;
    twoRelays_ = mode_ == "R R";
    port_ = m_.CommandPort;
    settings_ = m_.SettingsText();
    exchange([this] {
        line_.open(port_, settings_);
        line_.write(mode_ + '\r');
        // The limit second is a second ahead, and the answer may take two more: about 3 s in all.
        collect(wholeSecond(m_.clock().now().addSecs(1)), 2.0, false, {});
    });
}

void RelayPanel::cmdR_Click(int index) {
    exchange([this, index] {
        if (!line_.isOpen()) line_.open(port_, settings_);
        const QByteArray& mode = mode_;
        static const char* const relays[] = {"RE O 1", "RE C 1", "RE O 2", "RE C 2"};
        if (mode == "R R" && index >= 0 && index < 4) line_.write(QByteArray(relays[index]) + '\r');
        relayNumber_ = static_cast<int16_t>(index / 2 + 1);
        if (mode == "R ER") {
            relayPrefix_ = index % 2 == 0 ? "ER D " : "ER E ";
            line_.write(relayPrefix_ + QByteArray::number(relayNumber_) + '\r');
        }
        line_.write(mode + '\r');

        // A second for the receiver to act; what arrives meanwhile is taken into the reply after it.
        const QDateTime start = wholeSecond(m_.clock().now());
        const QDeadlineTimer hardLimit(2600);
        QByteArray held;
        while (secondsBetween(start, m_.clock().now()) <= 1.0 && !hardLimit.hasExpired()) {
            held += line_.readAll();
            line_.waitForInput(kPollMs);
        }
        collect(start, 2.0, true, held);
    });
}

}  // namespace qc
