// The log viewers on a temporary logs folder (the day list, the two orders, the toggle and the
// printout), the help document's reader on RTF that a word processor wrote and on hand-made corner
// cases, and the viewers, the about box and the help window as the operator reaches them.
#include <gtest/gtest.h>

#include <QTest>
#include <QtWidgets>
#include <map>

#include "core/mnuMenu.h"
#include "support/GuiSupport.h"
#include "support/WindowTesting.h"
#include "viewers/LogViewer.h"
#include "viewers/RtfReader.h"
#include "viewers/frmAbout.h"
#include "viewers/frmActivityLog.h"
#include "viewers/frmHelp.h"
#include "viewers/frmMPEGLog.h"

namespace qc::test {
namespace {

// An activity viewer of the kind, loaded on a program whose logs folder holds the files.
struct Viewer {
    TestProgram p;
    LogViewer v{*p.m, LogViewer::Window::ActivityLog};
    Viewer(const QByteArray& kind, const std::map<QString, QByteArray>& files) {
        for (const auto& [name, bytes] : files)
            p.writeFile("logs/" + name, bytes);
        p.m->LogKind = kind;
        v.Form_Load();
    }
};

TEST(LogViewerTest, WithoutLogsOfTheKindOkDoesNothing) {
    Viewer viewer("AL", {{"EB261205.log", ""}});
    EXPECT_EQ(linesOf(viewer.v.lstDate), QByteArrayList{"No Logs"});
    viewer.v.cmdOk_Click();
    EXPECT_FALSE(viewer.v.showing);
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
    }
}

TEST(LogViewerTest, PrintsFiftyOneLinesAPageUnderANumberedHeader) {
    // Lines in the log (-1: none shown), the log's lines on each page.
    const std::pair<int, QList<int>> cases[] = {{120, {51, 51, 18}}, {51, {51, 0}}, {-1, {0}}};
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
            QByteArrayList expected{"", "", "", "", ""};
            expected[1] = QString::asprintf("%28sQuillornControl Activity Log   %8s  Page %d ", "",
                                            logLines >= 0 ? "12/05/26" : "", page + 1)
                              .toLatin1();
            for (int i = 0; i < perPage[page]; ++i, ++next)
                expected << "    08:00:00  line " + QByteArray::number(next);
            EXPECT_EQ(printer.pages[page], expected) << logLines << " page " << page + 1;
        }
    }
}

TEST(LogViewerTest, PrinterErrorsAreReportedAndOutsideTheHeaderEndThePrintout) {
    Viewer viewer("EB", {{"EB261205.log", "10:00:00  9.5\r\n10:01:00  9.6\r\n"}});
    viewer.v.cmdOk_Click();
    FailingPrinter header, line;
    header.failAt = 1;  // the header's first line: the log still prints
    line.failAt = 7;    // the log's second line
    viewer.v.PrintLog(header);
    viewer.v.PrintLog(line);
    EXPECT_TRUE(header.ended && !line.ended);
    EXPECT_EQ(viewer.p.messages, QStringList(2, "57 Device I/O error"));
}

// The document as text with its looks marked: <b i u 18>text</> for a run that is not plain 12 point,
// a line per paragraph, [indent first-line-indent alignment] in front when it has any.
QString marked(const RtfDocument& doc) {
    QString out;
    for (const auto& p : doc.paragraphs) {
        out += QString("[%1 %2 %3]").arg(p.leftIndent).arg(p.firstLineIndent).arg(p.align).remove("[0 0 0]");
        for (const auto& run : p.runs) {
            auto look =
                QString(run.bold ? "b " : "") + (run.italic ? "i " : "") + (run.underline ? "u " : "");
            if (run.pointSize != 12) look += QString::number(run.pointSize);
            out += look.isEmpty() ? run.text : "<" + look.trimmed() + ">" + run.text + "</>";
        }
        out += '\n';
    }
    return out;
}

TEST(RtfReaderTest, WordProcessorDocumentsKeepTheirTextAndEmphasis) {
    QFile emphasis(FIXTURES_DIR "/emphasis.rtf"), characters(FIXTURES_DIR "/characters.rtf");
    ASSERT_TRUE(emphasis.open(QIODevice::ReadOnly) && characters.open(QIODevice::ReadOnly));
    // Nothing of the font table, styles, list templates or document information leaks into the text.
    EXPECT_EQ(marked(readRtf(emphasis.readAll())),
              "<b 24>Switching Receivers</>\nPlain words, then <b>bold words</>, <i>italic words</> and "
              "<u>underlined words</>.\n<b i>Bold and italic together</> in one run.\n<18>Large type of "
              "eighteen points.</>\n<8>Small type of eight points.</>\n[0 0 1]A centred line.\n[35.45 -14.15 "
              "0]\u2022\tFirst point of a list\n[35.45 -14.15 0]\u2022\tSecond point of a list\n");
    EXPECT_EQ(readRtf(characters.readAll()).plainText(),
              QStringLiteral("Caf\u00e9 d\u00e9j\u00e0 vu \u2013 na\u00efve \u00fcber \u20ac5.\n"
                             "\u201cQuoted\u201d and \u2018single\u2019 \u2014 with a dash.\n"
                             "Greek \u03b1\u03b2\u03b3 and a check mark \u2713 outside the code page.\n"
                             "Braces { and } and a backslash \\ stay text.\nLine one\nline two of the same "
                             "paragraph.\n"));
}

// Damaged documents are the fuzzer's; these are the cases it is unlikely to build.
TEST(RtfReaderTest, CornerCases) {
    const std::pair<QByteArray, QString> cases[] = {
        {R"({\rtf1\ansi caf\'e9 \'80\'93x\'9})", QStringLiteral("caf\u00e9 \u20ac\u201cx\n")},
        {R"({\rtf1{\uc2\u-3913 ab}\u8212 ?c})", QStringLiteral("\uF0B7\u2014c\n")},        // fallback counts
        {R"({\rtf1\u-10179?\u-9206?\u-10179?x})", QStringLiteral("\U0001F40A\uFFFDx\n")},  // a lone half
        {R"({\rtf1 a{\*\shpinst{\sp hidden}}b{\unknownword c}})", "abc\n"},
        {"{\\rtf1 a}}}b{{{c", "abc\n"},
        {"{\\rtf1 a\\\nb\\par}", "a\nb\n"},
        {R"({\rtf1\fs99999999999999 x\bin3 abcy\u99999999999 ?z})", "xyz\n"},
        {"{\\rtf1" + QByteArray(200000, '{') + "deep\\b" + QByteArray(200000, '}') + "x", "deepx\n"},
        {"Plain help\r\nsecond line\r\n", "Plain help\nsecond line\n"},
        {"caf\xe9\n", QStringLiteral("caf\u00e9\n")},  // plain Windows-1252
    };
    for (const auto& [input, text] : cases)
        EXPECT_EQ(readRtf(input).plainText(), text) << input.left(80).constData();
}

// Checks that the controls are named, then closes the window and lets it go.
void unload(QWidget* window) {
    expectNamed(window);
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(ViewerWindowsTest, HistoryCommandsOpenTheViewersAndOkToggles) {
    TestProgram p;
    p.writeFile("logs/AL261203.log", "08:15:00  Zeta\r\n07:00:00  alpha\r\n");
    p.writeFile("logs/AL261205.log", "09:00:00  x\r\n");
    p.writeFile("logs/EB261203.log", "10:00:12  9.5\r\n");
    p.writeFile("logs/MP261204.log", "Receiver 1  08:00:00\r\n");
    // Either letter case, one line a day, only day files.
    for (const char* name : {"al261203.LOG", "AL261201.LOG", "ALnotes.txt", "AL2612.log", "AL261299.log.bak"})
        p.writeFile(QStringLiteral("logs/") + name, "");
    mnuMenu w(*p.m);
    w.load();
    w.ActivityLog->trigger();
    frmActivityLog* v = frmActivityLog::instance();
    ASSERT_TRUE(v);
    auto* lstDate = control<QListView>(v, "lstDate");
    auto shown = [](QWidget* viewer) { return listLines(control<QListView>(viewer, "lstActivityLog")); };
    EXPECT_EQ(listLines(lstDate), (QStringList{"12/05/26", "12/03/26", "12/01/26"}));

    // A double-click on a day shows it; Enter goes back to the same day.
    clickRow(lstDate, 1, true);
    EXPECT_EQ(v->windowTitle() + shown(v).join('|'),
              "Activity Log for 12/03/2608:15:00  Zeta|07:00:00  alpha");
    EXPECT_FALSE(shownIn(v, "lstDate") || shownIn(v, "Option2"));
    QTest::keyClick(control<QListView>(v, "lstActivityLog"), Qt::Key_Return);
    EXPECT_TRUE(shownIn(v, "lstDate") && !shownIn(v, "lstActivityLog") && lstDate->currentIndex().row() == 1);

    // By Event, then the EbNo command: the same window comes forward and the next Ok reads EB logs.
    control<QAbstractButton>(v, "Option2")->click();
    w.mnuEB->trigger();
    EXPECT_EQ(frmActivityLog::instance(), v);
    control<QAbstractButton>(v, "cmdOk")->click();
    EXPECT_EQ(v->windowTitle() + shown(v).join('|'), "EbNo Log for 12/03/26 9.5 10:00:12");

    // The MPEG viewer lists MP logs, but builds the file name from the kind of the last command.
    w.mnuMPEG->trigger();
    frmMPEGLog* mp = frmMPEGLog::instance();
    w.ActivityLog->trigger();
    control<QAbstractButton>(mp, "cmdOk")->click();
    EXPECT_EQ(shown(mp), QStringList{"Log for 12/04/26 does not exist."});
    control<QAbstractButton>(mp, "cmdOk")->click();
    EXPECT_EQ(mp->windowTitle(), "12/04/26 MPEG Log");  // kept after going back
    unload(mp);
    unload(v);
}

TEST(ViewerWindowsTest, AboutBoxAndHelpWindow) {
    const QByteArray path = qgetenv("PATH");
    TestProgram bin;  // the only folder on the PATH
    qputenv("PATH", bin.home().toLocal8Bit());
    frmAbout* about = frmAbout::showAbout();
    act(about, "click=cmdSysInfo");
    auto* box = about->findChild<QMessageBox*>("sysInfoMessage");
    EXPECT_TRUE(box && box->isVisible() && box->text() == "System Information Is Unavailable At This Time");
    delete box;
    // A program on the PATH is started directly.
    bin.writeFile("hardinfo", "#!/bin/sh\necho > \"$0.started\"\n");
    QFile::setPermissions(bin.file("hardinfo"), QFile::ReadOwner | QFile::ExeOwner);
    act(about, "click=cmdSysInfo");
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(bin.file("hardinfo.started")); }, 5000));
    EXPECT_FALSE(about->findChild<QMessageBox*>("sysInfoMessage"));
    qputenv("PATH", path);
    unload(about);

    // Help without its document says where it should be; with the one installed it shows it.
    frmHelp* help = frmHelp::showHelp(nullptr, bin.home());
    EXPECT_EQ(help->RichTextBox1()->toPlainText(),
              "The file QuillornHelp.rtf was not found.  It should be located in folder " + bin.home() + ".");
    unload(help);
    help = frmHelp::showHelp();
    EXPECT_EQ(help->RichTextBox1()->document()->find("Leave the program running.").charFormat().fontWeight(),
              QFont::Bold);
    unload(help);
}

}  // namespace
}  // namespace qc::test
