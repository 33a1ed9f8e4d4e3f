// The log viewers, the about box and the help window as the operator reaches them from the main
// window, offscreen.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QListView>
#include <QMessageBox>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <memory>

#include "core/mnuMenu.h"
#include "support/GuiSupport.h"
#include "support/TestSupport.h"
#include "viewers/frmAbout.h"
#include "viewers/frmActivityLog.h"
#include "viewers/frmHelp.h"
#include "viewers/frmMPEGLog.h"

using namespace qc;
using qc::test::control;
using qc::test::listLines;
using qc::test::shownIn;

namespace {

void unload(QWidget* window) {
    if (window) window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Every control a user acts on has a name a screen reader can announce.
void expectAccessibleNames(const QWidget* window) {
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const bool acted = qobject_cast<QAbstractButton*>(w) || qobject_cast<QAbstractItemView*>(w) ||
                           qobject_cast<QTextBrowser*>(w);
        if (acted && w->objectName() != "lstSort" && !w->objectName().startsWith("qt_")) {
            EXPECT_FALSE(qc::test::accessibleNameOf(w).isEmpty()) << w->objectName().toStdString();
        }
    }
}

TEST(ViewerWindowsTest, HistoryCommandsOpenTheViewersAndOkToggles) {
    test::TestProgram p;
    p.writeFile("logs/AL261203.log", "08:15:00  Zeta\r\n07:00:00  alpha\r\n");
    p.writeFile("logs/AL261205.log", "09:00:00  x\r\n");
    p.writeFile("logs/EB261203.log", "10:00:12  9.5\r\n");
    mnuMenu w(*p.m);
    w.load();
    w.show();

    w.ActivityLog->trigger();
    frmActivityLog* v = frmActivityLog::instance();
    ASSERT_TRUE(v && v->isVisible());
    EXPECT_EQ(v->windowTitle(), "Load Activity Log");
    auto* lstDate = control<QListView>(v, "lstDate");
    EXPECT_EQ(listLines(lstDate), (QStringList{"12/05/26", "12/03/26"}));
    EXPECT_FALSE(shownIn(v, "lstActivityLog"));
    expectAccessibleNames(v);

    // A double-click on a day shows it; Enter goes back to the same day.
    const QModelIndex second = lstDate->model()->index(1, 0);
    QTest::mouseClick(lstDate->viewport(), Qt::LeftButton, {}, lstDate->visualRect(second).center());
    QTest::mouseDClick(lstDate->viewport(), Qt::LeftButton, {}, lstDate->visualRect(second).center());
    EXPECT_EQ(v->windowTitle(), "Activity Log for 12/03/26");
    EXPECT_EQ(listLines(control<QListView>(v, "lstActivityLog")),
              (QStringList{"08:15:00  Zeta", "07:00:00  alpha"}));
    EXPECT_FALSE(shownIn(v, "lstDate"));
    EXPECT_FALSE(shownIn(v, "Option2"));
    QTest::keyClick(control<QListView>(v, "lstActivityLog"), Qt::Key_Return);
    EXPECT_TRUE(shownIn(v, "lstDate"));
    EXPECT_EQ(lstDate->currentIndex().row(), 1);
    EXPECT_EQ(v->windowTitle(), "Select Activity Log");

    // By Event, then the EbNo command: the same window comes forward and the next Ok reads EB logs.
    control<QRadioButton>(v, "Option2")->click();
    w.mnuEB->trigger();
    EXPECT_EQ(frmActivityLog::instance(), v);
    EXPECT_EQ(listLines(lstDate), (QStringList{"12/05/26", "12/03/26"}));
    QTest::mouseClick(control<QAbstractButton>(v, "cmdOk"), Qt::LeftButton);
    EXPECT_EQ(v->windowTitle(), "EbNo Log for 12/03/26");
    EXPECT_EQ(listLines(control<QListView>(v, "lstActivityLog")), QStringList{" 9.5 10:00:12"});
    unload(v);
    EXPECT_FALSE(frmActivityLog::instance());

    // The MPEG viewer behind the hidden command: no MP logs.
    w.mnuMPEG->trigger();
    frmMPEGLog* mp = frmMPEGLog::instance();
    ASSERT_TRUE(mp && mp->isVisible());
    EXPECT_EQ(mp->windowTitle(), "MPEG Logs");
    EXPECT_EQ(listLines(control<QListView>(mp, "lstDate")), QStringList{"No Logs"});
    QTest::mouseClick(control<QAbstractButton>(mp, "cmdOk"), Qt::LeftButton);
    EXPECT_TRUE(shownIn(mp, "lstDate"));
    expectAccessibleNames(mp);
    unload(mp);
}

TEST(ViewerWindowsTest, AboutBoxStartsASystemInformationProgramOrSaysThereIsNone) {
    const QByteArray path = qgetenv("PATH");
    QTemporaryDir bin;
    qputenv("PATH", bin.path().toLocal8Bit());
    frmAbout* about = frmAbout::showAbout();
    EXPECT_EQ(control<QWidget>(about, "lblVersion")->property("text").toString(), "Version 1.0.14");
    expectAccessibleNames(about);

    auto* sysInfo = control<QAbstractButton>(about, "cmdSysInfo");
    sysInfo->click();
    auto* box = about->findChild<QMessageBox*>("sysInfoMessage");
    ASSERT_TRUE(box && box->isVisible());
    EXPECT_EQ(box->text(), "System Information Is Unavailable At This Time");
    box->close();

    // A program on the PATH is started directly, no shell in between.
    QFile tool(bin.filePath("hardinfo"));
    ASSERT_TRUE(tool.open(QIODevice::WriteOnly));
    tool.write("#!/bin/sh\necho > \"$0.started\"\n");
    tool.close();
    tool.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    sysInfo->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(bin.filePath("hardinfo.started")); }, 5000));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(about->findChild<QMessageBox*>("sysInfoMessage"));
    qputenv("PATH", path);
    unload(about);
}

TEST(ViewerWindowsTest, HelpWindowShowsTheManualOrWhereItShouldBe) {
    QTemporaryDir empty;
    frmHelp* help = frmHelp::showHelp(nullptr, empty.path());
    EXPECT_EQ(
        help->RichTextBox1()->toPlainText(),
        "The file QuillornHelp.rtf was not found.  It should be located in folder " + empty.path() + ".");
    expectAccessibleNames(help);
    unload(help);

    // The manual installed beside the program, with its emphasis.
    help = frmHelp::showHelp();
    QTextDocument* doc = help->RichTextBox1()->document();
    EXPECT_TRUE(doc->toPlainText().contains("Messages and what they mean"));
    const QTextCursor found = doc->find("Leave the program running.");
    ASSERT_FALSE(found.isNull());
    EXPECT_EQ(found.charFormat().fontWeight(), QFont::Bold);
    unload(help);
}

}  // namespace
