// Windows-1252 text and the letter-case order of the sorted lists.
#include <gtest/gtest.h>

#include "platform/Text.h"

namespace qc {
namespace {

TEST(Cp1252, EveryHighByteSurvivesARoundTripAndDecodesToItsCharacter) {
    QByteArray high;
    for (int b = 0x80; b <= 0xFF; ++b)
        high.append(static_cast<char>(b));
    const QString decoded = fromCp1252(high);
    ASSERT_EQ(decoded.size(), 128);
    EXPECT_EQ(toCp1252(decoded), high);

    // The characters the station's files hold in 0x80..0x9F, not the Latin-1 controls.
    EXPECT_EQ(decoded[0x80 - 0x80].unicode(), 0x20AC);  // euro sign
    EXPECT_EQ(decoded[0x8A - 0x80].unicode(), 0x0160);  // S caron
    EXPECT_EQ(decoded[0x92 - 0x80].unicode(), 0x2019);  // right single quote
    EXPECT_EQ(decoded[0x96 - 0x80].unicode(), 0x2013);  // en dash
    EXPECT_EQ(decoded[0x9F - 0x80].unicode(), 0x0178);  // Y diaeresis
    // 0xA0..0xFF are Latin-1.
    EXPECT_EQ(decoded[0xA0 - 0x80].unicode(), 0x00A0);
    EXPECT_EQ(decoded[0xC9 - 0x80].unicode(), 0x00C9);
    EXPECT_EQ(decoded[0xFF - 0x80].unicode(), 0x00FF);
    // The five unassigned bytes keep their value so that a name holding one is stored back unchanged.
    for (int b : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
        EXPECT_EQ(decoded[b - 0x80].unicode(), b) << std::hex << b;

    EXPECT_EQ(fromCp1252(QByteArray("Morning News 7")), QStringLiteral("Morning News 7"));
}

TEST(Cp1252, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    EXPECT_EQ(toCp1252(QStringLiteral("Caf\u00e9 \u20ac5")), QByteArray("Caf\xE9 \x80"
                                                                        "5"));
    EXPECT_EQ(toCp1252(QStringLiteral("\u0100\u4e2d\u2019")), QByteArray("??\x92"));
    EXPECT_EQ(toCp1252(QString()), QByteArray());
}

TEST(Fields, FitFieldPadsWithBlanksOrCutsAndTrimTouchesOnlyBlanks) {
    EXPECT_EQ(fitField("News", 8), QByteArray("News    "));
    EXPECT_EQ(fitField("", 5), QByteArray("     "));
    EXPECT_EQ(fitField("1234567890", 5), QByteArray("12345"));
    EXPECT_EQ(fitField("12345", 5), QByteArray("12345"));

    EXPECT_EQ(trimBlanks("  Sports Hour   "), QByteArray("Sports Hour"));
    EXPECT_EQ(trimBlanks("     "), QByteArray());
    // NUL padding and tabs are not blanks to the old runtime's Trim.
    EXPECT_EQ(trimBlanks(QByteArray("Jazz\0\0", 6)), QByteArray("Jazz\0\0", 6));
    EXPECT_EQ(trimBlanks("\tJazz "), QByteArray("\tJazz"));
}

TEST(CompareIgnoringCase, OrdersAsTextWithoutRegardToLetterCase) {
    auto sign = [](int v) { return (v > 0) - (v < 0); };
    EXPECT_EQ(compareIgnoringCase("alpha", "ALPHA"), 0);
    EXPECT_EQ(compareIgnoringCase("", ""), 0);
    // Byte order would put "Banana" first.
    EXPECT_EQ(sign(compareIgnoringCase("apple", "Banana")), -1);
    EXPECT_EQ(sign(compareIgnoringCase("Banana", "apple")), 1);
    EXPECT_EQ(sign(compareIgnoringCase("beta", "Alpha")), 1);
    // A shorter text that is a prefix comes first.
    EXPECT_EQ(sign(compareIgnoringCase("News", "news at noon")), -1);
    EXPECT_EQ(sign(compareIgnoringCase("news at noon", "NEWS")), 1);
    // Blanks and digits before letters, as in the date and time keys of the work list.
    EXPECT_EQ(sign(compareIgnoringCase("20261207 09:00:00 Z", "20261207 10:00:00 a")), -1);
    EXPECT_EQ(sign(compareIgnoringCase("News ", "Newsa")), -1);
    // Accented capitals of the code page fold to their small letters; the multiplication and
    // division signs are not letters.
    EXPECT_EQ(compareIgnoringCase("\xC9t\xC9", "\xE9t\xE9"), 0);
    EXPECT_EQ(compareIgnoringCase("\x8A\x8C\x8E\x9F", "\x9A\x9C\x9E\xFF"), 0);
    EXPECT_NE(compareIgnoringCase("\xD7", "\xF7"), 0);
    // Bytes above 0x7F sort after ASCII letters, not before (no signed-char comparison).
    EXPECT_EQ(sign(compareIgnoringCase("z", "\xE9")), -1);
    EXPECT_EQ(sign(compareIgnoringCase("Z", "\x81")), -1);
}

}  // namespace
}  // namespace qc
