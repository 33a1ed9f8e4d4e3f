#include "ScheduleFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFileInfo>
#include <cerrno>

#include "platform/QcError.h"

namespace qc {

ScheduleFile::~ScheduleFile() {
    close();
}

void ScheduleFile::open(const QString& path) {
    close();
    path_ = path;
    const QByteArray name = path.toLocal8Bit();
    fd_ = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0 && (errno == EACCES || errno == EPERM || errno == EROFS)) {
        // A read-only folder or disk still holds the week's schedule: run it, and refuse the writes.
        const int refused = errno;
        fd_ = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) errno = refused;
        writeRefused_ = fd_ < 0 ? 0 : refused;
    }
    if (fd_ < 0) throw QcError::fromErrno(errno, path);
    struct stat st {};
    if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
        close();
        throw QcError::fromErrno(EISDIR, path);
    }
    writable_ = writeRefused_ == 0;
    // A second program on the same schedule (another copy of this one) would switch the same
    // receivers: the lock tells it apart. Locks of this kind belong to the process, so the
    // program's own other openings of the file never count.
    struct flock lock {};
    lock.l_type = writable_ ? F_WRLCK : F_RDLCK;
    lock.l_whence = SEEK_SET;
    if (::fcntl(fd_, F_SETLK, &lock) != 0 && ::fcntl(fd_, F_GETLK, &lock) == 0 && lock.l_type != F_UNLCK)
        lockHolder_ = lock.l_pid;
    if (writable_) completeJournal();
}

void ScheduleFile::openForReading(const QString& path) {
    close();
    path_ = path;
    fd_ = ::open(path.toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) throw QcError::fromErrno(errno, path);
}

void ScheduleFile::close() {
    if (fd_ >= 0) ::close(fd_);
    if (journalFd_ >= 0) ::close(journalFd_);
    fd_ = journalFd_ = -1;
    writable_ = false;
    writeRefused_ = 0;
    lockHolder_ = 0;
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

const char* ScheduleFile::Scan::next() {
    constexpr qsizetype R = ScheduleEntry::RecordLength;
    if (at_ + R > end_) {
        if (atEnd_ || file_.fd_ < 0) return nullptr;
        constexpr qsizetype kBlock = 1024 * R;
        block_.resize(kBlock);
        const off_t offset = static_cast<off_t>(number_) * R;
        qsizetype got = 0;
        while (got < kBlock) {
            const ssize_t r = ::pread(file_.fd_, block_.data() + got, kBlock - got, offset + got);
            if (r < 0 && errno == EINTR) continue;
            // The whole records before a failure first; the read of the next one fails again.
            if (r < 0 && got >= R) break;
            if (r < 0) throw QcError::fromErrno(errno, file_.path_);
            if (r == 0) {
                atEnd_ = true;
                break;
            }
            got += r;
        }
        at_ = 0;
        end_ = got - got % R;
        if (end_ == 0) return nullptr;
    }
    ++number_;
    at_ += R;
    return block_.constData() + at_ - R;
}

void ScheduleFile::writeRaw(qint64 offset, const QByteArray& bytes) {
    if (fd_ < 0)
        throw QcError(QcError::BadFileNameOrNumber,
                      QStringLiteral("Bad file name or number: %1 is not open").arg(path_));
    if (writeRefused_ != 0) throw QcError::fromErrno(writeRefused_, path_);
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
    const qint64 offset = (n - 1) * ScheduleEntry::RecordLength;
    const QByteArray record = entry.serialise();
    // A disk writes a sector whole, so only a record that lies across two of them (or across two
    // memory pages, which are whole sectors) can be caught half written: only that one waits for the
    // journal to reach the disk first.
    constexpr qint64 kSector = 512;
    const bool acrossSectors = offset / kSector != (offset + ScheduleEntry::RecordLength - 1) / kSector;
    const bool journaled = acrossSectors && writeJournal(offset, record);
    try {
        writeRaw(offset, record);
    } catch (...) {
        // A write that was refused must not come back at the next opening.
        if (journaled) (void)::ftruncate(journalFd_, 0);
        throw;
    }
    if (journaled) (void)::ftruncate(journalFd_, 0);
}

// The journal: before a record that spans two disk sectors is written in place, its offset and its
// old and new bytes go to SwitchList.dat.journal and reach the disk. A power cut (or a kill) between
// the two sectors or memory pages would leave it half one programme and half another; the next
// opening finds the journal and completes the record. Once the record is on the disk the journal is
// emptied. Without a journal (it cannot be made) records are written all the same: the write
// matters more than the guard.
namespace {

constexpr qint64 kJournalLength = 8 + 4 + 2 * ScheduleEntry::RecordLength + 4;

quint32 checksum(const QByteArray& bytes) {
    quint32 h = 2166136261u;  // FNV-1a
    for (char c : bytes)
        h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
    return h;
}

QByteArray readAt(int fd, qint64 offset, qint64 length) {
    QByteArray out(length, '\0');
    qint64 got = 0;
    while (got < length) {
        const ssize_t r = ::pread(fd, out.data() + got, length - got, offset + got);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        got += r;
    }
    out.truncate(got);
    return out;
}

template <typename T>
void appendNumber(QByteArray& out, T value) {
    for (size_t i = 0; i < sizeof value; ++i)
        out += static_cast<char>((static_cast<quint64>(value) >> (8 * i)) & 0xff);
}

template <typename T>
T numberAt(const QByteArray& in, qsizetype at) {
    quint64 value = 0;
    for (size_t i = 0; i < sizeof(T); ++i)
        value |= quint64(static_cast<unsigned char>(in[at + qsizetype(i)])) << (8 * i);
    return static_cast<T>(value);
}

}  // namespace

bool ScheduleFile::writeJournal(qint64 offset, const QByteArray& record) {
    if (!writable_) return false;
    if (journalFd_ < 0) {
        journalFd_ = ::open((path_ + QStringLiteral(".journal")).toLocal8Bit().constData(),
                            O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (journalFd_ < 0) return false;
        // The journal's name must be on the disk before it is relied on.
        const int dir =
            ::open(QFileInfo(path_).absolutePath().toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
    }
    const QByteArray old = readAt(fd_, offset, ScheduleEntry::RecordLength);
    QByteArray entry;
    appendNumber(entry, offset);
    appendNumber(entry, static_cast<quint32>(old.size()));
    entry += old.leftJustified(ScheduleEntry::RecordLength, '\0') + record;
    appendNumber(entry, checksum(entry));
    return ::pwrite(journalFd_, entry.constData(), entry.size(), 0) == entry.size() &&
           ::fdatasync(journalFd_) == 0;
}

void ScheduleFile::completeJournal() {
    const QString name = path_ + QStringLiteral(".journal");
    const int fd = ::open(name.toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    const QByteArray entry = readAt(fd, 0, kJournalLength + 1);
    ::close(fd);
    if (entry.size() != kJournalLength ||
        checksum(entry.left(kJournalLength - 4)) != numberAt<quint32>(entry, kJournalLength - 4))
        return;
    const qint64 offset = numberAt<qint64>(entry, 0);
    const qint64 oldLength = numberAt<quint32>(entry, 8);
    const QByteArray old = entry.mid(12, oldLength);
    const QByteArray record = entry.mid(12 + ScheduleEntry::RecordLength, ScheduleEntry::RecordLength);
    const QByteArray now = readAt(fd_, offset, ScheduleEntry::RecordLength);
    if (now == record || now.size() < old.size()) return;
    // Only a record made of its old and its new bytes is completed: a file put in its place since
    // (a copy from another PC) is left as it is.
    for (qsizetype i = 0; i < now.size(); ++i)
        if (now[i] != record[i] && (i >= old.size() || now[i] != old[i])) return;
    try {
        writeRaw(offset, record);
    } catch (const QcError&) {
        return;  // the record stays as it is; the next opening tries again
    }
    (void)::truncate(name.toLocal8Bit().constData(), 0);
}

}  // namespace qc
