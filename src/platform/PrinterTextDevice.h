#pragma once

#include <QFont>
#include <QString>
#include <memory>
#include <optional>

#include "QcError.h"
#include "TextDevice.h"

namespace qc {

// The system's default printer (CUPS) as the program's text device. The pages are drawn with
// QPrinter into a PDF file of the job, which goes to the default queue when the document ends; CUPS
// converts it for whatever printer stands behind the queue. Nothing here waits for the operator:
// no dialog, and every exchange with the print service has a time limit.
//
// Failures are QcErrors: 484 when there is no default printer or the print service cannot be
// reached, 482 when the queue refuses the job (the service's reason in the description). After a
// failure every further call repeats it; a device destroyed before its document ended sends nothing.
class PrinterTextDevice : public TextDevice {
public:
    // How long the print service may take to answer, connecting and for each exchange.
    static constexpr int ConnectTimeoutMs = 5000;
    static constexpr double ExchangeTimeoutSeconds = 15.0;

    PrinterTextDevice();
    ~PrinterTextDevice() override;

    // The queue the last document went to and the job number CUPS gave it.
    QString printerName() const;
    int jobId() const;

    // The font a name and size resolve to on this system ("Courier New" becomes a font with the
    // same metrics, such as Liberation Mono).
    static QFont resolveFont(const QString& name, int pointSize);

protected:
    void fontOut(const QString& name, int pointSize) override;
    void lineOut(const QByteArray& line) override;
    void pageOut() override;
    void documentOut() override;

private:
    struct Job;
    void begin();
    [[noreturn]] void fail(const QcError& error);

    QFont font_;
    std::unique_ptr<Job> job_;
    std::optional<QcError> failed_;
    QString printerName_;
    int jobId_ = 0;
};

}  // namespace qc
