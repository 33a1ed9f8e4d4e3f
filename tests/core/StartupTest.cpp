// Start-up of the program on a data folder: first start, a damaged folder, and a folder from an old PC.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <map>

#include "support/TestSupport.h"

namespace qc {
namespace {

using test::makeEntry;

TEST(Startup, FirstStartOnAnEmptyDiskCreatesTheFoldersAndEmptyFiles) {
    test::TestProgram tp;
    const QString folder = tp.home() + QStringLiteral("/sub/dir");
    Module1 m(Paths{folder}, tp.clock, tp.serial, tp.port);
    QStringList messages;
    QObject::connect(&m, &Module1::messageShown, [&](const QString& text) { messages << text; });
    m.InitializeProgram();

    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_TRUE(QFileInfo(folder + QStringLiteral("/logs")).isDir());
    for (const char* name : {"TimeReset.ini", "SwitchList.dat", "QuillornControl.ini"}) {
        const QFileInfo f(folder + '/' + QLatin1String(name));
        EXPECT_TRUE(f.isFile()) << name;
        EXPECT_EQ(f.size(), 0) << name;
    }
    EXPECT_TRUE(m.SchedFileNo.isOpen());
    EXPECT_EQ(m.Rx1Port, 0);
    EXPECT_EQ(m.BaudIndex, 0);
    EXPECT_EQ(m.ActivityLogOn, 0);
    EXPECT_EQ(m.EbNoPerHour, 0);
    EXPECT_FALSE(m.MpegLogOn);
    EXPECT_FALSE(m.RemoteStartOn);
    EXPECT_TRUE(m.SaveLogsUnit.isEmpty());
    EXPECT_EQ(m.TwoReceivers, 0);
    EXPECT_EQ(m.Rx2Port, 0);
    EXPECT_TRUE(m.ClockResetTime.isEmpty());
    EXPECT_EQ(m.NextRecord1, 0);
    EXPECT_EQ(m.lstNextToSwitch.count(), 0);
    EXPECT_EQ(m.lstNextToSwitch2.count(), 0);
    EXPECT_FALSE(m.view.Receiver2Visible);
    // The outputs are put at rest.
    EXPECT_GE(tp.port.writes, 1);
    EXPECT_EQ(tp.port.data, 0);
}

TEST(Startup, AnUnopenableScheduleIsReportedAndTheProgramStillComesUp) {
    test::TestProgram tp;
    ASSERT_TRUE(QDir().mkpath(tp.file(QStringLiteral("SwitchList.dat"))));
    tp.writeFile(QStringLiteral("QuillornControl.ini"), "111201w12");
    tp.m->InitializeProgram();

    ASSERT_EQ(tp.messages.size(), 1) << tp.messages.join('\n').toStdString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^75  \\S")).match(tp.messages[0]).hasMatch())
        << tp.messages[0].toStdString();
    // The steps after the failed one ran: settings read, both searches (finding nothing), outputs at rest.
    EXPECT_EQ(tp.m->Rx2Port, 2);
    EXPECT_TRUE(tp.m->view.Receiver2Visible);
    EXPECT_EQ(tp.m->NextRecord1, 0);
    EXPECT_EQ(tp.m->NextRecord2, 0);
    EXPECT_GE(tp.port.writes, 1);
}

TEST(Startup, TheSecondReceiverIsShownAndSearchedOnlyWhenInUse) {
    const std::vector<ScheduleEntry> schedule = {makeEntry("Rx One", 1, "08:00:00", {2}),
                                                 makeEntry("Rx Two", 2, "07:00:00", {2})};
    {
        test::TestProgram tp;
        tp.writeFile(QStringLiteral("QuillornControl.ini"), "111201w12");
        test::writeSchedule(tp.file(QStringLiteral("SwitchList.dat")), schedule);
        tp.m->InitializeProgram();
        EXPECT_TRUE(tp.m->view.Receiver2Visible);
        EXPECT_EQ(tp.m->NextRecord1, 1);
        EXPECT_EQ(tp.m->NextRecord2, 2);
        EXPECT_EQ(tp.m->NextName2, "Rx Two");
        EXPECT_EQ(tp.m->lstNextToSwitch2.count(), 1);
    }
    {
        test::TestProgram tp;
        tp.writeFile(QStringLiteral("QuillornControl.ini"), "111201w02");
        test::writeSchedule(tp.file(QStringLiteral("SwitchList.dat")), schedule);
        tp.m->InitializeProgram();
        EXPECT_FALSE(tp.m->view.Receiver2Visible);
        // One receiver switches everything.
        EXPECT_EQ(tp.m->NextRecord1, 2);
        EXPECT_EQ(tp.m->lstNextToSwitch.count(), 2);
        EXPECT_EQ(tp.m->NextRecord2, 0);
        EXPECT_EQ(tp.m->lstNextToSwitch2.count(), 0);
    }
}

// Every file below the folder with its bytes.
std::map<QString, QByteArray> snapshot(const QString& folder) {
    std::map<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        if (f.open(QIODevice::ReadOnly)) files[QDir(folder).relativeFilePath(path)] = f.readAll();
    }
    return files;
}

TEST(Startup, AFolderCopiedFromAnOldPcIsReadWithoutChangingAByte) {
    test::TestProgram tp;
    // A record as the old program left it: texts full of NULs, a byte the code page does not assign.
    QByteArray odd = makeEntry("", 1, "06:30:00", {2}).serialise();
    odd.replace(2, 25, QByteArray("Caf\xE9 Ol\x81") + QByteArray(17, '\0'));
    odd.replace(27, 5, QByteArray(5, '\0'));
    QByteArray schedule = makeEntry("Morning Show", 1, "09:00:00", {1, 2, 3, 4, 5}).serialise() + odd;
    schedule += makeEntry("Torn Record", 1, "05:00:00", {2}).serialise().left(60);
    tp.writeFile(QStringLiteral("SwitchList.dat"), schedule);
    tp.writeFile(QStringLiteral("QuillornControl.ini"), "211301d02\r\n");
    tp.writeFile(QStringLiteral("TimeReset.ini"), "54:30");
    tp.writeFile(QStringLiteral("SPNames.dat"), QByteArray("\x01\x00Sat One\x00\x00", 11));
    tp.writeFile(QStringLiteral("Source.dat"), "Source codes\r\n");
    tp.writeFile(QStringLiteral("logs/AL261206.log"), "12:00:00 Remote Start 1 On\r\n");
    const auto before = snapshot(tp.home());

    tp.m->InitializeProgram();

    EXPECT_TRUE(tp.messages.isEmpty()) << tp.messages.join('\n').toStdString();
    EXPECT_EQ(snapshot(tp.home()), before);
    EXPECT_EQ(tp.m->Rx1Port, 2);
    EXPECT_EQ(tp.m->BaudIndex, 1);
    EXPECT_EQ(tp.m->EbNoPerHour, 3);
    EXPECT_EQ(tp.m->SaveLogsUnit, "d");
    EXPECT_EQ(tp.m->ClockResetTime, "54:30");
    // Tuesday 06:30 is the next event: the odd record, never the torn one.
    EXPECT_EQ(tp.m->NextRecord1, 2);
    EXPECT_TRUE(tp.m->NextName1.startsWith("Caf\xE9 Ol\x81")) << tp.m->NextName1.toHex().toStdString();
    EXPECT_EQ(tp.m->EntryBuf.serialise(), odd);
    EXPECT_EQ(tp.m->lstNextToSwitch.count(), 6);
}

}  // namespace
}  // namespace qc
