#pragma once

#include <QByteArray>
#include <QString>

namespace qc {

// The whole content of a file, read with the errors of the program (53 File not found, 76 Path not
// found, ...). Throws QcError.
QByteArray readWholeFile(const QString& path);

// Puts a file in place whole or not at all: the bytes are written under a new name beside it and
// reach the disk before that file takes the old one's name, so a failure, a full disk or a power cut
// leaves the old file as it was. Throws QcError.
void replaceFileDurably(const QString& path, const QByteArray& bytes);

}  // namespace qc
