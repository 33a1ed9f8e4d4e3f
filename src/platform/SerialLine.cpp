#include "SerialLine.h"

#include <QSerialPort>

#include "QcError.h"

namespace qc {

LineSettings parseLineSettings(const QByteArray& settings) {
    const QList<QByteArray> parts = settings.split(',');
    auto invalid = [] {
        return QcError(QcError::InvalidPropertyValue,
                       QcError::standardDescription(QcError::InvalidPropertyValue));
    };
    if (parts.size() != 4) throw invalid();
    bool ok = false;
    LineSettings s;
    s.baud = parts[0].trimmed().toInt(&ok);
    if (!ok || s.baud <= 0) throw invalid();
    const QByteArray parity = parts[1].trimmed().toUpper();
    if (parity.size() != 1 || !QByteArray("NEOMS").contains(parity[0])) throw invalid();
    s.parity = parity[0];
    s.dataBits = parts[2].trimmed().toInt(&ok);
    if (!ok || s.dataBits < 5 || s.dataBits > 8) throw invalid();
    const QByteArray stop = parts[3].trimmed();
    if (stop == "1")
        s.stopBits = 1;
    else if (stop == "2")
        s.stopBits = 2;
    else
        throw invalid();
    return s;
}

DeviceSerialLine::DeviceSerialLine(Paths paths) : paths_(std::move(paths)) {}

DeviceSerialLine::~DeviceSerialLine() {
    close();
}

void DeviceSerialLine::fail(int number, const QString& action) {
    const QString detail = port_ ? port_->errorString() : QString();
    const QString where = QStringLiteral("COM%1").arg(portNumber_);
    close();
    throw QcError(
        number,
        QStringLiteral("%1: %2 %3 (%4)").arg(QcError::standardDescription(number), where, action, detail));
}

void DeviceSerialLine::open(int port, const QByteArray& settings) {
    close();
    portNumber_ = port;
    if (port < 1 || port > 16)
        throw QcError(QcError::InvalidPortNumber, QcError::standardDescription(QcError::InvalidPortNumber));
    const LineSettings s = parseLineSettings(settings);

    port_ = std::make_unique<QSerialPort>();
    port_->setPortName(paths_.serialPort(port));
    if (!port_->open(QIODevice::ReadWrite)) {
        const auto err = port_->error();
        fail(err == QSerialPort::DeviceNotFoundError ? QcError::InvalidPortNumber : QcError::PortAlreadyOpen,
             QStringLiteral("could not be opened"));
    }
    const auto parity = s.parity == 'E'   ? QSerialPort::EvenParity
                        : s.parity == 'O' ? QSerialPort::OddParity
                        : s.parity == 'M' ? QSerialPort::MarkParity
                        : s.parity == 'S' ? QSerialPort::SpaceParity
                                          : QSerialPort::NoParity;
    if (!port_->setBaudRate(s.baud) || !port_->setParity(parity) ||
        !port_->setDataBits(static_cast<QSerialPort::DataBits>(s.dataBits)) ||
        !port_->setStopBits(s.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop) ||
        !port_->setFlowControl(QSerialPort::NoFlowControl))
        fail(QcError::InvalidPropertyValue, QStringLiteral("refused its settings"));
    // A receiver's late answer to an earlier command must not be taken for the next answer.
    port_->clear(QSerialPort::Input);
}

void DeviceSerialLine::write(const QByteArray& bytes) {
    if (!isOpen())
        throw QcError(QcError::DeviceIoError, QStringLiteral("Device I/O error: the port is not open"));
    if (port_->write(bytes) != bytes.size())
        fail(QcError::DeviceIoError, QStringLiteral("could not be written"));
    // Ten bits a byte at the line speed, and a good margin for the driver.
    const int wireMs = static_cast<int>(bytes.size() * 10 * 1000LL / std::max(1, int(port_->baudRate())));
    while (port_->bytesToWrite() > 0) {
        if (!port_->waitForBytesWritten(wireMs + 1000))
            fail(QcError::DeviceIoError, QStringLiteral("could not be written"));
    }
}

QByteArray DeviceSerialLine::readAll() {
    if (!isOpen()) return {};
    const QByteArray data = port_->readAll();
    if (port_->error() == QSerialPort::ResourceError)
        fail(QcError::DeviceIoError, QStringLiteral("was lost"));
    return data;
}

void DeviceSerialLine::waitForInput(int milliseconds) {
    if (!isOpen()) return;
    if (port_->bytesAvailable() > 0) return;
    port_->waitForReadyRead(std::max(0, milliseconds));
    if (port_->error() == QSerialPort::ResourceError)
        fail(QcError::DeviceIoError, QStringLiteral("was lost"));
    port_->clearError();
}

void DeviceSerialLine::close() {
    if (!port_) return;
    if (port_->isOpen()) port_->close();
    port_.reset();
}

bool DeviceSerialLine::isOpen() const {
    return port_ && port_->isOpen();
}

}  // namespace qc
