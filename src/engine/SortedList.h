#pragma once

#include <QAbstractListModel>
#include <QByteArray>
#include <functional>
#include <vector>

namespace qc {

// A list of text lines with item data, the logic's side of a list box. When sorted, every line takes
// its place in ascending text order ignoring letter case, after the lines equal to it (stable), as
// the sorted list boxes did. Lines are Windows-1252 bytes; the view shows them decoded.
class SortedList : public QAbstractListModel {
    Q_OBJECT
public:
    struct Item {
        QByteArray line;
        int itemData = 0;
        bool operator==(const Item&) const = default;
    };

    explicit SortedList(bool sorted = false, QObject* parent = nullptr);

    void clear();
    void addItem(const QByteArray& line, int itemData = 0);
    // Replaces the whole content at once; sorted lists sort the items (stable). A view is told once,
    // so a week of 70,000 lines costs one reset, not 70,000 insertions.
    void assign(std::vector<Item> items);
    // Replaces the whole content with lines that `fill` puts in the list's order itself. It gets the
    // old items, whose line buffers it may reuse: a search that rebuilds 70,000 lines of the same
    // length then allocates none. A view is told once.
    void rebuild(const std::function<void(std::vector<Item>&)>& fill);

    int count() const { return static_cast<int>(items_.size()); }
    const QByteArray& line(int i) const { return items_[i].line; }
    using QAbstractListModel::itemData;
    int itemData(int i) const { return items_[i].itemData; }
    const std::vector<Item>& items() const { return items_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    static constexpr int ItemDataRole = Qt::UserRole;

private:
    bool sorted_;
    std::vector<Item> items_;
};

}  // namespace qc
