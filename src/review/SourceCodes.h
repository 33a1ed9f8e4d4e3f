#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace qc {

class Module1;

// Source.dat, the receiver's programme source codes in the order they are offered: a text of CR LF
// lines read as fields. A field ends at a comma or at the end of its line; blanks around it are
// dropped and a field in double quotes is taken without them (a comma inside the quotes is part of
// it). Every field is taken, the last one of the file as well, whether its line is ended or not.
// Lines of blanks only hold no field; a Ctrl-Z ends the text, as it did on the old PCs.
QList<QByteArray> sourceFields(const QByteArray& text);

// The fields of a Source.dat file. Throws QcError (53 File not found, ...).
QList<QByteArray> readSourceCodes(const QString& path);

// One field as a line of the local Source.dat: the field and CR LF, in quotes where it would not
// read back as itself otherwise (empty, a comma in it, blanks at its ends).
QByteArray sourceLine(const QByteArray& field);

// The floppy's Source.dat in any letter case (a disk written elsewhere says SOURCE.DAT). Throws
// QcError: 76 when the floppy folder is not there, 53 when it holds no such file.
QString floppySourceFile();

// "Load Source Codes from Floppy": the floppy's source codes become the data folder's Source.dat,
// one field a line. The copy is made whole before it takes the place of the old file, so a failed
// copy leaves the old list as it was. A failure is shown as "number, two blanks, description".
void LoadSourceCodes(Module1& m);

}  // namespace qc
