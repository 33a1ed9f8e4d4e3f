// The default printer through a real CUPS queue: a print service of the test's own, in a temporary
// folder, with a queue that writes the PDF it receives into a file there.
#include <cups/cups.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "platform/PrinterTextDevice.h"
#include "support/TestSupport.h"
#include "viewers/LogViewer.h"

using qc::PrinterTextDevice;
using qc::QcError;

namespace {

const QString PdfDriver = QStringLiteral("/usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd");

// cupsd on a socket in its folder, every file of its own under that folder; stopped when done.
class CupsServer {
public:
    QTemporaryDir dir;
    QProcess cupsd;
    QString socket = dir.filePath("cups.sock");
    QString output = dir.filePath("out/job.pdf");

    ~CupsServer() {
        if (cupsd.state() == QProcess::NotRunning) return;
        cupsd.terminate();
        if (!cupsd.waitForFinished(10000)) cupsd.kill();
        cupsd.waitForFinished(5000);
    }

    // Empty when the service runs, else why it does not.
    QString start() {
        for (const char* sub : {"etc", "spool", "cache", "state", "tmp", "log", "ssl", "out"})
            QDir(dir.path()).mkpath(sub);
        // The queue's jobs run as the service's own user, which writes the output.
        QFile(dir.path()).setPermissions(QFile::Permissions(0x7755));
        QFile(dir.filePath("out")).setPermissions(QFile::Permissions(0x7777));
        write("etc/cupsd.conf",
              "Listen " + socket +
                  "\nLogLevel warn\nBrowsing Off\nBrowseLocalProtocols none\nWebInterface No\n"
                  "DefaultAuthType None\n<Location />\n  Order allow,deny\n  Allow all\n"
                  "</Location>\n<Policy default>\n  <Limit All>\n    Order allow,deny\n"
                  "    Allow all\n  </Limit>\n</Policy>\n");
        QString files;
        for (const char* line : {"ServerRoot etc", "RequestRoot spool", "CacheDir cache", "StateDir state",
                                 "TempDir tmp", "ServerKeychain ssl", "ErrorLog log/error_log",
                                 "AccessLog log/access_log", "PageLog log/page_log", "Printcap printcap"}) {
            const QStringList parts = QString::fromLatin1(line).split(' ');
            files += parts[0] + ' ' + dir.filePath(parts[1]) + '\n';
        }
        write("etc/cups-files.conf", files + "CreateSelfSignedCerts no\nFileDevice Yes\nSystemGroup root\n");
        cupsd.start("/usr/sbin/cupsd",
                    {"-f", "-c", dir.filePath("etc/cupsd.conf"), "-s", dir.filePath("etc/cups-files.conf")});
        if (!cupsd.waitForStarted(5000)) return "cupsd cannot be started: " + cupsd.errorString();
        if (!QTest::qWaitFor([&] { return QFile::exists(socket) || cupsd.state() == QProcess::NotRunning; },
                             15000) ||
            !QFile::exists(socket)) {
            QFile log(dir.filePath("log/error_log"));
            log.open(QIODevice::ReadOnly);
            return "cupsd did not come up: " +
                   QString::fromLocal8Bit(cupsd.readAllStandardError() + log.readAll());
        }
        return {};
    }

    // Runs a CUPS command against this service; its output, or a test failure.
    QByteArray run(const QString& program, const QStringList& args) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("CUPS_SERVER", socket);
        env.insert("HOME", dir.path());
        p.setProcessEnvironment(env);
        p.start(program, args);
        EXPECT_TRUE(p.waitForFinished(30000)) << program.toStdString();
        EXPECT_EQ(p.exitCode(), 0) << program.toStdString() << " " << p.readAllStandardError().toStdString();
        return p.readAllStandardOutput();
    }

private:
    void write(const char* name, const QString& text) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text.toLocal8Bit());
    }
};

// The error a printout ends with, or number 0 when it went through.
QcError printOneLine() {
    try {
        PrinterTextDevice printer;
        printer.setFont("Courier New", 12);
        printer.printAt(5, "one line");
        printer.endDoc();
        return QcError(0, {});
    } catch (const QcError& e) {
        return e;
    }
}

TEST(PrinterTest, PrintsThroughTheDefaultCupsQueueAndReportsRefusals) {
    for (const QString& tool : {QStringLiteral("/usr/sbin/cupsd"), QStringLiteral("/usr/sbin/lpadmin"),
                                QStringLiteral("/usr/bin/pdftotext"), PdfDriver})
        if (!QFile::exists(tool))
            GTEST_SKIP() << "Printing through CUPS is not tested: " << tool.toStdString()
                         << " is missing (apt-get install cups poppler-utils).";
    CupsServer cups;
    qputenv("HOME", cups.dir.path().toLocal8Bit());  // no personal default printer of this machine's user
    qunsetenv("PRINTER");
    qunsetenv("LPDEST");

    // No print service at all: an error at once, not a hang.
    cupsSetServer(cups.dir.filePath("nobody.sock").toLocal8Bit().constData());
    EXPECT_EQ(printOneLine().number(), 484);

    const QString failure = cups.start();
    if (!failure.isEmpty()) GTEST_SKIP() << "Printing through CUPS is not tested: " << failure.toStdString();
    cupsSetServer(cups.socket.toLocal8Bit().constData());
    const QcError noQueue = printOneLine();
    EXPECT_EQ(noQueue.number(), 484);
    EXPECT_TRUE(noQueue.description().contains("no default printer")) << noQueue.text().toStdString();

    cups.run("/usr/sbin/lpadmin", {"-p", "QcPdf", "-E", "-v", "file://" + cups.output, "-P", PdfDriver});
    cups.run("/usr/sbin/lpadmin", {"-d", "QcPdf"});
    cups.run("/usr/sbin/cupsreject", {"QcPdf"});
    const QcError refused = printOneLine();
    EXPECT_EQ(refused.number(), 482);
    EXPECT_TRUE(refused.description().contains("not accepting jobs")) << refused.text().toStdString();
    cups.run("/usr/sbin/cupsaccept", {"QcPdf"});

    // A log of 60 lines, printed by the viewer: two pages.
    qc::test::TestProgram p;
    QByteArray log;
    for (int i = 1; i <= 60; ++i)
        log += "08:00:" + QByteArray::number(i % 60).rightJustified(2, '0') + "  line " +
               QByteArray::number(i) + "\r\n";
    p.writeFile("logs/AL261205.log", log);
    p.m->LogKind = "AL";
    qc::LogViewer viewer(*p.m, qc::LogViewer::Window::ActivityLog);
    viewer.Form_Load();
    viewer.cmdOk_Click();
    qc::setDefaultPrinter([] { return std::make_unique<PrinterTextDevice>(); });
    viewer.mnuPrint_Click();
    EXPECT_TRUE(p.messages.isEmpty()) << p.messages.join('\n').toStdString();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return cups.run("/usr/bin/lpstat", {"-o"}).isEmpty() && QFileInfo(cups.output).size() > 0; },
        30000));

    const QString text = QString::fromUtf8(cups.run("/usr/bin/pdftotext", {"-layout", cups.output, "-"}));
    for (const char* expected : {R"(QuillornControl Activity Log\s+12/05/26\s+Page 1\s)", R"(\sPage 2\s)",
                                 R"(08:00:01\s+line 1\s)", R"(08:00:00\s+line 60\s)"})
        EXPECT_TRUE(text.contains(QRegularExpression(expected))) << expected << "\n" << text.toStdString();
    const QString info = QString::fromUtf8(cups.run("/usr/bin/pdfinfo", {cups.output}));
    EXPECT_TRUE(info.contains(QRegularExpression(R"(Pages:\s+2\n)"))) << info.toStdString();
    // "Courier New" or a font of the same widths, so the columns stay.
    const QByteArray fonts = cups.run("/usr/bin/pdffonts", {cups.output});
    EXPECT_TRUE(fonts.contains("LiberationMono") || fonts.contains("CourierNew")) << fonts.toStdString();
    qc::setDefaultPrinter(nullptr);
}

}  // namespace
