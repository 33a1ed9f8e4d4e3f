#include "SourceCodes.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>

#include "core/Module1.h"
#include "platform/DurableFile.h"
#include "platform/QcError.h"

namespace qc {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

QByteArray trimmed(const QByteArray& text) {
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && isBlank(text[from]))
        ++from;
    while (to > from && isBlank(text[to - 1]))
        --to;
    return text.mid(from, to - from);
}

// The fields of one line, split at the commas outside quotes.
void lineFields(const QByteArray& line, QList<QByteArray>& out) {
    qsizetype at = 0;
    for (;;) {
        while (at < line.size() && isBlank(line[at]))
            ++at;
        qsizetype comma;
        if (at < line.size() && line[at] == '"') {
            const qsizetype close = line.indexOf('"', at + 1);
            const qsizetype end = close < 0 ? line.size() : close;
            out << line.mid(at + 1, end - at - 1);
            // Whatever stands between the closing quote and the next comma is not part of the field.
            comma = line.indexOf(',', end);
        } else {
            comma = line.indexOf(',', at);
            out << trimmed(line.mid(at, (comma < 0 ? line.size() : comma) - at));
        }
        if (comma < 0) return;
        at = comma + 1;
    }
}

}  // namespace

QList<QByteArray> sourceFields(const QByteArray& text) {
    const qsizetype eof = text.indexOf('\x1a');
    const QByteArray body = eof < 0 ? text : text.left(eof);
    QList<QByteArray> fields;
    qsizetype at = 0;
    while (at < body.size()) {
        qsizetype end = at;
        while (end < body.size() && body[end] != '\r' && body[end] != '\n')
            ++end;
        const QByteArray line = body.mid(at, end - at);
        if (!trimmed(line).isEmpty()) lineFields(line, fields);
        // CR LF, a lone LF or a lone CR ends a line.
        at = end + (body.mid(end, 2) == "\r\n" ? 2 : 1);
    }
    return fields;
}

QList<QByteArray> readSourceCodes(const QString& path) {
    return sourceFields(readWholeFile(path));
}

QByteArray sourceLine(const QByteArray& field) {
    const bool quoted =
        field.isEmpty() || field.contains(',') || isBlank(field.front()) || isBlank(field.back());
    return quoted ? '"' + field + "\"\r\n" : field + "\r\n";
}

QString floppySourceFile() {
    const QString folder = Paths::floppyFolder();
    const QFileInfo floppy(folder);
    if (!floppy.isDir())
        throw QcError(
            QcError::PathNotFound,
            QStringLiteral("%1: %2").arg(QcError::standardDescription(QcError::PathNotFound), folder));
    const QDir dir(folder);
    const QString wanted = QStringLiteral("Source.dat");
    if (QFileInfo(dir.filePath(wanted)).isFile()) return dir.filePath(wanted);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden, QDir::Name))
        if (name.compare(wanted, Qt::CaseInsensitive) == 0) return dir.filePath(name);
    throw QcError::fromErrno(ENOENT, dir.filePath(wanted));
}

void LoadSourceCodes(Module1& m) {
    try {
        QByteArray copy;
        for (const QByteArray& field : readSourceCodes(floppySourceFile()))
            copy += sourceLine(field);
        replaceFileDurably(m.paths().file(QStringLiteral("Source.dat")), copy);
    } catch (const std::exception& e) {
        m.ShowMessage(toQcError(e).text());
    }
}

}  // namespace qc
