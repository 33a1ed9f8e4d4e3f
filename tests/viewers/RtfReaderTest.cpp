// The help document's reader on RTF that a word processor wrote, on hand-made corner cases, and on
// damaged input.
#include <gtest/gtest.h>

#include <QFile>
#include <random>

#include "viewers/RtfReader.h"

using qc::readRtf;
using qc::RtfDocument;
using qc::RtfRun;

namespace {

QByteArray fixture(const char* name) {
    QFile file(QStringLiteral(FIXTURES_DIR "/") + QLatin1String(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

// The run that holds the text, with the look it is shown in.
const RtfRun* runWith(const RtfDocument& doc, const QString& text) {
    for (const auto& p : doc.paragraphs)
        for (const RtfRun& run : p.runs)
            if (run.text.contains(text)) return &run;
    return nullptr;
}

struct Look {
    const char* text;
    bool bold, italic, underline;
    double pointSize;
};

TEST(RtfReaderTest, WordProcessorDocumentsKeepTheirTextAndEmphasis) {
    const RtfDocument doc = readRtf(fixture("emphasis.rtf"));
    ASSERT_TRUE(doc.rich);
    const Look looks[] = {
        {"Switching Receivers", true, false, false, 24},
        {"Plain words, then ", false, false, false, 12},
        {"bold words", true, false, false, 12},
        {"italic words", false, true, false, 12},
        {"underlined words", false, false, true, 12},
        {"Bold and italic together", true, true, false, 12},
        {"Large type of eighteen", false, false, false, 18},
        {"Small type of eight", false, false, false, 8},
    };
    for (const Look& look : looks) {
        const RtfRun* run = runWith(doc, QString::fromUtf8(look.text));
        ASSERT_TRUE(run) << look.text;
        EXPECT_EQ(*run, (RtfRun{run->text, look.bold, look.italic, look.underline, look.pointSize}))
            << look.text;
    }
    // Nothing of the font table, styles, list templates or document information leaks into the text.
    EXPECT_EQ(doc.plainText(),
              QStringLiteral("Switching Receivers\nPlain words, then bold words, italic words and underlined "
                             "words.\nBold and italic together in one run.\nLarge type of eighteen points.\n"
                             "Small type of eight points.\nA centred line.\n\u2022\tFirst point of a list\n"
                             "\u2022\tSecond point of a list\n"));
    EXPECT_EQ(doc.paragraphs[5].align, qc::RtfParagraph::Center);
    EXPECT_EQ(doc.paragraphs[6].leftIndent, 709 / 20.0);  // a list item hangs its bullet
    EXPECT_EQ(doc.paragraphs[6].firstLineIndent, -283 / 20.0);

    EXPECT_EQ(readRtf(fixture("characters.rtf")).plainText(),
              QStringLiteral("Caf\u00e9 d\u00e9j\u00e0 vu \u2013 na\u00efve \u00fcber \u20ac5.\n"
                             "\u201cQuoted\u201d and \u2018single\u2019 \u2014 with a dash.\n"
                             "Greek \u03b1\u03b2\u03b3 and a check mark \u2713 outside the code page.\n"
                             "Braces { and } and a backslash \\ stay text.\n"
                             "Line one\nline two of the same paragraph.\n"));
}

TEST(RtfReaderTest, CornerCases) {
    struct Case {
        const char* name;
        QByteArray input;
        QString text;
    };
    const Case cases[] = {
        {"code page bytes", R"({\rtf1\ansi caf\'e9 \'80\'93x\'9})",
         QStringLiteral("caf\u00e9 \u20ac\u201cx\n")},
        {"unicode with fallback count", R"({\rtf1{\uc2\u-3913 ab}\u8212 ?c})",
         QStringLiteral("\uF0B7\u2014c\n")},
        {"surrogate pair and a lone half", R"({\rtf1\u-10179?\u-9206?\u-10179?x})",
         QStringLiteral("\U0001F40A\uFFFDx\n")},
        {"unknown optional destination", R"({\rtf1 a{\*\shpinst{\sp hidden}}b{\unknownword c}})",
         QStringLiteral("abc\n")},
        {"unbalanced braces", "{\\rtf1 a}}}b{{{c", QStringLiteral("abc\n")},
        {"paragraph by escaped line end", "{\\rtf1 a\\\nb\\par}", QStringLiteral("a\nb\n")},
        {"huge numbers and binary data", R"({\rtf1\fs99999999999999 x\bin3 abcy\u99999999999 ?z})",
         QStringLiteral("xyz\n")},
        {"not RTF at all", "Plain help\r\nsecond line\r\n", QStringLiteral("Plain help\nsecond line\n")},
        {"plain text in Windows-1252", "caf\xe9\n", QStringLiteral("caf\u00e9\n")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(readRtf(c.input).plainText(), c.text) << c.name;
}

// Damaged documents: cut, bytes changed, braces and backslashes sprinkled in, deep nesting. Every
// one must read without a fault (the sanitizers watch) and give no more text than it has bytes.
TEST(RtfReaderTest, DamagedInputNeverFails) {
    const QByteArray base = fixture("emphasis.rtf") + fixture("characters.rtf");
    std::mt19937 random(20261206);
    const char specials[] = "{}\\'*u0123456789-";
    for (int round = 0; round < 1500; ++round) {
        QByteArray bytes = base.left(static_cast<qsizetype>(random() % (base.size() + 1)));
        for (int k = 0; k < 20 && !bytes.isEmpty(); ++k) {
            const auto at = static_cast<qsizetype>(random() % bytes.size());
            bytes[at] =
                (random() % 2) ? specials[random() % (sizeof specials - 1)] : static_cast<char>(random());
        }
        const RtfDocument doc = readRtf(bytes);
        EXPECT_LE(doc.plainText().size(), bytes.size() + doc.paragraphs.size() + 1);
    }
    const QByteArray deep = "{\\rtf1" + QByteArray(200000, '{') + "deep\\b" + QByteArray(200000, '}') + "x";
    EXPECT_EQ(readRtf(deep).plainText(), QStringLiteral("deepx\n"));
    EXPECT_FALSE(readRtf(deep).toHtml().isEmpty());
}

}  // namespace
