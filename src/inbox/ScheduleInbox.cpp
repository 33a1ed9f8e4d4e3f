#include "ScheduleInbox.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QRegularExpression>
#include <QTimer>
#include <cerrno>

#include "ScheduleChecks.h"
#include "core/Module1.h"
#include "engine/ScheduleTransfer.h"
#include "platform/Text.h"

namespace qc {

namespace {

// Only switchlist.dat, in any letter case, is taken. What sync tools write before they rename into
// place never is: rsync's .switchlist.dat.XXXXXX, Syncthing's .syncthing.*.tmp, *.part, *~.
bool isScheduleName(const QString& name) {
    return name.compare(QLatin1String("switchlist.dat"), Qt::CaseInsensitive) == 0;
}

qint64 nanoseconds(const timespec& t) {
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

QString userName(uid_t uid) {
    const passwd* user = ::getpwuid(uid);
    return user ? QStringLiteral("%1 (%2)").arg(QString::fromLocal8Bit(user->pw_name)).arg(uid)
                : QStringLiteral("user %1").arg(uid);
}

QByteArray encoded(const QString& path) {
    return QFile::encodeName(path);
}

}  // namespace

ScheduleInbox::ScheduleInbox(Module1& m, QObject* parent) : QObject(parent), m_(m) {}

QString ScheduleInbox::folder() const {
    return Paths::existingSpelling(m_.paths().dataFolder, QStringLiteral("inbox"));
}

void ScheduleInbox::prepare() {
    const QString dir = folder();
    struct stat st {};
    if (::stat(encoded(dir).constData(), &st) != 0) {
        // Only the program's own user may drop a schedule here.
        if (errno != ENOENT || ::mkdir(encoded(dir).constData(), 0700) != 0)
            m_.ShowMessage(QStringLiteral("The inbox for schedules could not be made: %1")
                               .arg(QcError::fromErrno(errno, dir).text()));
        return;
    }
    if (st.st_uid != ::geteuid() || (st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        m_.ShowMessage(
            QStringLiteral("Other users than %1 may write to the inbox %2 (its owner is %3, mode %4): "
                           "whoever writes there changes what goes to air. Make it the program's "
                           "own: chown to that user and chmod 700.")
                .arg(userName(::geteuid()), dir, userName(st.st_uid))
                .arg(st.st_mode & 07777, 4, 8, QLatin1Char('0')));
}

void ScheduleInbox::start() {
    prepare();
    watcher_ = new QFileSystemWatcher(this);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, &ScheduleInbox::check);
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, &ScheduleInbox::check);
    poll->start(PollMs);
    looks_ = new QTimer(this);
    connect(looks_, &QTimer::timeout, this, &ScheduleInbox::check);
    looks_->setInterval(LookMs);
    // Queued: the tick has ended before anything here runs.
    connect(&m_, &Module1::ticked, this, &ScheduleInbox::afterTick, Qt::QueuedConnection);
    check();
}

qint64 ScheduleInbox::nowMs() const {
    return m_.clock().read().utcMs;
}

std::optional<ScheduleInbox::Seen> ScheduleInbox::look(const QString& name) const {
    struct stat st {};
    if (::lstat(encoded(folder() + QLatin1Char('/') + name).constData(), &st) != 0) return std::nullopt;
    return Seen{st.st_dev,  st.st_ino, st.st_size, nanoseconds(st.st_mtim), nanoseconds(st.st_ctim),
                st.st_mode, st.st_uid};
}

void ScheduleInbox::check() {
    const QString dir = folder();
    if (watcher_ && !watcher_->directories().contains(dir) && QFileInfo(dir).isDir()) watcher_->addPath(dir);
    DIR* listing = taken_ ? nullptr : ::opendir(encoded(dir).constData());
    if (listing) {
        QStringList names;
        while (const dirent* entry = ::readdir(listing)) {
            const QString name = QFile::decodeName(entry->d_name);
            if (isScheduleName(name)) names << name;
        }
        const qint64 now = nowMs();
        std::map<QString, Resting> resting;
        for (const QString& name : names) {
            const std::optional<Seen> seen = look(name);
            if (!seen) continue;
            if (const auto done = handled_.find(name); done != handled_.end() && done->second == *seen)
                continue;
            handled_.erase(name);
            const auto before = resting_.find(name);
            const bool changed = before == resting_.end() || !(before->second.seen == *seen);
            // A file whose data was last written before its name or attributes last changed was put
            // in place whole: a rename (rsync, Syncthing, cp to a temporary name and mv) or a copy
            // that set its source's times (cp -p, rsync -a). Any other file waits until it has
            // stopped changing, so a sync still writing is never read half-way.
            const bool whole = S_ISREG(seen->mode) && seen->ctimeNs > seen->mtimeNs;
            if (taken_ || (changed && !whole) || (!changed && now - before->second.since < RestMs)) {
                resting[name] = changed ? Resting{*seen, now} : before->second;
                continue;
            }
            take(dirfd(listing), name, *seen);
        }
        ::closedir(listing);
        resting_ = std::move(resting);
    }
    if (looks_) {
        if (resting_.empty())
            looks_->stop();
        else if (!looks_->isActive())
            looks_->start();
    }
}

void ScheduleInbox::take(int dirFd, const QString& name, const Seen& seen) {
    constexpr qint64 R = ScheduleEntry::RecordLength;
    if (S_ISLNK(seen.mode))
        return refuse(name, seen,
                      {QStringLiteral("it is a symbolic link; links in the inbox are never followed")});
    if (!S_ISREG(seen.mode)) return refuse(name, seen, {QStringLiteral("it is not a regular file")});
    if (seen.uid != ::geteuid())
        return refuse(name, seen,
                      {QStringLiteral("it belongs to %1, not to %2, the user the program runs as")
                           .arg(userName(seen.uid), userName(::geteuid()))});
    if ((seen.mode & (S_IWGRP | S_IWOTH)) != 0)
        return refuse(name, seen,
                      {QStringLiteral("its group or other users may write to it (mode %1); only the user the "
                                      "program runs as may")
                           .arg(seen.mode & 07777, 4, 8, QLatin1Char('0'))});
    if (seen.size > kMostDeliveredRecords * R)
        return refuse(name, seen,
                      {QStringLiteral("it holds %1 bytes, more than a schedule may (%2 records)")
                           .arg(seen.size)
                           .arg(kMostDeliveredRecords)});
    const int fd = ::openat(dirFd, encoded(name).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return refuse(name, seen,
                      {QStringLiteral("it cannot be read: %1").arg(QcError::fromErrno(errno).text())});
    struct stat st {};
    QByteArray bytes;
    if (::fstat(fd, &st) == 0 && st.st_dev == seen.dev && st.st_ino == seen.ino) {
        bytes.resize(seen.size + 1);
        qint64 got = 0;
        for (ssize_t n; got < bytes.size() && (n = ::read(fd, bytes.data() + got, bytes.size() - got)) != 0;)
            if (n > 0)
                got += n;
            else if (errno != EINTR)
                break;
        bytes.truncate(got);
    }
    ::close(fd);
    // Replaced or written to since it was looked at: it rests again from now.
    if (bytes.size() != seen.size || st.st_ino != seen.ino) return;
    const QStringList faults = deliveredScheduleFaults(bytes, m_.DayNames, m_.RemoteStartOn);
    if (!faults.isEmpty()) return refuse(name, seen, faults);
    taken_ = Taken{name, seen, bytes};
}

QString ScheduleInbox::keptName(const char* subFolder, QString& why) const {
    const QString into = Paths::existingSpelling(folder(), QString::fromLatin1(subFolder));
    if (::mkdir(encoded(into).constData(), 0700) != 0 && errno != EEXIST) {
        why = QcError::fromErrno(errno, into).text();
        return {};
    }
    struct stat folderSt {};
    if (::lstat(encoded(into).constData(), &folderSt) != 0 || !S_ISDIR(folderSt.st_mode)) {
        why = QStringLiteral("%1 is not a folder but a link or a file; links in the inbox are never followed")
                  .arg(into);
        return {};
    }
    const QString stamp = m_.clock().now().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target;
    struct stat st {};
    for (int k = 1;; ++k) {
        target = into + QLatin1Char('/') + stamp + (k > 1 ? QStringLiteral("-%1").arg(k) : QString()) +
                 QStringLiteral("-switchlist.dat");
        if (::lstat(encoded(target).constData(), &st) != 0 &&
            ::lstat(encoded(target + ".txt").constData(), &st) != 0)
            break;
    }
    return target;
}

QString ScheduleInbox::moveAside(const QString& name, const Seen& seen, const char* subFolder, QString& why) {
    // A file that cannot be moved away is dealt with all the same: it is not taken again (applied
    // again, or refused again) until it changes.
    auto fail = [&] {
        handled_[name] = seen;
        return QString();
    };
    const QString target = keptName(subFolder, why);
    if (target.isEmpty()) return fail();
    if (::rename(encoded(folder() + QLatin1Char('/') + name).constData(), encoded(target).constData()) != 0) {
        why = QcError::fromErrno(errno, target).text();
        return fail();
    }
    return target;
}

bool ScheduleInbox::keepCopy(const QByteArray& bytes, QString& why) const {
    const QString target = keptName("applied", why);
    if (target.isEmpty()) return false;
    // A new file only (a link put there is not followed), the program's own.
    QFile file(target);
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFile::ReadOwner | QFile::WriteOwner) &&
        file.write(bytes) == bytes.size() && file.flush())
        return true;
    why = QStringLiteral("%1: %2").arg(target, file.errorString());
    if (file.isOpen()) file.remove();
    return false;
}

void ScheduleInbox::refuse(const QString& name, const Seen& seen, const QStringList& reasons) {
    // A newer delivery under the same name is looked at in its own turn.
    if (look(name) != seen) return;
    QString why;
    const QString moved = moveAside(name, seen, "rejected", why);
    const QDateTime now = m_.clock().now();
    if (!moved.isEmpty()) {
        QFile report(moved + QStringLiteral(".txt"));
        if (report.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            report.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
            report.write((QStringLiteral("%1, delivered to the inbox, was refused on %2:\n")
                              .arg(name, now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))) +
                          reasons.join(QLatin1Char('\n')) +
                          QStringLiteral("\nThe running schedule was not changed.\n"))
                             .toUtf8());
        }
    }
    const QString& first = reasons.first();
    log("Schedule from inbox refused: " + toCp1252(first));
    const QString more =
        reasons.size() > 1 ? QStringLiteral(" (and more: see the .txt beside it)") : QString();
    m_.ShowMessage(
        QStringLiteral(
            "The schedule delivered to the inbox was refused: %1%2. %3 The running schedule is unchanged.")
            .arg(first, more,
                 moved.isEmpty()
                     ? QStringLiteral("It could not be moved to rejected (%1) and stays in the inbox.")
                           .arg(why)
                     : QStringLiteral("It was moved to %1, with the reasons beside it.").arg(moved)));
    emit scheduleRejected(first);
}

void ScheduleInbox::afterTick() {
    const QDateTime now = m_.clock().now();
    // With the engine's daily deletions, or on the first tick after them when the program was not
    // running then.
    if (cleaned_ != now.date() && now.time() >= QTime(10, 0, 15)) {
        cleaned_ = now.date();
        deleteOld();
    }
    if (taken_ && betweenCycles()) applyTaken();
}

bool ScheduleInbox::betweenCycles() const {
    if (m_.Timer1.Enabled() || m_.Timer2.Enabled()) return false;
    bool cycleAboutToBegin = false;
    for (int receiver : {1, 2}) {
        if (receiver == 2 && m_.TwoReceivers != 1) continue;
        if ((receiver == 1 ? m_.NextRecord1 : m_.NextRecord2) == 0) continue;
        // From shortly before the cycle starts until its event second is over (the commands have
        // gone, the remote start has not), the schedule stays as the cycle found it.
        const int count = receiver == 1 ? m_.countdown(m_.NextDate1, m_.NextSecs1)
                                        : m_.countdown(m_.NextDate2, m_.NextSecs2);
        if (count <= CycleSoonSecs) return false;
        cycleAboutToBegin = cycleAboutToBegin || count <= CycleSoonSecs + 4;
    }
    // A Holding output stays on for the programme's length: it is waited for, but at most until the
    // next cycle is about to begin, so the next cycle runs the new schedule.
    return !(m_.RemoteStart1Active || m_.RemoteStart2Active) || cycleAboutToBegin;
}

void ScheduleInbox::applyTaken() {
    if (!taken_) return;
    const Taken t = std::move(*taken_);
    taken_.reset();
    if (look(t.name) != t.seen) return check();  // a newer delivery: it rests in its own turn
    ScheduleReplaced done;
    try {
        done = replaceSchedule(m_, t.bytes);
    } catch (const std::exception& e) {
        handled_[t.name] = t.seen;
        m_.ShowMessage(
            QStringLiteral("The schedule delivered to the inbox could not be applied: %1. It stays in "
                           "the inbox and is tried again when it is delivered again.")
                .arg(toQcError(e).text()));
        return;
    }
    QString why;
    // The file was replaced (a newer delivery, which stays for its own turn) or taken away while
    // this one was applied: what was applied is kept in applied/ from what was read.
    const std::optional<Seen> now = look(t.name);
    if (now != t.seen) {
        if (!keepCopy(t.bytes, why))
            m_.ShowMessage(
                QStringLiteral("The schedule delivered to the inbox was applied, but no copy of it could "
                               "be kept in applied: %1")
                    .arg(why));
        if (now)
            m_.ShowMessage(
                QStringLiteral("A newer schedule was delivered to the inbox while one was applied; "
                               "it is taken next."));
    } else if (moveAside(t.name, t.seen, "applied", why).isEmpty())
        m_.ShowMessage(
            QStringLiteral("The schedule delivered to the inbox was applied, but it could not be moved "
                           "to applied: %1")
                .arg(why));
    log("Schedule from inbox applied: " + QByteArray::number(done.entriesAfter) + " entries (was " +
        QByteArray::number(done.entriesBefore) + ")");
    emit scheduleApplied(done.entriesAfter, done.entriesBefore, nowMs() / 1000);
    check();
}

void ScheduleInbox::log(const QByteArray& text) {
    if (m_.ActivityLogOn != 1) return;
    // ActivityText is the procedures' shared scratch value: whatever a step of the tick left in it
    // stays.
    const QByteArray kept = m_.ActivityText;
    m_.ActivityText = text;
    try {
        m_.WriteActivityLog();
    } catch (const std::exception& e) {
        m_.ShowMessage(toQcError(e).text());
    }
    m_.ActivityText = kept;
}

std::optional<ScheduleInbox::LastApplied> ScheduleInbox::lastApplied() const {
    static const QRegularExpression stamped(QStringLiteral("^(\\d{8}-\\d{6})(-(\\d+))?-switchlist\\.dat$"));
    const QString into = Paths::existingSpelling(folder(), QStringLiteral("applied"));
    struct stat st {};
    if (::lstat(encoded(into).constData(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
    QString newest;
    std::pair<QDateTime, int> newestAt;
    for (const QString& name : QDir(into).entryList(QDir::Files | QDir::Hidden)) {
        const QRegularExpressionMatch match = stamped.match(name);
        const std::pair<QDateTime, int> at{
            QDateTime::fromString(match.captured(1), QStringLiteral("yyyyMMdd-HHmmss")),
            match.captured(3).toInt()};
        if (!match.hasMatch() || !at.first.isValid() || (!newest.isEmpty() && at <= newestAt)) continue;
        newest = name;
        newestAt = at;
    }
    if (newest.isEmpty()) return std::nullopt;
    const QString path = into + QLatin1Char('/') + newest;
    if (::lstat(encoded(path).constData(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray bytes = file.read(64 << 20);
    LastApplied last;
    for (qsizetype at = 0; at + 1 < bytes.size(); at += ScheduleEntry::RecordLength)
        last.entries += bytes[at] == 1 && bytes[at + 1] == 0;
    const QDateTime at = newestAt.first;
    last.utcSecs = m_.clock().utcOf(at.date(), at.time().msecsSinceStartOfDay() / 1000);
    return last;
}

void ScheduleInbox::deleteOld() {
    static const QRegularExpression stamped(
        QStringLiteral("^(\\d{8})-\\d{6}(-\\d+)?-switchlist\\.dat(\\.txt)?$"));
    const QDate oldest = m_.clock().now().date().addDays(-KeepDays);
    for (const char* sub : {"applied", "rejected"}) {
        const QDir dir(Paths::existingSpelling(folder(), QString::fromLatin1(sub)));
        struct stat st {};
        if (::lstat(encoded(dir.path()).constData(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;
        for (const QString& name : dir.entryList(QDir::Files | QDir::System | QDir::Hidden)) {
            const QRegularExpressionMatch match = stamped.match(name);
            const QDate day = QDate::fromString(match.captured(1), QStringLiteral("yyyyMMdd"));
            // A link refused into rejected/ goes itself, never what it points at.
            if (match.hasMatch() && day.isValid() && day < oldest) QFile::remove(dir.filePath(name));
        }
    }
}

}  // namespace qc
