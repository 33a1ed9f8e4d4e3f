// Start-up on a data folder, the settings files QuillornControl.ini (nine one-byte records) and
// TimeReset.ini (one five-byte record), and where the program's files lie.
#include <QCoreApplication>

#include "support/TestSupport.h"

namespace qc::test {
namespace {

// Read over check boxes preset to MPEG log on, remote control off, then written back (after
// `change`). A grey check box ("2") or any other byte leaves the setting as it was; a numeric record
// reads a non-digit as 0; only the first digit of a number and five characters of the time are
// written, over the start of the file.
TEST(Settings, ReadAndWriteByteForByte) {
    struct Row {
        QByteArray ini, timeReset;
        QString read;  // settingsOf() after reading
        std::function<void(Module1&)> change;
        QByteArray written;  // both files, joined by "|"
    };
    // clang-format off
    const Row rows[] = {
        {"111201w12", "54:30", "1 1 1 2 false true w 1 2 54:30", {}, "111201w12|54:30"},
        {"320510m04", "07:15:30", "3 2 0 5 true false m 0 4 07:15", {}, "320510m04|07:15:30"},
        {"11122x y3", "5:3", "1 1 1 2 true false   0 3 5:3  ", {}, "111210 03|5:3  "},
        {"a?3", "", "0 0 3 0 true false  0 0 99:99",
         [](Module1& m) { m.Rx1Port = 12; m.Rx2Port = 10; m.ClockResetTime = "7:05"; }, "103010 01|7:05 "},
    };
    // clang-format on
    for (const Row& row : rows) {
        TestProgram p;
        p.writeFile("QuillornControl.ini", row.ini);
        p.writeFile("TimeReset.ini", row.timeReset);
        p.m->MpegLogOn = true;
        p.m->ClockResetTime = "99:99";  // an empty TimeReset.ini leaves the time known
        p.m->ReadSettings();
        p.m->ReadTimeReset();
        EXPECT_EQ(settingsOf(*p.m), row.read);
        EXPECT_EQ(p.readFile("QuillornControl.ini"), row.ini);  // reading never writes
        if (row.change) row.change(*p.m);
        p.m->WriteSettings();
        EXPECT_EQ(p.readFile("QuillornControl.ini") + "|" + p.readFile("TimeReset.ini"), row.written);
    }
}

TEST(Startup, FirstStartOnAnEmptyDiskCreatesTheFoldersAndEmptyFiles) {
    TestProgram p;
    const QString folder = p.home() + "/sub/dir";
    Module1 m(Paths{folder}, p.clock, p.serial, p.port);
    m.InitializeProgram();
    EXPECT_TRUE(QFileInfo(folder + "/logs").isDir());
    for (const char* name : {"TimeReset.ini", "SwitchList.dat", "QuillornControl.ini"})
        EXPECT_EQ(QFileInfo(folder + '/' + name).size(), 0) << name;
    EXPECT_EQ(settingsOf(m), "0 0 0 0 false false  0 0 ");
    EXPECT_TRUE(m.SchedFileNo.isOpen());
    EXPECT_EQ(m.NextRecord1 + m.lstNextToSwitch.count() + m.lstNextToSwitch2.count(), 0);
    EXPECT_GE(p.port.writes, 1);  // the outputs are put at rest
    EXPECT_EQ(p.port.data, 0);
}

// Each step reports its failure and start-up goes on: the settings are read, both searches run
// (finding nothing) and the outputs are put at rest. A second spelling beside the one in use is
// reported once.
TEST(Startup, TroubleInTheFolderIsReportedAndTheProgramStillComesUp) {
    TestProgram p;
    for (const char* folder : {"logs", "Logs", "LOGS", "SwitchList.dat"})
        QDir().mkpath(p.file(folder));
    p.writeFile("SWITCHLIST.DAT", "");
    p.writeFile("QuillornControl.ini", "111201w12");
    p.m->InitializeProgram();
    EXPECT_EQ(p.m->paths().logsFolder(), p.file("logs"));
    EXPECT_EQ(
        p.observed().join('\n').section(" (", 0, 0),
        "MSG <home>/LOGS is ignored; <home>/logs is used.\n<home>/Logs is ignored; <home>/logs is used.\n"
        "<home>/SWITCHLIST.DAT is ignored; <home>/SwitchList.dat is used.\n"
        "MSG 75  Path/File access error: <home>/SwitchList.dat");
    EXPECT_EQ(p.m->Rx2Port, 2);
    EXPECT_TRUE(p.m->view.Receiver2Visible);
    EXPECT_GE(p.port.writes, 1);
}

// A folder copied from an old PC as it is: names in the letter case the old system left them, a
// record of NUL-filled texts and a byte the code page does not assign, a torn record at the end.
TEST(Startup, AFolderCopiedFromAnOldPcIsUsedAsItIs) {
    TestProgram p;
    QByteArray odd = makeEntry("", 1, "06:30:00", {2}).serialise();
    odd.replace(2, 25, QByteArray("Caf\xE9 Ol\x81") + QByteArray(17, '\0'));
    odd.replace(27, 5, QByteArray(5, '\0'));
    ScheduleEntry impossible =
        makeEntry("Late Show", 1, "25:99:99", {2, 3});  // let through by the old editor
    impossible.Times[3] = "ab:cd:ef";
    p.writeFile("switchlist.dat", makeEntry("Morning Show", 1, "09:00:00", {1, 2, 3, 4, 5}).serialise() +
                                      odd + impossible.serialise() +
                                      makeEntry("Torn Record", 1, "05:00:00", {2}).serialise().left(60));
    p.writeFile("QUILLORNCONTROL.INI", "211301d02\r\n");
    p.writeFile("timereset.ini", "54:30");
    p.writeFile("SPNames.dat", QByteArray("\x01\x00Sat One\x00\x00", 11));
    p.writeFile("Logs/AL261206.log", "12:00:00  Remote Start 1 On\r\n");
    p.writeFile("Logs/AL261207.LOG", "11:00:00  Alarm\r\n");
    const auto before = filesIn(p.home());

    p.m->InitializeProgram();
    // The search leaves out the impossible times (each read is a type mismatch); one message says where.
    EXPECT_EQ(p.messages.filter("13  Type mismatch").size() + 1, p.messages.size());
    EXPECT_EQ(
        p.messages.last(),
        "Schedule \"Late Show\" (record 3): the Tuesday time 25:99:99 is no time of day, so it is not "
        "switched on Tuesday.\nSchedule \"Late Show\" (record 3): the Wednesday time ab:cd:ef is no time "
        "of day, so it is not switched on Wednesday.\nCorrect the times in Schedules.");
    EXPECT_EQ(filesIn(p.home()), before);
    EXPECT_EQ(settingsOf(*p.m), "2 1 1 3 false true d 0 2 54:30");
    // Tuesday 06:30 is the next event: the odd record, never the torn one.
    EXPECT_EQ(p.m->NextRecord1, 2);
    EXPECT_EQ(p.m->EntryBuf.serialise(), odd);
    EXPECT_EQ(p.m->NextName1, QByteArray("Caf\xE9 Ol\x81") + QByteArray(17, '\0'));  // NULs are no blanks
    EXPECT_EQ(p.m->lstNextToSwitch.count(), 6);
    // Today's log goes on in the file there is.
    p.m->ActivityText = "Time Set";
    p.m->WriteActivityLog();
    EXPECT_EQ(p.readFile("Logs/AL261207.LOG"), "11:00:00  Alarm\r\n12:00:00  Time Set\r\n");
    EXPECT_EQ(QDir(p.home()).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList{"Logs"});
}

TEST(Paths, PortLinksTakeThePlaceOfTheStandardDevicesAndVolumesComeFromTheMountTable) {
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
    // The volumes of the file panel come from the mount table, without kernel and network mounts.
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
}  // namespace qc::test
