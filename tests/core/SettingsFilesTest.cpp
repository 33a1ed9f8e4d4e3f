// QuillornControl.ini (nine one-byte records) and TimeReset.ini (one five-byte record).
#include <gtest/gtest.h>

#include <QFileInfo>

#include "support/TestSupport.h"

namespace qc {
namespace {

const QString kIni = QStringLiteral("QuillornControl.ini");
const QString kTimeReset = QStringLiteral("TimeReset.ini");

TEST(SettingsFiles, TheNineRecordsReadAndWriteBackByteForByte) {
    test::TestProgram tp;
    tp.writeFile(kIni, "111201w12");
    tp.writeFile(kTimeReset, "54:30");
    Module1& m = *tp.m;
    m.ReadSettings();
    m.ReadTimeReset();
    EXPECT_EQ(m.Rx1Port, 1);
    EXPECT_EQ(m.BaudIndex, 1);
    EXPECT_EQ(m.ActivityLogOn, 1);
    EXPECT_EQ(m.EbNoPerHour, 2);
    EXPECT_FALSE(m.MpegLogOn);
    EXPECT_TRUE(m.RemoteStartOn);
    EXPECT_EQ(m.SaveLogsUnit, "w");
    EXPECT_EQ(m.TwoReceivers, 1);
    EXPECT_EQ(m.Rx2Port, 2);
    EXPECT_EQ(m.ClockResetTime, "54:30");

    m.WriteSettings();
    EXPECT_EQ(tp.readFile(kIni), "111201w12");
    EXPECT_EQ(tp.readFile(kTimeReset), "54:30");

    // Every setting changed, written, and read by the next start.
    m.Rx1Port = 3;
    m.BaudIndex = 2;
    m.ActivityLogOn = 0;
    m.EbNoPerHour = 5;
    m.MpegLogOn = true;
    m.RemoteStartOn = false;
    m.SaveLogsUnit = "m";
    m.TwoReceivers = 0;
    m.Rx2Port = 4;
    m.ClockResetTime = "07:15";
    m.WriteSettings();
    EXPECT_EQ(tp.readFile(kIni), "320510m04");
    tp.makeModule();
    tp.m->ReadSettings();
    tp.m->ReadTimeReset();
    EXPECT_EQ(tp.m->Rx1Port, 3);
    EXPECT_EQ(tp.m->BaudIndex, 2);
    EXPECT_EQ(tp.m->ActivityLogOn, 0);
    EXPECT_EQ(tp.m->EbNoPerHour, 5);
    EXPECT_TRUE(tp.m->MpegLogOn);
    EXPECT_FALSE(tp.m->RemoteStartOn);
    EXPECT_EQ(tp.m->SaveLogsUnit, "m");
    EXPECT_EQ(tp.m->TwoReceivers, 0);
    EXPECT_EQ(tp.m->Rx2Port, 4);
    EXPECT_EQ(tp.m->ClockResetTime, "07:15");
}

TEST(SettingsFiles, OnlyTheFirstDigitOfAPortAndOnlyZeroOrOneOfACheckBoxCount) {
    test::TestProgram tp;
    Module1& m = *tp.m;
    m.Rx1Port = 12;
    m.Rx2Port = 10;
    m.BaudIndex = 1;
    m.SaveLogsUnit = "d";
    m.ClockResetTime = "00:05";
    m.WriteSettings();
    EXPECT_EQ(tp.readFile(kIni), "110000d01");
    m.ReadSettings();
    EXPECT_EQ(m.Rx1Port, 1);
    EXPECT_EQ(m.Rx2Port, 1);

    // A grey check box ("2") or any other byte leaves the setting as it was.
    tp.writeFile(kIni, "11122x y3");
    m.MpegLogOn = false;
    m.RemoteStartOn = true;
    m.ReadSettings();
    EXPECT_FALSE(m.MpegLogOn);
    EXPECT_TRUE(m.RemoteStartOn);
    m.MpegLogOn = true;
    m.ReadSettings();
    EXPECT_TRUE(m.MpegLogOn);
    // Numeric records read a non-digit as 0.
    EXPECT_EQ(m.SaveLogsUnit, " ");
    EXPECT_EQ(m.TwoReceivers, 0);
    EXPECT_EQ(m.Rx2Port, 3);
    tp.writeFile(kIni, "a?3");
    m.ReadSettings();
    EXPECT_EQ(m.Rx1Port, 0);
    EXPECT_EQ(m.BaudIndex, 0);
    EXPECT_EQ(m.ActivityLogOn, 3);
}

TEST(SettingsFiles, MissingAndShortFilesGiveNothingForTheMissingRecords) {
    test::TestProgram tp;
    Module1& m = *tp.m;
    m.ReadTimeReset();
    m.ReadSettings();
    EXPECT_TRUE(QFileInfo::exists(tp.file(kIni)));
    EXPECT_TRUE(QFileInfo::exists(tp.file(kTimeReset)));
    EXPECT_EQ(QFileInfo(tp.file(kIni)).size(), 0);
    EXPECT_EQ(QFileInfo(tp.file(kTimeReset)).size(), 0);
    EXPECT_EQ(m.Rx1Port, 0);
    EXPECT_EQ(m.SaveLogsUnit, QByteArray());
    EXPECT_TRUE(m.ClockResetTime.isEmpty());

    tp.writeFile(kIni, "21");
    m.ReadSettings();
    EXPECT_EQ(m.Rx1Port, 2);
    EXPECT_EQ(m.BaudIndex, 1);
    EXPECT_EQ(m.ActivityLogOn, 0);
    EXPECT_EQ(m.EbNoPerHour, 0);
    EXPECT_FALSE(m.MpegLogOn);
    EXPECT_FALSE(m.RemoteStartOn);
    EXPECT_TRUE(m.SaveLogsUnit.isEmpty());
    EXPECT_EQ(m.TwoReceivers, 0);
    EXPECT_EQ(m.Rx2Port, 0);
    EXPECT_EQ(tp.readFile(kIni), "21");  // reading never writes

    // Written from nothing, the files are exactly their records long.
    m.WriteSettings();
    EXPECT_EQ(tp.readFile(kIni), "210000 00");
    EXPECT_EQ(tp.readFile(kTimeReset), "     ");
}

TEST(SettingsFiles, TheClockResetTimeIsAFiveCharacterField) {
    test::TestProgram tp;
    Module1& m = *tp.m;
    tp.writeFile(kTimeReset, "54:30:15");
    m.ReadTimeReset();
    EXPECT_EQ(m.ClockResetTime, "54:30");
    tp.writeFile(kTimeReset, "5:3");
    m.ReadTimeReset();
    EXPECT_EQ(m.ClockResetTime, "5:3  ");
    // An empty file means no reset time, and leaves the one known.
    tp.writeFile(kTimeReset, "");
    m.ReadTimeReset();
    EXPECT_EQ(m.ClockResetTime, "5:3  ");

    m.ClockResetTime = "7:05";
    m.WriteSettings();
    EXPECT_EQ(tp.readFile(kTimeReset), "7:05 ");
    m.ClockResetTime = "54:30:00";
    m.WriteSettings();
    EXPECT_EQ(tp.readFile(kTimeReset), "54:30");
    EXPECT_EQ(tp.readFile(kIni).size(), 9);
}

}  // namespace
}  // namespace qc
