// QuillornControl.ini: nine one-byte records, no separators; TimeReset.ini: one five-byte record.
#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <optional>

#include "Module1.h"
#include "platform/DurableFile.h"
#include "platform/Text.h"

namespace qc {

namespace {

// Reads a settings file, creating it empty when it is absent (as opening it always did). Without
// `create` an absent file reads as empty and is left absent. An existing file is only read, so a
// read-only folder or disk still gives its settings; making a missing file there is what fails.
QByteArray readSmallFile(const QString& path, bool create = true) {
    if (QFile::exists(path)) return readWholeFile(path);
    if (create) {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) throw QcError::fromErrno(errno, path);
        ::close(fd);
    }
    return {};
}

// Puts the bytes at the start of the file and waits for the disk. The file is never cut short (bytes
// beyond the records stay), and never left half written: a folder that cannot be written, a full
// disk or a power cut leaves the old file as it was.
void writeFlushed(const QString& path, const QByteArray& bytes) {
    const QByteArray old = readSmallFile(path, false);
    replaceFileDurably(path, old.size() > bytes.size() ? bytes + old.mid(bytes.size()) : bytes);
}

// The numeric value of one settings character: a digit gives its value, anything else 0.
int32_t numericValue(const QByteArray& record) {
    if (record.isEmpty()) return 0;
    const char c = record[0];
    return (c >= '0' && c <= '9') ? c - '0' : 0;
}

QByteArray firstDigit(int32_t value) {
    return QByteArray::number(value).left(1);
}

}  // namespace

void Module1::ReadTimeReset() {
    const QByteArray timeReset = readSmallFile(paths_.file(QStringLiteral("TimeReset.ini")));
    if (!timeReset.isEmpty()) ClockResetTime = fitField(timeReset.left(5), 5);
}

void Module1::ReadSettings() {
    const QByteArray ini = readSmallFile(paths_.file(QStringLiteral("QuillornControl.ini")));
    auto record = [&ini](int n) { return ini.size() >= n ? ini.mid(n - 1, 1) : QByteArray(); };
    auto checkBox = [](const QByteArray& r, bool& setting) {
        // A grey check box ("2") or anything else leaves the setting as it was.
        if (r == "1") setting = true;
        if (r == "0") setting = false;
    };
    Rx1Port = numericValue(record(1));
    BaudIndex = numericValue(record(2));
    ActivityLogOn = numericValue(record(3));
    EbNoPerHour = numericValue(record(4));
    checkBox(record(5), MpegLogOn);
    checkBox(record(6), RemoteStartOn);
    SaveLogsUnit = record(7);
    TwoReceivers = static_cast<int16_t>(numericValue(record(8)));
    Rx2Port = numericValue(record(9));
}

void Module1::WriteSettings() {
    QByteArray ini;
    ini += firstDigit(Rx1Port);
    ini += firstDigit(BaudIndex);
    ini += firstDigit(ActivityLogOn);
    ini += firstDigit(EbNoPerHour);
    ini += MpegLogOn ? '1' : '0';
    ini += RemoteStartOn ? '1' : '0';
    ini += fitField(SaveLogsUnit, 1);
    ini += TwoReceivers == 1 ? '1' : '0';
    ini += firstDigit(Rx2Port);
    // Each file is written even when the other could not be; the first failure is reported.
    std::optional<QcError> failure;
    auto write = [this, &failure](const QString& path, const QByteArray& bytes) {
        try {
            writeFlushed(path, bytes);
            emit fileWritten(path, true, {});
        } catch (const std::exception& e) {
            emit fileWritten(path, false, toQcError(e).textOneBlank());
            if (!failure) failure = toQcError(e);
        }
    };
    write(paths_.file(QStringLiteral("QuillornControl.ini")), ini);
    write(paths_.file(QStringLiteral("TimeReset.ini")), fitField(ClockResetTime, 5));
    if (failure) throw *failure;
}

}  // namespace qc
