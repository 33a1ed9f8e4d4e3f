#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <functional>

namespace qc {

class Module1;
class SerialLine;

// The relay panel's work, without its window. Its mode is MonitorCommand at opening: "R R" for the
// receiver's two relays, "R ER" for its fourteen extended relays. The mode decides which buttons
// show, is sent as the status query, and stays the panel's own: a switch cycle that leaves "R M" in
// MonitorCommand meanwhile does not turn a relay button into an MPEG query. The reply text only
// grows: every answer is added to it.
//
// The panel has its own serial line, opened on CommandPort at opening and kept on that port. A
// failure closes the line and is shown in the message window; the next click tries again.
class RelayPanel {
public:
    static constexpr int ButtonCount = 28;

    RelayPanel(Module1& m, SerialLine& line);
    ~RelayPanel();
    RelayPanel(const RelayPanel&) = delete;
    RelayPanel& operator=(const RelayPanel&) = delete;

    // The opening: the buttons of the mode, then the status query and its answer (up to about 3 s).
    void Form_Load();
    // A click on cmdR(index): the relay command of the mode, the status query again, and after a
    // second's wait the answer (up to about 2.5 s in all).
    void cmdR_Click(int index);

    bool buttonShown(int index) const { return !twoRelays_ || index < 4; }
    const QByteArray& replyText() const { return reply_; }
    // Which receiver the panel talks to, "Receiver 2 on Serial Port 2", from the port it was opened on.
    QString receiverText() const;

    // What a screen reader announces for a button: its row and action, "Relay 3 Open".
    static QString buttonName(int index);

private:
    void exchange(const std::function<void()>& steps);
    // Adds what arrives to the reply text until it holds ">" or the time is more than `limitSeconds`
    // away from `from`. With `dropEarlyPrompt`, a ">" among the first four characters of the reply
    // is removed with everything before it, before the reply is looked at.
    void collect(const QDateTime& from, double limitSeconds, bool dropEarlyPrompt, QByteArray held);

    Module1& m_;
    SerialLine& line_;
    QByteArray reply_;
    QByteArray mode_;
    bool twoRelays_ = false;
    int port_ = 0;
    QByteArray settings_;
    int16_t relayNumber_ = 0;
    QByteArray relayPrefix_;
};

}  // namespace qc
