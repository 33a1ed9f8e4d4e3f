// The sorted work lists: ascending text order ignoring letter case, equal lines in the order added.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "engine/SortedList.h"
#include "platform/Text.h"

namespace qc {
namespace {

std::vector<SortedList::Item> itemsOf(const SortedList& list) {
    return list.items();
}

bool sameItems(const std::vector<SortedList::Item>& a, const std::vector<SortedList::Item>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return x.line == y.line && x.itemData == y.itemData;
    });
}

TEST(SortedList, WholeListsAndSingleLinesTakeTheSamePlaces) {
    // Lines of every length around the comparison's shortcuts, with case variants, blanks, NULs and
    // bytes above 0x7F, many of them equal ignoring case.
    std::mt19937 random(7);
    const QByteArray alphabet("aAbB zZ09:\0\x81\xC9\xE9\xFF", 16);
    std::vector<SortedList::Item> items;
    for (int i = 0; i < 3000; ++i) {
        QByteArray line;
        const int length = static_cast<int>(random() % 40);
        for (int k = 0; k < length; ++k)
            line += alphabet[static_cast<int>(random() % (k < 20 ? 3 : alphabet.size()))];
        items.push_back({line, i});
    }

    SortedList whole(true);
    whole.assign(items);
    SortedList oneByOne(true);
    for (const SortedList::Item& item : items)
        oneByOne.addItem(item.line, item.itemData);
    std::vector<SortedList::Item> expected = items;
    std::stable_sort(expected.begin(), expected.end(),
                     [](const auto& a, const auto& b) { return compareIgnoringCase(a.line, b.line) < 0; });

    EXPECT_TRUE(sameItems(itemsOf(whole), expected));
    EXPECT_TRUE(sameItems(itemsOf(oneByOne), expected));

    // An unsorted list keeps the order given.
    SortedList plain(false);
    plain.assign(items);
    plain.addItem("A", -1);
    EXPECT_EQ(plain.count(), 3001);
    EXPECT_EQ(plain.itemData(0), 0);
    EXPECT_EQ(plain.itemData(3000), -1);
}

TEST(SortedList, TheViewSeesDecodedLinesAndTheirItemData) {
    SortedList list(true);
    list.assign({{"b\x80", 2}, {"A", 1}});
    ASSERT_EQ(list.rowCount(), 2);
    EXPECT_EQ(list.data(list.index(0), Qt::DisplayRole).toString(), QStringLiteral("A"));
    EXPECT_EQ(list.data(list.index(1), Qt::DisplayRole).toString(), QStringLiteral("b\u20ac"));
    EXPECT_EQ(list.data(list.index(1), SortedList::ItemDataRole).toInt(), 2);
    list.clear();
    EXPECT_EQ(list.rowCount(), 0);
}

}  // namespace
}  // namespace qc
