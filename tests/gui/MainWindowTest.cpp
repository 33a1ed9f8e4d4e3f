// The main window and the message window on a test program: what the operator sees follows
// Module1, and the clicks reach the logic.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include "core/FolderTree.h"
#include "core/frmError.h"
#include "core/mnuMenu.h"
#include "support/GuiSupport.h"
#include "support/TestSupport.h"

#include <csignal>
#include <set>

namespace qc::test {
namespace {

class MainWindowTest : public ::testing::Test {
protected:
    TestProgram p;
    std::unique_ptr<mnuMenu> w;
    QTemporaryDir floppy;  // the first drive of the file panel

    void SetUp() override {
        qputenv("QUILLORN_FLOPPY", floppy.path().toLocal8Bit());
        writeSchedule(p.file("SwitchList.dat"), {makeEntry("Morning News", 1, "13:00:00", {1, 2}),
                                                 makeEntry("Farm Report", 2, "14:30:00", {3})});
    }
    void TearDown() override {
        w.reset();
        closeMessages();
    }
    // Constructs and loads the window the way the program does, then shows it.
    void open(const QByteArray& settings = "111201w12") {
        p.writeFile("QuillornControl.ini", settings);
        p.makeModule();
        w = std::make_unique<mnuMenu>(*p.m);
        w->load();
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    }
    template <typename T = QWidget>
    T* the(const char* name) {
        return control<T>(w.get(), QString::fromLatin1(name));
    }
    // The names of those controls that are shown, joined by blanks.
    QString shownOf(std::initializer_list<const char*> names) {
        QStringList out;
        for (const char* name : names)
            if (shownIn(w.get(), name)) out << name;
        return out.join(' ');
    }
    // A list's lines with blank runs as one, joined by "; ".
    QString lines(const char* list) {
        QStringList out = listLines(the<QListView>(list));
        for (QString& line : out)
            line = line.simplified();
        return out.join("; ");
    }
    FolderTree* tree() { return qobject_cast<FolderTree*>(the<QTreeView>("Dir1")->model()); }
    // Answers the question on screen with the button, Enter taking its default; returns its text.
    QString answer(QMessageBox::StandardButton button) {
        auto* box = qobject_cast<QMessageBox*>(shownWindow("msgReplaceSchedule"));
        const QString text = box ? box->text() : QString();
        if (box && button == QMessageBox::NoButton) QTest::keyClick(box, Qt::Key_Return);
        if (box && button != QMessageBox::NoButton) box->button(button)->click();
        return text;
    }
    // Opens the panel from the File menu, chooses the folder in it (which then goes away when
    // `gone`), clicks its button and answers its question.
    QString transfer(const char* command, const QString& folder, bool gone = false,
                     QMessageBox::StandardButton button = QMessageBox::Yes) {
        QDir().mkpath(folder);
        the<QAction>(command)->trigger();
        tree()->reveal(folder);
        EXPECT_TRUE(QTest::qWaitFor([&] { return tree()->index(folder).isValid(); }));
        the<QTreeView>("Dir1")->setCurrentIndex(tree()->index(folder));
        if (gone) QDir(folder).removeRecursively();
        QTest::mouseClick(the<QPushButton>("cmdSave"), Qt::LeftButton);
        return answer(button);
    }
    // The steps of a stop, "|" between them: exit (File > Exit) and close (the close box) ask; Yes,
    // Escape and Enter (the default, No) answer; TERM is SIGTERM, as from the service manager.
    void stop(const QString& steps) {
        for (const QString& step : steps.split(u'|')) {
            if (step == u"exit") the<QAction>("mnuFileExit")->trigger();
            if (step == u"close") w->close();
            if (step == u"TERM") ::kill(::getpid(), SIGTERM);
            auto* box = qobject_cast<QMessageBox*>(shownWindow("stopQuestion"));
            EXPECT_TRUE(!box || box->text() ==
                                    "Stop QuillornControl? Scheduled switching stops until it is "
                                    "started again.");
            if (step == u"Yes") QTest::mouseClick(box->button(QMessageBox::Yes), Qt::LeftButton);
            if (step == u"Escape" || step == u"Enter")
                QTest::keyClick(box, step == u"Enter" ? Qt::Key_Return : Qt::Key_Escape);
            (void)QTest::qWaitFor([&] { return !w->isVisible(); }, step == u"TERM" ? 5000 : 50);
        }
    }
};

// Receiver 2's controls and week are shown only with two receivers; with one, every entry is
// switched on receiver 1. Both lists share the height and do not overlap.
TEST_F(MainWindowTest, ShowsWhatTheSettingsTheTickAndTheLogicsViewSay) {
    const QString one = "Mon 13:00:00 Morning News; Tue 13:00:00 Morning News";
    for (const QByteArray& settings : {QByteArray("111201w12"), QByteArray("111201w02"), QByteArray()}) {
        open(settings);
        EXPECT_EQ(shownOf({"lstNextToSwitch2", "Label3", "Label5", "Label6"}) + " | " +
                      lines("lstNextToSwitch") + " | " + lines("lstNextToSwitch2"),
                  settings.startsWith("111201w1")
                      ? "lstNextToSwitch2 Label3 Label5 Label6 | " + one + " | Wed 14:30:00 Farm Report"
                      : " | " + one + "; Wed 14:30:00 Farm Report | ");
        const QRect list1 = the("lstNextToSwitch")->geometry(), list2 = the("lstNextToSwitch2")->geometry();
        EXPECT_TRUE(!settings.startsWith("111201w1") ||
                    (!list1.intersects(list2) && list1.height() == list2.height()));
    }
    // The clock tick and the logic's view reach the window; what a label shows is read as its
    // description.
    p.clock.set(QDateTime(QDate(2026, 12, 7), QTime(12, 59, 30)));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return the<QLabel>("lblClock")->text() == "Monday  12/07/2026  12:59:30"; }));
    EXPECT_EQ(the<QLabel>("label1")->text(), "Next to Switch:  Morning News  00:30");
    EXPECT_EQ(the("label1")->accessibleDescription(), the<QLabel>("label1")->text());
    EXPECT_EQ(shownOf({"Label2", "Label4"}), "");
    p.m->view.Label2Visible = true;
    p.m->view.lblPort = "Alarm";
    emit p.m->viewChanged();
    EXPECT_EQ(shownOf({"Label2", "Label4"}) + " " + the<QLabel>("lblPort")->text(), "Label2 Alarm");
    // Every control a user acts on or reads has a name for screen readers.
    the<QAction>("mnuLoadSchedules")->trigger();
    QStringList names;
    for (const char* name : {"lstNextToSwitch", "lstNextToSwitch2", "label1", "Label3", "Label2", "Label4",
                             "lblClock", "lblPort", "Label5", "Drive1", "Dir1", "cmdSave"})
        names << accessibleNameOf(the(name));
    EXPECT_EQ(
        names.join('|'),
        "Receiver 1 coming switches|Receiver 2 coming switches|Receiver 1 next switch|Receiver 2 next switch|"
        "Receiver 1 remote start|Receiver 2 remote start|Clock|Port status|Receiver 1|Drive:|Transfer folder|"
        "Load schedules");
}

// One message window, the latest text in it; OK destroys it; clicking the main window brings it back
// in front; closing the main window takes it along.
TEST_F(MainWindowTest, MessagesShareOneWindowThatStaysInFront) {
    open();
    p.m->ShowMessage("76  Path not found");
    p.m->ShowMessage("No Name Selected");
    EXPECT_EQ(messageText(), "No Name Selected");
    QTest::mouseClick(frmError::instance()->OKButton(), Qt::LeftButton);
    EXPECT_FALSE(frmError::isShown());
    p.m->ShowMessage("53  File not found");
    EXPECT_EQ(messageText(), "53  File not found");
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == frmError::instance(); }));
    w->activateWindow();
    QTest::qWait(100);  // the activation and the answer to it both pass through the event queue
    EXPECT_EQ(QApplication::activeWindow(), frmError::instance());
    stop("exit|Yes");
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(frmError::isShown());
}

// The panel opens on its first drive's folder (the floppy) and what it shows is what is used:
// saved there at once, a folder chosen in it, a drive chosen; opening the File menu puts it away.
// A folder that went away: the message names the transfer file the operator knows, and the
// schedule in use is untouched and still shown.
TEST_F(MainWindowTest, TheFilePanelUsesTheFolderItShows) {
    QDir().mkpath(floppy.filePath("week2"));
    writeSchedule(floppy.filePath("week2/switchlist.dat"),
                  {makeEntry("Evening Concert", 1, "19:00:00", {2, 4})});
    open();
    const auto panel = {"cmdSave", "Drive1", "Dir1"};
    EXPECT_EQ(shownOf(panel) + p.m->TransferFolder, "");
    the<QAction>("mnuSaveFiles")->trigger();
    EXPECT_EQ(p.m->TransferFolder, floppy.path());
    p.m->TransferFolder = "/elsewhere";  // what counts is what the panel shows
    QTest::mouseClick(the<QPushButton>("cmdSave"), Qt::LeftButton);
    EXPECT_EQ(p.readFile(floppy.filePath("switchlist.dat")), p.readFile("SwitchList.dat"));
    EXPECT_EQ(shownOf(panel), "");

    transfer("mnuLoadSchedules", floppy.filePath("week2"));
    EXPECT_EQ(lines("lstNextToSwitch"), "Tue 19:00:00 Evening Concert; Thu 19:00:00 Evening Concert");

    the<QAction>("mnuSaveFiles")->trigger();
    EXPECT_EQ(p.m->TransferFolder, floppy.filePath("week2"));  // the folder chosen before, opened on
    auto* dir = the<QTreeView>("Dir1");
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return tree()->filePath(dir->currentIndex()) == p.m->TransferFolder; }));
    // Its rows stay where they are while folders come and go; the panel reads them again next time.
    const QStringList folders = listLines(dir);
    QDir().mkpath(floppy.filePath("a new folder"));
    QTest::qWait(1000);
    EXPECT_EQ(listLines(dir), folders);
    EXPECT_EQ(the<QPushButton>("cmdSave")->text(), "Save");
    auto* drives = the<QComboBox>("Drive1");
    ASSERT_GE(drives->count(), 2);
    drives->setCurrentIndex(1);
    EXPECT_EQ(p.m->TransferFolder, drives->itemText(1));
    drives->setCurrentIndex(0);
    EXPECT_EQ(p.m->TransferFolder, floppy.path());
    QTest::mouseClick(the<QPushButton>("cmdSave"), Qt::LeftButton);  // the drive's root, not week2
    answer(QMessageBox::Yes);
    EXPECT_EQ(p.readFile(floppy.filePath("switchlist.dat")), p.readFile("SwitchList.dat"));
    EXPECT_EQ(p.readFile(floppy.filePath("week2/switchlist.dat")).size(), ScheduleEntry::RecordLength);
    the<QAction>("mnuLoadSchedules")->trigger();
    EXPECT_EQ(shownOf(panel), "cmdSave Drive1 Dir1");
    EXPECT_TRUE(QTest::qWaitFor([&] { return tree()->index(floppy.filePath("a new folder")).isValid(); }));
    the<QMenu>("mnuFile")->popup(w->mapToGlobal(QPoint(10, 10)));
    EXPECT_EQ(shownOf(panel), "");
    the<QMenu>("mnuFile")->close();

    for (const char* command : {"mnuSaveFiles", "mnuLoadSchedules"})
        transfer(command, floppy.filePath("gone"), true);
    const QString gone =
        "76  Path not found: " + floppy.filePath("gone/switchlist.dat") + " (No such file or directory)";
    EXPECT_EQ(p.messages, QStringList({gone, gone}));
    EXPECT_EQ(messageText(), gone + " (2 times since 12:00)");  // a repeat is counted, not stacked
    EXPECT_EQ(lines("lstNextToSwitch"), "Tue 19:00:00 Evening Concert; Thu 19:00:00 Evening Concert");

    // The root of the file system is used only when the operator chooses it: a panel that opens on
    // it has no folder chosen, and its button waits. Without a floppy folder it opens on the home
    // folder.
    qputenv("QUILLORN_FLOPPY", "/");
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", "/");
    open();
    the<QAction>("mnuSaveFiles")->trigger();
    qputenv("HOME", home);
    EXPECT_EQ(p.m->TransferFolder + " " + the<QComboBox>("Drive1")->currentText(), " /");
    EXPECT_FALSE(the("cmdSave")->isEnabled());
    emit the<QComboBox>("Drive1")->activated(0);
    EXPECT_EQ(p.m->TransferFolder, "/");
    EXPECT_TRUE(the("cmdSave")->isEnabled());
    p.m->TransferFolder.clear();
    the<QAction>("mnuSaveFiles")->trigger();
    EXPECT_EQ(p.m->TransferFolder, QDir::homePath());
}

// Load and Save ask first, saying what is replaced; No (the default) leaves every file as it was.
// Load keeps the schedule it replaced as SwitchList.dat.bak, and a shorter file frees the records
// after its own.
TEST_F(MainWindowTest, LoadAndSaveAskBeforeReplacingASchedule) {
    const QString stick = floppy.filePath("stick");
    writeSchedule(stick + "/SWITCHLIST.DAT", {makeEntry("Evening Concert", 1, "19:00:00", {2, 4})});
    open();
    const QByteArray station = p.readFile("SwitchList.dat"), there = readBytes(stick + "/SWITCHLIST.DAT");
    QByteArray loaded = there + station.mid(113);
    loaded[113] = 0;
    const QString load = "Load 1 entry from " + stick +
                         ", replacing the 2 entries of this station's schedule?\n\nThe schedule replaced is "
                         "kept as SwitchList.dat.bak.";
    const QString save = stick +
                         " holds a switchlist.dat already (1 entry). Replace it with the 2 entries of this "
                         "station's schedule?";
    struct Row {
        const char* command;
        QMessageBox::StandardButton button;  // NoButton: Enter
        QString question;
        QByteArray here, kept;
    };
    for (const Row& row : {Row{"mnuLoadSchedules", QMessageBox::NoButton, load, station, ""},
                           Row{"mnuSaveFiles", QMessageBox::No, save, station, ""},
                           Row{"mnuLoadSchedules", QMessageBox::Yes, load, loaded, station}}) {
        EXPECT_EQ(transfer(row.command, stick, false, row.button), row.question);
        EXPECT_EQ(p.readFile("SwitchList.dat"), row.here);
        EXPECT_EQ(p.readFile("SwitchList.dat.bak"), row.kept);
        EXPECT_EQ(readBytes(stick + "/SWITCHLIST.DAT"), there);
    }
    EXPECT_EQ(lines("lstNextToSwitch"), "Tue 19:00:00 Evening Concert; Thu 19:00:00 Evening Concert");
}

// A stray click does not stop the switching: Exit and the close box ask first. The service manager's
// SIGTERM stops at once, also with the question open. Each stop is logged with its cause when the
// activity log is on.
TEST_F(MainWindowTest, StopsOnlyWhenAskedAndLogsWhy) {
    const std::tuple<const char*, QByteArray, QByteArray> rows[] = {
        {"exit|Enter|close|Escape", "111201w12", ""},
        {"close|Yes", "111201w12", "12:00:00  Stopped by the operator\r\n"},
        {"exit|TERM", "111201w12", "12:00:00  Stopped by SIGTERM\r\n"},
        {"TERM", "110201w12", ""},
    };
    for (const auto& [steps, settings, logged] : rows) {
        QFile::remove(p.file("logs/AL261207.log"));
        open(settings);
        stop(steps);
        EXPECT_EQ(w->isVisible(), !QString(steps).contains(QRegularExpression("Yes|TERM"))) << steps;
        EXPECT_EQ(p.readFile("logs/AL261207.log"), logged) << steps;
        EXPECT_FALSE(shownWindow("stopQuestion")) << steps;
    }
}

// F10 opens the first menu; every menu and item has a letter of its own (Alt and the letter).
TEST_F(MainWindowTest, TheMenusOpenFromTheKeyboard) {
    open();
    w->setEngineeringMode(true);
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == w.get(); }));
    QTest::keyClick(w.get(), Qt::Key_F10);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activePopupWidget() == the("mnuFile"); }));
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    QWidgetList menus{w->menuBar()};
    for (QAction* a : w->menuBar()->actions())
        if (a->menu()) menus << a->menu();
    for (const QWidget* menu : menus) {
        std::set<QString> letters{""};  // an item without a letter counts as a repeat
        for (QAction* a : menu->actions())
            EXPECT_TRUE(a->isSeparator() ||
                        letters.insert(QKeySequence::mnemonic(a->text()).toString()).second)
                << a->text().toStdString();
    }
}

}  // namespace
}  // namespace qc::test
