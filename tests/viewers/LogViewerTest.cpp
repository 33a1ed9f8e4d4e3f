// The log viewers' logic on a temporary logs folder: the day list, the two orders, the toggle and
// the printout.
#include <gtest/gtest.h>

#include <QFile>
#include <optional>
#include <random>

#include "platform/TextDevice.h"
#include "support/TestSupport.h"
#include "viewers/LogViewer.h"

using qc::LogViewer;
using qc::RecordingTextDevice;
using qc::test::TestProgram;

namespace {

QList<QByteArray> lines(const qc::SortedList& list) {
    QList<QByteArray> out;
    for (const auto& item : list.items())
        out << item.line;
    return out;
}

TEST(LogViewerTest, DayListNewestFirstFromTheFilesOfTheKind) {
    struct Case {
        const char* name;
        QByteArray kind;
        QStringList files;
        QList<QByteArray> days;
    };
    const Case cases[] = {
        {"no logs", "AL", {}, {"No Logs"}},
        {"newest first, other kinds left out",
         "AL",
         {"AL261203.log", "AL261205.log", "EB261204.log"},
         {"12/05/26", "12/03/26"}},
        {"either letter case, one line a day, only day files",
         "EB",
         {"eb261204.LOG", "EB261204.log", "EB261201.LOG", "EBnotes.txt", "EB2612.log", "EB261299.log.bak"},
         {"12/04/26", "12/01/26"}},
    };
    for (const Case& c : cases) {
        TestProgram p;
        QDir().mkpath(p.file("logs"));
        for (const QString& f : c.files)
            p.writeFile("logs/" + f, "08:00:00  x\r\n");
        p.m->LogKind = c.kind;
        LogViewer v(*p.m, LogViewer::Window::ActivityLog);
        v.Form_Load();
        EXPECT_EQ(lines(v.lstDate), c.days) << c.name;
        EXPECT_EQ(v.selectedDate, 0) << c.name;
        if (c.days.first() == "No Logs") {
            v.cmdOk_Click();
            EXPECT_FALSE(v.showing) << c.name;
        }
    }
}

TEST(LogViewerTest, ShowsADayByTimeOrByEvent) {
    struct Case {
        const char* name;
        QByteArray kind;
        bool byEvent;
        std::optional<QByteArray> file;  // none: the day's file is gone after the list was built
        QList<QByteArray> shown;
    };
    const Case cases[] = {
        {"by time, as written",
         "AL",
         false,
         "08:15:00  Switch B\r\n07:00:00  Switch A\r\n",
         {"08:15:00  Switch B", "07:00:00  Switch A"}},
        {"by event: text, blank, time; sorted ignoring case",
         "AL",
         true,
         "08:15:00  Zeta\r\n09:00:00  alpha\r\n07:00:00  Beta\r\n",
         {" alpha 09:00:00", " Beta 07:00:00", " Zeta 08:15:00"}},
        {"EbNo by event: receiver, then reading as text",
         "EB",
         true,
         "10:00:00 R2 7.1\r\n10:00:00 R1 9.5\r\n11:00:00 R1 10.2\r\n11:00:00 R2 6.0\r\n",
         {"R1 10.2 11:00:00", "R1 9.5 10:00:00", "R2 6.0 11:00:00", "R2 7.1 10:00:00"}},
        {"short lines by event", "AL", true, "\r\n08:15\r\n", {" ", " 08:15"}},
        {"lone CR and LF end lines", "AL", false, "a\rb\nc", {"a", "b", "c"}},
        {"empty file", "AL", false, "", {"Log for 12/05/26 does not exist."}},
        {"missing file", "EB", false, std::nullopt, {"Log for 12/05/26 does not exist."}},
    };
    for (const Case& c : cases) {
        TestProgram p;
        p.writeFile("logs/" + c.kind + "261205.log", c.file.value_or("x"));
        p.m->LogKind = c.kind;
        LogViewer v(*p.m, LogViewer::Window::ActivityLog);
        v.Form_Load();
        if (!c.file) QFile::remove(p.file("logs/" + c.kind + "261205.log"));
        v.byEvent = c.byEvent;
        v.cmdOk_Click();
        EXPECT_TRUE(v.showing) << c.name;
        EXPECT_EQ(lines(v.lstActivityLog), c.shown) << c.name;
        EXPECT_EQ(v.caption, (c.kind == "AL" ? "Activity Log for 12/05/26" : "EbNo Log for 12/05/26"))
            << c.name;
    }
}

TEST(LogViewerTest, OkReturnsToTheDayListWithTheSelection) {
    TestProgram p;
    p.writeFile("logs/MP261203.log", "Receiver 1  08:00:00\r\nR M\r\n>\r\n");
    p.writeFile("logs/MP261205.log", "x\r\n");
    p.m->LogKind = "MP";
    LogViewer v(*p.m, LogViewer::Window::MPEGLog);
    v.Form_Load();
    v.selectedDate = 1;
    v.cmdOk_Click();
    EXPECT_EQ(lines(v.lstActivityLog), (QList<QByteArray>{"Receiver 1  08:00:00", "R M", ">"}));
    EXPECT_EQ(v.caption, "12/03/26 MPEG Log");
    v.cmdOk_Click();
    EXPECT_FALSE(v.showing);
    EXPECT_EQ(v.lstActivityLog.count(), 0);
    EXPECT_EQ(v.selectedDate, 1);
    EXPECT_EQ(v.caption, "12/03/26 MPEG Log");  // the MPEG viewer keeps its caption

    // The kind is read at every Ok: after the activity viewer set "AL", the same day has no MP file.
    p.m->LogKind = "AL";
    v.cmdOk_Click();
    EXPECT_EQ(lines(v.lstActivityLog), QList<QByteArray>{"Log for 12/03/26 does not exist."});
}

TEST(LogViewerTest, PrintsFiftyOneLinesAPageUnderANumberedHeader) {
    struct Case {
        int logLines;  // -1: no log shown
        QList<int> perPage;
    };
    const Case cases[] = {{120, {51, 51, 18}}, {51, {51, 0}}, {-1, {0}}};
    for (const Case& c : cases) {
        TestProgram p;
        QByteArray file;
        for (int i = 1; i <= std::max(c.logLines, 1); ++i)
            file += "08:00:00  line " + QByteArray::number(i) + "\r\n";
        p.writeFile("logs/AL261205.log", file);
        p.m->LogKind = "AL";
        LogViewer v(*p.m, LogViewer::Window::ActivityLog);
        v.Form_Load();
        if (c.logLines >= 0) v.cmdOk_Click();
        RecordingTextDevice printer;
        v.PrintLog(printer);
        EXPECT_TRUE(printer.ended);
        EXPECT_EQ(printer.fontName, "Courier New");
        EXPECT_EQ(printer.fontSize, 12);
        ASSERT_EQ(printer.pages.size(), c.perPage.size()) << c.logLines;
        int next = 1;
        for (int page = 0; page < printer.pages.size(); ++page) {
            const auto& printed = printer.pages[page];
            const QByteArray date = c.logLines >= 0 ? "12/05/26" : "";
            QList<QByteArray> expected{"",
                                       QByteArray(28, ' ') + "QuillornControl Activity Log" +
                                           QByteArray(3, ' ') + date.leftJustified(8, ' ') + "  Page " +
                                           QByteArray::number(page + 1) + " ",
                                       "", "", ""};
            for (int i = 0; i < c.perPage[page]; ++i, ++next)
                expected << "    08:00:00  line " + QByteArray::number(next);
            EXPECT_EQ(printed, expected) << c.logLines << " page " << page + 1;
        }
    }
}

// A printer that fails after some lines, as one that runs out of paper or refuses the job.
class FailingPrinter : public RecordingTextDevice {
public:
    int linesLeft;
    explicit FailingPrinter(int lines) : linesLeft(lines) {}

protected:
    void lineOut(const QByteArray& line) override {
        if (linesLeft-- <= 0) throw qc::QcError(482, "Printer error");
        RecordingTextDevice::lineOut(line);
    }
};

TEST(LogViewerTest, PrinterErrorsAreReportedAndEndThePrintout) {
    TestProgram p;
    p.writeFile("logs/EB261205.log", "10:00:00  9.5\r\n10:01:00  9.6\r\n");
    p.m->LogKind = "EB";
    LogViewer v(*p.m, LogViewer::Window::ActivityLog);
    v.Form_Load();
    v.cmdOk_Click();
    for (int failAfter : {0, 6}) {  // in the header; at the second log line
        p.messages.clear();
        FailingPrinter printer(failAfter);
        v.PrintLog(printer);
        EXPECT_FALSE(printer.ended) << failAfter;
        EXPECT_FALSE(p.messages.isEmpty()) << failAfter;
        for (const QString& m : p.messages)
            EXPECT_EQ(m, "482 Printer error") << failAfter;
    }
    // Without a printer installed the command says so instead of failing.
    qc::setDefaultPrinter(nullptr);
    p.messages.clear();
    v.mnuPrint_Click();
    EXPECT_EQ(p.messages, QStringList{"8010 No printer is installed"});
}

// Megabytes of garbage from a broken disk: shown in pieces that a list can draw, nothing lost.
TEST(LogViewerTest, GarbageFileIsShownWithoutLosingBytes) {
    TestProgram p;
    QByteArray garbage(3 * 1024 * 1024, '\0');
    std::mt19937 random(7);
    for (char& c : garbage)
        c = static_cast<char>(random() % 4 == 0 ? 'x' : random());
    garbage.replace("\r", "#").replace("\n", "#");
    garbage[100] = '\n';
    p.writeFile("logs/AL261205.log", garbage);
    p.m->LogKind = "AL";
    LogViewer v(*p.m, LogViewer::Window::ActivityLog);
    v.Form_Load();
    int count = 0;
    for (bool byEvent : {false, true}) {
        v.byEvent = byEvent;
        v.cmdOk_Click();
        qsizetype bytes = 0;
        for (const auto& item : v.lstActivityLog.items()) {
            EXPECT_LE(item.line.size(), qc::MaxShownLine + 1);
            bytes += item.line.size();
        }
        if (!byEvent) {
            EXPECT_EQ(bytes, garbage.size() - 1);
            count = v.lstActivityLog.count();
        }
        EXPECT_EQ(v.lstActivityLog.count(), count) << byEvent;
        v.cmdOk_Click();
    }
}

}  // namespace
