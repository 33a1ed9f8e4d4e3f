#include "AppendFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "QcError.h"

namespace qc {

void AppendFile::open(const QString& path) {
    close();
    path_ = path;
    fd_ = ::open(path.toLocal8Bit().constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        const int err = errno;
        if (err == ENOENT)
            throw QcError(QcError::PathNotFound, QcError::standardDescription(QcError::PathNotFound));
        throw QcError::fromErrno(err, path);
    }
    while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
}

void AppendFile::write(const QByteArray& bytes) {
    if (fd_ < 0)
        throw QcError(QcError::BadFileNameOrNumber,
                      QcError::standardDescription(QcError::BadFileNameOrNumber));
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t w = ::write(fd_, bytes.constData() + done, bytes.size() - done);
        if (w < 0 && errno == EINTR) continue;
        if (w < 0) throw QcError::fromErrno(errno, path_);
        done += w;
    }
}

void AppendFile::close() {
    if (fd_ < 0) return;
    ::close(fd_);  // also releases the lock
    fd_ = -1;
}

void AppendFile::append(const QString& path, const QByteArray& bytes) {
    AppendFile f;
    f.open(path);
    f.write(bytes);
    f.close();
}

}  // namespace qc
