// The schedule editor driven by clicks and keys on a test program: what Apply, New and Delete store,
// the popup commands, the manual switch, the conflict window, and the clock running beside it.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include "GuiSupport.h"
#include "TestSupport.h"
#include "WindowTesting.h"
#include "core/mnuMenu.h"
#include "engine/SimulatedRun.h"
#include "review/frmScheduleConflicts.h"
#include "schedule_ui/frmDialog1.h"
#include "schedule_ui/frmSchedule.h"

namespace qc::test {
namespace {

// 2026-12-07 12:00 is a Monday (day 1). Settings: ports 1 and 2, activity log and remote start on.
struct Editor : ::testing::Test {
    TestProgram p;
    std::unique_ptr<mnuMenu> menu;

    // Opened as the operator does, by the main window's "Schedules", twice: one window.
    void open(const std::vector<ScheduleEntry>& entries, const QByteArray& settings = "111001d02") {
        writeSchedule(p.file("SwitchList.dat"), entries);
        p.writeFile("QuillornControl.ini", settings);
        p.m->InitializeProgram();
        menu = std::make_unique<mnuMenu>(*p.m);
        menu->mnuSchedule->trigger();
        frmSchedule* first = frmSchedule::instance();
        menu->mnuSchedule->trigger();
        ASSERT_TRUE(first && first == frmSchedule::instance() && first->isVisible());
    }
    void TearDown() override {
        if (frmDialog1::instance()) frmDialog1::instance()->close();
        frmScheduleConflicts::unload();
        frmSchedule::unload();
        closeMessages();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    template <typename T>
    T* c(const QString& name) {
        return control<T>(frmSchedule::instance(), name);
    }
    void select(int row) { clickRow(c<QListView>("lstDisplaySchedule"), row); }
    QString shown() { return listLines(c<QListView>("lstDisplaySchedule")).join(u'|'); }
    void type(const QString& box, const QString& text) {
        c<QLineEdit>(box)->clear();
        QTest::keyClicks(c<QLineEdit>(box), text);
    }
    // Near the left edge, where an option button's circle is.
    void click(const QString& name) {
        QAbstractButton* button = c<QAbstractButton>(name);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
    }
    void popup(int day, const char* item) {
        QTest::mouseRelease(c<QCheckBox>(QStringLiteral("chkDay_%1").arg(day)), Qt::RightButton);
        c<QAction>(item)->trigger();
    }
    QByteArray record(int n) { return p.readFile("SwitchList.dat").mid((n - 1) * 113, 113); }
    QString time(int day) { return c<QLineEdit>(QStringLiteral("txtSwitchTime_%1").arg(day))->text(); }
};

TEST_F(Editor, ApplyChecksTheTypedTimesAndStoresTheRecordByteForByte) {
    open({makeEntry("Old", 1, "", {}, 1, "C", 3, 1)});
    select(0);
    type("txtPgmName", "Morning News");
    type("txtServProv", "14");
    c<QComboBox>("cboSatPort")->setCurrentIndex(1);
    c<QComboBox>("cboSatRoute")->setCurrentIndex(3);
    click("Option3");
    const char* time = "Time format in Monday Time to Switch must be HH:MM:SS or left blank";
    // Length, Monday ticked, Monday's time, the refusal (empty: stored).
    // clang-format off
    for (const auto& [length, ticked, monday, refusal] : std::initializer_list<std::tuple<const char*, bool, const char*, const char*>>{
             {"5:00", true, "06:00:00", "Time format in Length must be MM:SS or left blank"},
             {"", true, "6:00:00", time}, {"", true, "", time}, {"05:00", true, "06:00:00", ""}, {"", false, "6:00:00", ""}}) {
        // clang-format on
        const QByteArray before = record(1);
        p.messages.clear();
        type("txtSatLen", length);
        c<QCheckBox>("chkDay_1")->setChecked(ticked);
        type("txtSwitchTime_1", monday);
        click("cmdApply");
        ScheduleEntry expected = makeEntry("Morning News", 1, monday, {1}, 3, "B", 14, 3, length);
        expected.Days[1] = ticked;
        EXPECT_EQ(p.messages, *refusal ? QStringList{refusal} : QStringList());
        EXPECT_EQ(record(1), *refusal ? before : expected.serialise()) << length << monday;
    }
}

TEST_F(Editor, NewTakesTheFirstFreeRecordAndOkDeletesTheEntryCurrentThen) {
    open({makeEntry("A", 1, "08:00:00", {1}), makeEntry("B", 1, "09:00:00", {1}),
          makeEntry("C", 1, "10:00:00", {1})});
    click("cmdNew");
    EXPECT_EQ(record(4), makeEntry("", 0, "", {}, 1, "", 0, 0).serialise());
    // Applied with no line selected: the line above it is loaded by the rebuild.
    type("txtPgmName", "Bz");
    click("cmdApply");
    EXPECT_EQ(c<QLineEdit>("txtPgmName")->text(), "B");
    EXPECT_EQ(p.m->CurRecordNo, 2);

    select(0);
    click("cmdDelete");  // no time box clicked since the selection: the question
    ASSERT_NE(frmDialog1::instance(), nullptr);
    select(1);  // the question does not block the editor
    click("cmdNew");
    EXPECT_EQ(p.m->CurRecordNo, 5);
    select(1);
    QTest::mouseClick(control<QPushButton>(frmDialog1::instance(), "OKButton"), Qt::LeftButton);
    EXPECT_EQ(record(2).left(2), QByteArray("\0\0", 2));
    // The entry made by New, A, Bz and C are left.
    EXPECT_EQ(shown().remove(u' '), "|A|Bz|C");
    EXPECT_EQ(p.m->lstNextToSwitch.count(), 2);
    click("cmdNew");
    EXPECT_EQ(p.m->CurRecordNo, 2);
}

TEST_F(Editor, ApplyRebuildsTheListEveryReceiversNextEventsAndTheConflicts) {
    open({makeEntry("Alpha", 1, "13:00:00", {1}), makeEntry("Bravo", 1, "14:00:00", {1}),
          makeEntry("Charlie", 1, "15:00:00", {1})},
         "111001d12");
    select(0);
    type("txtPgmName", "Zulu");
    c<QComboBox>("cboReceiver")->setCurrentIndex(1);
    click("cmdApply");
    // The line position stays: it now holds Bravo, which is loaded. Receiver 1 no longer switches it.
    EXPECT_EQ(shown() + c<QLineEdit>("txtPgmName")->text(), "Bravo|Charlie|ZuluBravo");
    EXPECT_EQ(std::tuple(p.m->CurRecordNo, p.m->NextRecord1, p.m->NextRecord2), std::tuple(2, 2, 1));
    // Two receivers and none chosen: stored with receiver 0, switched on neither.
    c<QComboBox>("cboReceiver")->setCurrentIndex(-1);
    click("cmdApply");
    EXPECT_EQ(record(2).right(2), QByteArray("\0\0", 2));
    EXPECT_EQ(p.m->NextRecord1, 3);

    // Charlie at Zulu's second: no collision on receiver 1; on receiver 2 the window lists both, and a
    // clean check later empties it.
    select(1);
    // clang-format off
    for (const auto& [receiver, time, collisions] : {std::tuple(0, "13:00:00", "none"),
             {1, "13:00:00", "Mon 13:00:00 Charlie |Mon 13:00:00 Zulu"}, {1, "13:00:01", ""}}) {
        // clang-format on
        c<QComboBox>("cboReceiver")->setCurrentIndex(receiver);
        type("txtSwitchTime_1", time);
        click("cmdApply");
        auto* window = frmScheduleConflicts::instance();
        EXPECT_EQ(window && window->isVisible() ? listLines(window->lstConflicts()).join(u'|').simplified()
                                                : "none",
                  QString(collisions));
    }
}

TEST_F(Editor, DeleteAndThePopupCommandsActOnTheControlsOnly) {
    open({makeEntry("Days", 1, "07:00:00", {0, 2, 3, 6})});
    select(0);
    QTest::mouseClick(c<QLineEdit>("txtSwitchTime_2"), Qt::LeftButton);
    click("cmdDelete");  // a time box was clicked: only that box is cleared, again and again
    click("cmdDelete");
    EXPECT_EQ(frmDialog1::instance(), nullptr);
    EXPECT_EQ(time(2), "");
    QTest::keyClick(c<QLineEdit>("txtSwitchTime_0"), Qt::Key_Up);  // from Sunday up to Saturday
    EXPECT_EQ(frmSchedule::instance()->focusWidget(), c<QLineEdit>("txtSwitchTime_6"));
    popup(3, "mnuHiddenPopupPaste");  // nothing copied yet: clears the day
    EXPECT_TRUE(c<QMenu>("mnuHiddenPopup")->isVisible());
    EXPECT_FALSE(c<QCheckBox>("chkDay_3")->isChecked());
    EXPECT_EQ(time(3), "");
    type("txtSwitchTime_1", "05:30:00");
    c<QCheckBox>("chkDay_1")->setChecked(true);
    popup(1, "mnuHiddenPopupCopy");
    popup(4, "mnuHiddenPopupPasteWeekdays");
    for (int day = 0; day < 7; ++day) {
        EXPECT_TRUE(c<QCheckBox>(QStringLiteral("chkDay_%1").arg(day))->isChecked()) << day;
        EXPECT_EQ(time(day), day >= 1 && day <= 5 ? "05:30:00" : "07:00:00") << day;
    }
    EXPECT_EQ(record(1), makeEntry("Days", 1, "07:00:00", {0, 2, 3, 6}).serialise());
}

TEST_F(Editor, ManualSwitchSendsTheStoredEntryToItsReceiver) {
    open({makeEntry("News", 2, "09:00:00", {1}, 1, "B", 14, 0)});
    click("cmdSwitch");  // no line selected
    EXPECT_TRUE(p.serial.writes.empty());
    select(0);
    type("txtServProv", "99");  // typed, not applied: not sent
    click("cmdSwitch");
    EXPECT_EQ(p.serial.bytesTo(2), QByteArray("SP B,S,14\rAM B,0\r\r"));
    EXPECT_TRUE(p.readFile("logs/AL261207.log")
                    .endsWith("News" + QByteArray(21, ' ') + " SP B,S,14<CR>AM B,0<CR>\r\n"));
}

TEST_F(Editor, TheClockSwitchesOnTimeWhileAnEntryIsBeingEdited) {
    open({makeEntry("Noon", 1, "12:01:00", {1}, 2), makeEntry("Edited", 1, "18:00:00", {1})});
    select(0);
    type("txtPgmName", "Edited later");
    type("txtSwitchTime_1", "19:00:00");
    SimulatedRun run(*p.m, p.clock);
    run.runUntil(QDateTime(QDate(2026, 12, 7), QTime(12, 1, 5)));
    const auto& writes = p.serial.writes;
    ASSERT_FALSE(writes.empty());
    EXPECT_EQ(writes.front().bytes, QByteArray("SP A,S,14\rAM A,3\r\r"));
    EXPECT_NEAR(QTime(12, 0, 47).secsTo(writes.front().at.time()), 0, 1);
    EXPECT_EQ(p.m->CurRecordNo, 2);
    EXPECT_EQ(c<QLineEdit>("txtPgmName")->text(), "Edited later");
    EXPECT_EQ(record(2), makeEntry("Edited", 1, "18:00:00", {1}).serialise());
    click("cmdApply");
    EXPECT_EQ(record(2), makeEntry("Edited later", 1, "19:00:00", {1}).serialise());
}

}  // namespace
}  // namespace qc::test
