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

TEST(Paths, FilesDeriveFromTheDataFolderAndTheSharedFolderFromTheExecutable) {
    const Paths p{QStringLiteral("/tmp/station")};
    EXPECT_EQ(p.file(QStringLiteral("SwitchList.dat")), QStringLiteral("/tmp/station/SwitchList.dat"));
    EXPECT_EQ(p.logFile(QStringLiteral("AL261207.log")), QStringLiteral("/tmp/station/logs/AL261207.log"));
    // No such links in a folder that does not exist: the standard devices.
    EXPECT_EQ(p.serialPort(1), QStringLiteral("/dev/ttyS0"));
    EXPECT_EQ(p.serialPort(8), QStringLiteral("/dev/ttyS7"));
    EXPECT_EQ(p.parallelPort(), QStringLiteral("/dev/parport0"));

    // Start-up creates this folder when it is missing, so it must never fall back to the root file
    // system; without an application object it still lies beside the running executable.
    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    const QString exeDir =
        QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).absolutePath();
    EXPECT_EQ(Paths::sharedDataFolder(),
              QDir::cleanPath(exeDir + QStringLiteral("/../share/quillorncontrol")));
}

TEST(Paths, PortLinksInTheDataFolderTakeThePlaceOfTheStandardDevices) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const Paths p{dir.path()};
    // A link whose device is unplugged still names the port the station chose.
    ASSERT_TRUE(
        QFile::link(dir.filePath(QStringLiteral("no-such-device")), dir.filePath(QStringLiteral("COM2"))));
    QFile lpt(dir.filePath(QStringLiteral("LPT1")));
    ASSERT_TRUE(lpt.open(QIODevice::WriteOnly));
    lpt.close();
    EXPECT_EQ(p.serialPort(2), dir.filePath(QStringLiteral("COM2")));
    EXPECT_EQ(p.serialPort(1), QStringLiteral("/dev/ttyS0"));
    EXPECT_EQ(p.parallelPort(), dir.filePath(QStringLiteral("LPT1")));
}

TEST(Paths, VolumesComeFromTheMountTableWithoutKernelAndNetworkMounts) {
    QTemporaryDir dir;
    QFile table(dir.filePath(QStringLiteral("mounts")));
    ASSERT_TRUE(table.open(QIODevice::WriteOnly));
    table.write(
        "/dev/vda1 / ext4 rw 0 0\n"
        "proc /proc proc rw 0 0\n"
        "tmpfs /run tmpfs rw 0 0\n"
        "server:/export /mnt/archive nfs4 rw 0 0\n"
        "//nas/share /mnt/nas cifs rw 0 0\n"
        "/dev/sdb1 /run/media/op/STICK\\040ONE vfat rw 0 0\n"
        "/dev/sdc1 /media/floppy vfat rw 0 0\n"
        "/dev/vda2 /home ext4 rw 0 0\n");
    table.close();
    EXPECT_EQ(Paths::mountedVolumes(table.fileName()),
              QStringList({"/", "/run/media/op/STICK ONE", "/media/floppy", "/home"}));
    EXPECT_EQ(Paths::mountedVolumes(dir.filePath(QStringLiteral("none"))), QStringList({"/"}));
}

}  // namespace
}  // namespace qc
