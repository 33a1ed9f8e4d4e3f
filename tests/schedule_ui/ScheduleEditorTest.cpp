// The schedule editor driven by clicks and keys on a test program: what Apply, New and Delete store,
// the popup commands, the manual switch, the conflict window, the clock running beside it, and the
// printed schedule.
#include <gtest/gtest.h>

#include <QTest>
#include <QtWidgets>

#include "GuiSupport.h"
#include "WindowTesting.h"
#include "core/mnuMenu.h"
#include "engine/ScheduleTransfer.h"
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

    // Opened as the operator does, by the main window's "Schedules".
    void open(const std::vector<ScheduleEntry>& entries, const QByteArray& settings = "111001d02") {
        p.start(entries, settings);
        menu = std::make_unique<mnuMenu>(*p.m);
        menu->mnuSchedule->trigger();
        ASSERT_TRUE(frmSchedule::instance() && frmSchedule::instance()->isVisible());
    }
    void TearDown() override {
        if (frmDialog1::instance()) frmDialog1::instance()->close();
        frmScheduleConflicts::unload();
        frmSchedule::unload();
        closeMessages();
    }
    void run(const QString& steps) { act(frmSchedule::instance(), steps); }
    QWidget* c(const QString& name) { return control<QWidget>(frmSchedule::instance(), name); }
    QString text(const QString& name) { return c(name)->property("text").toString(); }
    QString time(int day) { return text(QStringLiteral("txtSwitchTime_%1").arg(day)); }
    QString shown() { return listLines(qobject_cast<QListView*>(c("lstDisplaySchedule"))).join(u'|'); }
    QByteArray record(int n) { return p.readFile("SwitchList.dat").mid((n - 1) * 113, 113); }
};

// What would be stored and then never switch as meant is refused, naming the field, with nothing
// written; the rest is stored byte for byte.
TEST_F(Editor, ApplyRefusesWhatCouldNeverSwitchAndStoresTheRestByteForByte) {
    open({makeEntry("Old", 1, "", {}, 1, "C", 3, 1)}, "111001d12");
    run("row=lstDisplaySchedule:0|type=txtPgmName:Morning "
        "News|pick=cboSatPort:1|pick=cboSatRoute:3|click=Option3");
    const QString time = "Time format in Monday Time to Switch must be HH:MM:SS",
                  length = "Time format in Length must be MM:SS";
    const QString bad = time + " or left blank", impossible = time + ", from 00:00:00 to 23:59:59";
    // Length, Monday ticked, Monday's time, receiver, source code, the refusal (empty: stored).
    // clang-format off
    const std::tuple<const char*, int, const char*, int, const char*, QString> rows[] = {
        {"5:00", 1, "06:00:00", 1, "14", length + " or left blank"}, {"05:6x", 1, "06:00:00", 1, "14", length + " or left blank"},
        {"05:60", 1, "06:00:00", 1, "14", length + ", from 00:00 to 59:59, or left blank"},
        {"05:00", 1, "6:00:00", 1, "14", bad}, {"05:00", 1, "", 1, "14", bad}, {"05:00", 1, "ab:cd:ef", 1, "14", bad},
        {"05:00", 1, "25:99:99", 1, "14", impossible}, {"05:00", 1, "23:59:60", 1, "14", impossible},
        {"", 1, "06:00:00", 1, "14", "Holding needs the Program Length as MM:SS"},
        {"05:00", 1, "06:00:00", -1, "14", "Choose Receiver 1 or Receiver 2"},
        {"05:00", 1, "06:00:00", 1, "1O", "Number format in Service Provider must be a whole number, such as 14"},
        {"05:00", 1, "23:59:59", 1, "14", ""}, {"59:59", 0, "6:00:00", 0, "-3", ""}};
    // clang-format on
    for (const auto& [len, ticked, monday, receiver, source, refusal] : rows) {
        const QByteArray before = record(1);
        p.messages.clear();
        run(QString::asprintf(
            "type=txtSatLen:%s|tick=chkDay_1:%d|type=txtSwitchTime_1:%s|pick=cboReceiver:%d|"
            "type=txtServProv:%s|click=cmdApply",
            len, ticked, monday, receiver, source));
        ScheduleEntry expected =
            makeEntry("Morning News", receiver + 1, monday, {1}, 3, "B", atoi(source), 3, len);
        expected.Days[1] = ticked;
        EXPECT_EQ(p.messages, refusal.isEmpty() ? QStringList() : QStringList{refusal}) << len << monday;
        EXPECT_EQ(record(1), refusal.isEmpty() ? expected.serialise() : before) << len << monday;
    }
}

// Each way out of the delete question closes it; only OK frees a record, the one it asked about,
// whatever became of the editor's record meanwhile. The question holds the editor until answered.
TEST_F(Editor, NewTakesTheFirstFreeRecordAndTheDeleteQuestionFreesOnlyTheRecordItAskedAbout) {
    open({makeEntry("A", 1, "08:00:00", {1}), makeEntry("B", 1, "09:00:00", {1}),
          makeEntry("C", 1, "10:00:00", {1})});
    run("click=cmdNew");
    EXPECT_EQ(record(4), makeEntry("", 0, "", {}, 1, "", 0, 0).serialise());
    run("type=txtPgmName:Bz|click=cmdApply");  // no line selected: the rebuild loads the line above it
    EXPECT_EQ(text("txtPgmName") + QString::number(p.m->CurRecordNo), "B2");

    for (const char* way : {"CancelButton", "Escape", "close box", "OKButton"}) {
        run("row=lstDisplaySchedule:1|click=cmdDelete");  // B, record 2; no time box clicked since
        frmDialog1* question = frmDialog1::instance();
        ASSERT_TRUE(question && QApplication::activeModalWidget() == question) << way;
        p.m->CurRecordNo = 3;
        if (way == std::string("Escape")) QTest::keyClick(question, Qt::Key_Escape);
        if (way == std::string("close box")) question->close();
        if (std::string(way).ends_with("Button")) act(question, QStringLiteral("click=") + way);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(shownWindow("frmDialog1"), nullptr) << way;
        EXPECT_EQ(record(2).left(1) + record(3).left(1),
                  QByteArray(way == std::string("OKButton") ? "\0\1" : "\1\1", 2))
            << way;
    }
    EXPECT_EQ(shown().remove(u' '), "A|Bz|C");
    EXPECT_EQ(p.m->lstNextToSwitch.count(), 2);
    run("click=cmdNew");
    EXPECT_EQ(p.m->CurRecordNo, 2);
    ASSERT_TRUE(QTest::qWaitForWindowActive(frmSchedule::instance()));
    QTest::keyClick(frmSchedule::instance(), Qt::Key_Escape);  // Escape closes the editor too
    EXPECT_EQ(frmSchedule::instance(), nullptr);
}

TEST_F(Editor, ApplyRebuildsTheListEveryReceiversNextEventsAndTheConflicts) {
    open({makeEntry("Alpha", 1, "13:00:00", {1}), makeEntry("Bravo", 1, "14:00:00", {1}),
          makeEntry("Charlie", 1, "15:00:00", {1})},
         "111001d12");
    run("row=lstDisplaySchedule:0|type=txtPgmName:Zulu|pick=cboReceiver:1|click=cmdApply");
    // The line position stays: it now holds Bravo, which is loaded. Receiver 1 no longer switches it.
    EXPECT_EQ(shown() + text("txtPgmName"), "Bravo|Charlie|ZuluBravo");
    EXPECT_EQ(std::tuple(p.m->CurRecordNo, p.m->NextRecord1, p.m->NextRecord2), std::tuple(2, 2, 1));
    // Charlie at Zulu's second: no collision on receiver 1; on receiver 2 the window lists both, and a
    // clean check later empties it.
    // clang-format off
    for (const auto& [steps, collisions] : {std::pair<const char*, QString>("row=lstDisplaySchedule:1|pick=cboReceiver:0|type=txtSwitchTime_1:13:00:00", "none"),
             {"pick=cboReceiver:1", "Mon 13:00:00 Charlie |Mon 13:00:00 Zulu"}, {"type=txtSwitchTime_1:13:00:01", ""}}) {
        // clang-format on
        run(steps + QStringLiteral("|click=cmdApply"));
        auto* w = frmScheduleConflicts::instance();
        EXPECT_EQ(w && w->isVisible() ? listLines(w->lstConflicts()).join(u'|').simplified() : "none",
                  collisions);
    }
    // A schedule loaded or delivered to the inbox replaces the file: the editor opens afresh on it,
    // and what was typed for the old record 2 can no longer be applied over the new one.
    run("row=lstDisplaySchedule:1|type=txtPgmName:Typed");
    replaceSchedule(*p.m, makeEntry("Delivered", 1, "16:00:00", {1}).serialise());
    EXPECT_EQ(shown().trimmed() + QString::number(c("txtPgmName")->isVisible()), "Delivered0");
}

TEST_F(Editor, DeleteAndThePopupCommandsActOnTheControlsOnly) {
    open({makeEntry("Days", 1, "07:00:00", {0, 2, 3, 6})});
    // A time box was clicked: only that box is cleared, again and again.
    run("row=lstDisplaySchedule:0|click=txtSwitchTime_2|click=cmdDelete|click=cmdDelete");
    EXPECT_EQ(frmDialog1::instance(), nullptr);
    EXPECT_EQ(time(2), "");
    run("key=txtSwitchTime_0:Up");  // from Sunday up to Saturday
    EXPECT_EQ(frmSchedule::instance()->focusWidget(), c("txtSwitchTime_6"));
    run("rclick=chkDay_3|menu=mnuHiddenPopupPaste");  // nothing copied yet: clears the day
    EXPECT_EQ(std::tuple(c("mnuHiddenPopup")->isVisible(), c("chkDay_3")->property("checked"), time(3)),
              std::tuple(true, false, ""));
    run("type=txtSwitchTime_1:05:30:00|tick=chkDay_1:1|rclick=chkDay_1|menu=mnuHiddenPopupCopy");
    run("rclick=chkDay_4|menu=mnuHiddenPopupPasteWeekdays");
    for (int day = 0; day < 7; ++day) {
        EXPECT_TRUE(c(QStringLiteral("chkDay_%1").arg(day))->property("checked").toBool()) << day;
        EXPECT_EQ(time(day), day >= 1 && day <= 5 ? "05:30:00" : "07:00:00") << day;
    }
    EXPECT_EQ(record(1), makeEntry("Days", 1, "07:00:00", {0, 2, 3, 6}).serialise());
}

TEST_F(Editor, ManualSwitchSendsTheStoredEntryToItsReceiver) {
    open({makeEntry("News", 2, "09:00:00", {1}, 1, "B", 14, 0)});
    run("click=cmdSwitch");  // no line selected
    EXPECT_TRUE(p.serial.writes.empty());
    run("row=lstDisplaySchedule:0|type=txtServProv:99|click=cmdSwitch");  // typed, not applied: not sent
    EXPECT_EQ(p.serial.bytesTo(2), QByteArray("SP B,S,14\rAM B,0\r\r"));
    EXPECT_TRUE(p.readFile("logs/AL261207.log")
                    .endsWith("News" + QByteArray(21, ' ') + " SP B,S,14<CR>AM B,0<CR>\r\n"));
}

TEST_F(Editor, TheClockSwitchesOnTimeWhileAnEntryIsBeingEdited) {
    open({makeEntry("Noon", 1, "12:01:00", {1}, 2), makeEntry("Edited", 1, "18:00:00", {1})});
    run("row=lstDisplaySchedule:0|type=txtPgmName:Edited later|type=txtSwitchTime_1:19:00:00");
    SimulatedRun(*p.m, p.clock).runUntil(QDateTime(QDate(2026, 12, 7), QTime(12, 1, 5)));
    const auto& writes = p.serial.writes;
    ASSERT_FALSE(writes.empty());
    EXPECT_EQ(writes.front().bytes, QByteArray("SP A,S,14\rAM A,3\r\r"));
    EXPECT_NEAR(QTime(12, 0, 47).secsTo(writes.front().at.time()), 0, 1);
    EXPECT_EQ(text("txtPgmName") + QString::number(p.m->CurRecordNo), "Edited later2");
    EXPECT_EQ(record(2), makeEntry("Edited", 1, "18:00:00", {1}).serialise());
    run("click=cmdApply");
    EXPECT_EQ(record(2), makeEntry("Edited later", 1, "19:00:00", {1}).serialise());
}

// The heading of page n, printed on 2026-12-07 in US English.
QList<QByteArray> heading(const char* page) {
    const QByteArray title = "                            QuillornControl Schedules      12/7/26   Page ";
    return {" ", title + page, " ", " ", "         Program               Len  Srce Port Rte  Att  Rec", " "};
}

TEST(Print, EntriesWithTheirTickedDaysAPageBreakAfterFiftyLinesAndEveryFailureReported) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    TestProgram p;
    SchedulePrint print;
    p.start({}, "111001d02");
    RecordingTextDevice empty;
    print.PrintSchedules(*p.m, {}, empty);
    EXPECT_EQ(empty.pages, QList<QList<QByteArray>>{heading("1 ")});
    EXPECT_TRUE(empty.ended);

    ScheduleEntry news = makeEntry("Morning News", 2, "06:00:00", {1, 3}, 1, "B", 14, 3, "05:00");
    news.Days[5] = 2;  // greyed: not printed
    news.Attenuation = -3;
    const ScheduleEntry daily = makeEntry("Daily", 1, "12:00:00", {0, 1, 2, 3, 4, 5, 6});
    std::vector<ScheduleEntry> entries{
        news,  makeEntry("Odd", 1, "", {}, 1, "A", 7, 9), daily, daily, daily, daily,
        daily, makeEntry("Once", 1, "12:00:00", {1}),     daily, daily};
    entries[3].Active = 0;  // free: not printed
    p.start(entries, "111001d02");
    p.m->CurRecordNo = 4;
    RecordingTextDevice printer;
    print.PrintSchedules(*p.m, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, printer);
    const QList<QByteArray>& page1 = printer.pages[0];
    EXPECT_EQ(page1.mid(6, 5),
              (QList<QByteArray>{"    Morning News              05:00   14   B  Rev   -3   2 ",
                                 "         Mon  06:00:00  ", "         Wed  06:00:00   ", " ",
                                 "    Odd                               7   A  9       0   1 "}));
    EXPECT_EQ(page1[14], "         Sun  12:00:00  ");
    // Counted: heading 6, news 4, odd 2, four daily entries of 9, once 3 = 51: the break comes there.
    EXPECT_EQ(page1.size(), 6 + 4 + 3 + 4 * 9 + 3);
    EXPECT_EQ(printer.pages.value(1).mid(0, 6), heading("2 "));
    EXPECT_EQ(printer.pages.value(1).size(), 6 + 2 * 9);
    EXPECT_EQ(p.m->CurRecordNo, 4);

    // A printer that fails: reported, and what was printed is released.
    FailingPrinter heading, entry;
    heading.failAt = 2;  // the title line: the entries still print
    print.PrintSchedules(*p.m, {1}, heading);
    EXPECT_TRUE(heading.pages[0].join().contains("    Morning News"));
    entry.failAt = 8;  // the day line
    print.PrintSchedules(*p.m, {1}, entry);
    EXPECT_TRUE(entry.ended);
    setDefaultPrinter(nullptr);
    print.PrintSchedules(*p.m, {1});
    EXPECT_EQ(p.messages,
              (QStringList{"57 Device I/O error", "57 Device I/O error", "8010 No printer is installed"}));
}

}  // namespace
}  // namespace qc::test
