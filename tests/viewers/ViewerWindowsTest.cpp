// The log viewers, the about box and the help window as the operator reaches them from the main
// window, offscreen.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QListView>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include "core/mnuMenu.h"
#include "support/GuiSupport.h"
#include "support/TestSupport.h"
#include "viewers/frmAbout.h"
#include "viewers/frmActivityLog.h"
#include "viewers/frmHelp.h"
#include "viewers/frmMPEGLog.h"

using namespace qc;
using namespace qc::test;

namespace {

// Closes the window and lets it go, then checks that what a user acts on has an accessible name.
void unload(QWidget* window) {
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const bool acted = qobject_cast<QAbstractButton*>(w) || qobject_cast<QAbstractItemView*>(w) ||
                           qobject_cast<QTextBrowser*>(w);
        const bool internal = w->objectName() == "lstSort" || w->objectName().startsWith("qt_");
        EXPECT_TRUE(!acted || internal || !accessibleNameOf(w).isEmpty()) << w->objectName().toStdString();
    }
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(ViewerWindowsTest, HistoryCommandsOpenTheViewersAndOkToggles) {
    TestProgram p;
    p.writeFile("logs/AL261203.log", "08:15:00  Zeta\r\n07:00:00  alpha\r\n");
    p.writeFile("logs/AL261205.log", "09:00:00  x\r\n");
    p.writeFile("logs/EB261203.log", "10:00:12  9.5\r\n");
    p.writeFile("logs/MP261204.log", "Receiver 1  08:00:00\r\n");
    mnuMenu w(*p.m);
    w.load();
    w.ActivityLog->trigger();
    frmActivityLog* v = frmActivityLog::instance();
    ASSERT_TRUE(v);
    auto* lstDate = control<QListView>(v, "lstDate");
    auto shown = [](QWidget* viewer) { return listLines(control<QListView>(viewer, "lstActivityLog")); };
    EXPECT_EQ(listLines(lstDate), (QStringList{"12/05/26", "12/03/26"}));

    // A double-click on a day shows it; Enter goes back to the same day.
    const QPoint second = lstDate->visualRect(lstDate->model()->index(1, 0)).center();
    QTest::mouseClick(lstDate->viewport(), Qt::LeftButton, {}, second);
    QTest::mouseDClick(lstDate->viewport(), Qt::LeftButton, {}, second);
    EXPECT_EQ(v->windowTitle() + shown(v).join('|'),
              "Activity Log for 12/03/2608:15:00  Zeta|07:00:00  alpha");
    EXPECT_FALSE(shownIn(v, "lstDate") || shownIn(v, "Option2"));
    QTest::keyClick(control<QListView>(v, "lstActivityLog"), Qt::Key_Return);
    EXPECT_TRUE(shownIn(v, "lstDate") && !shownIn(v, "lstActivityLog") && lstDate->currentIndex().row() == 1);

    // By Event, then the EbNo command: the same window comes forward and the next Ok reads EB logs.
    control<QAbstractButton>(v, "Option2")->click();
    w.mnuEB->trigger();
    EXPECT_EQ(frmActivityLog::instance(), v);
    control<QAbstractButton>(v, "cmdOk")->click();
    EXPECT_EQ(v->windowTitle() + shown(v).join('|'), "EbNo Log for 12/03/26 9.5 10:00:12");

    // The MPEG viewer lists MP logs, but builds the file name from the kind of the last command.
    w.mnuMPEG->trigger();
    frmMPEGLog* mp = frmMPEGLog::instance();
    w.ActivityLog->trigger();
    control<QAbstractButton>(mp, "cmdOk")->click();
    EXPECT_EQ(shown(mp), QStringList{"Log for 12/04/26 does not exist."});
    control<QAbstractButton>(mp, "cmdOk")->click();
    EXPECT_EQ(mp->windowTitle(), "12/04/26 MPEG Log");  // kept after going back
    unload(mp);
    unload(v);
}

TEST(ViewerWindowsTest, AboutBoxAndHelpWindow) {
    const QByteArray path = qgetenv("PATH");
    QTemporaryDir bin;
    qputenv("PATH", bin.path().toLocal8Bit());
    frmAbout* about = frmAbout::showAbout();
    EXPECT_EQ(control<QWidget>(about, "lblVersion")->property("text").toString(), "Version 1.0.14");
    auto* sysInfo = control<QAbstractButton>(about, "cmdSysInfo");
    sysInfo->click();
    auto* box = about->findChild<QMessageBox*>("sysInfoMessage");
    EXPECT_TRUE(box && box->isVisible() && box->text() == "System Information Is Unavailable At This Time");
    delete box;
    // A program on the PATH is started directly.
    QFile tool(bin.filePath("hardinfo"));
    EXPECT_TRUE(tool.open(QIODevice::WriteOnly) && tool.write("#!/bin/sh\necho > \"$0.started\"\n") &&
                tool.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
    tool.close();
    sysInfo->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(bin.filePath("hardinfo.started")); }, 5000));
    EXPECT_FALSE(about->findChild<QMessageBox*>("sysInfoMessage"));
    qputenv("PATH", path);
    unload(about);

    // Help without its document says where it should be; with the one installed it shows it.
    frmHelp* help = frmHelp::showHelp(nullptr, bin.path());
    EXPECT_EQ(help->RichTextBox1()->toPlainText(),
              "The file QuillornHelp.rtf was not found.  It should be located in folder " + bin.path() + ".");
    unload(help);
    help = frmHelp::showHelp();
    const QTextCursor found = help->RichTextBox1()->document()->find("Leave the program running.");
    EXPECT_EQ(found.charFormat().fontWeight(), QFont::Bold);
    unload(help);
}

}  // namespace
