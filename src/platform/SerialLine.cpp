#include "SerialLine.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
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
        throw QcError(QcError::InvalidPortNumber,
                      QStringLiteral("%1: COM%2")
                          .arg(QcError::standardDescription(QcError::InvalidPortNumber))
                          .arg(port));
    const LineSettings s = parseLineSettings(settings);

    port_ = std::make_unique<QSerialPort>();
    // Opened and locked under the device's own name (the lock file LCK..ttyUSB0, as other serial
    // programs take it), not the link's: two names for one device never both get it.
    const QString location = paths_.serialPort(port);
    const QString device = QFileInfo(location).canonicalFilePath();
    port_->setPortName(device.isEmpty() ? location : device);
    if (!port_->open(QIODevice::ReadWrite)) {
        const auto err = port_->error();
        // Qt reports a port in use and a port the user may not open alike; the second is the
        // usual trouble on a new station (the user not in the dialout group) and is told apart.
        const QByteArray opened = QFile::encodeName(device.isEmpty() ? location : device);
        const bool mayOpen = ::access(opened.constData(), R_OK | W_OK) == 0;
        fail(err == QSerialPort::DeviceNotFoundError           ? QcError::InvalidPortNumber
             : err == QSerialPort::PermissionError && !mayOpen ? QcError::PermissionDenied
                                                               : QcError::PortAlreadyOpen,
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
    // An unplugged USB adapter (or a simulator that went away) hangs the line up. Its reads then end
    // at once with nothing, which QSerialPort does not always report as a lost resource, so the
    // hangup is looked for here: without it the collection would spin to its limit and take the
    // silence for an answer.
    if (port_->error() == QSerialPort::ResourceError || hungUp())
        fail(QcError::DeviceIoError, QStringLiteral("was lost"));
    port_->clearError();
}

bool DeviceSerialLine::hungUp() const {
    pollfd p{static_cast<int>(port_->handle()), 0, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

void DeviceSerialLine::close() {
    if (!port_) return;
    if (port_->isOpen()) {
        releaseDescriptor();
        port_->close();
    }
    port_.reset();
}

// The port is closed right after a command is written, while a UART still shifts the command out
// of its queue. QSerialPort's close puts back the settings it found at the open at once (9600 or
// 38400 bit/s on a fresh port), which would change the speed under the tail of the command. So the
// device is let go here first: its descriptor is swapped for /dev/null, which closes the device
// with our settings still on it (the kernel's close lets the queue drain first), and QSerialPort
// then restores and closes /dev/null. The settings stay as we set them, which is also what the next
// open finds.
void DeviceSerialLine::releaseDescriptor() {
    const int fd = static_cast<int>(port_->handle());
    if (fd < 0) return;
    // The exclusive-use flag stays with the device while anyone else holds it open (a simulator's
    // pseudo-terminal), and would refuse our next open.
    ::ioctl(fd, TIOCNXCL);
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null < 0) return;
    ::dup2(null, fd);
    ::close(null);
}

bool DeviceSerialLine::isOpen() const {
    return port_ && port_->isOpen();
}

}  // namespace qc
