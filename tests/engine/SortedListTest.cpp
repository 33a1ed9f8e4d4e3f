// The sorted work lists: ascending text order ignoring letter case, equal lines in the order added.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "engine/SortedList.h"
#include "platform/Text.h"

namespace qc {
namespace {

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
}

TEST(SortedList, TheViewSeesDecodedLinesAndTheirItemData) {
    SortedList list(true);
    list.assign({{"b\x80", 2}, {"A", 1}});
    ASSERT_EQ(list.rowCount(), 2);
    EXPECT_EQ(list.data(list.index(1), Qt::DisplayRole).toString(), QStringLiteral("b\u20ac"));
    EXPECT_EQ(list.data(list.index(1), SortedList::ItemDataRole).toInt(), 2);
}

}  // namespace
}  // namespace qc
