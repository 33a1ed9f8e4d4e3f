#include "MonitoringSettings.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QSettings>
#include <QSysInfo>
#include <QTemporaryFile>
#include <QUrl>
#include <cmath>
#include <functional>
#include <memory>

#include "platform/DurableFile.h"
#include "platform/QcError.h"

namespace qc {

namespace {

const QString kGroup = QStringLiteral("Monitoring/");

// One key: how its text is read into the settings (false: a bad value) and what the file says for it.
struct Key {
    const char* name;
    const char* expected;  // what a good value is, for the message
    std::function<bool(const QString&, MonitoringSettings&)> read;
    std::function<QString(const MonitoringSettings&)> write;
};

bool wholeNumber(const QString& text, int low, int high, int& out) {
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok || n < low || n > high) return false;
    out = n;
    return true;
}

bool webUrl(const QString& text) {
    if (text.isEmpty()) return true;
    const QUrl url(text, QUrl::StrictMode);
    return url.isValid() &&
           (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")) &&
           !url.host().isEmpty();
}

const std::vector<Key>& keys() {
    static const std::vector<Key> all = {
        {"EbNoMinimum", "a number of dB from 0 to 50, 0 for off",
         [](const QString& t, MonitoringSettings& s) {
             bool ok = false;
             const double v = t.trimmed().toDouble(&ok);
             if (!ok || !std::isfinite(v) || v < 0 || v > 50) return false;
             s.EbNoMinimum = v;
             return true;
         },
         [](const MonitoringSettings& s) {
             return QString::number(s.EbNoMinimum, 'g', QLocale::FloatingPointShortest);
         }},
        {"EbNoLowReadings", "a whole number from 1 to 100",
         [](const QString& t, MonitoringSettings& s) { return wholeNumber(t, 1, 100, s.EbNoLowReadings); },
         [](const MonitoringSettings& s) { return QString::number(s.EbNoLowReadings); }},
        {"ReceiverSilentAfter", "a whole number from 1 to 100",
         [](const QString& t, MonitoringSettings& s) {
             return wholeNumber(t, 1, 100, s.ReceiverSilentAfter);
         },
         [](const MonitoringSettings& s) { return QString::number(s.ReceiverSilentAfter); }},
        {"WebhookUrl", "an http:// or https:// address",
         [](const QString& t, MonitoringSettings& s) {
             if (!webUrl(t.trimmed())) return false;
             s.WebhookUrl = t.trimmed();
             return true;
         },
         [](const MonitoringSettings& s) { return s.WebhookUrl; }},
        {"MetricsFile", "the path of a file",
         [](const QString& t, MonitoringSettings& s) {
             const QString path = t.trimmed();
             if (path.endsWith(QLatin1Char('/')) || path.contains(QChar(0))) return false;
             s.MetricsFile = path;
             return true;
         },
         [](const MonitoringSettings& s) { return s.MetricsFile; }},
        {"DesktopNotifications", "1 or 0",
         [](const QString& t, MonitoringSettings& s) {
             const QString v = t.trimmed().toLower();
             if (v != QLatin1String("1") && v != QLatin1String("0") && v != QLatin1String("true") &&
                 v != QLatin1String("false"))
                 return false;
             s.DesktopNotifications = v == QLatin1String("1") || v == QLatin1String("true");
             return true;
         },
         [](const MonitoringSettings& s) { return QString::number(s.DesktopNotifications ? 1 : 0); }},
        {"StationName", "a name",
         [](const QString& t, MonitoringSettings& s) {
             // A name is one line: it goes into JSON, a metric's label and a notification's title.
             if (t.contains(QLatin1Char('\n')) || t.contains(QLatin1Char('\r')) || t.size() > 200)
                 return false;
             s.StationName = t.trimmed();
             return true;
         },
         [](const MonitoringSettings& s) { return s.StationName; }},
        {"AsRunKeepDays", "a whole number of days from 1 to 36500",
         [](const QString& t, MonitoringSettings& s) { return wholeNumber(t, 1, 36500, s.AsRunKeepDays); },
         [](const MonitoringSettings& s) { return QString::number(s.AsRunKeepDays); }},
    };
    return all;
}

QString problem(const Key& key, const QString& value, const QString& consequence) {
    return QStringLiteral("Monitoring.ini: %1 = \"%2\" is not %3; %4")
        .arg(QString::fromLatin1(key.name), value.left(200), QString::fromLatin1(key.expected), consequence);
}

QString defaultTaken(const Key& key) {
    const QString value = key.write(MonitoringSettings());
    return QStringLiteral("the default %1 is used.").arg(value.isEmpty() ? QStringLiteral("(none)") : value);
}

// The settings of a file as it is now. QSettings keeps what it read of a file and reads it again only
// when its size or its time (to the millisecond) changed, so a file replaced within one millisecond
// by one of the same size would be read as it was: each reading goes through a copy of its own.
class IniReading {
public:
    explicit IniReading(const QString& path) {
        const QByteArray bytes = readWholeFile(path);
        copy_.setFileTemplate(QDir::tempPath() + QStringLiteral("/quillorn-ini-XXXXXX"));
        if (!copy_.open() || copy_.write(bytes) != bytes.size() || !copy_.flush())
            throw QcError(QcError::PathFileAccessError, copy_.errorString());
        settings_ = std::make_unique<QSettings>(copy_.fileName(), QSettings::IniFormat);
    }
    QSettings& settings() { return *settings_; }

private:
    QTemporaryFile copy_;
    std::unique_ptr<QSettings> settings_;
};

// A value as text; a list (the INI format reads "a, b" as one) is put back together.
QString textOf(const QVariant& v) {
    if (v.typeId() == QMetaType::QStringList) return v.toStringList().join(QStringLiteral(", "));
    return v.toString();
}

}  // namespace

MonitoringSettings readMonitoringSettings(const QString& path, QStringList& problems) {
    MonitoringSettings s;
    if (!QFile::exists(path)) return s;
    std::unique_ptr<IniReading> reading;
    try {
        reading = std::make_unique<IniReading>(path);
    } catch (const std::exception& e) {
        problems << QStringLiteral("Monitoring.ini cannot be read (%1); the defaults are used.")
                        .arg(toQcError(e).textOneBlank());
        return s;
    }
    QSettings& file = reading->settings();
    if (file.status() == QSettings::FormatError)
        problems << QStringLiteral("Monitoring.ini holds lines that are not settings; they are passed over.");
    for (const Key& key : keys()) {
        const QString name = kGroup + QString::fromLatin1(key.name);
        if (!file.contains(name)) continue;
        const QString value = textOf(file.value(name));
        if (!key.read(value, s)) problems << problem(key, value, defaultTaken(key));
    }
    return s;
}

QStringList checkMonitoringSettings(const MonitoringSettings& s) {
    QStringList problems;
    for (const Key& key : keys()) {
        MonitoringSettings scratch;
        const QString value = key.write(s);
        if (!key.read(value, scratch))
            problems << problem(key, value, QStringLiteral("the settings are not saved."));
    }
    return problems;
}

void writeMonitoringSettings(const QString& path, const MonitoringSettings& s) {
    // QSettings writes the INI text (with its quoting) beside the file; the text then replaces the
    // file durably.
    const QString scratch = path + QStringLiteral(".saving");
    QFile::remove(scratch);
    {
        QSettings out(scratch, QSettings::IniFormat);
        if (QFile::exists(path)) {
            IniReading in(path);
            for (const QString& key : in.settings().allKeys())
                out.setValue(key, in.settings().value(key));
        }
        for (const Key& key : keys())
            out.setValue(kGroup + QString::fromLatin1(key.name), key.write(s));
        out.sync();
        if (out.status() != QSettings::NoError) {
            QFile::remove(scratch);
            throw QcError(QcError::PathFileAccessError,
                          QStringLiteral("Path/File access error: %1 cannot be written").arg(path));
        }
    }
    QByteArray bytes;
    try {
        bytes = readWholeFile(scratch);
    } catch (...) {
        QFile::remove(scratch);
        throw;
    }
    QFile::remove(scratch);
    replaceFileDurably(path, bytes);
}

QString stationNameOf(const MonitoringSettings& s) {
    return s.StationName.isEmpty() ? QSysInfo::machineHostName() : s.StationName;
}

}  // namespace qc
