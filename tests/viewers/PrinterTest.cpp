// The default printer through a real CUPS queue: a print service of the test's own, every file of
// it in a temporary folder, with a queue that writes the PDF it receives into a file there.
#include <cups/cups.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include "platform/PrinterTextDevice.h"
#include "support/TestSupport.h"

namespace {

const QString PdfDriver = "/usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd";

struct CupsServer {
    qc::test::TestProgram dir;  // its folder
    QProcess cupsd;
    QString socket = dir.file("cups.sock");
    QString output = dir.file("out/job.pdf");

    ~CupsServer() { cupsd.terminate(), cupsd.waitForFinished(10000); }  // or QProcess kills it

    // Empty when the service runs, else why it does not.
    QString start() {
        for (const char* sub : {"etc", "spool", "cache", "state", "tmp", "ssl", "out"})
            QDir(dir.home()).mkpath(sub);
        // The queue's jobs run as the service's own user, which writes the output.
        QFile(dir.home()).setPermissions(QFile::Permissions(0x7755));
        QFile(dir.file("out")).setPermissions(QFile::Permissions(0x7777));
        // Anyone on the socket may set up queues: the socket lies in the test's own folder.
        for (const auto& [name, text] :
             {std::pair("etc/cupsd.conf",
                        "Listen %1/cups.sock\nBrowsing Off\nWebInterface No\n<Policy default>\n"
                        "<Limit All>\nOrder allow,deny\nAllow all\n</Limit>\n</Policy>\n"),
              {"etc/cups-files.conf",
               "ServerRoot %1/etc\nRequestRoot %1/spool\nCacheDir %1/cache\nStateDir %1/state\n"
               "TempDir %1/tmp\nServerKeychain %1/ssl\nErrorLog stderr\nAccessLog stderr\n"
               "PageLog stderr\nPrintcap %1/printcap\nCreateSelfSignedCerts no\n"
               "FileDevice Yes\nSystemGroup root\n"}})
            dir.writeFile(name, QString(text).arg(dir.home()).toLocal8Bit());
        cupsd.start("/usr/sbin/cupsd",
                    {"-f", "-c", dir.file("etc/cupsd.conf"), "-s", dir.file("etc/cups-files.conf")});
        const bool up = QTest::qWaitFor([&] { return QFile::exists(socket) || !cupsd.state(); }, 15000);
        return up && QFile::exists(socket) ? QString()
                                           : "cupsd did not come up: " + cupsd.readAllStandardError();
    }

    // A CUPS command against this service; its output.
    QString run(const QString& program, const QStringList& args) {
        QProcess p;
        p.setEnvironment(QProcess::systemEnvironment() << "CUPS_SERVER=" + socket);
        p.start(program, args);
        EXPECT_TRUE(p.waitForFinished(30000) && p.exitCode() == 0)
            << program.toStdString() << p.readAllStandardError().toStdString();
        return QString::fromUtf8(p.readAllStandardOutput());
    }
};

// Prints "line n" for n = 1 .. lines on the default printer, the first at column 29 with a date and a
// new page after the 10th; the number of the error the printout ends with, 0 when it went through.
int print(int lines) try {
    qc::PrinterTextDevice printer;
    printer.setFont("Courier New", 12);
    for (int i = 1; i <= lines; ++i) {
        printer.printAt(i == 1 ? 29 : 5, "line " + QByteArray::number(i) + (i == 1 ? "  12/05/26" : ""));
        printer.endLine();
        if (i == 10) printer.newPage();
    }
    printer.endDoc();
    return 0;
} catch (const qc::QcError& e) {
    return e.number();
}

TEST(PrinterTest, PrintsThroughTheDefaultCupsQueueAndReportsRefusals) {
    for (const QString& tool :
         QStringList{"/usr/sbin/cupsd", "/usr/sbin/lpadmin", "/usr/bin/pdftotext", PdfDriver})
        if (!QFile::exists(tool))
            GTEST_SKIP() << "Printing through CUPS is not tested: " << tool.toStdString()
                         << " is missing (apt-get install cups poppler-utils).";
    CupsServer cups;
    qputenv("HOME", cups.dir.home().toLocal8Bit());  // no personal default printer of this machine's user
    qunsetenv("PRINTER");
    qunsetenv("LPDEST");
    // No print service at all: an error at once, not a hang.
    cupsSetServer(cups.dir.file("nobody.sock").toLocal8Bit().constData());
    EXPECT_EQ(print(1), 484);

    const QString failure = cups.start();
    if (!failure.isEmpty()) GTEST_SKIP() << "Printing through CUPS is not tested: " << failure.toStdString();
    cupsSetServer(cups.socket.toLocal8Bit().constData());
    EXPECT_EQ(print(1), 484);  // no default printer
    cups.run("/usr/sbin/lpadmin", {"-p", "QcPdf", "-E", "-v", "file://" + cups.output, "-P", PdfDriver});
    cups.run("/usr/sbin/lpadmin", {"-d", "QcPdf"});
    cups.run("/usr/sbin/cupsreject", {"QcPdf"});
    EXPECT_EQ(print(1), 482);
    cups.run("/usr/sbin/cupsaccept", {"QcPdf"});

    // 100 lines with a new page after the 10th: the rest does not fit on one page, and goes on to a third.
    EXPECT_EQ(print(100), 0);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return cups.run("/usr/bin/lpstat", {"-o"}).isEmpty() && QFileInfo(cups.output).size() > 0; },
        30000));
    const QString text = cups.run("/usr/bin/pdftotext", {"-layout", cups.output, "-"});
    for (const char* expected : {R"(^ {5,}line 1\s+12/05/26\n)", R"(\sline 10\s)", R"(\sline 100\s)"})
        EXPECT_TRUE(text.contains(QRegularExpression(expected))) << expected << "\n" << text.toStdString();
    EXPECT_TRUE(cups.run("/usr/bin/pdfinfo", {cups.output}).contains(QRegularExpression(R"(Pages:\s+3\n)")));
    // "Courier New", or a font of the same widths, so the columns stay.
    EXPECT_TRUE(cups.run("/usr/bin/pdffonts", {cups.output}).contains(QRegularExpression("Liberation|Cour")));
}

}  // namespace
