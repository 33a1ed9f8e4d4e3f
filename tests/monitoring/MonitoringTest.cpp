// The station's health through the engine on simulated time with a scripted receiver: each row is a
// run as the station lives it, and what its activity log, message window, metrics and webhook say.
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>

#include <QAction>
#include <QLabel>
#include <QTest>

#include "GuiSupport.h"
#include "HookServer.h"
#include "TestSupport.h"
#include "WindowTesting.h"
#include "core/frmError.h"
#include "core/mnuMenu.h"
#include "engine/SimulatedRun.h"
#include "monitoring/MetricsText.h"
#include "monitoring/Monitoring.h"

namespace qc::test {
namespace {

QDateTime at(const char* time) {
    return QDateTime(QDate(2026, 12, 7), QTime::fromString(QString::fromLatin1(time), "HH:mm:ss"));
}

// A station watched at 4 dB over 2 readings, silent after 2 exchanges, its webhook on `url`.
struct Station {
    explicit Station(const QDateTime& start, const QString& url, int silentAfter = 2) : p(start) {
        p.writeFile("Monitoring.ini",
                    QStringLiteral("[Monitoring]\nEbNoMinimum=4\nEbNoLowReadings=2\n"
                                   "ReceiverSilentAfter=%1\nWebhookUrl=%2\nMetricsFile=m.prom\n"
                                   "DesktopNotifications=0\nStationName=Test FM\n")
                        .arg(silentAfter)
                        .arg(url)
                        .toLatin1());
        p.serial.answer = [this](const QByteArray& line) -> QByteArray {
            if (silent) return {};
            return line == "EB" ? "EbNo " + ebNo + " dB\r\n>" : line + "\r\nOK\r\n>";
        };
        monitoring.start();
    }
    TestProgram p;
    Monitoring monitoring{*p.m};
    QByteArray ebNo = "7.5";
    bool silent = false;
    QStringList snapshots;
    // The series that stand out in the metrics now: raised alerts and receivers down.
    void snap() {
        QStringList out;
        for (const QString& line : monitoring.metricsText().split('\n'))
            if ((line.startsWith("quillorn_alert_active") && line.endsWith(" 1")) ||
                (line.startsWith("quillorn_receiver_up") && line.endsWith(" 0")))
                out << line.section('{', 1).section('}', 0, 0).remove('"');
        snapshots << "METRICS " + out.join(' ');
    }
};

struct Step {
    const char* at;
    std::function<void(Station&)> action;
};

struct Scenario {
    const char* name;
    std::vector<ScheduleEntry> entries;
    QByteArray settings;  // QuillornControl.ini
    const char* from;
    std::vector<Step> steps;
    const char* until;
    QString expected;
};

const auto snap = [](Station& s) { s.snap(); };

TEST(Alerts, AreRaisedAndClearedOnceEach) {
    HookServer hook;
    // clang-format off
    const std::vector<Scenario> rows = {
        // Readings every minute at second 12: two low raise the alert, two good clear it.
        {"EbNoLowThenGood", {}, "111501d02", "14:00:00",
         {{"14:00:00", [](Station& s) { s.ebNo = "2.0"; }}, {"14:01:30", snap},
          {"14:02:30", [](Station& s) { s.ebNo = "7.5"; }}}, "14:04:30",
         "AL 14:01:12 ALERT Receiver 1 EbNo 2.0 dB below 4.0 dB; AL 14:04:12 RESTORED Receiver 1 EbNo 7.5 dB; "
         "MSG ALERT Receiver 1 EbNo 2.0 dB below 4.0 dB; METRICS alert=ebno_low,receiver=1; "
         "HOOK ebno_low 1 raised; HOOK ebno_low 1 cleared"},
        // Readings without an answer; a switch command that goes out meanwhile proves nothing of the
        // receiver, the next answer does.
        {"SilenceThenAnswer", {makeEntry("News", 1, "14:02:00", {1})}, "111501d02", "14:00:00",
         {{"14:00:00", [](Station& s) { s.silent = true; }}, {"14:01:30", snap},
          {"14:02:30", [](Station& s) { s.silent = false; }}}, "14:03:30",
         "AL 14:01:13 ALERT Receiver 1 not answering since 14:00: no answer within 1 second; AL 14:01:46 News SP A,S,14; "
         "AL 14:01:48 News SP A,S,14; AL 14:03:12 RESTORED Receiver 1 answering; "
         "MSG ALERT Receiver 1 not answering since 14:00: no answer within 1 second; "
         "METRICS receiver=1 alert=receiver_silent,receiver=1; HOOK receiver_silent 1 raised; "
         "HOOK receiver_silent 1 cleared"},
        // A port that fails: the commands are logged as not sent, and the first that goes out again
        // shows the port is back.
        {"PortFailsThenSends", {makeEntry("One", 1, "14:01:00", {1}), makeEntry("Two", 1, "14:02:00", {1})},
         "111001d02", "14:00:00", {{"14:00:00", [](Station& s) { s.p.serial.missingPorts = {1}; }},
          {"14:00:50", snap}, {"14:01:30", [](Station& s) { s.p.serial.missingPorts = {}; }}}, "14:02:30",
         "AL 14:00:46 One not sent: 8002 Invalid port number; AL 14:00:48 One not sent: 8002 Invalid port number; "
         "AL 14:00:48 ALERT Receiver 1 not answering since 14:00: 8002 Invalid port number; AL 14:01:46 Two SP A,S,14; "
         "AL 14:01:46 RESTORED Receiver 1 answering; AL 14:01:48 Two SP A,S,14; "
         "MSG 8002 Invalid port number Command not sent.; MSG 8002 Invalid port number Command not sent.; "
         "MSG ALERT Receiver 1 not answering since 14:00: 8002 Invalid port number; "
         "METRICS receiver=1 alert=receiver_silent,receiver=1; HOOK receiver_silent 1 raised; "
         "HOOK receiver_silent 1 cleared"},
        // The logs folder goes: its alert cannot be logged, the message and the webhook tell it; the
        // next good write clears it.
        {"LogWriteFails", {makeEntry("One", 1, "14:00:30", {1}), makeEntry("Two", 1, "14:01:30", {1})},
         "111001d02", "14:00:00", {{"14:00:00", [](Station& s) { QDir(s.p.file("logs")).removeRecursively(); }},
          {"14:00:25", [](Station& s) { s.snap(); QDir().mkpath(s.p.file("logs")); }}}, "14:01:30",
         "AL 14:01:16 Two SP A,S,14; AL 14:01:16 RESTORED Files written again; AL 14:01:18 Two SP A,S,14; "
         "MSG Path not found; MSG ALERT File not written: <home>/logs/AL261207.log: 76 Path not found; "
         "MSG Path not found; METRICS alert=log_write,receiver=; HOOK log_write 0 raised; "
         "HOOK log_write 0 cleared"},
        // The clock jumps past an event by more than a minute: it is missed; the next switch that goes
        // out clears the alert.
        {"EventMissed", {makeEntry("News", 1, "14:01:00", {1}), makeEntry("Late", 1, "14:03:00", {1})},
         "111001d02", "14:00:00", {{"14:00:10", [](Station& s) { s.p.clock.set(at("14:02:30")); }},
          {"14:02:31", snap}}, "14:03:00",
         "AL 14:02:30 News Missed, due 12/07/2026 14:01:00; AL 14:02:30 ALERT Receiver 1 missed News due 12/07/2026 "
         "14:01:00; AL 14:02:46 Late SP A,S,14; AL 14:02:46 RESTORED Receiver 1 switching again; "
         "AL 14:02:48 Late SP A,S,14; MSG ALERT Receiver 1 missed News due 12/07/2026 14:01:00; "
         "METRICS alert=event_missed,receiver=1; HOOK event_missed 1 raised; HOOK event_missed 1 cleared"},
        // The automation's pulse while the program may not set the clock, then once it may.
        {"ClockResetRefused", {}, "111001d02", "14:05:40",
         {{"14:05:40", [](Station& s) { s.p.clock.refuseSetting = true; s.p.port.status = 119; }},
          {"14:05:41", [](Station& s) { s.snap(); s.p.port.status = 127; s.p.clock.refuseSetting = false; }},
          {"14:05:42", [](Station& s) { s.p.port.status = 119; }}}, "14:05:43",
         "AL 14:05:40 ALERT Clock reset refused: 70 Permission denied: the time of day could not be set to 14:05:00 "
         "(the program lacks CAP_SYS_TIME); AL 14:05:00 Time Set 14:05:42; AL 14:05:00 RESTORED Clock reset done; "
         "MSG 70 Permission denied: the time of "
         "day could not be set to 14:05:00 (the program lacks CAP_SYS_TIME); MSG ALERT Clock reset refused: 70 "
         "Permission denied: the time of day could not be set to 14:05:00 (the program lacks CAP_SYS_TIME); "
         "METRICS alert=clock_reset,receiver=; HOOK clock_reset 0 raised; HOOK clock_reset 0 cleared"},
    };
    // clang-format on
    for (const Scenario& r : rows) {
        SCOPED_TRACE(r.name);
        hook.bodies.clear();
        Station s(at(r.from), hook.url());
        s.p.writeFile("TimeReset.ini", "05:00");
        s.p.start(r.entries, r.settings);
        std::vector<Step> steps = r.steps;
        steps.push_back({r.until, [](Station&) {}});
        for (const Step& step : steps) {
            SimulatedRun(*s.p.m, s.p.clock).runUntil(at(step.at));
            step.action(s);
        }
        ASSERT_TRUE(waitFor([&] { return s.monitoring.outlets().webhook().queued() == 0; }));
        QStringList out;
        for (const QString& line : s.p.observed())
            if (line.startsWith("AL") || line.startsWith("MSG"))
                out << line.section("<CR>", 0, 0)
                           .replace(QRegularExpression("^AL\\d+.log"), "AL")
                           .simplified();
        out << s.snapshots;
        for (const QByteArray& body : hook.bodies) {
            const QJsonObject o = QJsonDocument::fromJson(body).object();
            out << QStringLiteral("HOOK %1 %2 %3")
                       .arg(o["alert"].toString())
                       .arg(o["receiver"].toInt())
                       .arg(o["state"].toString());
            // The same sentence as the log's, the station's name and the moment with the zone's offset.
            EXPECT_TRUE(s.p.messages.join('\n').contains(o["text"].toString()) || o["state"] == "cleared")
                << body.toStdString();
            EXPECT_EQ(o["station"], "Test FM");
            EXPECT_TRUE(QRegularExpression("^2026-12-07T14:0\\d:\\d\\d[+-]\\d\\d:\\d\\d$")
                            .match(o["time"].toString())
                            .hasMatch())
                << body.toStdString();
        }
        EXPECT_EQ(out.join("; ").replace(s.p.home(), "<home>"), r.expected);
        // The engine's scratch text is its own again after an alert's line.
        EXPECT_FALSE(s.p.m->ActivityText.contains("ALERT") || s.p.m->ActivityText.contains("RESTORED"));
        // Everything cleared, and the file holds what the metrics say.
        EXPECT_FALSE(s.monitoring.metricsText().contains(QRegularExpression("alert_active.* 1\n")));
        s.monitoring.apply(s.monitoring.settings());  // written at the next tick
        s.p.m->tmrClock_Timer();
        ASSERT_TRUE(s.monitoring.outlets().waitForMetrics(5000));
        EXPECT_EQ(s.p.readFile("m.prom"), s.monitoring.metricsText().toUtf8());
    }
}

// The series a station's alerting rules name, exactly: each family's name and type, and each
// sample's labels (values left out), for one receiver and for two.
TEST(Metrics, NameEverySeriesAsStationsRulesExpect) {
    const auto families = [](int receivers) {
        HealthModel health;
        health.setReceivers(receivers, {});
        QStringList out;
        const QString text =
            metricsText(health, "Test \"FM\"", "1.0", {{"quillorn_schedule_entries", "Entries.", 12}});
        for (const QString& line : text.split('\n', Qt::SkipEmptyParts)) {
            if (line.startsWith("# TYPE "))
                out << line.mid(7);
            else if (!line.startsWith('#'))
                out << "  " + line.left(line.lastIndexOf(' '));
        }
        return out.join('\n');
    };
    const QString perReceiver = R"(quillorn_receiver_up gauge
  quillorn_receiver_up{receiver="1"}
quillorn_receiver_ebno_db gauge
  quillorn_receiver_ebno_db{receiver="1"}
quillorn_last_switch_timestamp_seconds gauge
  quillorn_last_switch_timestamp_seconds{receiver="1"}
quillorn_next_switch_timestamp_seconds gauge
  quillorn_next_switch_timestamp_seconds{receiver="1"}
quillorn_switches_total counter
  quillorn_switches_total{receiver="1"}
quillorn_missed_events_total counter
  quillorn_missed_events_total{receiver="1"}
quillorn_alert_active gauge
  quillorn_alert_active{alert="ebno_low",receiver="1"}
  quillorn_alert_active{alert="receiver_silent",receiver="1"}
  quillorn_alert_active{alert="event_missed",receiver="1"}
)";
    const QString station = R"(  quillorn_alert_active{alert="log_write",receiver=""}
  quillorn_alert_active{alert="clock_reset",receiver=""}
quillorn_heartbeat_timestamp_seconds gauge
  quillorn_heartbeat_timestamp_seconds
quillorn_info gauge
  quillorn_info{version="1.0",station="Test \"FM\""}
quillorn_schedule_entries gauge
  quillorn_schedule_entries)";
    EXPECT_EQ(families(1), perReceiver + station);
    // Two receivers: receiver 2's series beside receiver 1's, the rest the same.
    EXPECT_EQ(families(2).count("receiver=\"2\""), 9);
    EXPECT_EQ(families(2).remove(QRegularExpression("  [^\n]*receiver=\"2\"[^\n]*\n")),
              perReceiver + station);
}

// A webhook that never answers, and one that is down: the tick hands each alert over and goes on;
// the posts wait, at most 100, the oldest dropped, and that is said once; so is a metrics file that
// cannot be written.
TEST(Outlets, NeverHoldTheTickAndSayTheirTroubleOnce) {
    HookServer hanging(true);
    HookServer down;
    const QString downUrl = down.url();
    down.close();
    for (const QString& url : {hanging.url(), downUrl}) {
        SCOPED_TRACE(url.toStdString());
        Station s(at("14:00:00"), url);
        s.monitoring.outlets().webhook().firstRetryMs = 60000;
        MonitoringSettings settings = s.monitoring.settings();
        settings.MetricsFile = "no-such-folder/m.prom";
        s.monitoring.apply(settings);
        s.p.start({}, "110001d02");
        QElapsedTimer wall;
        wall.start();
        for (int i = 0; i < 150; ++i) {
            s.monitoring.raiseStationAlert(QStringLiteral("a%1").arg(i), QStringLiteral("ALERT %1").arg(i));
            s.p.m->tmrClock_Timer();
        }
        // Ten seconds of a transfer's time limit per post, were any of it waited for here.
        EXPECT_LT(wall.elapsed(), 5000);
        EXPECT_EQ(s.monitoring.outlets().webhook().queued(), 100);
        waitFor([&] { return !hanging.bodies.isEmpty() || url == downUrl; }, 3000);
        waitFor([] { return false; }, 300);  // the messages of the outlets' thread
        EXPECT_EQ(s.p.messages.filter("the oldest are dropped").size(), 1);
        EXPECT_EQ(s.p.messages.filter("The metrics file").size(), 1);
        EXPECT_EQ(s.p.messages.filter("webhook").size(), url == downUrl ? 2 : 1)
            << s.p.messages.join('\n').toStdString();
    }
}

// Monitoring.ini: every bad value named once with its key, the rest read; saving keeps the keys of
// others.
TEST(MonitoringIni, ReadsEachKeyAndNamesEachBadValue) {
    struct Row {
        const char* text;
        const char* read;  // EbNoMinimum LowReadings SilentAfter Url Metrics Desktop Station KeepDays
        const char* problems;
    };
    const Row rows[] = {
        {nullptr, "0 3 3 () () 1 () 400", ""},
        {"[Monitoring]\nEbNoMinimum=4.5\nEbNoLowReadings=5\nReceiverSilentAfter=1\n"
         "WebhookUrl=\"https://chat.example/h?a=1,b\"\nMetricsFile=/tmp/q.prom\nDesktopNotifications=false\n"
         "StationName=Radio One\nAsRunKeepDays=30\n",
         "4.5 5 1 (https://chat.example/h?a=1,b) (/tmp/q.prom) 0 (Radio One) 30", ""},
        {"[Monitoring]\nEbNoMinimum=low\nEbNoLowReadings=0\nWebhookUrl=ftp://x/\nDesktopNotifications=2\n"
         "AsRunKeepDays=-1\nReceiverSilentAfter=7\n",
         "0 3 7 () () 1 () 400",
         "EbNoMinimum = \"low\" is not a number of dB from 0 to 50, 0 for off; the default 0 is used.|"
         "EbNoLowReadings = \"0\" is not a whole number from 1 to 100; the default 3 is used.|"
         "WebhookUrl = \"ftp://x/\" is not an http:// or https:// address; the default (none) is used.|"
         "DesktopNotifications = \"2\" is not 1 or 0; the default 1 is used.|"
         "AsRunKeepDays = \"-1\" is not a whole number of days from 1 to 36500; the default 400 is used."},
    };
    for (const Row& row : rows) {
        TestProgram p;
        const QString path = p.file("Monitoring.ini");
        if (row.text) p.writeFile("Monitoring.ini", row.text);
        QStringList problems;
        const MonitoringSettings s = readMonitoringSettings(path, problems);
        const QString read = QStringLiteral("%1 %2 %3 (%4) (%5) %6 (%7) %8")
                                 .arg(s.EbNoMinimum)
                                 .arg(s.EbNoLowReadings)
                                 .arg(s.ReceiverSilentAfter)
                                 .arg(s.WebhookUrl, s.MetricsFile)
                                 .arg(s.DesktopNotifications)
                                 .arg(s.StationName)
                                 .arg(s.AsRunKeepDays);
        EXPECT_EQ(read, row.read);
        EXPECT_EQ(problems.join('|').remove("Monitoring.ini: "), row.problems);
        // Written and read again: the same settings, and a key of another part kept.
        p.writeFile("Monitoring.ini", p.readFile("Monitoring.ini") + "\n[Other]\nKey=kept\n");
        writeMonitoringSettings(path, s);
        QStringList again;
        EXPECT_EQ(readMonitoringSettings(path, again), s);
        EXPECT_TRUE(again.isEmpty());
        EXPECT_EQ(QSettings(path, QSettings::IniFormat).value("Other/Key"), "kept");
    }
}

// The main window's health lines and the Monitoring window of the SetUp menu: a bad address is not
// saved, a good one is in use at once, and the test alert reaches it.
TEST(MonitoringWindow, SavesAndPutsInUseAtOnce) {
    HookServer hook;
    Station s(at("12:00:00"), QString());
    s.p.writeFile("QuillornControl.ini", "111001d12");
    mnuMenu w(*s.p.m);
    w.setMonitoring(&s.monitoring);
    w.load();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    auto line = [&](const char* name) {
        auto* label = control<QLabel>(&w, name);
        return accessibleNameOf(label) + ": " + label->text() + " " + label->styleSheet().section(';', 0, 0);
    };
    EXPECT_EQ(line("lblHealth1"), "Receiver 1 health: Not heard from yet color: #606060");
    for (int i = 0; i < 2; ++i)
        emit s.p.m->receiverExchanged(1, false, "no answer within 1 second");
    s.p.m->tmrClock_Timer();
    EXPECT_EQ(line("lblHealth1"), "Receiver 1 health: Not answering since 12:00 color: #b00000");
    EXPECT_EQ(line("lblHealth2"), "Receiver 2 health: Not heard from yet color: #606060");
    EXPECT_EQ(line("lblStationHealth"), "Station health: Station OK color: #1b7f2a");
    closeMessages();
    // A long line, in the window at its first size, is shown whole.
    auto* health1 = control<QLabel>(&w, "lblHealth1");
    health1->setText(
        "Not answering since 12:00; EbNo 2.0 dB low; Missed Morning News due 12/07/2026 06:00:00");
    health1->ensurePolished();
    const QRect needed = QFontMetrics(health1->font())
                             .boundingRect(QRect(0, 0, health1->width(), 1000),
                                           health1->wordWrap() ? Qt::TextWordWrap : 0, health1->text());
    EXPECT_TRUE(needed.width() <= health1->width() && needed.height() <= health1->height())
        << needed.width() << "x" << needed.height() << " in " << health1->width() << "x" << health1->height();
    // The file panel, open, covers no line that is shown.
    act(&w, "menu=mnuLoadSchedules");
    for (const char* name : {"lblHealth1", "lblHealth2", "lblStationHealth"}) {
        const QWidget* health = control<QWidget>(&w, name);
        EXPECT_FALSE(health->isVisible() &&
                     health->geometry().intersects(control<QWidget>(&w, "Dir1")->geometry()))
            << name;
    }
    act(&w, "click=cmdSave");  // Load, asked first: no
    closeMessages();

    act(&w, "menu=mnuMonitoring");
    QWidget* window = shownWindow("frmMonitoring");
    ASSERT_TRUE(window);
    expectNamed(window);
    QStringList names;
    for (const char* name :
         {"txtEbNoMinimum", "txtLowReadings", "txtSilentAfter", "txtWebhookUrl", "txtMetricsFile",
          "chkDesktopNotifications", "txtStationName", "cmdSendTestAlert", "cmdSave"})
        names << accessibleNameOf(control<QWidget>(window, name));
    EXPECT_EQ(names.join(", "),
              "EbNo minimum, Low readings, Silent after, Webhook URL, Metrics file, "
              "Desktop notifications, Station name, Send test alert, Save");
    act(window, "type=txtWebhookUrl:ftp://nowhere/|click=cmdSave");
    EXPECT_TRUE(messageText().startsWith("Monitoring.ini: WebhookUrl = \"ftp://nowhere/\" is not"));
    EXPECT_FALSE(QFile::exists(s.p.file("Monitoring.ini.saving")));
    closeMessages();
    act(window, "type=txtWebhookUrl:" + hook.url() + "|type=txtStationName:Radio One|click=cmdSave");
    EXPECT_EQ(s.monitoring.settings().WebhookUrl, hook.url());
    EXPECT_TRUE(s.p.readFile("Monitoring.ini").contains("StationName=Radio One"));
    act(window, "click=cmdSendTestAlert");
    ASSERT_TRUE(waitFor([&] { return hook.bodies.size() == 2; }));
    EXPECT_TRUE(hook.bodies[0].startsWith(
        R"({"station": "Radio One", "alert": "test", "receiver": null, "state": "raised")"));
    // Read out by a screen reader as the status's description, as it changes.
    EXPECT_TRUE(waitFor([&] {
        return control<QLabel>(window, "lblStatus")
            ->accessibleDescription()
            .startsWith("Test alert delivered");
    }));
    act(window, "type=txtStationName:Studio A|key=txtStationName:Return");  // Enter in a field saves
    EXPECT_TRUE(s.p.readFile("Monitoring.ini").contains("StationName=Studio A"));
    // Without a webhook the desktop's own answer is the result, never a success taken for granted.
    act(window, "type=txtWebhookUrl:|tick=chkDesktopNotifications:1|click=cmdSave|click=cmdSendTestAlert");
    const bool noBus = qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS");
    EXPECT_TRUE(waitFor([&] {
        const QString status = control<QLabel>(window, "lblStatus")->text();
        return status.startsWith("No webhook is set. Test alert") && (!noBus || status.contains("not shown"));
    })) << control<QLabel>(window, "lblStatus")->text().toStdString();
    window->close();
}

}  // namespace
}  // namespace qc::test
