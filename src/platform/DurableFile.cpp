#include "DurableFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>

#include "QcError.h"

namespace qc {

QByteArray readWholeFile(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
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
    // A file that is a link is replaced where it really lies, and keeps its mode.
    const QFileInfo info(path);
    const QByteArray target = QFile::encodeName(info.isSymLink() ? info.symLinkTarget() : path);
    const QByteArray temp = target + ".new";
    mode_t mode = 0644;
    struct stat st {};
    if (::stat(target.constData(), &st) == 0) mode = st.st_mode & 07777;

    // Every failure names the file the operator knows, never the temporary name behind it.
    auto fail = [&](int err, int fd) {
        if (fd >= 0) ::close(fd);
        ::unlink(temp.constData());
        throw QcError::fromErrno(err, path);
    };
    ::unlink(temp.constData());
    const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) fail(errno, -1);
    (void)::fchmod(fd, mode);  // past the umask; a floppy's file system may not keep modes at all
    for (qint64 done = 0; done < bytes.size();) {
        const ssize_t w = ::write(fd, bytes.constData() + done, bytes.size() - done);
        if (w < 0 && errno == EINTR) continue;
        if (w < 0) fail(errno, fd);
        done += w;
    }
    if (::fdatasync(fd) != 0) fail(errno, fd);
    if (::close(fd) != 0) fail(errno, -1);
    if (::rename(temp.constData(), target.constData()) != 0) fail(errno, -1);
    // The new name must survive a power cut as well.
    const int dir = ::open(QFile::encodeName(QFileInfo(QFile::decodeName(target)).absolutePath()).constData(),
                           O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

}  // namespace qc
