// The station engineer's windows: the relay panel and the receiver set-up on the wire, and the main
// window's engineering mode that opens them.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QTemporaryDir>

#include "core/mnuMenu.h"
#include "receiver/RelayPanel.h"
#include "receiver/frmRelay.h"
#include "receiver/frmSetReceiver.h"
#include "review/frmServiceProvider.h"
#include "support/GuiSupport.h"
#include "support/ReceiverSim.h"
#include "support/TestSupport.h"

namespace qc {
namespace {

using test::control;

// A program on the real serial lines of a temporary folder and the system clock.
struct PtyRig {
    PtyRig() {
        QObject::connect(&m, &Module1::messageShown, [this](const QString& t) { messages << t; });
        m.BaudIndex = 1;
        m.Rx1Port = 1;
        m.Rx2Port = 2;
    }
    QString home() const { return dir.path(); }

    QTemporaryDir dir;
    SystemClock clock;
    DeviceSerialLine serial{Paths{dir.path()}};
    MemoryParallelPort port;
    Module1 m{Paths{dir.path()}, clock, serial, port};
    QStringList messages;
};

TEST(RelayPanelOnTheWire, EachModeSendsItsRelayCommandsAndKeepsEveryAnswer) {
    const struct {
        QByteArray mode;
        std::vector<int> clicks;
        int shown;
        std::vector<QByteArray> lines;
        QString marker;  // a line of every status answer
    } rows[] = {
        {"R R",
         {0, 1, 2, 3},
         4,
         {"R R", "RE O 1", "R R", "RE C 1", "R R", "RE O 2", "R R", "RE C 2", "R R"},
         "Relay 2:"},
        {"R ER", {0, 27}, 28, {"R ER", "ER D 1", "R ER", "ER E 14", "R ER"}, "Relay 14:"},
        {"R M", {5}, 28, {"R M", "R M"}, "MPEG STATUS"},
    };
    for (const auto& row : rows) {
        PtyRig rig;
        test::ReceiverSim sim(rig.home(), 1);
        ASSERT_TRUE(sim.ready());
        rig.m.CommandPort = 1;
        rig.m.MonitorCommand = row.mode;
        DeviceSerialLine line(Paths{rig.home()});
        frmRelay w(rig.m, &line);
        w.Form_Load();
        int shown = 0;
        for (int i = 0; i < RelayPanel::ButtonCount; ++i)
            shown += test::shownIn(&w, QStringLiteral("cmdR_%1").arg(i));
        EXPECT_EQ(shown, row.shown) << row.mode.toStdString();
        for (int i : row.clicks)
            control<QAbstractButton>(&w, QStringLiteral("cmdR_%1").arg(i))->click();
        sim.waitForLines(row.lines.size());
        EXPECT_EQ(sim.lines(), row.lines);
        const QString reply = control<QLabel>(&w, "lblRelay")->text();
        EXPECT_EQ(reply.count(row.marker), qsizetype(row.clicks.size() + 1)) << reply.toStdString();
        EXPECT_FALSE(line.isOpen());
        EXPECT_TRUE(rig.messages.isEmpty()) << rig.messages.join('|').toStdString();
    }
}

TEST(RelayPanelLogic, AFailedPortIsReleasedAndTheNextClickTriesAgain) {
    test::TestProgram p;
    p.m->BaudIndex = 1;
    p.m->CommandPort = 3;
    p.m->MonitorCommand = "R R";
    p.serial.missingPorts = {3};
    p.serial.answer = [](const QByteArray& line) -> QByteArray {
        return line == "R R" ? "Relay 1: OPEN\r\n>" : ">";
    };
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

TEST(ReceiverSetUpOnTheWire, OneReceiverGetsTheAudioSetUpAndThePortRelays) {
    PtyRig rig;
    test::ReceiverSim sim(rig.home(), 1);
    test::RawPty receiver2(rig.home(), 2);
    ASSERT_TRUE(sim.ready() && receiver2.ok());
    QFile source(rig.home() + "/Source.dat");
    ASSERT_TRUE(source.open(QIODevice::WriteOnly));
    source.write("ABC\r\nDEF");
    source.close();
    frmSetReceiver w(rig.m);
    w.Form_Load();
    EXPECT_FALSE(test::shownIn(&w, "Option1") || test::shownIn(&w, "Option2"));
    EXPECT_EQ(test::listLines(control<QListWidget>(&w, "lstLang")), QStringList({"ABC", "DEF"}));
    control<QAbstractButton>(&w, "cmdSet")->click();
    sim.waitForLines(3);
    EXPECT_EQ(sim.lines(), std::vector<QByteArray>({"SETAUDIO 1 1 ABC0", "ER D 11", "ER D 14"}));
    EXPECT_EQ(receiver2.drain(), QByteArray());
    EXPECT_EQ(rig.m.MonitorCommand, "R M");
    EXPECT_TRUE(rig.messages.isEmpty()) << rig.messages.join('|').toStdString();
}

TEST(ReceiverSetUpWindow, ChoicesMakeTheCommandsAndChooseTheReceiver) {
    const struct {
        int16_t twoReceivers;
        bool receiverTwo;
        int port, route, lang, att;
        bool view;
        QByteArray source;
        int wire;
        QByteArray sent;
        QString message;
    } rows[] = {
        {1, true, 1, 2, 1, 3, true, "ABC\r\nDEF\r\n", 2, "SETAUDIO 2 S DEF3\rER D 4\rER D 7\r", ""},
        {1, false, 2, 3, 0, 14, false, "ABC\r\n", 1, "SETAUDIO 3 R ABC14\rER D 1\r", ""},
        {2, false, 3, 1, 0, 0, true, "ABC\r\n", 1, "SETAUDIO 4 2 ABC0\rER D 8\r", ""},
        {0, false, 0, 0, 0, 0, true, QByteArray(), 1, "", "No Source Code Selected"},
    };
    for (const auto& row : rows) {
        test::TestProgram p;
        p.m->BaudIndex = 1;
        p.m->Rx1Port = 1;
        p.m->Rx2Port = 2;
        p.m->TwoReceivers = row.twoReceivers;
        p.m->MonitorCommand = "FC";
        if (!row.source.isNull()) p.writeFile("Source.dat", row.source);
        frmSetReceiver w(*p.m);
        w.Form_Load();
        EXPECT_EQ(test::shownIn(&w, "Option2"), row.twoReceivers == 1);
        if (row.receiverTwo) control<QAbstractButton>(&w, "Option2")->click();
        for (auto [list, choice] : {std::pair{"lstPort", row.port},
                                    {"lstRoute", row.route},
                                    {"lstLang", row.lang},
                                    {"lstAtt", row.att}})
            control<QListWidget>(&w, list)->setCurrentRow(choice);
        control<QAbstractButton>(&w, "Check1")->setChecked(row.view);
        control<QAbstractButton>(&w, "cmdSet")->click();
        EXPECT_EQ(p.serial.bytesTo(row.wire), row.sent);
        EXPECT_EQ(p.m->MonitorCommand, row.view && !row.sent.isEmpty() ? "R M" : "FC");
        EXPECT_EQ(p.messages.isEmpty() ? QString() : p.messages.last(), row.message);
    }
}

TEST(EngineeringMode, ShowsTheHiddenItemsAndOpensTheirWindows) {
    test::TestProgram p;
    ASSERT_EQ(p.m->Rx1Port, 0);  // the relay panel's port fails at once: no device is touched
    mnuMenu w(*p.m);
    auto item = [&](const char* name) { return control<QAction>(&w, QString::fromLatin1(name)); };
    const char* hidden[] = {"mnuLoadSourceCodes", "mnuServiceProviders", "mnuMPEG",
                            "mnuSetReceiver",     "mnuCarrierStatus",    "mnuRelayStatus",
                            "mnuExtendedRelays",  "mnuSettings"};
    for (bool on : {true, false, true}) {
        w.setEngineeringMode(on);
        EXPECT_EQ(w.windowTitle().contains("Engineering"), on);
        EXPECT_EQ(control<QMenu>(&w, "mnuReceiverStatus")->menuAction()->isVisible(), on);
        for (const char* name : hidden)
            EXPECT_EQ(item(name)->isVisible(), on) << name;
    }

    for (const char* name : {"mnuExtendedRelays", "mnuRelayStatus", "mnuSetReceiver", "mnuSetReceiver",
                             "mnuServiceProviders", "mnuServiceProviders"})
        item(name)->trigger();
    EXPECT_EQ(p.m->MonitorCommand, "R R");
    const auto relays = w.findChildren<frmRelay*>();
    ASSERT_EQ(relays.size(), 1);
    EXPECT_EQ(w.findChildren<frmSetReceiver*>().size(), 1);
    EXPECT_EQ(w.findChildren<frmServiceProvider*>().size(), 1);

    // Every control a user acts on is announced by name; the relay buttons by row and action.
    EXPECT_EQ(test::accessibleNameOf(control<QWidget>(relays[0], "cmdR_5")), "Relay 3 Close");
    for (QWidget* window : std::initializer_list<QWidget*>{relays[0], w.findChild<frmSetReceiver*>(),
                                                           w.findChild<frmServiceProvider*>()}) {
        for (QWidget* c : window->findChildren<QWidget*>()) {
            const bool acted = c->inherits("QAbstractButton") || c->inherits("QAbstractItemView") ||
                               c->inherits("QLineEdit");
            // (Qt's own menu-bar extension button aside.)
            EXPECT_TRUE(!acted || c->objectName().startsWith("qt_") || !test::accessibleNameOf(c).isEmpty())
                << c->objectName().toStdString();
        }
    }
    test::closeMessages();
}

}  // namespace
}  // namespace qc
