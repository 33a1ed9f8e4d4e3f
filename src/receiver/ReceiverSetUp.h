#pragma once

#include <QByteArray>
#include <QStringList>

namespace qc {

class Module1;

// What the receiver set-up window has chosen when "Set" is clicked.
struct ReceiverSetUpChoice {
    int portRow = 0;           // lstPort: "Port 1" .. "Port 4"
    int routeRow = 0;          // lstRoute: "Left", "Right", "Stereo", "Reverse"
    QByteArray source;         // the lstLang line: a source code of Source.dat
    QByteArray attenuation;    // the lstAtt line: "0" .. "14"
    bool receiverTwo = false;  // "Receiver Two" chosen (only while two receivers are in use)
    bool viewSettings = true;  // "View  Settings" checked
};

// The lines of the set-up window's lists.
QStringList receiverPortNames();
QStringList receiverRouteNames();

// "SETAUDIO " port, route code, source code and attenuation: port 2, "Stereo", ABC and 3 give
// "SETAUDIO 2 S ABC3".
QByteArray audioCommand(const ReceiverSetUpChoice& choice);

// The Set button: the audio set-up and then the port's fixed relay commands, each sent through
// SendReceiverCommand to the chosen receiver (each failure reported on its own, the next still
// tried); with "View  Settings" the terminal's command becomes "R M". Nothing is sent without a
// source code: the message window says "No Source Code Selected".
void SendAudioSetUp(Module1& m, const ReceiverSetUpChoice& choice);

}  // namespace qc
