// Where the program's files lie.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "platform/Paths.h"

namespace qc {
namespace {

// A copy of an old station's folder keeps the letter case the old system ignored. Each row: the
// entries there (a trailing "/" makes a folder), what is asked (file:..., "logs" or log:...), and
// after "->" the path found, relative to the data folder.
TEST(Paths, SpellingsAreFoundInAnyLetterCaseAndTheExactOneWins) {
    const char* const rows[] = {
        "file:SwitchList.dat -> SwitchList.dat",
        "switchlist.dat file:SwitchList.dat -> switchlist.dat",
        "SWITCHLIST.DAT SwitchList.dat file:SwitchList.dat -> SwitchList.dat",
        "logs -> logs",
        "Logs/ logs -> Logs",
        "Logs/ logs/ logs -> logs",
        "Logs/AL261205.LOG log:AL261205.log -> Logs/AL261205.LOG",
        "logs/AL261205.LOG logs/AL261205.log log:AL261205.log -> logs/AL261205.log",
        "LOGS/ log:EB261205.log -> LOGS/EB261205.log",
    };
    for (const QString row : rows) {
        QTemporaryDir dir;
        QStringList present = row.section(" -> ", 0, 0).split(' ');
        const QString asked = present.takeLast();
        for (const QString& entry : present) {
            QDir().mkpath(QFileInfo(dir.filePath(entry)).path());
            if (!entry.endsWith('/')) QFile(dir.filePath(entry)).open(QIODevice::WriteOnly);
        }
        const Paths p{dir.path()};
        const QString path = asked == "logs"            ? p.logsFolder()
                             : asked.startsWith("log:") ? p.logFile(asked.mid(4))
                                                        : p.file(asked.mid(5));
        EXPECT_EQ(QDir(dir.path()).relativeFilePath(path), row.section(" -> ", 1)) << row.toStdString();
    }
}

TEST(Paths, PortLinksInTheDataFolderTakeThePlaceOfTheStandardDevices) {
    QTemporaryDir dir;
    const Paths p{dir.path()};
    // A link whose device is unplugged still names the port the station chose.
    ASSERT_TRUE(QFile::link(dir.filePath("no-such-device"), dir.filePath("COM2")));
    QFile(dir.filePath("LPT1")).open(QIODevice::WriteOnly);
    EXPECT_EQ(p.serialPort(2), dir.filePath("COM2"));
    EXPECT_EQ(p.serialPort(8), QStringLiteral("/dev/ttyS7"));
    EXPECT_EQ(p.parallelPort(), dir.filePath("LPT1"));
    EXPECT_EQ(Paths{dir.filePath("none")}.parallelPort(), QStringLiteral("/dev/parport0"));
    // Start-up creates the shared folder when it is missing, so it must never fall back to the root
    // file system; without an application object it still lies beside the running executable.
    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    EXPECT_TRUE(Paths::sharedDataFolder().startsWith(
        QFileInfo("/proc/self/exe").canonicalPath().section('/', 0, -2)));
}

TEST(Paths, VolumesComeFromTheMountTableWithoutKernelAndNetworkMounts) {
    QTemporaryDir dir;
    QFile table(dir.filePath("mounts"));
    ASSERT_TRUE(table.open(QIODevice::WriteOnly));
    table.write(
        "/dev/vda1 / ext4 rw 0 0\nproc /proc proc rw 0 0\ntmpfs /run tmpfs rw 0 0\n"
        "server:/export /mnt/archive nfs4 rw 0 0\n//nas/share /mnt/nas cifs rw 0 0\n"
        "/dev/sdb1 /run/media/op/STICK\\040ONE vfat rw 0 0\n/dev/sdc1 /media/floppy vfat rw 0 0\n");
    table.close();
    EXPECT_EQ(Paths::mountedVolumes(table.fileName()),
              QStringList({"/", "/run/media/op/STICK ONE", "/media/floppy"}));
    EXPECT_EQ(Paths::mountedVolumes(dir.filePath("none")), QStringList({"/"}));
}

}  // namespace
}  // namespace qc
