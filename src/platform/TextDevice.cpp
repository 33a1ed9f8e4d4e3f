#include "TextDevice.h"

#include <utility>

#include "QcError.h"

namespace qc {

void TextDevice::setFont(const QString& name, int pointSize) {
    fontOut(name, pointSize);
}

void TextDevice::printAt(int column, const QByteArray& text) {
    const qsizetype at = std::max(column, 1) - 1;
    if (line_.size() > at) endLine();
    line_ += QByteArray(at - line_.size(), ' ');
    print(text);
}

void TextDevice::print(const QByteArray& text) {
    line_ += text;
    lineOpen_ = true;
}

void TextDevice::endLine() {
    // Taken off first: a line the printer refused is not printed again with the next one.
    const QByteArray line = std::exchange(line_, QByteArray());
    lineOpen_ = false;
    lineOut(line);
}

void TextDevice::newPage() {
    if (lineOpen_) endLine();
    pageOut();
}

void TextDevice::endDoc() {
    if (lineOpen_) endLine();
    documentOut();
}

QByteArray TextDevice::number(long long value) {
    return (value < 0 ? QByteArray() : QByteArray(" ")) + QByteArray::number(value) + ' ';
}

void RecordingTextDevice::fontOut(const QString& name, int pointSize) {
    fontName = name;
    fontSize = pointSize;
}

void RecordingTextDevice::lineOut(const QByteArray& line) {
    pages.last() << line;
}

void RecordingTextDevice::pageOut() {
    pages << QList<QByteArray>{};
}

void RecordingTextDevice::documentOut() {
    ended = true;
}

namespace {
PrinterFactory& printerFactory() {
    static PrinterFactory factory;
    return factory;
}
}  // namespace

void setDefaultPrinter(PrinterFactory factory) {
    printerFactory() = std::move(factory);
}

std::unique_ptr<TextDevice> defaultPrinter() {
    if (!printerFactory())
        throw QcError(QcError::HardwareNotAvailable, QStringLiteral("No printer is installed"));
    return printerFactory()();
}

}  // namespace qc
