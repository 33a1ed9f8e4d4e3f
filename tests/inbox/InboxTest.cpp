// Schedules dropped in the inbox, through the engine on simulated time: the inbox looks into its
// folder and gets its turn after every tick, as the event loop gives it. Each row is a delivery and
// what the station makes of it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "TestSupport.h"
#include "engine/SimulatedRun.h"
#include "inbox/ScheduleInbox.h"

namespace qc::test {
namespace {

QDateTime at(const char* time) {
    return QDateTime(QDate(2026, 12, 7), QTime::fromString(time, "HH:mm:ss"));  // a Monday
}

QByteArray records(const std::vector<ScheduleEntry>& entries) {
    QByteArray out;
    for (const ScheduleEntry& e : entries)
        out += e.serialise();
    return out;
}

// Writes (or appends) a file of the data folder as a sync tool leaves it: its own user's, mode 0600
// unless told. Written last: still being written, as far as anyone can tell. Put in place: its data
// written a minute before it appeared, as rsync -a or a rename leaves it.
void drop(TestProgram& p, const char* name, const QByteArray& bytes, bool putInPlace = false,
          mode_t mode = 0600, uid_t owner = ::geteuid(), bool append = false) {
    QDir().mkpath(p.file("inbox"));
    const int fd =
        ::open(QFile::encodeName(p.file(name)), O_WRONLY | O_CREAT | (append ? O_APPEND : O_TRUNC), 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::fchmod(fd, mode) | ::fchown(fd, owner, ::getegid()), 0);
    ASSERT_EQ(::write(fd, bytes.constData(), bytes.size()), bytes.size());
    const timespec before[2] = {{::time(nullptr) - 60, 0}, {::time(nullptr) - 60, 0}};
    ASSERT_EQ(::futimens(fd, putInPlace ? before : nullptr), 0);
    ::close(fd);
}

struct Step {
    const char* at;
    std::function<void(TestProgram&)> action;
};

TEST(Inbox, DeliveriesAreTakenWholeCheckedAndAppliedBetweenCycles) {
    // The running schedule: a Momentary start at 12:00:30, so its cycle runs 12:00:15-12:00:31.
    const std::vector<ScheduleEntry> running = {makeEntry("Old", 1, "12:00:30", {1}, 2)};
    const QByteArray good = records({makeEntry("New", 1, "12:05:00", {1}, 2, "A", 42)});
    auto deliver = [](const QByteArray& bytes) {
        return [bytes](TestProgram& p) { drop(p, "inbox/switchlist.dat", bytes); };
    };
    auto applied = [](const QString& t) {
        return "AL " + t +
               " Schedule from inbox applied: 1 entries (was 1); replaced; applied 1 1 | applied/20261207-" +
               QString(t).remove(':') + "-switchlist.dat | new";
    };
    auto refused = [](const QString& why, const QString& moved = "rejected/20261207-120006-switchlist.dat ") {
        return "AL 12:00:06 Schedule from inbox refused: " + why + "; MSG; rejected | " + moved +
               "rejected/20261207-120006-switchlist.dat.txt | old";
    };
    // clang-format off
    const std::vector<std::tuple<const char*, std::vector<Step>, const char*, QString>> rows = {
        {"GoodFileBetweenCycles", {{"12:00:01", deliver(good)}}, "12:00:40", applied("12:00:06")},
        // Taken at 12:00:17 in the middle of the cycle: applied once the output is released, the
        // cycle's commands those of the old entry.
        {"ArrivingDuringACycle", {{"12:00:12", deliver(records({makeEntry("New", 1, "12:00:30", {1}, 2, "A", 42)}))}},
         "12:00:40", "12:00:16.550 COM1 SP A,S,14; 12:00:18.550 COM1 SP A,S,14; AL 12:00:16 Old SP A,S,14; "
         "AL 12:00:18 Old SP A,S,14; AL 12:00:29 Remote Start 1 On; AL 12:00:31 Remote Start 1 Off; " + applied("12:00:31")},
        // Half a record at first: read then, it would have been refused.
        {"StillGrowing", {{"12:00:01", deliver(good.left(60))}, {"12:00:04", [good](TestProgram& p) {
             drop(p, "inbox/switchlist.dat", good.mid(60), false, 0600, ::geteuid(), true); }}}, "12:00:12",
         applied("12:00:09")},
        {"RenamedIntoPlace", {{"12:00:01", [good](TestProgram& p) { drop(p, "inbox/.switchlist.dat.tmp", good, true); }},
             {"12:00:03", [](TestProgram& p) { QFile::rename(p.file("inbox/.switchlist.dat.tmp"), p.file("inbox/SwitchList.DAT")); }}},
         "12:00:04", applied("12:00:03")},
        {"OddLength", {{"12:00:01", deliver(good + good.left(112))}}, "12:00:10",
         refused("its length, 225 bytes, is not a whole number of 113-byte records")},
        {"Empty", {{"12:00:01", deliver("")}}, "12:00:10", refused("the file is empty")},
        {"NothingInUse", {{"12:00:01", deliver(QByteArray(2 * 113, '\0'))}}, "12:00:10",
         refused("it holds no entry in use; the station would switch nothing")},
        {"BadTime", {{"12:00:01", deliver(good + records({makeEntry("Bad", 1, "25:00:00", {1})}))}}, "12:00:10",
         refused("record 2 (\"Bad\"), Monday time \"25:00:00\": Time format in Monday Time to Switch must be HH:MM:SS, "
                 "from 00:00:00 to 23:59:59")},
        {"ReceiverThree", {{"12:00:01", deliver(records({makeEntry("Third", 3, "12:05:00", {1})}))}}, "12:00:10",
         refused("record 1 (\"Third\"), Receiver: 3 is no receiver (0, 1 or 2)")},
        {"GroupMayWrite", {{"12:00:01", [good](TestProgram& p) { drop(p, "inbox/switchlist.dat", good, false, 0620); }}},
         "12:00:10", refused("its group or other users may write to it (mode 0620); only the user the program runs as may")},
        {"AnotherUsers", {{"12:00:01", [good](TestProgram& p) { drop(p, "inbox/switchlist.dat", good, false, 0600, 65534); }}},
         "12:00:10", refused("it belongs to nobody (65534), not to root (0), the user the program runs as")},
        // The link goes to rejected/ itself; what it points at is never read.
        {"SymbolicLink", {{"12:00:01", [good](TestProgram& p) { drop(p, "elsewhere.dat", good);
             QFile::link(p.file("elsewhere.dat"), p.file("inbox/switchlist.dat")); }}}, "12:00:10",
         refused("it is a symbolic link; links in the inbox are never followed", "")},
        // A newer delivery renamed into place while the schedule is written: applied in its turn, and
        // the one it replaced kept in applied/ from what was read.
        {"NewerWhileApplying", {{"12:00:01", [good](TestProgram& p) { drop(p, "inbox/switchlist.dat", good);
             auto once = std::make_shared<QMetaObject::Connection>();
             *once = QObject::connect(p.m.get(), &Module1::fileWritten, [&p, once](const QString& path) {
                 if (!path.endsWith("SwitchList.dat")) return;
                 QObject::disconnect(*once);
                 drop(p, "inbox/.next.tmp", records({makeEntry("Newer", 1, "12:06:00", {1}, 2)}), true);
                 ::rename(QFile::encodeName(p.file("inbox/.next.tmp")), QFile::encodeName(p.file("inbox/switchlist.dat"))); }); }}}, "12:00:20",
         "AL 12:00:06 Schedule from inbox applied: 1 entries (was 1); AL 12:00:06 Schedule from inbox applied: 1 entries "
         "(was 1); MSG; replaced; applied 1 1; replaced; applied 1 1 | applied/20261207-120006-2-switchlist.dat "
         "applied/20261207-120006-switchlist.dat | other"},
        // applied/ a link: nothing is moved through it, and the file that stays is applied once.
        {"NowhereToMoveIt", {{"12:00:01", [good](TestProgram& p) { QDir(p.file("inbox/applied")).removeRecursively();
             QDir().mkpath(p.file("elsewhere")); QFile::link(p.file("elsewhere"), p.file("inbox/applied"));
             drop(p, "inbox/switchlist.dat", good); }}}, "12:00:40",
         "AL 12:00:06 Schedule from inbox applied: 1 entries (was 1); MSG; replaced; applied 1 1 | switchlist.dat | new"},
    };
    // clang-format on
    for (const auto& [name, steps, until, expected] : rows) {
        SCOPED_TRACE(name);
        TestProgram p(at("12:00:00"));
        p.start(running, "111001d02");
        const QByteArray before = p.readFile("SwitchList.dat");
        ScheduleInbox inbox(*p.m);
        inbox.prepare();
        EXPECT_EQ(QFileInfo(p.file("inbox")).permissions() & 0x0077, 0);  // QFileDevice: owner bits alone
        QStringList told;
        QString last = "none";
        QObject::connect(&inbox, &ScheduleInbox::scheduleApplied, [&](int n, int was, qint64 utc) {
            told << QStringLiteral("applied %1 %2").arg(n).arg(was);
            last = QStringLiteral("%1 entries at %2").arg(n).arg(utc);
            EXPECT_EQ(utc * 1000, p.clock.utcMs() / 1000 * 1000);
        });
        QObject::connect(&inbox, &ScheduleInbox::scheduleRejected, [&] { told << "rejected"; });
        QObject::connect(p.m.get(), &Module1::scheduleReplaced, [&] { told << "replaced"; });
        SimulatedRun run(*p.m, p.clock);
        run.beforeEvent = [&](SimulatedRun::Event) {
            inbox.check();
            inbox.afterTick();
        };
        for (const Step& step : steps) {
            run.runUntil(at(step.at));
            step.action(p);
        }
        run.runUntil(at(until));

        QStringList out;
        for (const QString& line : p.observed()) {
            QString brief = line.section('|', 0, 0).section("<CR>", 0, 0).simplified();
            out << (line.startsWith("MSG") ? "MSG"
                                           : brief.replace(QRegularExpression("^AL\\d{6}.log"), "AL"));
        }
        QStringList files;
        for (const auto& [file, bytes] : filesIn(p.file("inbox"))) {
            files << file;
            if (file.endsWith(".txt")) {
                EXPECT_TRUE(bytes.contains(out.first().section(": ", 1, -1).toUtf8())) << bytes.data();
            }
        }
        // Started again, the program finds the delivery kept in applied/ for its metrics.
        const auto found = ScheduleInbox(*p.m).lastApplied();
        EXPECT_EQ(found ? QStringLiteral("%1 entries at %2").arg(found->entries).arg(found->utcSecs) : "none",
                  files.filter("applied/").isEmpty() ? "none" : last);
        const QByteArray now = p.readFile("SwitchList.dat");
        const char* schedule = now == before ? "old" : now.mid(2, 4) == "New " ? "new" : "other";
        EXPECT_EQ((out + told).join("; ") + " | " + files.join(' ') + " | " + schedule, expected);
    }
}

// Deliveries dated more than 30 days back go with the daily deletions; nothing else in the inbox does.
TEST(Inbox, KeepsThirtyDaysOfDeliveriesAndDeletesNothingElse) {
    TestProgram p(at("10:00:14"));
    ScheduleInbox inbox(*p.m);
    const QStringList kept = {"20261106-000000-switchlist.dat", "applied/20261107-000000-switchlist.dat",
                              "rejected/20261106-000000-notes.txt"};
    for (const QString& name : kept + QStringList{"applied/20261106-235959-switchlist.dat",
                                                  "rejected/20261106-000000-2-switchlist.dat.txt"})
        p.writeFile("inbox/" + name, "x");
    QStringList left;
    for (const char* moment : {"10:00:14", "10:00:15"}) {
        p.clock.set(at(moment));
        inbox.afterTick();
        left << QString::number(filesIn(p.file("inbox")).size());
    }
    for (const auto& [name, bytes] : filesIn(p.file("inbox")))
        left << name;
    EXPECT_EQ(left, QStringList({"5", "3"}) + kept);
}

}  // namespace
}  // namespace qc::test
