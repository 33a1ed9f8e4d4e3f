// QuillornControl.ini: nine one-byte records, no separators; TimeReset.ini: one five-byte record.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <optional>

#include "Module1.h"
#include "platform/Text.h"

namespace qc {

namespace {

// Reads a whole small file, creating it empty when it is absent (as opening it always did). Without
// `create` an absent file reads as empty and is left absent.
QByteArray readSmallFile(const QString& path, bool create = true) {
    const QByteArray name = QFile::encodeName(path);
    int fd = ::open(name.constData(), (create ? O_RDWR | O_CREAT : O_RDONLY) | O_CLOEXEC, 0644);
    if (fd < 0 && create && (errno == EACCES || errno == EPERM || errno == EROFS)) {
        // On a read-only folder or disk the settings are still read; only making a missing file
        // needs writing, and that refusal is what is reported.
        const int refused = errno;
        fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) errno = refused;
    }
    if (fd < 0 && !create && errno == ENOENT) return {};
    if (fd < 0) throw QcError::fromErrno(errno, path);
    QByteArray data;
    char buf[64];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            throw QcError::fromErrno(err, path);
        }
        if (n == 0) break;
        data.append(buf, n);
        if (create && data.size() > 4096) break;  // the settings never hold more than a few bytes
    }
    ::close(fd);
    return data;
}

// Puts the bytes at the start of the file and waits for the disk. The file is never cut short (bytes
// beyond the records stay), and never left half written: the new content is written whole beside
// it, flushed, and renamed over it, so a folder that cannot be written, a full disk or a power cut
// leaves the old file as it was.
void writeFlushed(const QString& path, const QByteArray& bytes) {
    // A settings file that is a link is replaced where it really lies.
    const QFileInfo info(path);
    const QString target = info.isSymLink() ? info.symLinkTarget() : path;
    const QByteArray targetName = QFile::encodeName(target);
    mode_t mode = 0644;
    struct stat st;
    if (::stat(targetName.constData(), &st) == 0) mode = st.st_mode & 07777;
    QByteArray content = bytes;
    const QByteArray old = readSmallFile(target, false);
    if (old.size() > bytes.size()) content += old.mid(bytes.size());

    const QByteArray temp = targetName + ".new";
    ::unlink(temp.constData());
    const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) throw QcError::fromErrno(errno, target);
    auto fail = [&](int err) {
        ::close(fd);
        ::unlink(temp.constData());
        throw QcError::fromErrno(err, target);
    };
    ::fchmod(fd, mode);
    qint64 done = 0;
    while (done < content.size()) {
        const ssize_t w = ::write(fd, content.constData() + done, content.size() - done);
        if (w < 0 && errno == EINTR) continue;
        if (w < 0) fail(errno);
        done += w;
    }
    if (::fdatasync(fd) != 0) fail(errno);
    ::close(fd);
    if (::rename(temp.constData(), targetName.constData()) != 0) {
        const int err = errno;
        ::unlink(temp.constData());
        throw QcError::fromErrno(err, target);
    }
    // The new name must reach the disk too.
    const int dir = ::open(QFile::encodeName(QFileInfo(target).absolutePath()).constData(),
                           O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
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
    auto write = [&failure](const QString& path, const QByteArray& bytes) {
        try {
            writeFlushed(path, bytes);
        } catch (const std::exception& e) {
            if (!failure) failure = toQcError(e);
        }
    };
    write(paths_.file(QStringLiteral("QuillornControl.ini")), ini);
    write(paths_.file(QStringLiteral("TimeReset.ini")), fitField(ClockResetTime, 5));
    if (failure) throw *failure;
}

}  // namespace qc
