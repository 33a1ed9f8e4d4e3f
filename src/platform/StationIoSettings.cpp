#include "StationIoSettings.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryFile>
#include <functional>

#include "DurableFile.h"
#include "QcError.h"

namespace qc {

namespace {

const QString kGroup = QStringLiteral("StationIO");
const QRegularExpression kComPort(QStringLiteral("^COM([1-8])$"), QRegularExpression::CaseInsensitiveOption);

// The speeds a serial line here can be set to.
constexpr int kBauds[] = {300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400};

// A value as its text: an INI value with a comma reads as a list.
QString textOf(const QVariant& value) {
    if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

}  // namespace

const QStringList& StationIoSettings::keys() {
    static const QStringList k{
        QStringLiteral("Device"),
        QStringLiteral("Host"),
        QStringLiteral("Port"),
        QStringLiteral("SerialDevice"),
        QStringLiteral("Baud"),
        QStringLiteral("Parity"),
        QStringLiteral("DataBits"),
        QStringLiteral("StopBits"),
        QStringLiteral("Unit"),
        QStringLiteral("RemoteStart1Coil"),
        QStringLiteral("RemoteStart2Coil"),
        QStringLiteral("AlarmInput"),
        QStringLiteral("ClockResetInput"),
        QStringLiteral("InputsActiveLow"),
    };
    return k;
}

QString StationIoSettings::deviceName(Device device) {
    switch (device) {
        case Device::ModbusTcp:
            return QStringLiteral("modbus-tcp");
        case Device::ModbusRtu:
            return QStringLiteral("modbus-rtu");
        case Device::Parallel:
            break;
    }
    return QStringLiteral("parallel");
}

QMap<QString, QString> StationIoSettings::values() const {
    const QString numbers[] = {QString::number(port),
                               QString::number(baud),
                               QString::number(dataBits),
                               QString::number(stopBits),
                               QString::number(unit),
                               QString::number(remoteStart1Coil),
                               QString::number(remoteStart2Coil),
                               QString::number(alarmInput),
                               QString::number(clockResetInput)};
    return {{QStringLiteral("Device"), deviceName(device)},
            {QStringLiteral("Host"), host},
            {QStringLiteral("Port"), numbers[0]},
            {QStringLiteral("SerialDevice"), serialDevice},
            {QStringLiteral("Baud"), numbers[1]},
            {QStringLiteral("Parity"), QString(QChar::fromLatin1(parity))},
            {QStringLiteral("DataBits"), numbers[2]},
            {QStringLiteral("StopBits"), numbers[3]},
            {QStringLiteral("Unit"), numbers[4]},
            {QStringLiteral("RemoteStart1Coil"), numbers[5]},
            {QStringLiteral("RemoteStart2Coil"), numbers[6]},
            {QStringLiteral("AlarmInput"), numbers[7]},
            {QStringLiteral("ClockResetInput"), numbers[8]},
            {QStringLiteral("InputsActiveLow"), inputsActiveLow ? QStringLiteral("1") : QStringLiteral("0")}};
}

StationIoSettings StationIoSettings::fromValues(const QMap<QString, QString>& values, QString* badKey) {
    StationIoSettings s;
    QString bad;
    // Every key present is taken when its text is valid. Only a key the device uses is refused; the
    // keys of another device stay as they are for a later change.
    auto take = [&](const char* key, bool used, const std::function<bool(const QString&)>& parse) {
        const QString name = QString::fromLatin1(key);
        if (!values.contains(name)) return;
        if (!parse(values.value(name).trimmed()) && used && bad.isEmpty()) bad = name;
    };
    auto number = [&](const char* key, bool used, int& field, int low, int high) {
        take(key, used, [&](const QString& text) {
            bool ok = false;
            const int n = text.toInt(&ok);
            if (!ok || n < low || n > high) return false;
            field = n;
            return true;
        });
    };

    take("Device", true, [&](const QString& text) {
        for (Device d : {Device::Parallel, Device::ModbusTcp, Device::ModbusRtu})
            if (text.compare(deviceName(d), Qt::CaseInsensitive) == 0) {
                s.device = d;
                return true;
            }
        return false;
    });
    if (!bad.isEmpty()) {
        if (badKey) *badKey = bad;
        return s;
    }
    const bool tcp = s.device == Device::ModbusTcp;
    const bool rtu = s.device == Device::ModbusRtu;
    if (tcp && !values.contains(QStringLiteral("Host"))) bad = QStringLiteral("Host");
    if (rtu && !values.contains(QStringLiteral("SerialDevice"))) bad = QStringLiteral("SerialDevice");
    take("Host", tcp, [&](const QString& text) {
        s.host = text;
        return !text.isEmpty() && !text.contains(QLatin1Char(' '));
    });
    number("Port", tcp, s.port, 1, 65535);
    take("SerialDevice", rtu, [&](const QString& text) {
        s.serialDevice = text;
        return kComPort.match(text).hasMatch() || QFileInfo(text).isAbsolute();
    });
    take("Baud", rtu, [&](const QString& text) {
        bool ok = false;
        const int n = text.toInt(&ok);
        if (!ok || std::find(std::begin(kBauds), std::end(kBauds), n) == std::end(kBauds)) return false;
        s.baud = n;
        return true;
    });
    take("Parity", rtu, [&](const QString& text) {
        const QString p = text.toUpper();
        if (p != QLatin1String("N") && p != QLatin1String("E") && p != QLatin1String("O")) return false;
        s.parity = p[0].toLatin1();
        return true;
    });
    number("DataBits", rtu, s.dataBits, 5, 8);
    number("StopBits", rtu, s.stopBits, 1, 2);
    // Unit 0 is a broadcast on a serial bus, which no module answers; over TCP it is a unit like any
    // other, and 255 the one many modules take as "this module".
    take("Unit", tcp || rtu, [&](const QString& text) {
        bool ok = false;
        const int n = text.toInt(&ok);
        if (!ok || n < (rtu ? 1 : 0) || (n > 247 && (rtu || n != 255))) return false;
        s.unit = n;
        return true;
    });
    number("RemoteStart1Coil", tcp || rtu, s.remoteStart1Coil, 0, 65535);
    number("RemoteStart2Coil", tcp || rtu, s.remoteStart2Coil, 0, 65535);
    number("AlarmInput", tcp || rtu, s.alarmInput, 0, 65535);
    number("ClockResetInput", tcp || rtu, s.clockResetInput, 0, 65535);
    take("InputsActiveLow", tcp || rtu, [&](const QString& text) {
        const QString t = text.toLower();
        const bool on = t == QLatin1String("1") || t == QLatin1String("true");
        if (!on && t != QLatin1String("0") && t != QLatin1String("false")) return false;
        s.inputsActiveLow = on;
        return true;
    });
    // Two outputs on one coil, or two inputs on one contact, cannot be what the wiring is.
    if ((tcp || rtu) && bad.isEmpty()) {
        if (s.remoteStart2Coil == s.remoteStart1Coil)
            bad = QStringLiteral("RemoteStart2Coil");
        else if (s.clockResetInput == s.alarmInput)
            bad = QStringLiteral("ClockResetInput");
    }
    if (badKey) *badKey = bad;
    return s;
}

QString StationIoSettings::serialPath(const Paths& paths) const {
    const QRegularExpressionMatch com = kComPort.match(serialDevice);
    return com.hasMatch() ? paths.serialPort(com.captured(1).toInt()) : serialDevice;
}

QString StationIoSettings::deviceText(const Paths& paths) const {
    if (device == Device::ModbusRtu) return serialPath(paths);
    const QString name = host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    return name + QLatin1Char(':') + QString::number(port);
}

QString StationIoFile::badValue(const QString& key, const QString& value) {
    QString shown = value.left(80);
    if (shown.size() < value.size()) shown += QStringLiteral("...");
    return QStringLiteral("%1 \"%2\" is not valid").arg(key, shown);
}

StationIoFile StationIoFile::read(const Paths& paths) {
    StationIoFile f;
    const QString path = paths.file(fileName());
    const QFileInfo info(path);
    if (!info.exists()) return f;
    const QString prefix = QStringLiteral("Station I/O: ") + fileName() + QStringLiteral(": ");
    const QString without = QStringLiteral("; the station runs without station I/O");
    QSettings ini(path, QSettings::IniFormat);
    if (!info.isFile() || !info.isReadable() || ini.status() != QSettings::NoError) {
        f.error = prefix + QStringLiteral("the file cannot be read") + without;
        return f;
    }
    ini.beginGroup(kGroup);
    for (const QString& key : StationIoSettings::keys())
        if (ini.contains(key)) f.values.insert(key, textOf(ini.value(key)));
    QString bad;
    f.settings = StationIoSettings::fromValues(f.values, &bad);
    if (!bad.isEmpty()) f.error = prefix + badValue(bad, f.values.value(bad)) + without;
    return f;
}

void StationIoFile::write(const Paths& paths, const StationIoSettings& settings) {
    const QString path = paths.file(fileName());
    // QSettings writes the format; it works on a scratch copy beside the file, which then takes the
    // file's place whole.
    QTemporaryFile scratch(path + QStringLiteral(".XXXXXX"));
    if (!scratch.open()) throw QcError::fromErrno(EACCES, path);
    if (QFileInfo::exists(path)) {
        const QByteArray old = readWholeFile(path);
        if (scratch.write(old) != old.size()) throw QcError::fromErrno(ENOSPC, path);
    }
    scratch.close();
    {
        QSettings ini(scratch.fileName(), QSettings::IniFormat);
        ini.beginGroup(kGroup);
        const QMap<QString, QString> values = settings.values();
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            ini.setValue(it.key(), it.value());
        ini.endGroup();
        ini.sync();
        // A format error is the old file's lines that QSettings leaves out; what it writes is whole.
        if (ini.status() == QSettings::AccessError) throw QcError::fromErrno(EIO, path);
    }
    replaceFileDurably(path, readWholeFile(scratch.fileName()));
}

}  // namespace qc
