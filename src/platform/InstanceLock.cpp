#include "InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <cstdio>

namespace qc {

namespace {

// The holder of a whole-file lock on the inode, from the kernel's list of locks: lines such as
// "1: FLOCK  ADVISORY  WRITE 4242 fe:01:1316 0 EOF".
long flockHolder(const struct stat& st) {
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly)) return 0;
    char id[64];
    std::snprintf(id, sizeof id, "%02x:%02x:%llu", major(st.st_dev), minor(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    for (const QByteArray& line : locks.readAll().split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() >= 6 && f[1] == "FLOCK" && f[5] == QByteArray(id)) return f[4].toLong();
    }
    return 0;
}

}  // namespace

InstanceLock::~InstanceLock() {
    if (fd_ >= 0) ::close(fd_);
}

bool InstanceLock::acquire(const QString& folder) {
    const QByteArray path = QFile::encodeName(folder);
    fd_ = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) return true;
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) return true;
    const bool held = errno == EWOULDBLOCK;
    struct stat st {};
    if (held && ::fstat(fd_, &st) == 0) holder_ = flockHolder(st);
    ::close(fd_);
    fd_ = -1;
    return !held;
}

}  // namespace qc
