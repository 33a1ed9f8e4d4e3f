#include "PrinterTextDevice.h"

#include <cups/cups.h>

#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <algorithm>

#include "Text.h"

namespace qc {

namespace {

constexpr int PrinterError = 482;
constexpr int PrinterInformationError = 484;

QcError noPrinter(const QString& why) {
    return QcError(PrinterInformationError,
                   QStringLiteral("Problem getting printer information from the system. Make sure the "
                                  "printer is set up correctly (%1)")
                       .arg(why));
}

QString lastCupsError() {
    return QString::fromUtf8(cupsLastErrorString());
}

// The smallest margin kept on every side, for queues that report none.
constexpr double MinimumMarginMm = 5.0;

}  // namespace

struct PrinterTextDevice::Job {
    http_t* http = nullptr;
    QByteArray queue;
    QTemporaryDir folder;
    QString file;
    QPrinter printer{QPrinter::HighResolution};
    QPainter painter;
    qreal y = 0;
    qreal pageHeight = 0;

    ~Job() {
        if (painter.isActive()) painter.end();
        if (http) httpClose(http);
    }
};

PrinterTextDevice::PrinterTextDevice() : font_(resolveFont(QStringLiteral("Courier New"), 12)) {}

PrinterTextDevice::~PrinterTextDevice() = default;

QString PrinterTextDevice::printerName() const {
    return printerName_;
}

int PrinterTextDevice::jobId() const {
    return jobId_;
}

QFont PrinterTextDevice::resolveFont(const QString& name, int pointSize) {
    QFont font(name);
    // Fixed pitch keeps the columns of the old printouts when the named face is not installed.
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSize(std::clamp(pointSize, 1, 200));
    return font;
}

void PrinterTextDevice::fail(const QcError& error) {
    failed_ = error;
    job_.reset();
    throw error;
}

// The job starts with the first thing printed: the queue is looked up then, so a printer set up
// while the program runs is found.
void PrinterTextDevice::begin() {
    if (failed_) throw *failed_;
    if (job_) return;
    auto job = std::make_unique<Job>();

    const char* server = cupsServer();
    job->http =
        httpConnect2(server, ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, ConnectTimeoutMs, nullptr);
    if (!job->http)
        fail(noPrinter(
            QStringLiteral("the print service at %1 does not answer").arg(QString::fromUtf8(server))));
    httpSetTimeout(job->http, ExchangeTimeoutSeconds, nullptr, nullptr);

    cups_dest_t* dest = cupsGetNamedDest(job->http, nullptr, nullptr);
    if (!dest) fail(noPrinter(QStringLiteral("no default printer")));
    job->queue = dest->name;
    cupsFreeDests(1, dest);
    printerName_ = QString::fromUtf8(job->queue);

    // The paper and the printable area of the queue, when Qt knows the queue; the page size of the
    // system otherwise.
    QPageLayout layout = job->printer.pageLayout();
    const QPrinterInfo info = QPrinterInfo::printerInfo(printerName_);
    if (!info.isNull()) layout = QPrinter(info, QPrinter::HighResolution).pageLayout();
    layout.setUnits(QPageLayout::Millimeter);
    QMarginsF margins = layout.margins();
    margins.setLeft(std::max(margins.left(), MinimumMarginMm));
    margins.setTop(std::max(margins.top(), MinimumMarginMm));
    margins.setRight(std::max(margins.right(), MinimumMarginMm));
    margins.setBottom(std::max(margins.bottom(), MinimumMarginMm));
    layout.setMinimumMargins(QMarginsF());
    layout.setMargins(margins);

    if (!job->folder.isValid())
        fail(QcError(PrinterError, QStringLiteral("Printer error: no temporary folder for the print job")));
    job->file = job->folder.filePath(QStringLiteral("job.pdf"));
    job->printer.setOutputFormat(QPrinter::PdfFormat);
    job->printer.setOutputFileName(job->file);
    job->printer.setPageLayout(layout);
    job->printer.setDocName(QStringLiteral("QuillornControl"));
    job->printer.setCreator(QStringLiteral("QuillornControl"));
    if (!job->painter.begin(&job->printer))
        fail(QcError(PrinterError, QStringLiteral("Printer error: the print job cannot be written")));
    job->painter.setFont(font_);
    job->pageHeight = job->painter.viewport().height();
    job_ = std::move(job);
}

void PrinterTextDevice::fontOut(const QString& name, int pointSize) {
    if (failed_) throw *failed_;
    font_ = resolveFont(name, pointSize);
    if (job_) job_->painter.setFont(font_);
}

void PrinterTextDevice::lineOut(const QByteArray& line) {
    begin();
    const QFontMetricsF metrics(font_, &job_->printer);
    // A line that does not fit on the page any more goes to the next, as the paper would have it.
    if (job_->y > 0 && job_->y + metrics.height() > job_->pageHeight) pageOut();
    QString text = fromCp1252(line);
    text.replace(QLatin1Char('\t'), QLatin1Char(' '));
    job_->painter.drawText(QPointF(0, job_->y + metrics.ascent()), text);
    job_->y += metrics.lineSpacing();
}

void PrinterTextDevice::pageOut() {
    begin();
    if (!job_->printer.newPage())
        fail(QcError(PrinterError, QStringLiteral("Printer error: a new page cannot be started")));
    job_->y = 0;
}

void PrinterTextDevice::documentOut() {
    if (failed_) throw *failed_;
    if (!job_) return;  // nothing printed, nothing to send
    std::unique_ptr<Job> job = std::move(job_);
    if (!job->painter.end())
        fail(QcError(PrinterError, QStringLiteral("Printer error: the print job cannot be written")));
    const int id = cupsPrintFile2(job->http, job->queue.constData(), job->file.toLocal8Bit().constData(),
                                  "QuillornControl", 0, nullptr);
    if (id == 0)
        fail(QcError(
            PrinterError,
            QStringLiteral("Printer error: %1 refused the job: %2").arg(printerName_, lastCupsError())));
    jobId_ = id;
}

}  // namespace qc
