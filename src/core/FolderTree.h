#pragma once

#include <QHash>
#include <QStandardItemModel>

namespace qc {

// The folders below one root for the file panel. Each folder's sub-folders are read once, off the
// window thread (a slow disk or a stale mount never holds the clock), when the folder is first
// opened, and come in at once, in name order. After that nothing moves: a folder made or removed
// later does not shift the rows under the pointer, and shows when the root is set again.
class FolderTree : public QStandardItemModel {
    Q_OBJECT
public:
    explicit FolderTree(QObject* parent = nullptr);
    ~FolderTree() override;

    // Forgets every folder read and reads the root's sub-folders afresh.
    void setRoot(const QString& root);
    const QString& root() const { return root_; }
    QString filePath(const QModelIndex& index) const;
    // The folder's row once it has been read, else an invalid index (also for the root itself).
    QModelIndex index(const QString& path) const;
    using QStandardItemModel::index;
    // Reads the folders on the way from the root down to path, then emits revealed() with its row,
    // or with the deepest one on the way that exists. A later reveal or setRoot() replaces it.
    void reveal(const QString& path);
    void cancelReveal() { revealing_.clear(); }

    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

signals:
    void revealed(const QModelIndex& folder);

private:
    enum State { Unread, Reading, Read };
    State state(const QStandardItem* item) const;
    QStandardItem* itemOf(const QModelIndex& index) const;
    void read(QStandardItem* item);
    void fill(const QString& path, const QStringList& names);
    void continueReveal();

    QString root_;
    State rootState_ = Unread;
    int generation_ = 0;  // readings started for an earlier root are dropped
    QHash<QString, QStandardItem*> items_;
    QString revealing_;
};

}  // namespace qc
