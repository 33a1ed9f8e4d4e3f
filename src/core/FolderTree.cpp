#include "FolderTree.h"

#include <QDir>
#include <QFutureWatcher>
#include <QPromise>
#include <QThreadPool>
#include <memory>

namespace qc {

namespace {

constexpr int PathRole = Qt::UserRole + 1;
constexpr int StateRole = Qt::UserRole + 2;

QString below(const QString& folder, const QString& name) {
    return folder == QLatin1String("/") ? folder + name : folder + QLatin1Char('/') + name;
}

}  // namespace

FolderTree::FolderTree(QObject* parent) : QStandardItemModel(0, 1, parent) {}

FolderTree::~FolderTree() = default;

void FolderTree::setRoot(const QString& root) {
    ++generation_;
    removeRows(0, rowCount());
    items_.clear();
    revealing_.clear();
    root_ = QDir::cleanPath(root);
    rootState_ = Unread;
    read(nullptr);
}

QStandardItem* FolderTree::itemOf(const QModelIndex& index) const {
    return index.isValid() ? itemFromIndex(index) : nullptr;
}

FolderTree::State FolderTree::state(const QStandardItem* item) const {
    return item ? State(item->data(StateRole).toInt()) : rootState_;
}

QString FolderTree::filePath(const QModelIndex& index) const {
    return index.isValid() ? index.data(PathRole).toString() : root_;
}

QModelIndex FolderTree::index(const QString& path) const {
    const QStandardItem* item = items_.value(QDir::cleanPath(path));
    return item ? item->index() : QModelIndex();
}

bool FolderTree::hasChildren(const QModelIndex& parent) const {
    // A folder not read yet may hold folders: it can be opened.
    return state(itemOf(parent)) != Read || QStandardItemModel::hasChildren(parent);
}

bool FolderTree::canFetchMore(const QModelIndex& parent) const {
    return !root_.isEmpty() && state(itemOf(parent)) == Unread;
}

void FolderTree::fetchMore(const QModelIndex& parent) {
    read(itemOf(parent));
}

void FolderTree::read(QStandardItem* item) {
    if (root_.isEmpty() || state(item) != Unread) return;
    if (item)
        item->setData(Reading, StateRole);
    else
        rootState_ = Reading;
    const QString path = filePath(item ? item->index() : QModelIndex());
    auto promise = std::make_shared<QPromise<QStringList>>();
    auto* watcher = new QFutureWatcher<QStringList>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, path, generation = generation_] {
        watcher->deleteLater();
        if (generation == generation_ && watcher->future().resultCount() > 0) fill(path, watcher->result());
    });
    watcher->setFuture(promise->future());
    QThreadPool::globalInstance()->start([promise, path] {
        promise->start();
        promise->addResult(
            QDir(path).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase));
        promise->finish();
    });
}

void FolderTree::fill(const QString& path, const QStringList& names) {
    QStandardItem* parent = path == root_ ? nullptr : items_.value(path);
    if (path != root_ && !parent) return;
    QList<QStandardItem*> rows;
    for (const QString& name : names) {
        auto* row = new QStandardItem(name);
        row->setEditable(false);
        row->setData(below(path, name), PathRole);
        row->setData(Unread, StateRole);
        items_.insert(below(path, name), row);
        rows << row;
    }
    if (parent)
        parent->setData(Read, StateRole);
    else
        rootState_ = Read;
    // All at once: the rows take their places together and keep them.
    if (!rows.isEmpty()) (parent ? parent : invisibleRootItem())->appendRows(rows);
    continueReveal();
}

void FolderTree::reveal(const QString& path) {
    revealing_ = QDir::cleanPath(path);
    continueReveal();
}

void FolderTree::continueReveal() {
    if (revealing_.isEmpty()) return;
    const QString prefix = root_ == QLatin1String("/") ? root_ : root_ + QLatin1Char('/');
    if (revealing_ != root_ && !revealing_.startsWith(prefix)) {
        revealing_.clear();
        return;
    }
    QString at = root_;
    QStandardItem* item = nullptr;
    for (const QString& name : revealing_.mid(prefix.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (state(item) != Read) {
            read(item);  // the walk goes on when its folders are in
            return;
        }
        QStandardItem* next = items_.value(below(at, name));
        if (!next) break;
        item = next;
        at = below(at, name);
    }
    revealing_.clear();
    emit revealed(item ? item->index() : QModelIndex());
}

}  // namespace qc
