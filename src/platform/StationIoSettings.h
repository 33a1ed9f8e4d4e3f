#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include "Paths.h"

namespace qc {

// Where the automation's remote-start outputs and alarm and clock-reset inputs are wired: the
// parallel port, or a Modbus TCP or RTU module with two coils and two discrete inputs.
// StationIO.ini in the data folder, Qt's INI format, group [StationIO].
struct StationIoSettings {
    enum class Device { Parallel, ModbusTcp, ModbusRtu };

    Device device = Device::Parallel;
    QString host;
    int port = 502;
    QString serialDevice;  // as written: a path, or COMn
    int baud = 9600;
    char parity = 'N';
    int dataBits = 8;
    int stopBits = 1;
    int unit = 1;
    // Zero-based protocol addresses.
    int remoteStart1Coil = 0;
    int remoteStart2Coil = 1;
    int alarmInput = 0;
    int clockResetInput = 1;
    bool inputsActiveLow = false;  // a closed contact reads 0

    bool operator==(const StationIoSettings&) const = default;

    // The keys in the order the file and the window give them.
    static const QStringList& keys();
    static QString deviceName(Device device);

    // The settings as the texts of their keys, and back. fromValues fills `badKey` with the first key
    // whose text the device cannot run on (a key the device does not use is not looked at); keys
    // left out keep their defaults.
    QMap<QString, QString> values() const;
    static StationIoSettings fromValues(const QMap<QString, QString>& values, QString* badKey);

    // SerialDevice as the port to open: COMn as the receivers' ports are found, else the path.
    QString serialPath(const Paths& paths) const;
    // The module as the messages name it: host:port, or the serial device's path.
    QString deviceText(const Paths& paths) const;
};

// StationIO.ini as read: the settings, or the one message that names the key and the value the
// station cannot run on (the station then runs without station I/O). A missing file is the parallel
// port.
struct StationIoFile {
    QMap<QString, QString> values;  // the keys present, as written
    StationIoSettings settings;
    QString error;

    static QString fileName() { return QStringLiteral("StationIO.ini"); }
    static StationIoFile read(const Paths& paths);
    // The message for a key whose value is refused.
    static QString badValue(const QString& key, const QString& value);
    // Writes the keys into the file whole or not at all, flushed to the disk; the file's other keys
    // and groups are kept. Throws QcError.
    static void write(const Paths& paths, const StationIoSettings& settings);
};

}  // namespace qc
