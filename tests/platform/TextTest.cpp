// Windows-1252 text, blank-padded fields and the letter-case order of the sorted lists.
#include <gtest/gtest.h>

#include "platform/Text.h"

namespace qc {
namespace {

TEST(Cp1252, EveryByteSurvivesARoundTripAndDecodesToItsCharacter) {
    QByteArray all;
    for (int b = 1; b <= 0xFF; ++b)
        all.append(static_cast<char>(b));
    EXPECT_EQ(toCp1252(fromCp1252(all)), all);
    // The characters the station's files hold in 0x80..0x9F, not the Latin-1 controls; the five
    // unassigned bytes keep their value so that a name holding one is stored back unchanged.
    QString decoded;
    for (int byte : {0x80, 0x8A, 0x92, 0x9F, 0xC9, 0x81, 0x9D})
        decoded += QString::number(fromCp1252(QByteArray(1, char(byte)))[0].unicode(), 16) + " ";
    EXPECT_EQ(decoded, "20ac 160 2019 178 c9 81 9d ");
    EXPECT_EQ(toCp1252(QStringLiteral("Caf\u00e9 \u20ac5 \u0100\u4e2d")), QByteArray("Caf\xE9 \x80"
                                                                                     "5 ??"));
}

TEST(Fields, FitFieldPadsWithBlanksOrCutsAndTrimTouchesOnlyBlanks) {
    EXPECT_EQ(fitField("News", 8), QByteArray("News    "));
    EXPECT_EQ(fitField("1234567890", 5), QByteArray("12345"));
    EXPECT_EQ(trimBlanks("  Sports Hour   "), QByteArray("Sports Hour"));
    // NUL padding and tabs are not blanks to the old runtime's Trim.
    EXPECT_EQ(trimBlanks(QByteArray("\tJazz\0 ", 7)), QByteArray("\tJazz\0", 6));
}

TEST(CompareIgnoringCase, OrdersAsTextWithoutRegardToLetterCase) {
    struct Case {
        QByteArray a, b;
        int sign;
    };
    for (const Case& c : std::vector<Case>{
             {"alpha", "ALPHA", 0},
             {"apple", "Banana", -1},  // byte order would put "Banana" first
             {"News", "news at noon", -1},
             {"20261207 09:00:00 Z", "20261207 10:00:00 a", -1},  // digits and blanks before letters
             {"News ", "Newsa", -1},
             {"\xC9t\xC9", "\xE9t\xE9", 0},  // accented capitals of the code page fold to small letters
             {"\x8A\x8C\x8E\x9F", "\x9A\x9C\x9E\xFF", 0},
             {"\xD7", "\xF7", -1},  // the multiplication and division signs are no letters
             {"z", "\xE9", -1},     // bytes above 0x7F after ASCII letters: no signed-char comparison
             {"Z", "\x81", -1}}) {
        const int v = compareIgnoringCase(c.a, c.b);
        EXPECT_EQ((v > 0) - (v < 0), c.sign) << c.a.toHex().constData() << " " << c.b.toHex().constData();
        const int w = compareIgnoringCase(c.b, c.a);
        EXPECT_EQ((w > 0) - (w < 0), -c.sign) << c.b.toHex().constData();
    }
}

}  // namespace
}  // namespace qc
