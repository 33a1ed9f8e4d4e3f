// The receiver windows: the set-up dialog, the weekly listing and the terminal opened from the main
// menu, and the engineer's relay panel, receiver set-up and service provider names. The terminal,
// the relay panel and the receiver set-up also talk to the receiver simulator on pseudo-terminals.
#include <gtest/gtest.h>

#include <QTest>
#include <QtWidgets>

#include "core/mnuMenu.h"
#include "receiver/MonitorTerminal.h"
#include "receiver/RelayPanel.h"
#include "receiver/frmMonCon.h"
#include "receiver/frmRelay.h"
#include "receiver/frmSetReceiver.h"
#include "review/frmServiceProvider.h"
#include "support/GuiSupport.h"
#include "support/ReceiverSim.h"
#include "support/WindowTesting.h"

namespace qc::test {
namespace {

// A program on the real serial lines of a test program's folder and the system clock, with the
// receiver simulator as receiver 1.
struct PtyRig {
    explicit PtyRig(const QStringList& options = {}) : sim(p.home(), 1, options) {
        QObject::connect(&m, &Module1::messageShown, [this](const QString& t) { p.messages << t; });
        m.BaudIndex = 1;
        m.Rx1Port = 1;
        m.Rx2Port = 2;
    }
    // The lines receiver 1 got after the first `from`, once `count` of them have come.
    std::vector<QByteArray> linesSince(size_t from, size_t count) const {
        sim.waitForLines(from + count);
        const std::vector<QByteArray> lines = sim.lines();
        return std::vector(lines.begin() + std::min(from, lines.size()), lines.end());
    }
    TestProgram p;
    SystemClock clock;
    DeviceSerialLine serial{Paths{p.home()}};
    Module1 m{Paths{p.home()}, clock, serial, p.port};
    ReceiverSim sim;
};

// Set-up steps: those of act(), and hidden=control (not shown), unwritable (the settings folder),
// close (by the window's frame), open (still open, nothing written), shows=list:n (the row
// shown), more=box:text (typed at the end), two=1 or 0 (receiver 2 shown on both windows and its week
// searched again, or hidden).
void setUpSteps(QWidget* w, TestProgram& p, const char* steps) {
    const QByteArray files = p.readFile("QuillornControl.ini") + p.readFile("TimeReset.ini");
    for (const QString& step : QString::fromLatin1(steps).split(u'|')) {
        const QString verb = step.section(u'=', 0, 0), arg = step.section(u'=', 1);
        EXPECT_FALSE(verb == u"hidden" && shownIn(w, arg)) << steps;
        const QByteArray now = p.readFile("QuillornControl.ini") + p.readFile("TimeReset.ini");
        EXPECT_TRUE(verb != u"open" || (w->isVisible() && now == files)) << steps;
        const auto* list = verb == u"shows" ? control<QListWidget>(w, arg.section(u':', 0, 0)) : nullptr;
        EXPECT_TRUE(!list || list->item(arg.section(u':', 1).toInt())->isSelected()) << steps;
        if (verb == u"more")
            QTest::keyClicks(control<QWidget>(w, arg.section(u':', 0, 0)), arg.section(u':', 1));
        if (verb == u"unwritable") QDir().mkdir(p.file("QuillornControl.ini.new"));
        if (verb == u"close") w->close();
        for (const char* name : {"lstNextToSwitch2", "Label3", "Label5", "Label6", "lstPortTwo"})
            EXPECT_TRUE(verb != u"two" || shownIn(w->parentWidget(), name) == (arg == u"1")) << name;
        EXPECT_TRUE(verb != u"two" || p.m->lstNextToSwitch2.count() == arg.toInt());  // searched again
        if (verb == u"two") p.m->lstNextToSwitch2.clear();
        if (!QStringList{"hidden", "unwritable", "close", "two", "open", "shows", "more"}.contains(verb))
            act(w, step);
    }
}

auto settings(const Module1& m) {
    return std::tuple(m.Rx1Port, m.BaudIndex, m.ActivityLogOn, m.EbNoPerHour, m.MpegLogOn, m.RemoteStartOn,
                      m.SaveLogsUnit, m.TwoReceivers, m.Rx2Port, m.ClockResetTime.trimmed());
}

TEST(SetUpWindow, ClosingSavesWhatTookEffectAndWhatWasChosen) {
    // Settings at the start, the operator's steps, then QuillornControl.ini and TimeReset.ini, and
    // the message. A refused port leaves its list on the port in force; a reset time that is not
    // MM:SS under 60 or blank keeps the dialog open once, then the time in force.
    const QString samePorts = "Receiver one and receiver two Ports may not be the same.";
    const QString badTime =
        "Time format in Time to reset clock must be MM:SS (minutes and seconds 00 to 59) or "
        "left blank. Correct it, or close SetUp again to keep \"54:30\".";
    // clang-format off
    const std::tuple<const char*, const char*, const char*, QString> rows[] = {
        {"111201w01", "click=cmdClose", "111201w0154:30", samePorts},
        {"111201w02", "row=lstPortOne:1|shows=lstPortOne:0|click=cmdClose", "111201w0254:30", samePorts},
        {"111201w12", "row=lstPortTwo:0|shows=lstPortTwo:1|shows=lstPortOne:0|close", "111201w1254:30", samePorts},
        {"111201w12", "type=txtClockResetTime:abc|click=optBaud2|click=cmdClose|open|type=txtClockResetTime:05:60|close|open|"
                      "type=txtClockResetTime:05:30|click=cmdClose", "121201w1205:30", "Time format in Time to reset clock"},
        {"111201w12", "more=txtClockResetTime:9|close|open|click=cmdClose", "111201w1254:30", badTime},
        {"111201w12", "type=txtClockResetTime:  |click=cmdClose", "111201w12     ", {}},
        {"111201w02", "click=optBaud2|close", "121201w0254:30", {}},
        {"111201m02", "row=lstHistoryEbNo:0|hidden=lstSaveLogs|click=cmdClose", "111001m0254:30", {}},
        {"111201w12", "click=Check1|click=optBaud2|click=chkLog|click=chkRemote|row=lstPortOne:2|row=lstHistoryEbNo:5|"
                      "row=lstSaveLogs:3|type=txtClockResetTime:07:15|close", "320500y0207:15", {}},
        {"111201w12", "two=1|click=Check1|two=0|click=Check1|two=1|click=cmdClose", "111201w1254:30", {}},
        {"111201w02", "click=optBaud2|unwritable|click=cmdClose", "111201w0254:30", "The settings were not saved"},
    };
    // clang-format on
    for (const auto& [ini, steps, saved, message] : rows) {
        TestProgram p;
        p.writeFile("QuillornControl.ini", ini);
        p.writeFile("TimeReset.ini", "54:30");
        writeSchedule(p.file("SwitchList.dat"), {makeEntry("Farm", 2, "14:30:00", {3})});
        auto main = std::make_unique<mnuMenu>(*p.m);
        main->load();
        p.m->lstNextToSwitch2.clear();  // to see whether opening searches receiver 2 again
        main->mnuSetUp->trigger();
        ASSERT_TRUE(shownWindow("frmSetUp")) << steps;
        setUpSteps(shownWindow("frmSetUp"), p, steps);
        EXPECT_EQ(p.readFile("QuillornControl.ini") + p.readFile("TimeReset.ini"), saved) << steps;
        EXPECT_TRUE(message.isEmpty() ? p.messages.isEmpty() : messageText().contains(message)) << steps;
        if (message.contains(QLatin1String("not saved"))) continue;
        // The next start reads back what the program ran with.
        const auto ranWith = settings(*p.m);
        main.reset();
        p.makeModule();
        p.m->InitializeProgram();
        EXPECT_EQ(settings(*p.m), ranWith) << steps;
    }
}

TEST(Terminal, SendsToTheChosenReceiverForTheFullSecondAndReleasesThePortAfterAFailure) {
    // Two receivers, receiver 2 chosen, the write fails (a receiver unplugged after the open), where the
    // command goes (0: nowhere).
    for (const auto& [two, chosen, fails, port] :
         {std::tuple(1, true, 0, 2), {0, true, 0, 1}, {0, false, 1, 0}}) {
        TestProgram p;
        p.serial.failingWrites = fails;
        p.serial.answerDelayMs = 300;  // the answer and its prompt come well inside the second
        p.writeFile("QuillornControl.ini", "110000d" + QByteArray::number(two) + "2");
        p.m->ReadSettings();
        p.m->MonitorCommand = "FC";
        const QDateTime start = p.clock.now();
        const auto reply = MonitorTerminal(*p.m, p.serial).SendCommand(chosen);
        EXPECT_FALSE(p.serial.isOpen());
        EXPECT_EQ(p.messages, port ? QStringList() : QStringList{"Device I/O error"});
        EXPECT_EQ(reply, port ? std::optional<QByteArray>("Sent FC\r\nOK\r\n>") : std::nullopt);
        EXPECT_EQ(p.serial.bytesTo(port), port ? "FC\r" : "");
        EXPECT_TRUE(!port || start.msecsTo(p.clock.now()) > 1000);  // the prompt did not end it
    }
}

TEST(Terminal, WindowSendsWhatTheOperatorChoseAndShowsTheWholeAnswer) {
    PtyRig rig({"--ebno", "7.5"});
    ASSERT_TRUE(rig.sim.ready());
    QFile::link(rig.p.file("nowhere"), rig.p.file("COM2"));  // a port whose device is gone
    RawPty raw(rig.p.home(), 3);  // a bare line that shows the bytes as they were sent
    // Steps: those of act(), and Enter, Up and Down in the command box, cycle (the last tick of a switch
    // cycle), port=n (receiver 1's). Then the lines the simulator gets, and the answer shown.
    // clang-format off
    const std::tuple<const char*, std::vector<QByteArray>, const char*> rows[] = {
        {"type=txtCommand:EB|Enter|type=txtCommand:  FC |click=cmdSend", {"EB", "FC"}, "Sent FC\nFade Counter 0\n>"},
        {"type=txtCommand:EB|cycle|click=cmdSend|menu=mnuFC|click=cmdSend|menu=mnuPort_3", {"R M", "FC", "FC", "Port C"}, nullptr},
        {"type=txtCommand:EB|Enter|type=txtCommand:R R|Enter|Up|Up|Up|Down|Up|Enter", {"EB", "R R", "EB"}, nullptr},
        {"port=2|type=txtCommand:EB|Enter", {}, ""},
        {"port=1|click=cmdSend", {"EB"}, nullptr},
        {"port=3|type=txtCommand:EB|Enter|port=1", {}, nullptr},
    };
    // clang-format on
    for (const auto& [steps, sent, shown] : rows) {
        frmMonCon w(rig.m, rig.serial);
        const size_t before = rig.sim.lines().size();
        for (const QString& step : QString::fromLatin1(steps).split(u'|')) {
            if (step == u"cycle") rig.m.SwitchCount1 = 2;
            if (step == u"cycle") rig.m.Timer1_Timer();
            if (step.startsWith(u"port=")) rig.m.Rx1Port = step.mid(5).toInt();
            if (step == u"Enter" || step == u"Up" || step == u"Down") act(&w, "key=txtCommand:" + step);
            if (step.contains(u'=') && !step.startsWith(u"port=")) act(&w, step);
        }
        EXPECT_EQ(rig.linesSince(before, sent.size()), sent) << steps;
        // What a screen reader reads is the answer itself.
        const QString answer = accessibleTextOf(control<QWidget>(&w, "lblMonitor"));
        EXPECT_TRUE(!shown || answer == shown) << steps << ": " << answer.toStdString();
    }
    // The failure shows its description alone, without the number.
    ASSERT_EQ(rig.p.messages.size(), 1);
    EXPECT_TRUE(rig.p.messages[0].startsWith("Invalid port number:")) << rig.p.messages[0].toStdString();
    EXPECT_EQ(raw.drain(), "EB\r");  // on the wire: the command and one CR, nothing else
}

TEST(RelayPanel, EachModeSendsItsRelayCommandsAndKeepsEveryAnswer) {
    PtyRig rig;
    ASSERT_TRUE(rig.sim.ready());
    rig.m.CommandPort = 1;
    // The mode, the buttons clicked (cycle: a switch cycle leaves "R M" in MonitorCommand), whether all
    // 28 show (else the first 4), the lines sent, a line of every status answer.
    // clang-format off
    const std::tuple<QByteArray, const char*, bool, std::vector<QByteArray>, QString> rows[] = {
        {"R R", "click=cmdR_0|click=cmdR_1|click=cmdR_2|click=cmdR_3", false,
         {"R R", "RE O 1", "R R", "RE C 1", "R R", "RE O 2", "R R", "RE C 2", "R R"}, "Relay 2:"},
        {"R R", "click=cmdR_0|cycle|click=cmdR_3", false, {"R R", "RE O 1", "R R", "RE C 2", "R R"}, "Relay 2:"},
        {"R ER", "click=cmdR_0|click=cmdR_27", true, {"R ER", "ER D 1", "R ER", "ER E 14", "R ER"}, "Relay 14:"},
        {"R M", "click=cmdR_5", true, {"R M", "R M"}, "MPEG STATUS"},
    };
    // clang-format on
    for (const auto& [mode, clicks, all, lines, marker] : rows) {
        rig.m.MonitorCommand = mode;
        const size_t before = rig.sim.lines().size();
        frmRelay w(rig.m, &rig.serial);
        w.Form_Load();
        EXPECT_TRUE(shownIn(&w, "cmdR_3") && shownIn(&w, "cmdR_4") == all) << mode.toStdString();
        EXPECT_EQ(control<QLabel>(&w, "lblReceiver")->text(), "Receiver 1 on Serial Port 1");
        for (const QString& step : QString::fromLatin1(clicks).split(u'|')) {
            if (step == u"cycle") rig.m.SwitchCount1 = 2;
            if (step == u"cycle") rig.m.Timer1_Timer();
            if (step != u"cycle") act(&w, step);
        }
        EXPECT_EQ(rig.linesSince(before, lines.size()), lines);
        const QString reply = accessibleTextOf(control<QWidget>(&w, "lblRelay"));
        EXPECT_EQ(reply.count(marker), QString(clicks).count(u"click=") + 1) << reply.toStdString();
        EXPECT_FALSE(rig.serial.isOpen());
    }
    EXPECT_TRUE(rig.p.messages.isEmpty()) << rig.p.messages.join('|').toStdString();
}

TEST(RelayPanel, AFailedPortIsReleasedAndTheNextClickTriesAgain) {
    TestProgram p;
    p.m->BaudIndex = 1;
    p.m->CommandPort = 3;
    p.m->MonitorCommand = "R R";
    p.serial.missingPorts = {3};
    p.serial.answer = [](const QByteArray& line) { return line == "R R" ? "Relay 1: OPEN\r\n>" : ">"; };
    RelayPanel panel(*p.m, p.serial);
    panel.Form_Load();
    ASSERT_EQ(p.messages.size(), 1);
    EXPECT_TRUE(p.messages[0].startsWith("8002  ")) << p.messages[0].toStdString();
    EXPECT_FALSE(p.serial.isOpen());
    p.serial.missingPorts.clear();
    p.m->CommandPort = 5;  // the panel stays on the port it was opened on
    panel.cmdR_Click(3);
    EXPECT_EQ(p.serial.bytesTo(3), "RE C 2\rR R\r");
    EXPECT_FALSE(p.serial.isOpen());
    // The relay command's bare prompt at the front is dropped; the status answer stays.
    EXPECT_EQ(panel.replyText(), "Relay 1: OPEN\r\n>");
}

TEST(ReceiverSetUp, ChoicesMakeTheCommandsForTheChosenReceiver) {
    PtyRig rig;
    RawPty receiver2(rig.p.home(), 2);
    ASSERT_TRUE(rig.sim.ready() && receiver2.ok());
    // TwoReceivers, Source.dat, the choices (the window opens on the first line of each list, "View
    // Settings" ticked); the lines receiver 1 gets, the bytes receiver 2 gets, MonitorCommand after, the
    // message.
    // clang-format off
    const std::tuple<int16_t, QByteArray, const char*, std::vector<QByteArray>, QByteArray, const char*, QString> rows[] = {
        {0, "ABC\r\nDEF", "", {"SETAUDIO 1 1 ABC0", "ER D 11", "ER D 14"}, "", "R M", ""},
        {1, "ABC\r\nDEF\r\n", "click=Option2|pick=lstPort:1|pick=lstRoute:2|pick=lstLang:1|pick=lstAtt:3|",
         {}, "SETAUDIO 2 S DEF3\rER D 4\rER D 7\r", "R M", ""},
        {1, "ABC\r\n", "pick=lstPort:2|pick=lstRoute:3|pick=lstAtt:14|tick=Check1:0|", {"SETAUDIO 3 R ABC14", "ER D 1"}, "", "FC", ""},
        {2, "ABC\r\n", "pick=lstPort:3|pick=lstRoute:1|", {"SETAUDIO 4 2 ABC0", "ER D 8"}, "", "R M", ""},
        {0, QByteArray(), "", {}, "", "FC", "No Source Code Selected"},
    };
    // clang-format on
    for (const auto& [two, source, steps, one, other, command, message] : rows) {
        rig.m.TwoReceivers = two;
        rig.m.MonitorCommand = "FC";
        QFile::remove(rig.p.file("Source.dat"));
        if (!source.isNull()) rig.p.writeFile("Source.dat", source);
        frmSetReceiver w(rig.m);
        w.Form_Load();
        EXPECT_EQ(shownIn(&w, "Option1") || shownIn(&w, "Option2"), two == 1);
        const size_t before = rig.sim.lines().size();
        rig.p.messages.clear();
        act(&w, steps + QStringLiteral("click=cmdSet"));
        EXPECT_EQ(rig.linesSince(before, one.size()), one) << steps;
        EXPECT_EQ(receiver2.drain(), other) << steps;
        EXPECT_EQ(rig.m.MonitorCommand, command) << steps;
        EXPECT_EQ(rig.p.messages.join('|'), message);
    }
}

// Engineering mode shows the hidden items, those without a command disabled; every command that opens
// a window, given twice, opens one window, whose every control is named for a screen reader.
TEST(MainMenu, EachWindowCommandOpensOneNamedWindowAndEngineeringModeShowsTheHiddenOnes) {
    TestProgram p;
    const QString schedule = p.file("SwitchList.dat");
    writeSchedule(schedule, {makeEntry("News", 1, "13:00:00", {1})});
    mnuMenu w(*p.m);
    w.load();
    p.m->Rx1Port = p.m->CommandPort = 0;  // the relay panel's port fails at once: no device is touched
    auto item = [&](const char* name) { return control<QAction>(&w, name); };
    for (bool on : {true, false, true}) {
        w.setEngineeringMode(on);
        EXPECT_EQ(control<QMenu>(&w, "mnuReceiverStatus")->menuAction()->isVisible(), on);
        for (const char* name : {"mnuLoadSourceCodes", "mnuServiceProviders", "mnuMPEG", "mnuSetReceiver",
                                 "mnuCarrierStatus", "mnuRelayStatus", "mnuExtendedRelays", "mnuSettings"})
            EXPECT_EQ(item(name)->isVisible(), on) << name;
    }
    for (QAction* a : control<QMenu>(&w, "mnuReceiverStatus")->actions())
        EXPECT_EQ(a->isEnabled(), a->objectName().contains("Relay")) << a->objectName().toStdString();
    const char* commands[] = {"mnuSchedule",    "mnuSetUp",           "mnuSwitchSchedule",
                              "mnuMonCon",      "mnuExtendedRelays",  "mnuRelayStatus",
                              "mnuSetReceiver", "mnuServiceProviders"};
    for (const char* name : commands)
        item(name)->trigger();
    writeSchedule(schedule, {makeEntry("News", 1, "13:00:00", {1, 2})});
    for (const char* name : commands)
        item(name)->trigger();
    EXPECT_EQ(p.m->MonitorCommand, "R R");  // the relay panel of the last command
    for (const char* name : {"frmSchedule", "frmSetUp", "frmWeeklySchedule", "frmMonCon", "frmRelay",
                             "frmSetReceiver", "frmServiceProvider"}) {
        int open = 0;
        for (QWidget* top : QApplication::topLevelWidgets())
            open += top->isVisible() && top->objectName() == name;
        ASSERT_EQ(open, 1) << name;
        expectNamed(shownWindow(name));
    }
    // The listing is rebuilt from the file as it is now, in a fixed-pitch font; the relay buttons are
    // named by row and action.
    auto* week = control<QListView>(shownWindow("frmWeeklySchedule"), "lstWeeklySchedule");
    EXPECT_EQ(listLines(week).size(), 2);
    EXPECT_TRUE(QFontInfo(week->font()).fixedPitch());
    EXPECT_EQ(accessibleNameOf(control<QWidget>(shownWindow("frmRelay"), "cmdR_5")), "Relay 3 Close");
    closeMessages();
}

TEST(ServiceProviderWindow, ApplyStoresTheNameChoosesTheSameLineAgainAndEitherViewListsIt) {
    TestProgram p;
    frmServiceProvider w(*p.m);
    ASSERT_TRUE(w.load());
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    auto* list = control<QListView>(&w, "lstSerProv");
    list->scrollTo(list->model()->index(5, 0), QAbstractItemView::PositionAtTop);
    const auto topRow = [&] { return list->indexAt(QPoint(1, 1)).row(); };
    ASSERT_EQ(topRow(), 5);
    act(&w, "row=lstSerProv:7");
    ASSERT_TRUE(shownIn(&w, "txtName"));
    act(&w, "type=txtName:Radio Quillorn International|click=cmdApply");  // 28 characters
    EXPECT_EQ(p.readFile("SPNames.dat").mid(7 * 128, 25), "Radio Quillorn Internatio");
    // The slot's line chosen again, the text box hidden, the list where it was.
    EXPECT_EQ(std::tuple(list->selectionModel()->selectedIndexes().value(0).row(), shownIn(&w, "txtName"),
                         topRow()),
              std::tuple(7, false, 5));
    EXPECT_EQ(listLines(list)[7], " 7 Radio Quillorn Internatio");
    act(&w, "menu=mnuView_1");  // by name: the empty slots first
    EXPECT_EQ(listLines(list).mid(62),
              (QStringList{QString(25, u' ') + " 63 ", "Radio Quillorn Internatio  7 "}));
    // Delete empties the chosen slot; with no line chosen nothing is written.
    list->scrollToBottom();
    act(&w, "row=lstSerProv:63|click=cmdDelete");
    EXPECT_EQ(p.readFile("SPNames.dat").mid(7 * 128, 25), QByteArray(25, ' '));
    const QByteArray before = p.readFile("SPNames.dat");
    list->clearSelection();
    act(&w, "type=txtName:Lost|click=cmdApply");
    EXPECT_EQ(p.messages, QStringList{"No Name Selected"});
    EXPECT_EQ(p.readFile("SPNames.dat"), before);
}

}  // namespace
}  // namespace qc::test
