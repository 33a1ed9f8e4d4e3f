#include "AppendFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
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
    // Another writer holds the file only for one line. Someone else holding it longer (a backup
    // tool, a second copy of the program) must not stop the clock tick: after a short wait the line
    // is appended anyway, which O_APPEND keeps whole.
    for (int tries = 0; tries < 20; ++tries) {
        locked_ = ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
        if (locked_ || (errno != EWOULDBLOCK && errno != EINTR)) return;
        ::usleep(10000);
    }
}

void AppendFile::write(const QByteArray& bytes) {
    if (fd_ < 0)
        throw QcError(QcError::BadFileNameOrNumber,
                      QcError::standardDescription(QcError::BadFileNameOrNumber));
    struct stat st {};
    const off_t before = locked_ && ::fstat(fd_, &st) == 0 ? st.st_size : -1;
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t w = ::write(fd_, bytes.constData() + done, bytes.size() - done);
        if (w < 0 && errno == EINTR) continue;
        if (w < 0) {
            // Part of a line that a full disk cut short is taken back (while nobody else can have
            // written after it), so the next reader does not take it for a line.
            const int err = errno;
            if (done > 0 && before >= 0) (void)::ftruncate(fd_, before);
            throw QcError::fromErrno(err, path_);
        }
        done += w;
    }
}

qint64 AppendFile::size() const {
    struct stat st {};
    return fd_ >= 0 && ::fstat(fd_, &st) == 0 ? st.st_size : -1;
}

void AppendFile::close() {
    locked_ = false;
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
