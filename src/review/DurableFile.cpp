#include "DurableFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFileInfo>
#include <cerrno>

#include "platform/QcError.h"

namespace qc {

namespace {

void writeAll(int fd, const QByteArray& bytes, const QString& path) {
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t w = ::write(fd, bytes.constData() + done, bytes.size() - done);
        if (w < 0 && errno == EINTR) continue;
        if (w < 0) throw QcError::fromErrno(errno, path);
        done += w;
    }
}

}  // namespace

QByteArray readWholeFile(const QString& path) {
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw QcError::fromErrno(errno, path);
    QByteArray data;
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            throw QcError::fromErrno(err, path);
        }
        if (n == 0) break;
        data.append(buffer, n);
    }
    ::close(fd);
    return data;
}

void replaceFileDurably(const QString& path, const QByteArray& bytes) {
    const QByteArray target = path.toLocal8Bit();
    const QByteArray temp = target + ".new";
    const QString tempName = path + QStringLiteral(".new");
    ::unlink(temp.constData());
    const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) throw QcError::fromErrno(errno, tempName);
    try {
        writeAll(fd, bytes, tempName);
        if (::fdatasync(fd) != 0) throw QcError::fromErrno(errno, tempName);
    } catch (...) {
        ::close(fd);
        ::unlink(temp.constData());
        throw;
    }
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(temp.constData());
        throw QcError::fromErrno(err, tempName);
    }
    if (::rename(temp.constData(), target.constData()) != 0) {
        const int err = errno;
        ::unlink(temp.constData());
        throw QcError::fromErrno(err, path);
    }
    // The new name itself must survive a power cut as well.
    const int dir = ::open(QFileInfo(path).absolutePath().toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

}  // namespace qc
