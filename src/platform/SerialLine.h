#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

#include "Paths.h"

class QSerialPort;

namespace qc {

// A parsed settings text such as "9600,N,8,1".
struct LineSettings {
    int baud = 0;
    char parity = 'N';
    int dataBits = 8;
    int stopBits = 1;
};

// Throws QcError 380 "Invalid property value" for a text the port cannot take (",N,8,1" when the
// speed is empty, an unknown parity, ...).
LineSettings parseLineSettings(const QByteArray& settings);

// One serial-port control: opened, used and closed within one exchange. Every call that fails
// throws QcError; close() never throws and may be called on a closed line.
class SerialLine {
public:
    virtual ~SerialLine() = default;

    // Opens port n (1..16) with a settings text; input that was waiting before the open is
    // discarded, so a late answer to an earlier command is never taken for the next one.
    virtual void open(int port, const QByteArray& settings) = 0;
    // Writes all bytes; returns once they have left the program.
    virtual void write(const QByteArray& bytes) = 0;
    // Everything that has arrived so far (possibly nothing).
    virtual QByteArray readAll() = 0;
    // Waits up to the given time for more input. On a simulated line, simulated time passes.
    virtual void waitForInput(int milliseconds) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
};

// The serial line over QSerialPort, on the port of the data folder's mapping (COMn link, else
// /dev/ttyS(n-1)).
class DeviceSerialLine : public SerialLine {
public:
    explicit DeviceSerialLine(Paths paths);
    ~DeviceSerialLine() override;

    void open(int port, const QByteArray& settings) override;
    void write(const QByteArray& bytes) override;
    QByteArray readAll() override;
    void waitForInput(int milliseconds) override;
    void close() override;
    bool isOpen() const override;

private:
    [[noreturn]] void fail(int number, const QString& action);
    bool hungUp() const;
    void releaseDescriptor();

    Paths paths_;
    std::unique_ptr<QSerialPort> port_;
    int portNumber_ = 0;
};

}  // namespace qc
