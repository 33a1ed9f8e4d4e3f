#include "ScheduleFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/QcError.h"

namespace qc {

ScheduleFile::~ScheduleFile() {
    close();
}

void ScheduleFile::open(const QString& path) {
    close();
    path_ = path;
    fd_ = ::open(path.toLocal8Bit().constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) throw QcError::fromErrno(errno, path);
    struct stat st {};
    if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
        close();
        throw QcError::fromErrno(EISDIR, path);
    }
}

void ScheduleFile::openForReading(const QString& path) {
    close();
    path_ = path;
    fd_ = ::open(path.toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) throw QcError::fromErrno(errno, path);
}

void ScheduleFile::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

qint64 ScheduleFile::recordCount() const {
    if (fd_ < 0) return 0;
    struct stat st {};
    if (::fstat(fd_, &st) != 0) throw QcError::fromErrno(errno, path_);
    return st.st_size / ScheduleEntry::RecordLength;
}

bool ScheduleFile::read(qint64 n, ScheduleEntry& entry) const {
    if (fd_ < 0 || n < 1) return false;
    char buf[ScheduleEntry::RecordLength];
    const off_t offset = static_cast<off_t>(n - 1) * ScheduleEntry::RecordLength;
    qint64 got = 0;
    while (got < ScheduleEntry::RecordLength) {
        const ssize_t r = ::pread(fd_, buf + got, sizeof buf - got, offset + got);
        if (r < 0) {
            if (errno == EINTR) continue;
            throw QcError::fromErrno(errno, path_);
        }
        if (r == 0) return false;
        got += r;
    }
    entry.assignFrom(buf);
    return true;
}

void ScheduleFile::writeRaw(qint64 offset, const QByteArray& bytes) {
    if (fd_ < 0)
        throw QcError(QcError::BadFileNameOrNumber,
                      QStringLiteral("Bad file name or number: %1 is not open").arg(path_));
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t w = ::pwrite(fd_, bytes.constData() + done, bytes.size() - done, offset + done);
        if (w < 0) {
            if (errno == EINTR) continue;
            throw QcError::fromErrno(errno, path_);
        }
        done += w;
    }
    // A power cut must not lose an applied entry.
    if (::fdatasync(fd_) != 0) throw QcError::fromErrno(errno, path_);
}

void ScheduleFile::write(qint64 n, const ScheduleEntry& entry) {
    if (n < 1) throw QcError(QcError::BadFileNameOrNumber, QStringLiteral("Bad record number %1").arg(n));
    writeRaw((n - 1) * ScheduleEntry::RecordLength, entry.serialise());
}

}  // namespace qc
