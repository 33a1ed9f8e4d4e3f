// The main window and the message window on a test program: what the operator sees follows
// Module1, and the clicks reach the logic.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileSystemModel>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <memory>

#include "core/frmError.h"
#include "core/mnuMenu.h"
#include "support/TestSupport.h"

using qc::frmError;
using qc::mnuMenu;
using qc::test::makeEntry;
using qc::test::TestProgram;
using qc::test::writeSchedule;

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    TestProgram p;
    std::unique_ptr<mnuMenu> w;

    // Constructs and loads the window the way the program does, then shows it.
    void open() {
        w = std::make_unique<mnuMenu>(*p.m);
        w->load();
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    }

    template <typename T>
    T* control(const char* name) {
        T* found = w->findChild<T*>(QString::fromLatin1(name));
        if (!found) ADD_FAILURE() << "no control " << name;
        return found;
    }

    bool shown(const char* name) { return control<QWidget>(name)->isVisibleTo(w.get()); }

    // The message windows on screen.
    static QList<frmError*> messageWindows() {
        QList<frmError*> shownWindows;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* f = qobject_cast<frmError*>(top); f && f->isVisible()) shownWindows << f;
        return shownWindows;
    }

    static QString messageText() {
        const auto windows = messageWindows();
        return windows.size() == 1 ? windows.first()->lblMessage()->text() : QString();
    }

    QStringList lines(const char* listName) {
        QStringList out;
        const QAbstractItemModel* model = control<QListView>(listName)->model();
        for (int row = 0; row < model->rowCount(); ++row)
            out << model->index(row, 0).data().toString();
        return out;
    }
};

TEST_F(MainWindowTest, ReceiverTwoControlsFollowTheTwoReceiverSetting) {
    const char* receiver2[] = {"lstNextToSwitch2", "Label3", "Label5", "Label6"};
    {
        p.writeFile(QStringLiteral("QuillornControl.ini"), "111201w12");
        open();
        for (const char* name : receiver2)
            EXPECT_TRUE(shown(name)) << name;
        EXPECT_TRUE(shown("lstNextToSwitch"));
        // Both lists share the height and do not overlap.
        const QRect list1 = control<QWidget>("lstNextToSwitch")->geometry();
        const QRect list2 = control<QWidget>("lstNextToSwitch2")->geometry();
        EXPECT_FALSE(list1.intersects(list2));
        EXPECT_EQ(list1.height(), list2.height());
        w.reset();
    }
    for (const QByteArray& settings : {QByteArray("111201w02"), QByteArray()}) {
        p.writeFile(QStringLiteral("QuillornControl.ini"), settings);
        p.makeModule();
        open();
        for (const char* name : receiver2)
            EXPECT_FALSE(shown(name)) << name << " with " << settings.data();
        EXPECT_TRUE(shown("lstNextToSwitch"));
        w.reset();
    }
}

TEST_F(MainWindowTest, WeekListsShowEachReceiversEvents) {
    p.writeFile(QStringLiteral("QuillornControl.ini"), "111201w12");
    writeSchedule(p.file(QStringLiteral("SwitchList.dat")), {makeEntry("Morning News", 1, "13:00:00", {1, 2}),
                                                             makeEntry("Farm Report", 2, "14:30:00", {3})});
    open();

    const QStringList week1 = lines("lstNextToSwitch");
    const QStringList week2 = lines("lstNextToSwitch2");
    ASSERT_EQ(week1.size(), 2);
    EXPECT_TRUE(week1[0].startsWith(QLatin1String("Mon 13:00:00 Morning News"))) << week1[0].toStdString();
    ASSERT_EQ(week2.size(), 1);
    EXPECT_TRUE(week2[0].startsWith(QLatin1String("Wed 14:30:00 Farm Report"))) << week2[0].toStdString();
    EXPECT_EQ(control<QListView>("List1")->model(), &p.m->List1);
    EXPECT_FALSE(shown("List1"));
    EXPECT_EQ(control<QListView>("lstNextToSwitch")->font().family(), QStringLiteral("Courier New"));
}

TEST_F(MainWindowTest, ClockTickShowsTimeAndNextEvent) {
    writeSchedule(p.file(QStringLiteral("SwitchList.dat")), {makeEntry("Morning News", 1, "13:00:00", {1})});
    open();
    p.clock.set(QDateTime(QDate(2026, 12, 7), QTime(12, 59, 30)));
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return control<QLabel>("lblClock")->text() == QStringLiteral("Monday  12/07/2026  12:59:30");
    })) << control<QLabel>("lblClock")->text().toStdString();
    EXPECT_TRUE(control<QLabel>("label1")->text().startsWith(QLatin1String("Next to Switch:  Morning News")))
        << control<QLabel>("label1")->text().toStdString();
    EXPECT_FALSE(shown("Label2"));

    // The START mark and the port indication follow the logic's view on the next refresh.
    p.m->view.Label2Visible = true;
    p.m->view.lblPort = QStringLiteral("Alarm");
    emit p.m->viewChanged();
    EXPECT_TRUE(shown("Label2"));
    EXPECT_EQ(control<QLabel>("lblPort")->text(), QStringLiteral("Alarm"));
}

TEST_F(MainWindowTest, SwitchTimersFollowTheLogicAndRunTheCycle) {
    open();
    auto* timer1 = control<QTimer>("Timer1");
    auto* timer2 = control<QTimer>("Timer2");
    EXPECT_FALSE(timer1->isActive());
    EXPECT_FALSE(timer2->isActive());
    EXPECT_EQ(control<QTimer>("tmrClock")->interval(), 50);
    EXPECT_TRUE(control<QTimer>("tmrClock")->isActive());

    p.m->Timer2.setEnabled(true);
    EXPECT_TRUE(timer2->isActive());
    EXPECT_EQ(timer2->interval(), 2000);
    p.m->Timer2.setEnabled(false);
    EXPECT_FALSE(timer2->isActive());

    // The hidden Command1 starts one cycle of receiver 1; its first tick comes two seconds later.
    p.m->Timer1.setEnabled(false);
    control<QPushButton>("Command1")->click();
    EXPECT_TRUE(p.m->Timer1.Enabled());
    EXPECT_TRUE(timer1->isActive());
    EXPECT_EQ(p.m->SwitchCount1, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return p.m->SwitchCount1 == 1; }, 5000));
}

TEST_F(MainWindowTest, ResizeMovesControlsByWindowStateButNotWhenMinimized) {
    p.writeFile(QStringLiteral("QuillornControl.ini"), "111201w12");
    open();
    auto lefts = [this] {
        QList<int> xs;
        for (const char* name :
             {"lstNextToSwitch", "lstNextToSwitch2", "label1", "Label3", "Label5", "Label6", "lblClock"})
            xs << control<QWidget>(name)->x();
        return xs;
    };
    const QList<int> normal{0, 0, 0, 0, 117, 117, 120};             // 1, 1750, 1800 twips
    const QList<int> maximized{248, 248, 248, 248, 376, 376, 616};  // 3720, 5640, 9240 twips
    EXPECT_EQ(lefts(), normal);

    w->setWindowState(Qt::WindowMaximized);
    QCoreApplication::processEvents();
    EXPECT_EQ(lefts(), maximized);

    // Minimizing a maximized window must not bring back the normal positions.
    w->setWindowState(Qt::WindowMinimized);
    QCoreApplication::processEvents();
    EXPECT_EQ(lefts(), maximized);

    w->setWindowState(Qt::WindowNoState);
    QCoreApplication::processEvents();
    EXPECT_EQ(lefts(), normal);
    EXPECT_EQ(mnuMenu::twipsToPixels(1), 0);
    EXPECT_EQ(mnuMenu::twipsToPixels(1750), 117);
}

TEST_F(MainWindowTest, MessagesShareOneWindowAndTheLatestTextWins) {
    open();
    p.m->ShowMessage(QStringLiteral("76  Path not found"));
    p.m->ShowMessage(QStringLiteral("No Name Selected"));
    ASSERT_EQ(messageWindows().size(), 1);
    frmError* window = messageWindows().first();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Error Message"));
    EXPECT_EQ(window->lblMessage()->objectName(), QStringLiteral("lblMessage"));
    EXPECT_EQ(messageText(), QStringLiteral("No Name Selected"));
    EXPECT_FALSE(window->isModal());

    // OK destroys the window; the next message makes a new one with only its own text.
    QPointer<frmError> old = window;
    QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("OKButton")), Qt::LeftButton);
    EXPECT_TRUE(messageWindows().isEmpty());
    p.m->ShowMessage(QStringLiteral("8002  Invalid port number"));
    ASSERT_EQ(messageWindows().size(), 1);
    EXPECT_EQ(messageText(), QStringLiteral("8002  Invalid port number"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return old.isNull(); }));
    EXPECT_EQ(messageWindows().size(), 1);

    // Closing the main window ends the program: the message window goes with it.
    w->findChild<QAction*>(QStringLiteral("mnuFileExit"))->trigger();
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(messageWindows().isEmpty());
}

TEST_F(MainWindowTest, ActivatingTheMainWindowBringsTheMessageBack) {
    open();
    p.m->ShowMessage(QStringLiteral("53  File not found"));
    ASSERT_EQ(messageWindows().size(), 1);
    frmError* window = messageWindows().first();
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == window; }));

    // The operator clicks the main window: the message comes back in front of it.
    w->activateWindow();
    QTest::qWait(100);  // the activation and the answer to it both pass through the event queue
    EXPECT_EQ(QApplication::activeWindow(), window);
}

TEST_F(MainWindowTest, MenuItemsHaveTheirCaptionsAndHiddenItemsStayHidden) {
    open();
    struct Item {
        const char* name;
        const char* caption;
        bool visible;
    };
    const Item items[] = {
        {"mnuLoadSchedules", "Load Schedules", true},
        {"mnuLoadSourceCodes", "Load Source Codes from Floppy", false},
        {"mnuSaveFiles", "Save Schedules", true},
        {"mnuFileExit", "Exit", true},
        {"mnuSetUp", "SetUp", true},
        {"mnuServiceProviders", "ServiceProviders", false},
        {"mnuSchedule", "Schedules", true},
        {"mnuSetReceiver", "Set Receiver", false},
        {"mnuSwitchSchedule", "Switch Schedule", true},
        {"mnuReadEB", "EB", true},
        {"mnuCarrierStatus", "Carrier", false},
        {"mnuMPEGStatus", "MPEG", false},
        {"mnuRelayStatus", "Relays", false},
        {"mnuExtendedRelays", "Extended Relays", false},
        {"mnuReceiverSerialPort", "Receiver Serial  &Port", false},
        {"mnuSettings", "Settings", false},
        {"ActivityLog", "Activity Log", true},
        {"mnuEB", "EB", true},
        {"mnuMPEG", "&MPEG", false},
        {"mnuMonCon", "Monitor and Control", true},
        {"mnuHelp", "Help", true},
        {"mnuAbout", "About", true},
    };
    for (const Item& item : items) {
        auto* action = w->findChild<QAction*>(QString::fromLatin1(item.name));
        ASSERT_NE(action, nullptr) << item.name;
        EXPECT_EQ(action->text(), QString::fromLatin1(item.caption)) << item.name;
        EXPECT_EQ(action->isVisible(), item.visible) << item.name;
    }
    struct Menu {
        const char* name;
        const char* caption;
        bool visible;
    };
    for (const Menu& menu :
         {Menu{"mnuFile", "File", true}, Menu{"mnuReceiverStatus", "Receiver Status", false},
          Menu{"mnuHistory", "History", true}}) {
        auto* found = w->findChild<QMenu*>(QString::fromLatin1(menu.name));
        ASSERT_NE(found, nullptr) << menu.name;
        EXPECT_EQ(found->title(), QString::fromLatin1(menu.caption));
        EXPECT_EQ(found->menuAction()->isVisible(), menu.visible) << menu.name;
    }
    EXPECT_EQ(w->windowTitle(), QStringLiteral("QuillornControl"));
}

TEST_F(MainWindowTest, FilePanelOpensForLoadOrSaveAndTheFileMenuHidesIt) {
    open();
    const char* panel[] = {"cmdSave", "Drive1", "Dir1"};
    for (const char* name : panel)
        EXPECT_FALSE(shown(name)) << name;

    w->findChild<QAction*>(QStringLiteral("mnuLoadSchedules"))->trigger();
    for (const char* name : panel)
        EXPECT_TRUE(shown(name)) << name;
    EXPECT_EQ(control<QPushButton>("cmdSave")->text(), QStringLiteral("Load"));

    w->findChild<QAction*>(QStringLiteral("mnuSaveFiles"))->trigger();
    EXPECT_EQ(control<QPushButton>("cmdSave")->text(), QStringLiteral("Save"));

    auto* file = control<QMenu>("mnuFile");
    file->popup(w->mapToGlobal(QPoint(10, 10)));
    for (const char* name : panel)
        EXPECT_FALSE(shown(name)) << name;
    file->close();
}

class FilePanelTest : public MainWindowTest {
protected:
    QTemporaryDir transfer;

    // Chooses a folder in Dir1 as the operator would, by making it the current folder.
    void chooseFolder(const QString& folder) {
        auto* dir = control<QTreeView>("Dir1");
        auto* model = qobject_cast<QFileSystemModel*>(dir->model());
        ASSERT_NE(model, nullptr);
        dir->setCurrentIndex(model->index(folder));
    }

    void command(const char* menuItem) {
        w->findChild<QAction*>(QString::fromLatin1(menuItem))->trigger();
        QTest::mouseClick(control<QPushButton>("cmdSave"), Qt::LeftButton);
    }
};

TEST_F(FilePanelTest, SaveWritesTheScheduleIntoTheChosenFolder) {
    writeSchedule(p.file(QStringLiteral("SwitchList.dat")), {makeEntry("Morning News", 1, "13:00:00", {1}),
                                                             makeEntry("Farm Report", 1, "14:30:00", {3})});
    open();
    EXPECT_TRUE(p.m->TransferFolder.isEmpty());
    chooseFolder(transfer.path());
    EXPECT_EQ(p.m->TransferFolder, transfer.path());

    command("mnuSaveFiles");
    QFile copy(transfer.filePath(QStringLiteral("switchlist.dat")));
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), p.readFile(QStringLiteral("SwitchList.dat")));
    EXPECT_EQ(control<QProgressBar>("ProgressBar1")->value(), 2);
    EXPECT_TRUE(p.messages.isEmpty()) << p.messages.join('\n').toStdString();
    for (const char* name : {"cmdSave", "Drive1", "Dir1"})
        EXPECT_FALSE(shown(name)) << name;
}

TEST_F(FilePanelTest, LoadReplacesTheWeekShown) {
    writeSchedule(p.file(QStringLiteral("SwitchList.dat")), {makeEntry("Morning News", 1, "13:00:00", {1})});
    writeSchedule(transfer.filePath(QStringLiteral("switchlist.dat")),
                  {makeEntry("Evening Concert", 1, "19:00:00", {2, 4})});
    open();
    ASSERT_EQ(lines("lstNextToSwitch").size(), 1);
    chooseFolder(transfer.path());

    command("mnuLoadSchedules");
    const QStringList week = lines("lstNextToSwitch");
    ASSERT_EQ(week.size(), 2);
    EXPECT_TRUE(week[0].startsWith(QLatin1String("Tue 19:00:00 Evening Concert"))) << week[0].toStdString();
    EXPECT_TRUE(p.messages.isEmpty()) << p.messages.join('\n').toStdString();
}

TEST_F(FilePanelTest, FailedSaveOrLoadIsReportedAndTheProgramGoesOn) {
    writeSchedule(p.file(QStringLiteral("SwitchList.dat")), {makeEntry("Morning News", 1, "13:00:00", {1})});
    open();
    const QRegularExpression numbered(QStringLiteral("^\\d+  \\S"));

    p.m->TransferFolder = transfer.filePath(QStringLiteral("no-such-folder"));
    command("mnuSaveFiles");
    ASSERT_EQ(p.messages.size(), 1);
    EXPECT_TRUE(numbered.match(p.messages[0]).hasMatch()) << p.messages[0].toStdString();
    EXPECT_EQ(messageText(), p.messages[0]);
    EXPECT_FALSE(shown("ProgressBar1"));
    for (const char* name : {"cmdSave", "Drive1", "Dir1"})
        EXPECT_FALSE(shown(name)) << name;

    command("mnuLoadSchedules");
    ASSERT_EQ(p.messages.size(), 2);
    EXPECT_TRUE(numbered.match(p.messages[1]).hasMatch()) << p.messages[1].toStdString();
    EXPECT_EQ(messageText(), p.messages[1]);
    // The schedule in use is untouched and still shown.
    EXPECT_EQ(lines("lstNextToSwitch").size(), 1);
    EXPECT_TRUE(w->isVisible());
}

TEST_F(FilePanelTest, DriveListOffersTheFloppyFirstAndChoosingADriveSetsTheFolder) {
    qputenv("QUILLORN_FLOPPY", transfer.path().toLocal8Bit());
    open();
    qunsetenv("QUILLORN_FLOPPY");
    auto* drives = control<QComboBox>("Drive1");
    ASSERT_GE(drives->count(), 2);
    EXPECT_EQ(drives->itemText(0), transfer.path());

    drives->setCurrentIndex(1);
    EXPECT_EQ(p.m->TransferFolder, drives->itemText(1));
    drives->setCurrentIndex(0);
    EXPECT_EQ(p.m->TransferFolder, transfer.path());
    auto* dir = control<QTreeView>("Dir1");
    EXPECT_EQ(qobject_cast<QFileSystemModel*>(dir->model())->filePath(dir->rootIndex()), transfer.path());
}

}  // namespace
