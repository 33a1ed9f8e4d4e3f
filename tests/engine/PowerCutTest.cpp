// Power cuts: a child process applies entries, saves or loads the schedule, applies one delivered to
// the inbox, or writes the settings, through the program's own code, over and over, and is killed
// (SIGKILL) at a random moment. What it had finished before is the state "old", the step it was in
// adds "new"; both are made again here by the same steps run to their end. Afterwards SwitchList.dat
// holds in every record the old or the new record, never a mix of two, and a whole schedule copied
// in is the old or the new schedule whole; every other file is the old or the new one whole; the
// folder loads without a message. A cut that caught a record half written (the journal still full) is made
// into a torn record by hand, as a disk that took only its first block would leave it: the next start
// completes it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <map>
#include <random>

#include "TestSupport.h"
#include "inbox/ScheduleInbox.h"

namespace qc::test {
namespace {

constexpr int kRecords = 40;  // record 37 lies across two memory pages and two disk blocks
constexpr qsizetype R = ScheduleEntry::RecordLength;

// Version v of record r: another programme every time, so a mix of two versions shows.
ScheduleEntry version(int r, int v) {
    const QByteArray time = QTime(0, 0).addSecs((r * 997 + v * 61) % 86400).toString("HH:mm:ss").toLatin1();
    return makeEntry("Record " + QByteArray::number(r) + " v" + QByteArray::number(v), 1 + v % 2, time,
                     {v % 7, (v + 3) % 7}, 1 + v % 3, QByteArray(1, char('A' + v % 6)), v % 999, v % 4,
                     "01:00");
}

void applyStep(Module1& m, int v) {
    const int r = (v - 1) % kRecords + 1;
    m.EntryBuf = version(r, v);
    m.PutRecord(r);
    m.FindNextSwitch1();
    m.FindNextSwitch2();
}

struct PowerCut {
    const char* name;
    std::function<void(Module1&, int v)> step;
    bool wholeSchedule = false;  // the step replaces the schedule as one
};

const PowerCut kCuts[] = {
    {"applying entries", applyStep},
    {"saving the schedule",
     [](Module1& m, int v) {
         applyStep(m, v);
         m.TransferFolder = m.paths().file("save");
         m.SaveFiles();
     }},
    {"loading schedules",
     [](Module1& m, int v) {
         m.TransferFolder = m.paths().file(v % 2 ? "a" : "b");
         m.LoadSchedules();
     },
     true},
    {"applying a schedule from the inbox",
     [](Module1& m, int v) {
         const QString dropped = m.paths().file("inbox/switchlist.dat");
         QFile::copy(m.paths().file(v % 2 ? "a/switchlist.dat" : "b/switchlist.dat"), dropped);
         QFile::setPermissions(dropped, QFile::ReadOwner | QFile::WriteOwner);
         const timespec times[2] = {{0, UTIME_OMIT}, {::time(nullptr) - 60, 0}};  // put in place whole
         ::utimensat(AT_FDCWD, QFile::encodeName(dropped), times, 0);
         ScheduleInbox inbox(m);
         inbox.check();
         inbox.applyTaken();
     },
     true},
    {"writing the settings",
     [](Module1& m, int v) {
         m.Rx1Port = 1 + v % 8;
         m.BaudIndex = 1 + v % 2;
         m.EbNoPerHour = v % 6;
         m.MpegLogOn = v % 2;
         m.TwoReceivers = static_cast<int16_t>(v % 2);
         m.SaveLogsUnit = QByteArray(1, "dwmy"[v % 4]);
         m.ClockResetTime = QTime(0, 0).addSecs(v * 60).toString("HH:mm").toLatin1();
         m.WriteSettings();
     }},
};

// The folder every run starts from: 30 records of 40 (writes to the others extend the file), the
// settings, and two transfer folders with other schedules.
void prepare(const TestProgram& p) {
    std::vector<ScheduleEntry> start, a, b;
    for (int r = 1; r <= kRecords; ++r) {
        if (r <= 30) start.push_back(version(r, 0));
        a.push_back(version(r, 1000));
        b.push_back(version(r, 2000));
    }
    writeSchedule(p.file("SwitchList.dat"), start);
    for (const char* folder : {"save", "a", "b", "inbox"})
        QDir().mkpath(p.file(folder));
    writeSchedule(p.file("a/switchlist.dat"), a);
    writeSchedule(p.file("b/switchlist.dat"), b);
    p.writeFile("QuillornControl.ini", "111511d00");
    p.writeFile("TimeReset.ini", "06:00");
}

std::map<QString, QByteArray> files(const TestProgram& p) {
    auto out = filesIn(p.home());
    // A delivery the cut left in the inbox is taken again at the next start.
    std::erase_if(out, [](const auto& file) {
        return file.first.contains(".journal") || file.first.endsWith(".new") ||
               file.first.startsWith("inbox/");
    });
    return out;
}

// The files after the first n steps, each run to its end.
std::map<QString, QByteArray> after(const PowerCut& cut, int n) {
    TestProgram p;
    prepare(p);
    p.m->InitializeProgram();
    for (int v = 1; v <= n; ++v)
        cut.step(*p.m, v);
    return files(p);
}

TEST(PowerCut, EveryRecordIsOldOrNewAndTheFolderLoads) {
    const int rounds = qEnvironmentVariableIntValue("QC_POWER_CUT_ROUNDS") > 0
                           ? qEnvironmentVariableIntValue("QC_POWER_CUT_ROUNDS")
                           : 12;
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    int tornRepaired = 0;
    for (const PowerCut& cut : kCuts) {
        for (int round = 0; round < rounds; ++round) {
            SCOPED_TRACE(std::string(cut.name) + ", round " + std::to_string(round) + ", seed " +
                         std::to_string(seed));
            TestProgram p;
            prepare(p);
            int acks[2];
            ASSERT_EQ(::pipe(acks), 0);
            const pid_t child = ::fork();
            if (child == 0) {
                ::close(acks[0]);
                try {
                    p.m->InitializeProgram();
                    for (int v = 1;; ++v) {
                        cut.step(*p.m, v);
                        if (::write(acks[1], &v, sizeof v) != sizeof v) break;
                    }
                } catch (...) {
                }
                ::_exit(1);
            }
            ::close(acks[1]);
            int done = 0;
            ASSERT_EQ(::read(acks[0], &done, sizeof done), ssize_t(sizeof done));  // the child is at work
            ::usleep(std::uniform_int_distribution<int>(0, 15000)(random));
            ::kill(child, SIGKILL);
            int status = 0;
            ::waitpid(child, &status, 0);
            ASSERT_TRUE(WIFSIGNALED(status)) << "the child ended by itself";
            for (int v; ::read(acks[0], &v, sizeof v) == ssize_t(sizeof v);)
                done = v;
            ::close(acks[0]);

            const auto oldFiles = after(cut, done);
            const auto newFiles = after(cut, done + 1);
            // A record caught half written: the disk took its first block only.
            const QByteArray oldSchedule = oldFiles.at("SwitchList.dat");
            const QByteArray newSchedule = newFiles.at("SwitchList.dat");
            std::vector<qsizetype> differ;
            for (qsizetype at = 0; at < std::max(oldSchedule.size(), newSchedule.size()); at += R)
                if (oldSchedule.mid(at, R) != newSchedule.mid(at, R)) differ.push_back(at);
            const bool torn = QFileInfo(p.file("SwitchList.dat.journal")).size() > 0 && differ.size() == 1;
            if (torn) {
                QFile f(p.file("SwitchList.dat"));
                ASSERT_TRUE(f.open(QIODevice::ReadWrite));
                f.seek(differ[0]);
                f.write(newSchedule.mid(differ[0], R / 2) + oldSchedule.mid(differ[0] + R / 2, R - R / 2));
            }

            p.makeModule();
            p.m->InitializeProgram();
            EXPECT_TRUE(p.messages.isEmpty()) << p.messages.join('\n').toStdString();
            auto get = [](const std::map<QString, QByteArray>& in, const QString& name) {
                const auto it = in.find(name);
                return it == in.end() ? QByteArray("(absent)") : it->second;
            };
            auto now = files(p);
            for (const auto& [name, bytes] : oldFiles)
                now.try_emplace(name, "(absent)");  // nothing may be lost
            for (const auto& [name, bytes] : now) {
                if (name == "SwitchList.dat" && cut.wholeSchedule) {
                    EXPECT_TRUE(bytes == oldSchedule || bytes == newSchedule) << "a mix of two schedules";
                }
                if (name != "SwitchList.dat") {
                    EXPECT_TRUE(bytes == get(oldFiles, name) || bytes == get(newFiles, name))
                        << name.toStdString();
                    continue;
                }
                for (qsizetype at = 0; at < std::max({bytes.size(), oldSchedule.size(), newSchedule.size()});
                     at += R) {
                    const QByteArray record = bytes.mid(at, R);
                    if (torn && at == differ[0]) {
                        EXPECT_EQ(record, newSchedule.mid(at, R)) << "the torn record was not completed";
                    }
                    EXPECT_TRUE(record == oldSchedule.mid(at, R) || record == newSchedule.mid(at, R))
                        << "record " << at / R + 1;
                }
            }
            tornRepaired += torn;
        }
    }
    std::printf("%d cuts, %d of them in the middle of a record, completed at the next start\n",
                rounds * int(std::size(kCuts)), tornRepaired);
}

}  // namespace
}  // namespace qc::test
