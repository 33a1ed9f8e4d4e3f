// The two-line switch command sent to a receiver before each scheduled event.
#include "core/Module1.h"

namespace qc {

namespace {

QByteArray switchCommand(const ScheduleEntry& e) {
    const QByteArray port = e.Port.left(1);
    return "SP " + port + ",S," + QByteArray::number(e.SourceCode) + "\r" + "AM " + port + "," +
           QByteArray::number(e.Route) + "\r";
}

}  // namespace

void Module1::SwitchReceiver1() {
    switchReceiver(1);
}

void Module1::SwitchReceiver2() {
    switchReceiver(2);
}

void Module1::switchReceiver(int receiver) {
    try {
        const int32_t record = receiver == 1 ? NextRecord1 : NextRecord2;
        // The entry is read afresh each time, so an edit between the two sends is picked up.
        if (record < 1 || !GetRecord(record)) throw QcError(63, QStringLiteral("Bad record number"));
        CommandText = switchCommand(EntryBuf);
        CommandPort = receiver == 1 ? Rx1Port : Rx2Port;
        SendReceiverCommand();
        // The log says what went to the receiver: a command that did not go out is logged as such.
        const QByteArray what = LoggedCommand();
        if (receiver == 2)
            ActivityText = EntryBuf.Name + "Receiver 2 " + what;
        else if (TwoReceivers == 0)
            ActivityText = EntryBuf.Name + " " + what;
        else if (TwoReceivers == 1)
            ActivityText = EntryBuf.Name + "Receiver 1 " + what;
        emit switchCommandDone(receiver, sendFailure_.isEmpty(), sendFailure_);
        if (ActivityLogOn == 1) WriteActivityLog();
    } catch (const std::exception& e) {
        ShowMessage(toQcError(e).description());
    }
}

}  // namespace qc
