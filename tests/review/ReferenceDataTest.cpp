// SPNames.dat and Source.dat: the bytes on disk and the lines the windows get from them.
#include <gtest/gtest.h>

#include <QDir>

#include "review/ServiceProviderNames.h"
#include "review/SourceCodes.h"
#include "support/TestSupport.h"

namespace qc {
namespace {

using test::TestProgram;

TEST(ServiceProviderNamesFile, FirstOpeningMakesSixtyFourBlankSlots) {
    TestProgram p;
    ServiceProviderNames names(p.file("SPNames.dat"));
    names.open();
    QByteArray expected(63 * 128 + 25, '\0');
    for (int slot = 0; slot < 64; ++slot)
        expected.replace(slot * 128, 25, QByteArray(25, ' '));
    EXPECT_EQ(p.readFile("SPNames.dat"), expected);

    names.LoadSPNames();
    ASSERT_EQ(names.lstSerProv.count(), 64);
    for (int row = 0; row < 64; ++row)
        EXPECT_EQ(names.lstSerProv.line(row),
                  QByteArray::number(row).rightJustified(2, ' ') + ' ' + QByteArray(25, ' '));
}

TEST(ServiceProviderNamesFile, NumberViewPutsEmptySlotsFirstAndNamesKeepTwentyFiveBytes) {
    TestProgram p;
    // An old station's file whose slots carry other bytes after the name: they stay as they are.
    p.writeFile("SPNames.dat", ServiceProviderNames::emptyFile().replace('\0', 'x'));
    ServiceProviderNames names(p.file("SPNames.dat"));
    names.open();
    names.writeName(3, "Zeta");
    names.writeName(7, "alpha6789012345678901234567890");  // 30 characters
    names.viewMode = 1;
    names.LoadSPNames();

    EXPECT_EQ(p.readFile("SPNames.dat").mid(7 * 128, 26), "alpha67890123456789012345x");
    for (int row = 0; row < 62; ++row)
        EXPECT_TRUE(names.lstSerProv.line(row).startsWith(QByteArray(25, ' '))) << row;
    EXPECT_EQ(names.lstSerProv.line(62), "alpha67890123456789012345  7 ");
    EXPECT_EQ(names.lstSerProv.line(63), QByteArray("Zeta").leftJustified(25, ' ') + "  3 ");
    EXPECT_EQ(names.lstSerProv.itemData(63), 3);
}

TEST(SourceCodeFields, EveryFieldIsTakenTheLastOneToo) {
    const struct {
        QByteArray text;
        QList<QByteArray> fields;
    } rows[] = {
        {"ABC\r\nDEF\r\n", {"ABC", "DEF"}},
        {"ABC\r\nDEF", {"ABC", "DEF"}},
        {"  AB , \"C,D\" ,E\t\r\n", {"AB", "C,D", "E"}},
        {"\"X Y\"junk,Z\n\r\n   \r\nW\x1aGARBAGE\r\n", {"X Y", "Z", "W"}},
        {"", {}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(sourceFields(row.text), row.fields) << row.text.toStdString();
}

TEST(LoadSourceCodes, CopiesTheFloppyWholeOrLeavesTheOldListAlone) {
    const QByteArray old = "OLD\r\n";
    const struct {
        const char* floppyFile;  // null: no floppy folder at all
        QByteArray floppy;
        bool blockCopy;  // the new local file cannot be written
        QByteArray local;
        QString message;
    } rows[] = {
        {"SOURCE.DAT", "\"ENG\", fra ,\"D,E\"\r\n  ita\r\nSPA", false,
         "ENG\r\nfra\r\n\"D,E\"\r\nita\r\nSPA\r\n", ""},
        {"Other.dat", "ENG\r\n", false, old, "53  File not found"},
        {nullptr, "", false, old, "76  Path not found"},
        {"Source.dat", "ENG\r\n", true, old, "75  Path/File access error"},
    };
    for (const auto& row : rows) {
        TestProgram p;
        p.writeFile("Source.dat", old);
        if (row.floppyFile) p.writeFile(QStringLiteral("floppy/") + row.floppyFile, row.floppy);
        if (row.blockCopy) QDir().mkpath(p.file("Source.dat.new"));
        qputenv("QUILLORN_FLOPPY", p.file("floppy").toLocal8Bit());
        LoadSourceCodes(*p.m);
        EXPECT_EQ(p.readFile("Source.dat"), row.local) << row.floppyFile;
        EXPECT_TRUE(row.message.isEmpty() ? p.messages.isEmpty()
                                          : p.messages.join('|').startsWith(row.message))
            << p.messages.join('|').toStdString();
        if (row.message.isEmpty()) {
            EXPECT_EQ(readSourceCodes(p.file("Source.dat")), sourceFields(row.floppy));
        }
    }
}

}  // namespace
}  // namespace qc
