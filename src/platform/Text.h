#pragma once

#include <QByteArray>
#include <QString>

namespace qc {

// Stored files and the wire carry text one byte per character in Windows-1252. Texts stay bytes in
// the logic and are decoded only where a window shows them.
QString fromCp1252(const QByteArray& bytes);
// Characters Windows-1252 cannot hold become "?".
QByteArray toCp1252(const QString& text);

// A fixed-length field assigned from a text: padded on the right with blanks, or cut.
QByteArray fitField(const QByteArray& text, int length);

// Blanks removed at both ends (only the blank, as the old runtime's Trim did).
QByteArray trimBlanks(const QByteArray& text);

// The byte folded to lower case for comparisons that ignore letter case.
unsigned char foldCase(unsigned char c);
// Ascending text order ignoring letter case: <0, 0 or >0.
int compareIgnoringCase(const QByteArray& a, const QByteArray& b);

}  // namespace qc
