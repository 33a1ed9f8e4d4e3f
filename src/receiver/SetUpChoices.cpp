#include "SetUpChoices.h"

#include <QRegularExpression>

#include "core/Module1.h"
#include "platform/Text.h"

namespace qc {

namespace {
const QByteArray kRetentionUnits = "dwmy";
const QString kSamePorts = QStringLiteral("Receiver one and receiver two Ports may not be the same.");
}  // namespace

SetUpChoices::SetUpChoices(Module1& m)
    : speed(m.BaudIndex), activityLog(m.ActivityLogOn), ebNo(m.EbNoPerHour), m_(m) {}

bool SetUpChoices::choosePortOne(int port) {
    if (port == m_.Rx2Port) {
        m_.ShowMessage(kSamePorts);
        return false;
    }
    m_.Rx1Port = port;
    return true;
}

bool SetUpChoices::choosePortTwo(int port) {
    if (port == m_.Rx1Port) {
        m_.ShowMessage(kSamePorts);
        return false;
    }
    m_.Rx2Port = port;
    return true;
}

void SetUpChoices::setTwoReceivers(bool on) {
    m_.TwoReceivers = on ? 1 : 0;
    m_.view.Receiver2Visible = on;
    auto search = [this](void (Module1::*find)()) {
        try {
            (m_.*find)();
        } catch (const std::exception& e) {
            m_.ShowMessage(toQcError(e).text());
        }
    };
    search(&Module1::FindNextSwitch1);
    if (on) search(&Module1::FindNextSwitch2);
    emit m_.viewChanged();
}

void SetUpChoices::setMpegLog(bool on) {
    m_.MpegLogOn = on;
}

void SetUpChoices::setRemoteControl(bool on) {
    m_.RemoteStartOn = on;
}

bool SetUpChoices::validClockResetTime(const QByteArray& text) {
    static const QRegularExpression minuteAndSecond(QStringLiteral("^([0-5][0-9]:[0-5][0-9])?$"));
    return minuteAndSecond.match(QString::fromLatin1(text.trimmed())).hasMatch();
}

bool SetUpChoices::setClockResetTime(const QByteArray& text) {
    if (!validClockResetTime(text)) return false;
    m_.ClockResetTime = text.trimmed();
    return true;
}

QString SetUpChoices::clockResetRefusal() const {
    const QByteArray inForce = m_.ClockResetTime.trimmed();
    return QStringLiteral(
               "Time format in Time to reset clock must be MM:SS (minutes and seconds 00 to 59) or "
               "left blank. Correct it, or close SetUp again to keep %1.")
        .arg(inForce.isEmpty() ? QStringLiteral("no reset time") : u'"' + fromCp1252(inForce) + u'"');
}

void SetUpChoices::close(int saveLogsRow) {
    m_.BaudIndex = speed;
    m_.ActivityLogOn = activityLog;
    m_.EbNoPerHour = ebNo;
    if (saveLogsRow >= 0 && saveLogsRow < kRetentionUnits.size())
        m_.SaveLogsUnit = kRetentionUnits.mid(saveLogsRow, 1);
    try {
        m_.WriteSettings();
    } catch (const std::exception& e) {
        m_.ShowMessage(
            toQcError(e).text() +
            QStringLiteral("  The settings were not saved; they are in use until the program ends. "
                           "Open and close SetUp again once the folder can be written."));
    }
}

int SetUpChoices::retentionRow(const QByteArray& unit) {
    return unit.size() == 1 ? static_cast<int>(kRetentionUnits.indexOf(unit[0])) : -1;
}

}  // namespace qc
