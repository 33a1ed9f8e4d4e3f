// The log viewers' logic on a temporary logs folder: the day list, the two orders, the toggle and
// the printout.
#include <gtest/gtest.h>

#include <QFile>
#include <map>

#include "support/TestSupport.h"
#include "support/WindowTesting.h"
#include "viewers/LogViewer.h"

namespace qc::test {
namespace {

// An activity viewer of the kind, loaded on a program whose logs folder holds the files.
struct Viewer {
    TestProgram p;
    LogViewer v{*p.m, LogViewer::Window::ActivityLog};
    Viewer(const QByteArray& kind, const std::map<QString, QByteArray>& files) {
        QDir().mkpath(p.file("logs"));
        for (const auto& [name, bytes] : files)
            p.writeFile("logs/" + name, bytes);
        p.m->LogKind = kind;
        v.Form_Load();
    }
};

TEST(LogViewerTest, DayListNewestFirstFromTheFilesOfTheKind) {
    // clang-format off
    const struct { QByteArray kind; std::map<QString, QByteArray> files; QByteArrayList days; } cases[] = {
        {"AL", {}, {"No Logs"}},
        {"AL", {{"AL261203.log", ""}, {"AL261205.log", ""}, {"EB261204.log", ""}}, {"12/05/26", "12/03/26"}},
        // Either letter case, one line a day, only day files.
        {"EB", {{"eb261204.LOG", ""}, {"EB261204.log", ""}, {"EB261201.LOG", ""}, {"EBnotes.txt", ""},
                {"EB2612.log", ""}, {"EB261299.log.bak", ""}}, {"12/04/26", "12/01/26"}},
    };
    // clang-format on
    for (const auto& c : cases) {
        Viewer viewer(c.kind, c.files);
        EXPECT_EQ(linesOf(viewer.v.lstDate), c.days);
        viewer.v.cmdOk_Click();  // does nothing without logs
        EXPECT_EQ(viewer.v.showing, c.days.first() != "No Logs") << c.days.first().constData();
    }
}

TEST(LogViewerTest, ShowsADayByTimeOrByEvent) {
    const QByteArray x(1000, 'x');
    // clang-format off
    const struct { QByteArray kind; bool byEvent; QByteArray file; QByteArrayList shown; } cases[] = {
        {"AL", false, "08:15:00  Switch B\r\n07:00:00  Switch A\r\n", {"08:15:00  Switch B", "07:00:00  Switch A"}},
        {"AL", true, "08:15:00  Zeta\r\n09:00:00  alpha\r\n07:00:00  Beta\r\n", {" alpha 09:00:00", " Beta 07:00:00", " Zeta 08:15:00"}},
        {"EB", true, "10:00:00 R2 7.1\r\n10:00:00 R1 9.5\r\n11:00:00 R1 10.2\r\n11:00:00 R2 6.0\r\n",
         {"R1 10.2 11:00:00", "R1 9.5 10:00:00", "R2 6.0 11:00:00", "R2 7.1 10:00:00"}},
        {"AL", true, "\r\n08:15\r\n", {" ", " 08:15"}},  // short lines
        {"AL", false, "a\rb\nc", {"a", "b", "c"}},
        {"AL", false, x + x + "yz\n", {x, x, "yz"}},  // a broken disk's endless line: in pieces, all of it
        {"AL", false, "", {"Log for 12/05/26 does not exist."}},
        {"EB", false, QByteArray(), {"Log for 12/05/26 does not exist."}},  // gone since the list was made
    };
    // clang-format on
    for (const auto& c : cases) {
        Viewer viewer(c.kind, {{c.kind + "261205.log", c.file}});
        if (c.file.isNull()) QFile::remove(viewer.p.file("logs/" + c.kind + "261205.log"));
        viewer.v.byEvent = c.byEvent;
        viewer.v.cmdOk_Click();
        EXPECT_EQ(linesOf(viewer.v.lstActivityLog), c.shown);
        EXPECT_EQ(viewer.v.caption, (c.kind == "AL" ? "Activity Log for 12/05/26" : "EbNo Log for 12/05/26"));
    }
}

TEST(LogViewerTest, PrintsFiftyOneLinesAPageUnderANumberedHeader) {
    const std::pair<int, QList<int>> cases[] = {
        {120, {51, 51, 18}}, {51, {51, 0}}, {-1, {0}}};  // -1: none shown
    for (const auto& [logLines, perPage] : cases) {
        QByteArray file;
        for (int i = 1; i <= std::max(logLines, 1); ++i)
            file += "08:00:00  line " + QByteArray::number(i) + "\r\n";
        Viewer viewer("AL", {{"AL261205.log", file}});
        if (logLines >= 0) viewer.v.cmdOk_Click();
        RecordingTextDevice printer;
        viewer.v.PrintLog(printer);
        EXPECT_TRUE(printer.ended && printer.fontName == "Courier New" && printer.fontSize == 12);
        ASSERT_EQ(printer.pages.size(), perPage.size()) << logLines;
        for (int page = 0, next = 1; page < perPage.size(); ++page) {
            QByteArrayList expected{"",
                                    QByteArray(28, ' ') + "QuillornControl Activity Log   " +
                                        (logLines >= 0 ? "12/05/26" : "        ") + "  Page " +
                                        QByteArray::number(page + 1) + " ",
                                    "", "", ""};
            for (int i = 0; i < perPage[page]; ++i, ++next)
                expected << "    08:00:00  line " + QByteArray::number(next);
            EXPECT_EQ(printer.pages[page], expected) << logLines << " page " << page + 1;
        }
    }
}

TEST(LogViewerTest, PrinterErrorsAreReportedAndOutsideTheHeaderEndThePrintout) {
    Viewer viewer("EB", {{"EB261205.log", "10:00:00  9.5\r\n10:01:00  9.6\r\n"}});
    viewer.v.cmdOk_Click();
    for (const auto& [failAt, ended] : {std::pair(1, true), {7, false}}) {  // the header; the second line
        viewer.p.messages.clear();
        FailingPrinter printer;
        printer.failAt = failAt;
        viewer.v.PrintLog(printer);
        EXPECT_EQ(printer.ended, ended);
        EXPECT_EQ(viewer.p.messages, QStringList{"57 Device I/O error"});
    }
}

}  // namespace
}  // namespace qc::test
