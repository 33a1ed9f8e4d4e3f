#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <memory>

namespace qc {

// The printer as a text device, as the old programs drove it: a font, text printed at a column or
// after the last item, line ends, page breaks and the end of the document. Columns count from 1 at
// the left margin. Text is Windows-1252 bytes. Every call may throw QcError (no printer, a refused
// job); the caller decides what to report.
class TextDevice {
public:
    virtual ~TextDevice() = default;

    void setFont(const QString& name, int pointSize);
    // Pads with blanks up to column n; when the print position is already past it, ends the line
    // and goes to column n of the next one.
    void printAt(int column, const QByteArray& text);
    // Continues at the print position.
    void print(const QByteArray& text);
    void endLine();
    void newPage();
    // Ends the document and releases the job. A line still open is ended first.
    void endDoc();

    // A number as the old print statement wrote it: a blank (or the minus sign) before it, one blank
    // after it. 14 gives " 14 ", -3 gives "-3 ".
    static QByteArray number(long long value);

protected:
    virtual void fontOut(const QString& name, int pointSize) = 0;
    virtual void lineOut(const QByteArray& line) = 0;
    virtual void pageOut() = 0;
    virtual void documentOut() = 0;

private:
    QByteArray line_;
    bool lineOpen_ = false;
};

// A text device that keeps what was printed, page by page; for tests and for a preview.
class RecordingTextDevice : public TextDevice {
public:
    QList<QList<QByteArray>> pages{{}};
    QString fontName;
    int fontSize = 0;
    bool ended = false;

protected:
    void fontOut(const QString& name, int pointSize) override;
    void lineOut(const QByteArray& line) override;
    void pageOut() override;
    void documentOut() override;
};

// The program's default printer. Windows print through it; the program installs the real printer at
// start, tests a recording device. Without one installed, defaultPrinter() throws QcError.
using PrinterFactory = std::function<std::unique_ptr<TextDevice>()>;
void setDefaultPrinter(PrinterFactory factory);
std::unique_ptr<TextDevice> defaultPrinter();

}  // namespace qc
