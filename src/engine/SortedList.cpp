#include "SortedList.h"

#include <algorithm>

#include "platform/Text.h"

namespace qc {

namespace {
bool lessIgnoringCase(const SortedList::Item& a, const SortedList::Item& b) {
    return compareIgnoringCase(a.line, b.line) < 0;
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
    if (sorted_) std::stable_sort(items.begin(), items.end(), lessIgnoringCase);
    beginResetModel();
    items_ = std::move(items);
    endResetModel();
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
