#pragma once

#include <sys/types.h>

#include <QDate>
#include <QObject>
#include <QString>
#include <QStringList>
#include <map>
#include <optional>

class QFileSystemWatcher;
class QTimer;

namespace qc {

class Module1;

// The inbox: a folder of the data folder where a network's traffic office drops the station's
// schedule (switchlist.dat, by rsync, Syncthing, ...). A file is taken once it is whole, checked as
// the editor would check it, and applied between switch cycles as Load Schedules applies a copy;
// a refused one is moved aside with its reasons and changes nothing. The clock tick never waits for
// any of it: the looks into the folder run on the event loop, and an apply waits for a moment when
// no cycle is under way.
class ScheduleInbox : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 RestMs = 5000;    // a file must have stopped changing this long
    static constexpr int LookMs = 500;        // the looks while a file rests
    static constexpr int PollMs = 30000;      // beside the watcher, for network file systems
    static constexpr int KeepDays = 30;       // of applied/ and rejected/
    static constexpr int CycleSoonSecs = 16;  // an event this close has its switch cycle under way

    explicit ScheduleInbox(Module1& m, QObject* parent = nullptr);

    // The folder "inbox" of the data folder, in the letter case it exists in.
    QString folder() const;
    // Makes the folder with mode 0700 when it is missing; warns once when others may write to it.
    void prepare();
    // prepare(), then the watcher, the poll and the link to the clock tick. The program's way in.
    void start();

    // One look into the folder: a schedule that has rested (or was put in place whole) is read and
    // checked; a refused one is moved to rejected/ at once, an accepted one waits for applyTaken().
    void check();
    // After each clock tick: a schedule taken is applied when no switch cycle or remote start is
    // under way, and the first tick from 10:00:15 on each day deletes old deliveries.
    void afterTick();
    // No switch cycle runs or is due within CycleSoonSecs, and no remote-start output is on (one that
    // is held is waited for until the next cycle is about to begin).
    bool betweenCycles() const;
    // Applies the schedule taken, if any, now.
    void applyTaken();
    // Deletes from applied/ and rejected/ the deliveries older than KeepDays, by the date in their
    // names; nothing else.
    void deleteOld();

    // The newest delivery kept in applied/, by the time in its name, and its entries: what the
    // station's metrics show again after a restart.
    struct LastApplied {
        qint64 utcSecs = 0;
        int entries = 0;
    };
    std::optional<LastApplied> lastApplied() const;

signals:
    // For the station's monitoring: a refusal raises the alert schedule_rejected, an apply clears it
    // and gives the time and the number of entries.
    void scheduleRejected(const QString& reason);
    void scheduleApplied(int entries, int was, qint64 utcSecs);

private:
    // What lstat tells of a name: a file that changes in any way changes this.
    struct Seen {
        dev_t dev = 0;
        ino_t ino = 0;
        off_t size = 0;
        qint64 mtimeNs = 0;
        qint64 ctimeNs = 0;
        mode_t mode = 0;
        uid_t uid = 0;
        bool operator==(const Seen&) const = default;
    };
    struct Resting {
        Seen seen;
        qint64 since = 0;  // true time in ms
    };
    struct Taken {
        QString name;
        Seen seen;
        QByteArray bytes;
    };

    void take(int dirFd, const QString& name, const Seen& seen);
    void refuse(const QString& name, const Seen& seen, const QStringList& reasons);
    // A free name in the sub-folder (made with mode 0700 when missing, never through a link) for
    // <yyyymmdd-hhmmss>-switchlist.dat; or an empty text and why not.
    QString keptName(const char* subFolder, QString& why) const;
    // Moves the name into the sub-folder; the new path, or an empty text and why not.
    QString moveAside(const QString& name, const Seen& seen, const char* subFolder, QString& why);
    // Writes what was applied into applied/ as a new file, when the delivered file is no longer there.
    bool keepCopy(const QByteArray& bytes, QString& why) const;
    std::optional<Seen> look(const QString& name) const;
    void log(const QByteArray& text);
    qint64 nowMs() const;

    Module1& m_;
    std::map<QString, Resting> resting_;
    std::map<QString, Seen> handled_;  // names dealt with that could not be moved away
    std::optional<Taken> taken_;
    QDate cleaned_;
    QFileSystemWatcher* watcher_ = nullptr;
    QTimer* looks_ = nullptr;
};

}  // namespace qc
