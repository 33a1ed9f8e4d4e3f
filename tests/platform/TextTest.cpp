// Windows-1252 text, and the sorted work lists: ascending text order ignoring
// letter case, equal lines in the order added.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "engine/SortedList.h"
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

// Pairs in order: byte order would put "Banana" first; digits and blanks go before letters; the
// multiplication and division signs are no letters; bytes above 0x7F come after ASCII letters (no
// signed-char comparison). Pairs equal ignoring case: the code page's accented capitals fold to
// small letters.
TEST(CompareIgnoringCase, OrdersAsTextWithoutRegardToLetterCase) {
    using Pairs = std::vector<std::pair<QByteArray, QByteArray>>;
    // clang-format off
    const Pairs ordered = {{"apple", "Banana"}, {"News", "news at noon"}, {"News ", "Newsa"}, {"\xD7", "\xF7"},
                           {"20261207 09:00:00 Z", "20261207 10:00:00 a"}, {"z", "\xE9"}, {"Z", "\x81"}};
    const Pairs equal = {{"alpha", "ALPHA"}, {"\xC9t\xC9", "\xE9t\xE9"}, {"\x8A\x8C\x8E\x9F", "\x9A\x9C\x9E\xFF"}};
    // clang-format on
    for (const auto& [a, b] : ordered)
        EXPECT_TRUE(compareIgnoringCase(a, b) < 0 && compareIgnoringCase(b, a) > 0) << a.toHex().constData();
    for (const auto& [a, b] : equal)
        EXPECT_TRUE(compareIgnoringCase(a, b) == 0 && compareIgnoringCase(b, a) == 0)
            << a.toHex().constData();
}

QString render(const std::vector<SortedList::Item>& items) {
    QStringList out;
    for (const SortedList::Item& item : items)
        out << QString::fromLatin1(item.line.toHex()) + ":" + QString::number(item.itemData);
    return out.join(' ');
}

TEST(SortedList, WholeListsAndSingleLinesTakeTheSamePlaces) {
    // Lines of every length around the comparison's shortcuts, with case variants, blanks, NULs and
    // bytes above 0x7F, many of them equal ignoring case.
    std::mt19937 random(7);
    const QByteArray alphabet("aAbB zZ09:\0\x81\xC9\xE9\xFF", 16);
    std::vector<SortedList::Item> items;
    for (int i = 0; i < 3000; ++i) {
        QByteArray line;
        for (int k = 0, length = static_cast<int>(random() % 40); k < length; ++k)
            line += alphabet[static_cast<int>(random() % (k < 20 ? 3 : alphabet.size()))];
        items.push_back({line, i});
    }
    SortedList whole(true);
    whole.assign(items);
    SortedList oneByOne(true);
    for (const SortedList::Item& item : items)
        oneByOne.addItem(item.line, item.itemData);
    SortedList plain(false);
    plain.assign(items);
    EXPECT_EQ(render(plain.items()), render(items));  // an unsorted list keeps the order given
    std::stable_sort(items.begin(), items.end(),
                     [](const auto& a, const auto& b) { return compareIgnoringCase(a.line, b.line) < 0; });
    EXPECT_EQ(render(whole.items()), render(items));
    EXPECT_EQ(render(oneByOne.items()), render(items));
    // The view sees decoded lines and their item data.
    SortedList list(true);
    list.assign({{"b\x80", 2}, {"A", 1}});
    ASSERT_EQ(list.rowCount(), 2);
    EXPECT_EQ(list.data(list.index(1), Qt::DisplayRole).toString(), QStringLiteral("b\u20ac"));
    EXPECT_EQ(list.data(list.index(1), SortedList::ItemDataRole).toInt(), 2);
}

}  // namespace
}  // namespace qc
