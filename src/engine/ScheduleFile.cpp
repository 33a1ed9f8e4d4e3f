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

void ScheduleFile::writeAt(qint64 offset, const QByteArray& bytes) {
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
}

void ScheduleFile::flush() {
    // A power cut must not lose an applied entry.
    if (::fdatasync(fd_) != 0) throw QcError::fromErrno(errno, path_);
}

void ScheduleFile::writeRaw(qint64 offset, const QByteArray& bytes) {
    writeAt(offset, bytes);
    flush();
}

// The journal: before records are written in place, their offsets and their old and new bytes go
// to SwitchList.dat.journal and reach the disk. A record spans two disk blocks or memory pages now
// and then, and a power cut (or a kill) between the two would leave it half one programme and half
// another; a whole schedule copied in, cut off half-way, would run half the old week and half the
// new. The next opening finds the journal and completes the change. Once the records are on the
// disk the journal is emptied. Without a journal (it cannot be made) records are written all the
// same: the write matters more than the guard.
namespace {

constexpr qint64 R = ScheduleEntry::RecordLength;
constexpr qint64 kBlockLength = 8 + 4 + 2 * R;  // offset, old length, old bytes, new bytes
constexpr qint64 kLongestJournal = 64 << 20;

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

void ScheduleFile::write(qint64 n, const ScheduleEntry& entry) {
    if (n < 1) throw QcError(QcError::BadFileNameOrNumber, QStringLiteral("Bad record number %1").arg(n));
    // A disk writes a sector whole, so a single record that lies within one sector cannot be caught
    // half written: only one across two sectors (or two memory pages, which are whole sectors) waits
    // for the journal to reach the disk first.
    constexpr qint64 kSector = 512;
    const qint64 offset = (n - 1) * R;
    if (offset / kSector == (offset + R - 1) / kSector)
        writeRaw(offset, entry.serialise());
    else
        write(std::vector<RecordBytes>{{n, entry.serialise()}});
}

void ScheduleFile::write(const std::vector<RecordBytes>& records) {
    for (const RecordBytes& r : records)
        if (r.n < 1 || r.bytes.size() != R)
            throw QcError(QcError::BadFileNameOrNumber, QStringLiteral("Bad record number %1").arg(r.n));
    struct stat st {};
    const qint64 oldSize = fd_ >= 0 && ::fstat(fd_, &st) == 0 ? st.st_size : -1;
    std::vector<QByteArray> old;
    old.reserve(records.size());
    for (const RecordBytes& r : records)
        old.push_back(fd_ >= 0 ? readAt(fd_, (r.n - 1) * R, R) : QByteArray());
    const bool journaled = writeJournal(records, old);
    size_t written = 0;
    try {
        for (; written < records.size(); ++written)
            writeAt((records[written].n - 1) * R, records[written].bytes);
        flush();
    } catch (...) {
        // What went in is taken out again, so a failed write leaves the file as it was and never
        // comes back at the next opening. Where even that fails, the journal stays: the next opening
        // completes the change rather than leave a mix.
        bool restored = true;
        try {
            for (size_t i = 0; i <= written && i < records.size(); ++i)
                writeAt((records[i].n - 1) * R, old[i]);
            if (oldSize >= 0 && ::fstat(fd_, &st) == 0 && st.st_size > oldSize) {
                if (::ftruncate(fd_, oldSize) != 0) restored = false;
            }
            flush();
        } catch (...) {
            restored = false;
        }
        if (journaled && restored) (void)::ftruncate(journalFd_, 0);
        throw;
    }
    if (journaled) (void)::ftruncate(journalFd_, 0);
}

bool ScheduleFile::writeJournal(const std::vector<RecordBytes>& records, std::vector<QByteArray>& old) {
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
    QByteArray entry;
    entry.reserve(qsizetype(records.size()) * kBlockLength + 4);
    for (size_t i = 0; i < records.size(); ++i) {
        appendNumber(entry, (records[i].n - 1) * R);
        appendNumber(entry, static_cast<quint32>(old[i].size()));
        entry += old[i].leftJustified(R, '\0') + records[i].bytes;
    }
    appendNumber(entry, checksum(entry));
    if (::pwrite(journalFd_, entry.constData(), entry.size(), 0) == entry.size() &&
        ::ftruncate(journalFd_, entry.size()) == 0 && ::fdatasync(journalFd_) == 0)
        return true;
    // Half a journal must not complete anything at the next opening.
    (void)::ftruncate(journalFd_, 0);
    return false;
}

void ScheduleFile::completeJournal() {
    const QString name = path_ + QStringLiteral(".journal");
    const int fd = ::open(name.toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st {};
    const bool sized = ::fstat(fd, &st) == 0 && st.st_size <= kLongestJournal;
    const QByteArray entry = sized ? readAt(fd, 0, st.st_size) : QByteArray();
    ::close(fd);
    const qint64 blocks = (entry.size() - 4) / kBlockLength;
    if (blocks < 1 || entry.size() != blocks * kBlockLength + 4 ||
        checksum(entry.left(entry.size() - 4)) != numberAt<quint32>(entry, entry.size() - 4))
        return;
    std::vector<std::pair<qint64, QByteArray>> pending;
    for (qint64 b = 0; b < blocks; ++b) {
        const qsizetype at = qsizetype(b * kBlockLength);
        const qint64 offset = numberAt<qint64>(entry, at);
        const QByteArray old = entry.mid(at + 12, numberAt<quint32>(entry, at + 8));
        const QByteArray record = entry.mid(at + 12 + R, R);
        const QByteArray now = readAt(fd_, offset, R);
        if (now == record) continue;
        // Only records made of their old and their new bytes are completed: a file put in its place
        // since (a copy from another PC) is left as it is.
        if (now.size() < old.size()) return;
        for (qsizetype i = 0; i < now.size(); ++i)
            if (now[i] != record[i] && (i >= old.size() || now[i] != old[i])) return;
        pending.emplace_back(offset, record);
    }
    try {
        for (const auto& [offset, record] : pending)
            writeAt(offset, record);
        flush();
    } catch (const QcError&) {
        return;  // the records stay as they are; the next opening tries again
    }
    (void)::truncate(name.toLocal8Bit().constData(), 0);
}

}  // namespace qc
