// The terminal: its exchange on a scripted line (port choice, the full second, the port released
// after a failure), and its window talking to the receiver simulator on a pseudo-terminal.
#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <map>

#include "receiver/MonitorTerminal.h"
#include "receiver/frmMonCon.h"
#include "support/GuiSupport.h"
#include "support/ReceiverSim.h"
#include "support/TestSupport.h"

namespace qc {
namespace {

using test::control;

// A line that opens and then fails to write, as an unplugged adapter does.
struct FailingWrite : test::ScriptedSerialLine {
    using ScriptedSerialLine::ScriptedSerialLine;
    void write(const QByteArray&) override { throw QcError(QcError::DeviceIoError, "Device I/O error"); }
};

TEST(Terminal, SendsToTheChosenReceiverForTheFullSecondAndReleasesThePortAfterAFailure) {
    // Two receivers, receiver 2 chosen, the write fails, where the command goes (0: nowhere).
    for (const auto& [two, chosen, failWrite, port] :
         {std::tuple(1, true, false, 2), {0, true, false, 1}, {0, false, true, 0}}) {
        test::TestProgram p;
        FailingWrite failing(p.clock);
        test::ScriptedSerialLine& line = failWrite ? failing : p.serial;
        line.answerDelayMs = 300;  // the answer and its prompt come well inside the second
        p.writeFile("QuillornControl.ini", "110000d" + QByteArray::number(two) + "2");
        p.m->ReadSettings();
        p.m->MonitorCommand = "FC";
        const QDateTime start = p.clock.now();
        const auto reply = MonitorTerminal(*p.m, line).SendCommand(chosen);
        EXPECT_FALSE(line.isOpen());
        EXPECT_EQ(p.messages, port ? QStringList() : QStringList{"Device I/O error"});
        EXPECT_EQ(reply, port ? std::optional<QByteArray>("Sent FC\r\nOK\r\n>") : std::nullopt);
        EXPECT_EQ(line.bytesTo(port), port ? "FC\r" : "");
        EXPECT_TRUE(!port || start.msecsTo(p.clock.now()) > 1000);  // the prompt did not end it
    }
}

// Steps: t=text typed, e Enter, s "Send", h=hot key, c end of a switch cycle, u and d the Up and Down
// keys, p=port of receiver 1.
void run(frmMonCon& w, Module1& m, const char* steps) {
    auto* box = control<QLineEdit>(&w, "txtCommand");
    const std::map<char, Qt::Key> keys{{'e', Qt::Key_Return}, {'u', Qt::Key_Up}, {'d', Qt::Key_Down}};
    for (const QString& step : QString::fromLatin1(steps).split('|')) {
        const char verb = step[0].toLatin1();
        if (verb == 't') box->clear();
        if (verb == 't') QTest::keyClicks(box, step.mid(2));
        if (keys.count(verb)) QTest::keyClick(box, keys.at(verb));
        if (verb == 's') QTest::mouseClick(control<QPushButton>(&w, "cmdSend"), Qt::LeftButton);
        if (verb == 'h') control<QAction>(&w, step.mid(2))->trigger();
        if (verb == 'c') m.SwitchCount1 = 2;  // the last tick of a switch cycle
        if (verb == 'c') m.Timer1_Timer();
        if (verb == 'p') m.Rx1Port = step.mid(2).toInt();
    }
}

TEST(Terminal, WindowSendsWhatTheOperatorChoseAndShowsTheWholeAnswer) {
    test::TestProgram p;
    SystemClock clock;
    Module1 m(Paths{p.home()}, clock, p.serial, p.port);
    QObject::connect(&m, &Module1::messageShown, [&p](const QString& text) { p.messages << text; });
    m.Rx1Port = 1;
    m.BaudIndex = 1;
    test::ReceiverSim sim(p.home(), 1, {"--ebno", "7.5"});
    ASSERT_TRUE(sim.ready());
    QFile::link(p.file("nowhere"), p.file("COM2"));  // a port whose device is gone
    test::RawPty raw(p.home(), 3);                   // a bare line that shows the bytes as they were sent
    DeviceSerialLine line(Paths{p.home()});
    const std::tuple<const char*, std::vector<QByteArray>, const char*> rows[] = {
        {"t=EB|e", {"EB"}, "Sent EB\nEbNo 7.5 dB\n>"},
        {"t=  FC |s", {"FC"}, "Sent FC\nFade Counter 0\n>"},
        {"t=EB|c|s", {"R M"}, nullptr},
        {"t=EB|h=mnuFC|s", {"FC", "FC"}, nullptr},
        {"h=mnuPort_3", {"Port C"}, nullptr},
        {"t=EB|e|t=R R|e|u|u|u|d|u|e", {"EB", "R R", "EB"}, nullptr},
        {"p=2|t=EB|e", {}, ""},
        {"p=1|s", {"EB"}, nullptr},
        {"p=3|t=EB|e|p=1", {}, nullptr},
    };
    for (const auto& [steps, sent, shown] : rows) {
        frmMonCon w(m, line);
        const size_t before = sim.lines().size();
        run(w, m, steps);
        sim.waitForLines(before + sent.size());
        const std::vector<QByteArray> arrived = sim.lines();
        EXPECT_EQ(std::vector(arrived.begin() + before, arrived.end()), sent) << steps;
        const QString label = control<QLabel>(&w, "lblMonitor")->text();
        EXPECT_TRUE(!shown || label == shown) << steps << ": " << label.toStdString();
    }
    // The failure shows its description alone, without the number.
    ASSERT_EQ(p.messages.size(), 1);
    EXPECT_TRUE(p.messages[0].startsWith(QLatin1String("Invalid port number:")))
        << p.messages[0].toStdString();

    EXPECT_EQ(raw.drain(), "EB\r");  // on the wire: the command and one CR, nothing else
}

}  // namespace
}  // namespace qc
