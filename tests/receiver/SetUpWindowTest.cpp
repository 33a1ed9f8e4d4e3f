// The set-up dialog beside the main window: its reactions while it opens and to the operator, what
// reaches the running program at once, and the settings files written when it closes. Also the
// menu commands that open it, the weekly listing and the terminal.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QTest>

#include "core/mnuMenu.h"
#include "support/GuiSupport.h"
#include "support/TestSupport.h"

namespace qc {
namespace {

using test::control;
using test::shownIn;

const QString kSamePorts = QStringLiteral("Receiver one and receiver two Ports may not be the same.");

// Steps: c=control clicked (near its left end, where a check box has its mark), l=list:row
// clicked, t=clock-reset time typed, h=control that must be hidden, x the settings folder made
// unwritable, f closed by the window's frame, r=1 or 0: receiver 2 shown on both windows and its
// week searched again, or hidden.
void run(QWidget* w, test::TestProgram& p, const char* steps) {
    for (const QString& step : QString::fromLatin1(steps).split(' ')) {
        const QStringList arg = step.mid(2).split(':');
        if (auto* c = step[0] == 'c' ? control<QWidget>(w, arg[0]) : nullptr)
            QTest::mouseClick(c, Qt::LeftButton, {}, QPoint(c->height() / 2, c->height() / 2));
        if (auto* box = step[0] == 'l' ? control<QListWidget>(w, arg[0]) : nullptr)
            QTest::mouseClick(box->viewport(), Qt::LeftButton, {},
                              box->visualItemRect(box->item(arg[1].toInt())).center());
        if (step[0] == 't') control<QLineEdit>(w, "txtClockResetTime")->clear();
        if (step[0] == 't') QTest::keyClicks(control<QLineEdit>(w, "txtClockResetTime"), arg.join(':'));
        EXPECT_FALSE(step[0] == 'h' && shownIn(w, arg[0])) << steps;
        if (step[0] == 'x') QDir().mkdir(p.file("QuillornControl.ini.new"));
        if (step[0] == 'f') w->close();
        if (step[0] == 'r') {
            for (const char* name : {"lstNextToSwitch2", "Label3", "Label5", "Label6", "lstPortTwo"})
                EXPECT_EQ(shownIn(w->parentWidget(), name), arg[0] == "1") << name;
            EXPECT_EQ(p.m->lstNextToSwitch2.count(), arg[0].toInt());  // receiver 2 was searched again
            p.m->lstNextToSwitch2.clear();
        }
    }
}

auto settings(const Module1& m) {
    return std::tuple(m.Rx1Port, m.BaudIndex, m.ActivityLogOn, m.EbNoPerHour, m.MpegLogOn, m.RemoteStartOn,
                      m.SaveLogsUnit, m.TwoReceivers, m.Rx2Port, m.ClockResetTime);
}

TEST(SetUpWindow, ClosingSavesWhatTookEffectAndWhatWasChosen) {
    // Settings at the start, the operator's steps, then QuillornControl.ini and TimeReset.ini, and
    // the message.
    const std::tuple<const char*, const char*, const char*, QString> rows[] = {
        {"111201w01", "c=cmdClose", "111201w0154:30", kSamePorts},
        {"111201w02", "l=lstPortOne:1 c=cmdClose", "111201w0254:30", kSamePorts},
        {"111201w02", "c=optBaud2 c=cmdClose", "121201w0254:30", {}},
        {"111201w02", "c=optBaud2 f", "121201w0254:30", {}},
        {"111201m02", "l=lstHistoryEbNo:0 h=lstSaveLogs c=cmdClose", "111001m0254:30", {}},
        {"111201w12",
         "c=Check1 c=optBaud2 c=chkLog c=chkRemote l=lstPortOne:2 l=lstHistoryEbNo:5 l=lstSaveLogs:3 t=07:15 "
         "f",
         "320500y0207:15",
         {}},
        {"111201w12", "r=1 c=Check1 r=0 c=Check1 r=1 c=cmdClose", "111201w1254:30", {}},
        {"111201w02", "c=optBaud2 x c=cmdClose", "111201w0254:30",
         QStringLiteral("The settings were not saved")},
    };
    for (const auto& [ini, steps, saved, message] : rows) {
        test::TestProgram p;
        p.writeFile("QuillornControl.ini", ini);
        p.writeFile("TimeReset.ini", "54:30");
        test::writeSchedule(p.file("SwitchList.dat"), {test::makeEntry("Farm", 2, "14:30:00", {3})});
        auto main = std::make_unique<mnuMenu>(*p.m);
        main->load();
        p.m->lstNextToSwitch2.clear();  // to see whether opening searches receiver 2 again
        main->mnuSetUp->trigger();
        QWidget* setup = test::shownWindow("frmSetUp");
        ASSERT_TRUE(setup) << steps;
        run(setup, p, steps);
        EXPECT_EQ(p.readFile("QuillornControl.ini") + p.readFile("TimeReset.ini"), saved) << steps;
        EXPECT_TRUE(message.isEmpty() ? p.messages.isEmpty() : test::messageText().contains(message))
            << steps;
        if (message.contains(QLatin1String("not saved"))) continue;
        // The next start reads back what the program ran with.
        const auto ranWith = settings(*p.m);
        main.reset();
        p.makeModule();
        p.m->InitializeProgram();
        EXPECT_EQ(settings(*p.m), ranWith) << steps;
    }
}

TEST(SetUpWindow, MenuCommandsOpenOneNamedWindowEachAndRebuildTheListingInIt) {
    test::TestProgram p;
    const QString schedule = p.file("SwitchList.dat");
    test::writeSchedule(schedule, {test::makeEntry("News", 1, "13:00:00", {1})});
    mnuMenu main(*p.m);
    main.load();
    for (const auto& [command, name] :
         {std::pair(main.mnuSetUp, "frmSetUp"), std::pair(main.mnuSwitchSchedule, "frmWeeklySchedule"),
          std::pair(main.mnuMonCon, "frmMonCon")}) {
        command->trigger();
        QWidget* first = test::shownWindow(QString::fromLatin1(name));
        ASSERT_TRUE(first) << name;
        test::writeSchedule(schedule, {test::makeEntry("News", 1, "13:00:00", {1, 2})});
        command->trigger();
        EXPECT_EQ(test::shownWindow(QString::fromLatin1(name)), first) << name;
        // Every control the operator acts on is named for a screen reader.
        for (QWidget* c : first->findChildren<QWidget*>())
            EXPECT_TRUE(c->focusPolicy() == Qt::NoFocus || !c->isVisibleTo(first) ||
                        c->objectName().isEmpty() || !test::accessibleNameOf(c).isEmpty())
                << c->objectName().toStdString();
    }
    auto* week = control<QListView>(test::shownWindow("frmWeeklySchedule"), "lstWeeklySchedule");
    EXPECT_EQ(test::listLines(week).size(), 2);  // rebuilt from the file as it is now
    EXPECT_TRUE(QFontInfo(week->font()).fixedPitch());
}

}  // namespace
}  // namespace qc
