// The help document's reader on RTF that a word processor wrote and on hand-made corner cases.
#include <gtest/gtest.h>

#include <QFile>

#include "viewers/RtfReader.h"

using qc::readRtf;

namespace {

QByteArray fixture(const char* name) {
    QFile file(QStringLiteral(FIXTURES_DIR "/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("missing fixture");
}

// The document as text with its looks marked: <b i u 18>text</> for a run that is not plain 12 point,
// a line per paragraph, [indent first-line-indent alignment] in front when it has any.
QString marked(const qc::RtfDocument& doc) {
    QString out;
    for (const auto& p : doc.paragraphs) {
        out += QString("[%1 %2 %3]").arg(p.leftIndent).arg(p.firstLineIndent).arg(p.align).remove("[0 0 0]");
        for (const auto& run : p.runs) {
            auto look =
                QString(run.bold ? "b " : "") + (run.italic ? "i " : "") + (run.underline ? "u " : "");
            if (run.pointSize != 12) look += QString::number(run.pointSize);
            out += look.isEmpty() ? run.text : "<" + look.trimmed() + ">" + run.text + "</>";
        }
        out += '\n';
    }
    return out;
}

TEST(RtfReaderTest, WordProcessorDocumentsKeepTheirTextAndEmphasis) {
    // Nothing of the font table, styles, list templates or document information leaks into the text.
    EXPECT_EQ(marked(readRtf(fixture("emphasis.rtf"))),
              "<b 24>Switching Receivers</>\nPlain words, then <b>bold words</>, <i>italic words</> and "
              "<u>underlined words</>.\n<b i>Bold and italic together</> in one run.\n<18>Large type of "
              "eighteen points.</>\n<8>Small type of eight points.</>\n[0 0 1]A centred line.\n[35.45 -14.15 "
              "0]\u2022\tFirst point of a list\n[35.45 -14.15 0]\u2022\tSecond point of a list\n");
    EXPECT_EQ(readRtf(fixture("characters.rtf")).plainText(),
              QStringLiteral("Caf\u00e9 d\u00e9j\u00e0 vu \u2013 na\u00efve \u00fcber \u20ac5.\n"
                             "\u201cQuoted\u201d and \u2018single\u2019 \u2014 with a dash.\n"
                             "Greek \u03b1\u03b2\u03b3 and a check mark \u2713 outside the code page.\n"
                             "Braces { and } and a backslash \\ stay text.\nLine one\nline two of the same "
                             "paragraph.\n"));
}

// Damaged documents are the fuzzer's; these are the cases it is unlikely to build.
TEST(RtfReaderTest, CornerCases) {
    const std::pair<QByteArray, QString> cases[] = {
        {R"({\rtf1\ansi caf\'e9 \'80\'93x\'9})", QStringLiteral("caf\u00e9 \u20ac\u201cx\n")},
        {R"({\rtf1{\uc2\u-3913 ab}\u8212 ?c})", QStringLiteral("\uF0B7\u2014c\n")},        // fallback counts
        {R"({\rtf1\u-10179?\u-9206?\u-10179?x})", QStringLiteral("\U0001F40A\uFFFDx\n")},  // a lone half
        {R"({\rtf1 a{\*\shpinst{\sp hidden}}b{\unknownword c}})", "abc\n"},
        {"{\\rtf1 a}}}b{{{c", "abc\n"},
        {"{\\rtf1 a\\\nb\\par}", "a\nb\n"},
        {R"({\rtf1\fs99999999999999 x\bin3 abcy\u99999999999 ?z})", "xyz\n"},
        {"{\\rtf1" + QByteArray(200000, '{') + "deep\\b" + QByteArray(200000, '}') + "x", "deepx\n"},
        {"Plain help\r\nsecond line\r\n", "Plain help\nsecond line\n"},
        {"caf\xe9\n", QStringLiteral("caf\u00e9\n")},  // plain Windows-1252
    };
    for (const auto& [input, text] : cases)
        EXPECT_EQ(readRtf(input).plainText(), text) << input.left(80).constData();
}

}  // namespace
