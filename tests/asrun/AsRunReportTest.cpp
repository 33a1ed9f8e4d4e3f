// The report from the as-run files: ranges across files with damaged rows, the command line of the
// real program with its exit statuses, the PDF read back with poppler, and the window.
#include <QProcess>
#include <QTableWidget>
#include <QTest>

#include "GuiSupport.h"
#include "TestSupport.h"
#include "WindowTesting.h"
#include "asrun/AsRunReport.h"
#include "asrun/frmAsRun.h"

namespace qc::test {
namespace {

const QByteArray kHeader =
    "date,scheduled,receiver,programme,port,source,route,first_command,commands_sent,remote_start,remote_"
    "seconds,"
    "outcome\r\n";
const QByteArray k05News = "2026-12-05,18:00:00,1,News,A,14,3,17:59:46.550,2,17:59:59,1,sent\r\n";
const QByteArray k05Sport = "2026-12-05,09:00:00,2,Sport,B,7,0,,0,,,failed\r\n";
const QByteArray k06Talk =
    "2026-12-06,10:00:00,1,\"Talk, \"\"Live\"\"\",A,3,1,09:59:46.550,1,09:59:59,3600,partly sent\r\n";
const QByteArray k06Lines = "2026-12-06,11:00:00,1,\"Two\r\nlines\",A,14,3,,0,,,missed\r\n";

// Three days of records; the second holds a row cut short (line 3) and one for a receiver 9
// (line 6); the third 90 rows, for a PDF of more than one page.
void writeRecords(const TestProgram& p) {
    p.writeFile("logs/AR261205.csv", kHeader + k05News + k05Sport);
    p.writeFile("logs/AR261206.csv", kHeader + k06Talk + "2026-12-06,10:30:00,1,News,A,14,3,10:29:4\r\n" +
                                         k06Lines + "2026-12-06,12:00:00,9,News,A,14,3,,0,,,missed\r\n");
    QByteArray day;
    for (int i = 0; i < 90; ++i)
        day += QTime(8, 0)
                   .addSecs(i * 300)
                   .toString("'2026-12-07,'HH:mm:ss',1,News,A,14,3,,2,,,sent\r\n'")
                   .toLatin1();
    p.writeFile("logs/AR261207.csv", kHeader + day);
    p.writeFile("Monitoring.ini", "[Monitoring]\nStationName=Radio Quillorn\n");
}

TEST(AsRunReport, ReadsTheRangeSortedAndSkipsWhatCannotBeRead) {
    TestProgram p;
    writeRecords(p);
    const QString file6 = p.file("logs/AR261206.csv");
    for (const auto& [from, to, csv, warnings] :
         {std::tuple(QDate(2026, 12, 5), QDate(2026, 12, 6),
                     kHeader + k05Sport + k05News + k06Talk + k06Lines,
                     QStringList{file6 + " line 3: not an as-run row, skipped",
                                 file6 + " line 6: not an as-run row, skipped"}),
          std::tuple(QDate(2026, 12, 4), QDate(2026, 12, 5), kHeader + k05Sport + k05News, QStringList()),
          std::tuple(QDate(2026, 12, 6), QDate(2026, 12, 5), kHeader, QStringList())}) {
        const AsRunReport r = AsRunReport::read(p.file("logs"), from, to);
        EXPECT_EQ(r.csv(), csv);
        EXPECT_EQ(r.warnings, warnings);
    }
}

struct CommandRun {
    QStringList args;  // "<home>" is the data folder
    const char* locale;
    int exit;
    QString error;                   // standard error, "<home>" the data folder
    QString pdf;                     // for a PDF: what pdfinfo says of the paper
    const char* platform = nullptr;  // QT_QPA_PLATFORM as the station's desktop sets it
};

// The real program, as a station's script runs it: no display and no platform set.
TEST(AsRunReport, FromTheCommandLine) {
    TestProgram p;
    writeRecords(p);
    const QString sixth = "warning: <home>/logs/AR261206.csv line %1: not an as-run row, skipped\n";
    // clang-format off
    const std::vector<CommandRun> rows = {
        {{"2026-12-05", "2026-12-06", "--csv", "<home>/out.csv"}, "C", 0, sixth.arg(3) + sixth.arg(6), {}},
        {{"2026-12-05", "2026-12-07", "--pdf", "<home>/out.pdf"}, "en_US.UTF-8", 0, sixth.arg(3) + sixth.arg(6), "612 x 792 pts (letter)"},
        {{"2026-12-07", "2026-12-07", "--pdf", "<home>/out.pdf"}, "de_DE.UTF-8", 0, "", "595 x 842 pts (A4)"},
        {{"2026-02-30", "2026-12-06", "--csv", "<home>/out.csv"}, "C", 2, "quillorncontrol --as-run: \"2026-02-30\" is not a date of the form YYYY-MM-DD\n", {}},
        {{"2026-12-06", "2026-12-5", "--csv", "<home>/out.csv"}, "C", 2, "quillorncontrol --as-run: \"2026-12-5\" is not a date of the form YYYY-MM-DD\n", {}},
        {{"2026-12-07", "2026-12-05", "--csv", "<home>/out.csv"}, "C", 2, "quillorncontrol --as-run: FROM 2026-12-07 is after TO 2026-12-05\n", {}},
        {{"2026-12-05", "2026-12-05", "--csv", "<home>/no/out.csv"}, "C", 2, "quillorncontrol --as-run: <home>/no/out.csv cannot be written: No such file or directory\n", {}},
        // The CSV written, the PDF not: neither is left. The desktop's platform, no display: no matter.
        {{"2026-12-05", "2026-12-05", "--csv", "<home>/out.csv", "--pdf", "<home>/no/out.pdf"}, "C", 2,
         "quillorncontrol --as-run: <home>/no/out.pdf cannot be written: No such file or directory\n", {}, "xcb"},
        {{"2026-12-05", "2026-12-05"}, "C", 2, "quillorncontrol --as-run: usage: quillorncontrol --as-run FROM TO --csv FILE | --pdf FILE\n", {}},
    };
    // clang-format on
    for (const CommandRun& row : rows) {
        SCOPED_TRACE(row.args.join(' ').toStdString());
        QDir(p.home()).removeRecursively();
        writeRecords(p);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QUILLORN_HOME", p.home());
        env.insert("LC_ALL", row.locale);
        env.remove("DISPLAY");
        env.remove("QT_QPA_PLATFORM");
        if (row.platform) env.insert("QT_QPA_PLATFORM", row.platform);
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(QUILLORNCONTROL_BINARY,
                      QStringList("--as-run") + QStringList(row.args).replaceInStrings("<home>", p.home()));
        ASSERT_TRUE(program.waitForFinished(60000));
        EXPECT_EQ(program.exitCode(), row.exit);
        EXPECT_EQ(QString::fromLocal8Bit(program.readAllStandardError()).replace(p.home(), "<home>"),
                  row.error);
        const QStringList left = QDir(p.home()).entryList({"out*"}, QDir::Files);
        EXPECT_EQ(left.size(), row.exit == 0 ? 1 : 0) << left.join(' ').toStdString();
        if (row.args.contains("--csv") && row.exit == 0) {
            EXPECT_EQ(p.readFile("out.csv"), kHeader + k05Sport + k05News + k06Talk + k06Lines);
        }
        if (row.pdf.isEmpty()) continue;
        auto poppler = [&](const char* tool, const QStringList& args) {
            QProcess run;
            run.start(tool, args);
            run.waitForFinished(30000);
            return QString::fromUtf8(run.readAllStandardOutput());
        };
        const QString info = poppler("pdfinfo", {p.file("out.pdf")}),
                      text = poppler("pdftotext", {p.file("out.pdf"), "-"});
        const int pages = info.section("Pages:", 1).section('\n', 0, 0).trimmed().toInt();
        EXPECT_TRUE(info.contains(row.pdf)) << info.toStdString();
        EXPECT_GE(pages, row.args[1] == "2026-12-07" ? 2 : 3);
        for (int i = 1; i <= pages; ++i)
            EXPECT_TRUE(text.contains(QString("Page %1 of %2").arg(i).arg(pages))) << i;
        // The heading on every page of the table, the station, the range and the totals.
        EXPECT_GE(text.count("First command"), pages - 1);
        for (const QString part : {"Radio Quillorn", "As-run report", "Totals per programme", "partly sent"})
            EXPECT_EQ(text.contains(part), part != "partly sent" || row.args[0] == "2026-12-05")
                << part.toStdString();
        EXPECT_TRUE(text.contains("From " + row.args[0] + " to " + row.args[1]));
    }
}

// A printer that keeps its lines where the test can read them after the window let it go.
struct KeptPrinter : RecordingTextDevice {
    QList<QByteArray>* lines;
    void lineOut(const QByteArray& line) override { lines->append(line); }
};

TEST(AsRunReport, TheWindow) {
    TestProgram p;  // Monday 2026-12-07: the last seven days are 12-01 to 12-07
    writeRecords(p);
    frmAsRun window(*p.m);
    window.show();
    for (const char* name : {"dtpFrom", "dtpTo", "grdAsRun", "cmdExportCsv", "cmdExportPdf", "cmdPrint"})
        EXPECT_FALSE(accessibleNameOf(control<QWidget>(&window, name)).isEmpty());
    QStringList names;
    for (const char* name : {"dtpFrom", "dtpTo", "grdAsRun", "cmdExportCsv", "cmdExportPdf", "cmdPrint"})
        names << accessibleNameOf(control<QWidget>(&window, name));
    EXPECT_EQ(names, QStringList({"From", "To", "As-run table", "Export CSV", "Export PDF", "Print"}));
    expectNamed(&window);
    EXPECT_EQ(listLines(control<QAbstractItemView>(&window, "grdAsRun")).size(), 94);
    // Tab goes from table to table and on to the buttons; the arrow keys move within a table.
    control<QWidget>(&window, "grdAsRun")->setFocus();
    for (const char* next : {"grdTotals", "cmdExportCsv"}) {
        QTest::keyClick(window.focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(window.focusWidget(), control<QWidget>(&window, next));
    }
    // Totals: News 91 events, 91 sent; Sport 1 failed; Talk 1 sent (partly); Two lines 1 missed.
    auto* totals = control<QTableWidget>(&window, "grdTotals");
    QStringList cells;
    for (int r = 0; r < totals->rowCount(); ++r)
        for (int c = 0; c < 5; ++c)
            cells << totals->item(r, c)->text();
    EXPECT_EQ(cells,
              QStringList({"News",           "91", "91", "0", "0", "Sport",        "1", "0", "1", "0",
                           "Talk, \"Live\"", "1",  "1",  "0", "0", "Two\r\nlines", "1", "0", "0", "1"}));
    window.askFileName = [&](const QString&, const QString& suggested) {
        EXPECT_EQ(suggested, "as-run-2026-12-01-2026-12-07.csv");
        return p.file("export.csv");
    };
    act(&window, "click=cmdExportCsv");
    EXPECT_EQ(p.readFile("export.csv"), window.report().csv());
    QList<QByteArray> printed;
    setDefaultPrinter([&printed] {
        auto device = std::make_unique<KeptPrinter>();
        device->lines = &printed;
        return device;
    });
    act(&window, "click=cmdPrint");
    setDefaultPrinter(nullptr);
    EXPECT_TRUE(printed.value(0).startsWith("Radio Quillorn  As-run report  From 2026-12-01 to 2026-12-07"));
    EXPECT_TRUE(printed.value(0).endsWith("Page 1 of 2"));
    EXPECT_TRUE(
        printed.contains("10:00:00  1  Talk, \"Live\"              A         3     1 09:59:46.550     1 "
                         "09:59:59  3600 partly sent"));
    EXPECT_TRUE(p.messages.isEmpty()) << p.messages.join('|').toStdString();
}

}  // namespace
}  // namespace qc::test
