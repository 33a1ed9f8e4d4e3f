#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace qc {

// A rich-text document as the help window shows it: paragraphs of runs of text with one look each.
struct RtfRun {
    QString text;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    double pointSize = 12;
    bool operator==(const RtfRun&) const = default;
};

struct RtfParagraph {
    enum Align { Left, Center, Right, Justify };
    QList<RtfRun> runs;
    Align align = Left;
    double spaceBefore = 0;  // points
    double spaceAfter = 0;
    double leftIndent = 0;
    double firstLineIndent = 0;  // from the left indent; negative for a hanging first line
    QString text() const;
};

struct RtfDocument {
    QList<RtfParagraph> paragraphs;
    bool rich = false;  // false: the bytes were not RTF and are shown as plain text

    // The text alone, paragraphs ended by a line break.
    QString plainText() const;
    // The document as HTML for a text browser.
    QString toHtml() const;
};

// Reads what a word processor writes as RTF: paragraphs and line breaks, bold, italic, underline,
// font sizes, alignment, paragraph spacing and indents, the special characters, \'hh (Windows-1252) and \uN
// with its fallback characters. Tables, pictures, fonts, colours, headers and the like are left
// out, their text too where it is not part of the body. Bytes that do not start as RTF are read as
// plain text (UTF-8, or Windows-1252 when they are not UTF-8). Any input gives a document: nesting,
// numbers and lengths are bounded, so damaged or hostile files cannot exhaust the stack or memory.
RtfDocument readRtf(const QByteArray& bytes);

}  // namespace qc
