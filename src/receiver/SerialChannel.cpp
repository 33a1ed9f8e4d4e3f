// The serial command channel: every exchange opens its port, writes one command line ended by a
// CR, collects the answer when one is wanted, and closes the port again.
#include <QDeadlineTimer>
#include <cmath>

#include "core/Module1.h"
#include "platform/Text.h"

namespace qc {

namespace {
// An answer longer than this is a receiver gone wrong; the rest is not kept.
constexpr qsizetype kMaxReply = 64 * 1024;
// How often the collection looks at the clock while nothing arrives.
constexpr int kPollMs = 20;
}  // namespace

QByteArray Module1::SettingsText() const {
    const QByteArray speed =
        (BaudIndex >= 0 && BaudIndex < int(BaudRates.size())) ? BaudRates[BaudIndex] : QByteArray();
    return speed + ",N,8,1";
}

void Module1::OpenPort(SerialLine& line, int port) {
    line.open(port, SettingsText());
}

QByteArray Module1::Converse(SerialLine& line, const QByteArray& command, bool wantAnswer, bool waitForPrompt,
                             double limitSeconds) {
    line.write(command + "\r");
    if (!wantAnswer) return {};

    // The limit counts from the start second: the time of day rounded to a whole second.
    const QDateTime now = clock_.now();
    const QDateTime startSecond =
        now.addMSecs(roundHalfEven(timerOf(now.time())) * 1000LL - now.time().msecsSinceStartOfDay());
    // Whatever the clock does (set back by a clock reset, a simulated clock that stands still), the
    // collection never lasts longer than its limit and the half second of the rounding.
    const QDeadlineTimer hardLimit(static_cast<qint64>((limitSeconds + 0.6) * 1000));

    QByteArray reply;
    for (;;) {
        const QByteArray piece = line.readAll();
        if (reply.size() < kMaxReply) reply += piece.left(kMaxReply - reply.size());
        if (waitForPrompt && reply.contains('>')) break;
        const double elapsed = startSecond.msecsTo(clock_.now()) / 1000.0;
        if (std::abs(elapsed) > limitSeconds || hardLimit.hasExpired()) break;
        const int remainingMs = static_cast<int>((limitSeconds - elapsed) * 1000) + 1;
        line.waitForInput(std::clamp(remainingMs, 1, kPollMs));
    }
    return reply;
}

void Module1::SendReceiverCommand() {
    sendFailure_.clear();
    try {
        OpenPort(serial_, CommandPort);
        Converse(serial_, CommandText, false, false, 0);
        serial_.close();
    } catch (const std::exception& e) {
        serial_.close();
        const QcError error = toQcError(e);
        // The callers log what went out; they learn here that this did not.
        sendFailure_ = error.textOneBlank();
        ShowMessage(error.textOneBlank() + QStringLiteral(" Command not sent."));
    }
}

QByteArray Module1::LoggedCommand() {
    CommandText.replace("\r", "<CR>");
    return sendFailure_.isEmpty() ? CommandText : "not sent: " + toCp1252(sendFailure_);
}

}  // namespace qc
