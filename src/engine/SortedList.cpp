#include "SortedList.h"

#include <QScopeGuard>
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Text.h"

namespace qc {

namespace {
bool lessIgnoringCase(const SortedList::Item& a, const SortedList::Item& b) {
    return compareIgnoringCase(a.line, b.line) < 0;
}

// The same order as lessIgnoringCase, stable, but each line is folded once instead of at every
// comparison: a week of 70,000 lines would otherwise fold the same bytes some two million times.
// The first 24 folded bytes of each line (in the work list its date, time and the start of the name)
// are also kept as three numbers, so that most comparisons never look at the text.
void sortIgnoringCase(std::vector<SortedList::Item>& items) {
    const size_t n = items.size();
    if (n < 2) return;
    static const std::array<unsigned char, 256> fold = [] {
        std::array<unsigned char, 256> t{};
        for (int c = 0; c < 256; ++c)
            t[c] = foldCase(static_cast<unsigned char>(c));
        return t;
    }();

    size_t total = 0;
    for (const SortedList::Item& item : items)
        total += static_cast<size_t>(item.line.size());
    std::string folded(total, '\0');
    std::vector<size_t> start(n + 1);
    constexpr size_t Words = 3;
    struct Key {
        uint64_t word[Words];
        uint32_t index;
    };
    std::vector<Key> keys(n);
    size_t at = 0;
    for (size_t i = 0; i < n; ++i) {
        start[i] = at;
        const QByteArray& line = items[i].line;
        for (char c : line)
            folded[at++] = static_cast<char>(fold[static_cast<unsigned char>(c)]);
        // Big-endian and zero-padded: ordering the numbers orders the first bytes, and a short line
        // ties with a longer one only where the full comparison decides.
        Key& key = keys[i];
        key.index = static_cast<uint32_t>(i);
        for (size_t w = 0; w < Words; ++w) {
            uint64_t v = 0;
            for (size_t k = w * 8; k < w * 8 + 8; ++k)
                v = (v << 8) | (start[i] + k < at ? static_cast<unsigned char>(folded[start[i] + k]) : 0u);
            key.word[w] = v;
        }
    }
    start[n] = at;
    auto text = [&](uint32_t i) {
        return std::string_view(folded.data() + start[i], start[i + 1] - start[i]);
    };

    // string_view compares bytes as unsigned, like compareIgnoringCase; equal lines keep their order.
    std::sort(keys.begin(), keys.end(), [&](const Key& a, const Key& b) {
        for (size_t w = 0; w < Words; ++w)
            if (a.word[w] != b.word[w]) return a.word[w] < b.word[w];
        const int c = text(a.index).compare(text(b.index));
        return c != 0 ? c < 0 : a.index < b.index;
    });
    std::vector<SortedList::Item> sorted;
    sorted.reserve(n);
    for (const Key& k : keys)
        sorted.push_back(std::move(items[k.index]));
    items.swap(sorted);
}
}  // namespace

SortedList::SortedList(bool sorted, QObject* parent) : QAbstractListModel(parent), sorted_(sorted) {}

void SortedList::clear() {
    if (items_.empty()) return;
    beginResetModel();
    items_.clear();
    endResetModel();
}

void SortedList::addItem(const QByteArray& line, int itemData) {
    Item item{line, itemData};
    auto pos =
        sorted_ ? std::upper_bound(items_.begin(), items_.end(), item, lessIgnoringCase) : items_.end();
    const int row = static_cast<int>(pos - items_.begin());
    beginInsertRows(QModelIndex(), row, row);
    items_.insert(pos, std::move(item));
    endInsertRows();
}

void SortedList::assign(std::vector<Item> items) {
    if (sorted_) sortIgnoringCase(items);
    beginResetModel();
    items_ = std::move(items);
    endResetModel();
}

void SortedList::rebuild(const std::function<void(std::vector<Item>&)>& fill) {
    beginResetModel();
    const auto told = qScopeGuard([this] { endResetModel(); });
    fill(items_);
    Q_ASSERT(!sorted_ || std::is_sorted(items_.begin(), items_.end(), lessIgnoringCase));
}

int SortedList::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

QVariant SortedList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count()) return {};
    if (role == Qt::DisplayRole) return fromCp1252(items_[index.row()].line);
    if (role == ItemDataRole) return items_[index.row()].itemData;
    return {};
}

}  // namespace qc
